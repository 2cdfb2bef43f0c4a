#include "GraphEvents.h"

namespace {

const UINT WM_GRAPHNOTIFY = WM_APP + 123;

}  // namespace

CGraphEvents::CGraphEvents(IGraphBuilder* pGraph)
    : m_spEvents(pGraph),
      m_hWnd(::CreateWindowExW(0, L"STATIC", L"graph events", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                               nullptr)) {
  if (m_spEvents && m_hWnd) m_spEvents->SetNotifyWindow(reinterpret_cast<OAHWND>(m_hWnd), WM_GRAPHNOTIFY, 0);
}

CGraphEvents::~CGraphEvents() {
  if (m_spEvents) m_spEvents->SetNotifyWindow(0, 0, 0);
  if (m_hWnd) ::DestroyWindow(m_hWnd);
}

void CGraphEvents::Drain() {
  long lCode;
  LONG_PTR lParam1, lParam2;
  while (m_spEvents && m_spEvents->GetEvent(&lCode, &lParam1, &lParam2, 0) == S_OK) {
    // EC_ERRORABORT and EC_COMPLETE carry codes, not memory: the first parameter is
    // still worth keeping after the parameters are freed.
    m_spEvents->FreeEventParams(lCode, lParam1, lParam2);
    if (m_cCodes < 64) {
      m_params[m_cCodes] = lParam1;
      m_codes[m_cCodes++] = lCode;
    }
  }
}

LONG_PTR CGraphEvents::FirstParam(long lCode) const {
  for (int i = 0; i < m_cCodes; ++i)
    if (m_codes[i] == lCode) return m_params[i];
  return 0;
}

bool CGraphEvents::Seen(long lCode) const {
  for (int i = 0; i < m_cCodes; ++i)
    if (m_codes[i] == lCode) return true;
  return false;
}

bool CGraphEvents::PumpUntil(DWORD dwTimeout, long lCode) {
  const DWORD dwStart = ::GetTickCount();
  for (;;) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.hwnd == m_hWnd && msg.message == WM_GRAPHNOTIFY)
        Drain();
      else
        ::DispatchMessageW(&msg);
    }
    if (lCode && Seen(lCode)) return true;
    const DWORD dwElapsed = ::GetTickCount() - dwStart;
    if (dwElapsed >= dwTimeout) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, dwTimeout - dwElapsed, QS_ALLINPUT);
  }
}

void CGraphEvents::Pump(DWORD dwTime) { PumpUntil(dwTime, 0); }

bool CGraphEvents::WaitFor(long lCode, DWORD dwTimeout) {
  m_cCodes = 0;
  return PumpUntil(dwTimeout, lCode);
}
