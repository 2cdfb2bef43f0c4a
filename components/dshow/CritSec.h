// The kit's locks.
//
//   CCritSec    a critical section object, not copyable
//   CAutoLock   holds a CCritSec for the length of a scope
//
// The kit's lock order, outermost first:
//   1. a filter's control lock, where a filter has one (its own settings
//      changes made one at a time); never held across a call into the graph
//   2. the filter lock (CBaseFilter::FilterLock): states, connections
//   3. an input pin's stream lock: a sample, end of stream or flush in progress
//   4. the filter's inner lock (CBaseFilter::InnerLock): held only to read or
//      change what others may ask at any time, from any thread — the pins'
//      peers and media types, the filter's name, graph and clock, and what a
//      filter's type checks read; nothing is called out to under it
//   5. leaf locks of one object (a frame path, a settings copy, a record)
// A streaming thread never takes the filter lock: Stop holds it while it waits
// for that thread. Nothing calls the graph or another filter while holding a
// filter's filter lock or control lock, except a connection, which the graph
// starts and which calls the peer pin by its nature (IPin::Connect).
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
