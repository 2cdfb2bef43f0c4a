// An owning kernel handle.
//
//   CHandle   owns one handle (process, thread, event, file ...) and closes it when it goes
//
// Null is empty. INVALID_HANDLE_VALUE, a file call's failure, is taken as empty too, so that
// `CHandle hFile(::CreateFileW(...)); if (!hFile)` tests the call; the same value as the
// current process's pseudo handle, it needs no closing either.
#pragma once

#include "atldef.h"

namespace ATL {

class CHandle {
public:
  CHandle() = default;
  explicit CHandle(HANDLE h) { Attach(h); }
  CHandle(CHandle&& h) : m_h(h.Detach()) {}
  CHandle& operator=(CHandle&& h) {
    if (this != &h) Attach(h.Detach());
    return *this;
  }
  CHandle(const CHandle&) = delete;
  CHandle& operator=(const CHandle&) = delete;
  ~CHandle() { Close(); }

  operator HANDLE() const { return m_h; }

  // Takes over h; a handle held before is closed.
  void Attach(HANDLE h) {
    if (h == INVALID_HANDLE_VALUE) h = nullptr;
    if (m_h != h) Close();
    m_h = h;
  }
  // Gives the handle away without closing it.
  HANDLE Detach() {
    HANDLE h = m_h;
    m_h = nullptr;
    return h;
  }
  void Close() {
    if (m_h) {
      ::CloseHandle(m_h);
      m_h = nullptr;
    }
  }

  HANDLE m_h = nullptr;
};

}  // namespace ATL
