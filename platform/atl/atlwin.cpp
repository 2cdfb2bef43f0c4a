#include "atlwin.h"

#include <cwchar>
#include <new>

namespace ATL {

struct CWndRoute {
  CWndRouteTarget* pTarget;  // null once the object let go
  WNDPROC pfnSuper;          // subclassed windows: the procedure before ours
  WNDPROC pfnRoute;          // subclassed windows: ours, as installed
  int nDepth;                // messages of the window being processed
  bool bHeld;                // the window's property points here
  bool bFinal;               // WM_NCDESTROY has been seen
};

namespace {

// One name per image, so that two images linking this framework never share a route.
LPCWSTR RouteProperty() {
  static const struct Name {
    wchar_t sz[48];
    Name() {
      _snwprintf(sz, ARRAYSIZE(sz), L"ATL.WndRoute.%p", _AtlBaseModule.GetModuleInstance());
      sz[ARRAYSIZE(sz) - 1] = 0;
    }
  } name;
  return name.sz;
}

CWndRoute* FindRoute(HWND hWnd) { return static_cast<CWndRoute*>(::GetPropW(hWnd, RouteProperty())); }

bool HoldRoute(HWND hWnd, CWndRoute* pRoute) {
  // One object per window: a second route would orphan the first.
  if (FindRoute(hWnd) != nullptr || !::SetPropW(hWnd, RouteProperty(), pRoute)) return false;
  pRoute->bHeld = true;
  return true;
}

void DropRoute(HWND hWnd, CWndRoute* pRoute) {
  ::RemovePropW(hWnd, RouteProperty());
  pRoute->bHeld = false;
}

BOOL Dispatch(CWndRoute* pRoute, HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam,
              LRESULT& lResult) {
  if (pRoute->pTarget == nullptr) return FALSE;
  try {
    return pRoute->pTarget->ProcessWindowMessage(hWnd, uMsg, wParam, lParam, lResult, 0);
  } catch (...) {
    ATLASSERT(!L"ProcessWindowMessage(): a message handler threw");
    lResult = 0;
    return FALSE;
  }
}

// Keeps the route alive while a message of its window is processed, messages sent from
// inside handlers included; the outermost one finishes what WM_NCDESTROY or an
// unsubclassing started.
class CMessageInProgress {
public:
  CMessageInProgress(CWndRoute* pRoute, HWND hWnd, UINT uMsg)
      : m_pRoute(pRoute), m_hWnd(hWnd) {
    ++m_pRoute->nDepth;
    if (uMsg == WM_NCDESTROY) m_pRoute->bFinal = true;
  }
  CMessageInProgress(const CMessageInProgress&) = delete;
  CMessageInProgress& operator=(const CMessageInProgress&) = delete;

  ~CMessageInProgress() {
    if (--m_pRoute->nDepth > 0) return;
    if (!m_pRoute->bHeld) {
      delete m_pRoute;
    } else if (m_pRoute->bFinal) {
      Finish();
    }
  }

private:
  void Finish() {
    if (m_pRoute->pfnRoute != nullptr &&
        ::GetWindowLongPtrW(m_hWnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(m_pRoute->pfnRoute))
      ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pRoute->pfnSuper));
    DropRoute(m_hWnd, m_pRoute);
    CWndRouteTarget* pTarget = m_pRoute->pTarget;
    delete m_pRoute;
    if (pTarget == nullptr) return;
    try {
      pTarget->FinalMessageRouted(m_hWnd);
    } catch (...) {
      ATLASSERT(!L"OnFinalMessage() threw");
    }
  }

  CWndRoute* m_pRoute;
  HWND m_hWnd;
};

}  // namespace

CWndRoute* AtlWndRouteCreate(CWndRouteTarget* pTarget) {
  ATLASSERT(pTarget != 0);
  return new (std::nothrow) CWndRoute{pTarget, nullptr, nullptr, 0, false, false};
}

void AtlWndRouteRelease(CWndRoute* pRoute) {
  if (pRoute == nullptr) return;
  pRoute->pTarget = nullptr;
  if (!pRoute->bHeld && pRoute->nDepth == 0) delete pRoute;
}

bool AtlWndRouteSubclass(CWndRoute* pRoute, HWND hWnd, WNDPROC pfnRouteProc) {
  ATLASSERT(pRoute != 0 && pfnRouteProc != 0);
  const auto pfnSuper = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hWnd, GWLP_WNDPROC));
  if (pfnSuper == nullptr || !HoldRoute(hWnd, pRoute)) return false;
  pRoute->pfnSuper = pfnSuper;
  pRoute->pfnRoute = pfnRouteProc;
  ::SetLastError(ERROR_SUCCESS);
  const LONG_PTR lPrevious =
      ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(pfnRouteProc));
  if (lPrevious == 0 && ::GetLastError() != ERROR_SUCCESS) {
    DropRoute(hWnd, pRoute);
    return false;
  }
  pRoute->pfnSuper = reinterpret_cast<WNDPROC>(lPrevious);
  return true;
}

bool AtlWndRouteUnsubclass(CWndRoute* pRoute, HWND hWnd) {
  ATLASSERT(pRoute != 0 && pRoute->bHeld);
  if (::GetWindowLongPtrW(hWnd, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(pRoute->pfnRoute))
    return false;
  ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(pRoute->pfnSuper));
  DropRoute(hWnd, pRoute);
  AtlWndRouteRelease(pRoute);
  return true;
}

bool AtlWndRouteAttachDialog(CWndRoute* pRoute, HWND hWnd, DLGPROC pfnDialogProc) {
  ATLASSERT(pRoute != 0 && pfnDialogProc != 0);
  // First, so that the start procedure sees one message only, whether or not the route holds:
  // without one the dialog procedure leaves everything to the default dialog handling.
  ::SetWindowLongPtrW(hWnd, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(pfnDialogProc));
  return HoldRoute(hWnd, pRoute);
}

LRESULT CALLBACK AtlWndRouteWindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  CWndRoute* pRoute = FindRoute(hWnd);
  if (pRoute == nullptr) return ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
  CMessageInProgress inProgress(pRoute, hWnd, uMsg);
  LRESULT lResult = 0;
  if (!Dispatch(pRoute, hWnd, uMsg, wParam, lParam, lResult))
    lResult = ::CallWindowProcW(pRoute->pfnSuper, hWnd, uMsg, wParam, lParam);
  return lResult;
}

INT_PTR CALLBACK AtlWndRouteDialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  CWndRoute* pRoute = FindRoute(hWnd);
  if (pRoute == nullptr) return FALSE;
  CMessageInProgress inProgress(pRoute, hWnd, uMsg);
  LRESULT lResult = 0;
  if (!Dispatch(pRoute, hWnd, uMsg, wParam, lParam, lResult)) return FALSE;
  switch (uMsg) {
    // These answer through the dialog procedure's own result.
    case WM_INITDIALOG:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
      return lResult;
    default:
      ::SetWindowLongPtrW(hWnd, DWLP_MSGRESULT, lResult);
      return TRUE;
  }
}

}  // namespace ATL
