// The kit's locks.
//
//   CCritSec    a critical section object, not copyable
//   CAutoLock   holds a CCritSec for the length of a scope
//
// Lock order, where both are taken: the filter lock first, then a pin's
// streaming lock. A streaming thread never takes the filter lock. A pin's
// peer lock is innermost and held only to read or change the peer.
#pragma once

#include <windows.h>

namespace dshow {

class CCritSec {
public:
  CCritSec() { ::InitializeCriticalSection(&m_cs); }
  ~CCritSec() { ::DeleteCriticalSection(&m_cs); }
  CCritSec(const CCritSec&) = delete;
  CCritSec& operator=(const CCritSec&) = delete;

  void Lock() { ::EnterCriticalSection(&m_cs); }
  void Unlock() { ::LeaveCriticalSection(&m_cs); }

private:
  CRITICAL_SECTION m_cs;
};

class CAutoLock {
public:
  explicit CAutoLock(CCritSec* pLock) : m_pLock(pLock) { m_pLock->Lock(); }
  ~CAutoLock() { m_pLock->Unlock(); }
  CAutoLock(const CAutoLock&) = delete;
  CAutoLock& operator=(const CAutoLock&) = delete;

private:
  CCritSec* m_pLock;
};

}  // namespace dshow
