// Windows, message maps and window objects.
//
//   CWindow                         a borrowed window handle with thin wrappers of the API
//   CMessageMap                     what BEGIN_MSG_MAP ... END_MSG_MAP implements
//   CWndRouteTarget                 what a window's route needs of its window object
//   CWindowImplRoot<TBase>          a window object: handle, route, final-message hook
//   CWindowImplBaseT<TBase>         subclassing an existing window
//   CWindowImpl<T, TBase>           the same, named after the window object's class
//   CDialogImplBaseT<TBase>         a dialog object
//   CDialogImpl<T, TBase>           a modal dialog from the template T::IDD
//
// Message maps: BEGIN_MSG_MAP(theClass), MESSAGE_HANDLER(msg, func),
// COMMAND_HANDLER(id, code, func), COMMAND_ID_HANDLER(id, func),
// COMMAND_RANGE_HANDLER(idFirst, idLast, func), END_MSG_MAP(). Handlers:
//   LRESULT OnMsg(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
//   LRESULT OnCommand(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled);
// bHandled comes in TRUE; a handler that sets it FALSE declines, and the next entry or the
// window's previous procedure (the default dialog handling for dialogs) gets the message.
//
// Routing: a window carries one window object, through a window property that points to a
// small route record. The record is allocated when the object is attached and belongs to the
// window until its WM_NCDESTROY, so a window whose object went away early falls back to its
// previous procedure instead of calling freed memory. Exceptions stop at the route: a handler
// that throws is reported by an assertion and its message gets the default handling.
#pragma once

#include "atldef.h"
#include "atlmodule.h"

// windowsx.h (pulled in by dshow.h) has a SubclassWindow macro that would
// rewrite the member of that name.
#ifdef SubclassWindow
#undef SubclassWindow
#endif

namespace ATL {

class CWindow {
public:
  HWND m_hWnd;

  CWindow(HWND hWnd = NULL) : m_hWnd(hWnd) {}
  CWindow& operator=(HWND hWnd) {
    m_hWnd = hWnd;
    return *this;
  }
  operator HWND() const { return m_hWnd; }

  void Attach(HWND hWndNew) {
    ATLASSERT(m_hWnd == 0);
    ATLASSERT(hWndNew == 0 || ::IsWindow(hWndNew));
    m_hWnd = hWndNew;
  }
  HWND Detach() {
    HWND hWnd = m_hWnd;
    m_hWnd = NULL;
    return hWnd;
  }

  BOOL IsWindow() const { return ::IsWindow(m_hWnd); }
  BOOL DestroyWindow() {
    ATLASSERT(::IsWindow(m_hWnd));
    if (!::DestroyWindow(m_hWnd)) return FALSE;
    m_hWnd = NULL;
    return TRUE;
  }

  HWND GetParent() const {
    ATLASSERT(::IsWindow(m_hWnd));
    return ::GetParent(m_hWnd);
  }
  HWND GetDlgItem(int nID) const {
    ATLASSERT(::IsWindow(m_hWnd));
    return ::GetDlgItem(m_hWnd, nID);
  }
  int GetDlgCtrlID() const {
    ATLASSERT(::IsWindow(m_hWnd));
    return ::GetDlgCtrlID(m_hWnd);
  }

  BOOL SetWindowText(LPCWSTR lpszString) {
    ATLASSERT(::IsWindow(m_hWnd));
    return ::SetWindowTextW(m_hWnd, lpszString);
  }
  int GetWindowText(LPWSTR lpszStringBuf, int nMaxCount) const {
    ATLASSERT(::IsWindow(m_hWnd));
    return ::GetWindowTextW(m_hWnd, lpszStringBuf, nMaxCount);
  }
  int GetWindowTextLength() const {
    ATLASSERT(::IsWindow(m_hWnd));
    return ::GetWindowTextLengthW(m_hWnd);
  }
  BOOL SetDlgItemText(int nID, LPCWSTR lpszString) {
    ATLASSERT(::IsWindow(m_hWnd));
    return ::SetDlgItemTextW(m_hWnd, nID, lpszString);
  }
  UINT GetDlgItemText(int nID, LPWSTR lpStr, int nMaxCount) const {
    ATLASSERT(::IsWindow(m_hWnd));
    return ::GetDlgItemTextW(m_hWnd, nID, lpStr, nMaxCount);
  }

  BOOL EnableWindow(BOOL bEnable = TRUE) {
    ATLASSERT(::IsWindow(m_hWnd));
    return ::EnableWindow(m_hWnd, bEnable);
  }
  BOOL IsWindowEnabled() const {
    ATLASSERT(::IsWindow(m_hWnd));
    return ::IsWindowEnabled(m_hWnd);
  }
  BOOL ShowWindow(int nCmdShow) {
    ATLASSERT(::IsWindow(m_hWnd));
    return ::ShowWindow(m_hWnd, nCmdShow);
  }
  HWND SetFocus() {
    ATLASSERT(::IsWindow(m_hWnd));
    return ::SetFocus(m_hWnd);
  }

  BOOL CheckRadioButton(int nIDFirstButton, int nIDLastButton, int nIDCheckButton) {
    ATLASSERT(::IsWindow(m_hWnd));
    return ::CheckRadioButton(m_hWnd, nIDFirstButton, nIDLastButton, nIDCheckButton);
  }
  BOOL CheckDlgButton(int nIDButton, UINT nCheck) {
    ATLASSERT(::IsWindow(m_hWnd));
    return ::CheckDlgButton(m_hWnd, nIDButton, nCheck);
  }
  UINT IsDlgButtonChecked(int nIDButton) const {
    ATLASSERT(::IsWindow(m_hWnd));
    return ::IsDlgButtonChecked(m_hWnd, nIDButton);
  }

  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    ATLASSERT(::IsWindow(m_hWnd));
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
  }
  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    ATLASSERT(::IsWindow(m_hWnd));
    return ::PostMessageW(m_hWnd, message, wParam, lParam);
  }
  LRESULT SendDlgItemMessage(int nID, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    ATLASSERT(::IsWindow(m_hWnd));
    return ::SendDlgItemMessageW(m_hWnd, nID, message, wParam, lParam);
  }

  BOOL GetWindowRect(LPRECT lpRect) const {
    ATLASSERT(::IsWindow(m_hWnd));
    return ::GetWindowRect(m_hWnd, lpRect);
  }
  BOOL GetClientRect(LPRECT lpRect) const {
    ATLASSERT(::IsWindow(m_hWnd));
    return ::GetClientRect(m_hWnd, lpRect);
  }
  BOOL SetWindowPos(HWND hWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags) {
    ATLASSERT(::IsWindow(m_hWnd));
    return ::SetWindowPos(m_hWnd, hWndInsertAfter, x, y, cx, cy, nFlags);
  }
  BOOL SetWindowPos(HWND hWndInsertAfter, LPCRECT lpRect, UINT nFlags) {
    ATLASSERT(lpRect != 0);
    return SetWindowPos(hWndInsertAfter, lpRect->left, lpRect->top,
                        lpRect->right - lpRect->left, lpRect->bottom - lpRect->top, nFlags);
  }

  LONG GetWindowLong(int nIndex) const {
    ATLASSERT(::IsWindow(m_hWnd));
    return ::GetWindowLongW(m_hWnd, nIndex);
  }
  LONG_PTR GetWindowLongPtr(int nIndex) const {
    ATLASSERT(::IsWindow(m_hWnd));
    return ::GetWindowLongPtrW(m_hWnd, nIndex);
  }
  ULONG_PTR SetClassLongPtr(int nIndex, LONG_PTR dwNewLong) {
    ATLASSERT(::IsWindow(m_hWnd));
    return ::SetClassLongPtrW(m_hWnd, nIndex, dwNewLong);
  }
};

class CMessageMap {
public:
  virtual BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam,
                                    LRESULT& lResult, DWORD dwMsgMapID = 0) = 0;

protected:
  ~CMessageMap() = default;
};

class CWndRouteTarget : public CMessageMap {
public:
  // The window has processed its last message: forget it, then run OnFinalMessage.
  virtual void FinalMessageRouted(HWND hWnd) = 0;

protected:
  ~CWndRouteTarget() = default;
};

// The route between a window and its object (atlwin.cpp).
struct CWndRoute;

// Null when no memory can be had.
CWndRoute* AtlWndRouteCreate(CWndRouteTarget* pTarget);
// The object lets go: frees a route no window holds, else leaves the window to its previous
// procedure (or the default dialog handling) until its WM_NCDESTROY frees the route.
void AtlWndRouteRelease(CWndRoute* pRoute);
// Installs pfnRouteProc as the window's procedure; false leaves the window as it was.
bool AtlWndRouteSubclass(CWndRoute* pRoute, HWND hWnd, WNDPROC pfnRouteProc);
// Gives the window back its previous procedure; false when another procedure was installed
// over ours, which would lose it. The route is released.
bool AtlWndRouteUnsubclass(CWndRoute* pRoute, HWND hWnd);
// Routes a new dialog window through pfnDialogProc; false when the route cannot be held.
bool AtlWndRouteAttachDialog(CWndRoute* pRoute, HWND hWnd, DLGPROC pfnDialogProc);

LRESULT CALLBACK AtlWndRouteWindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AtlWndRouteDialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

template <class TBase = CWindow>
class CWindowImplRoot : public TBase, public CWndRouteTarget {
public:
  CWindowImplRoot() : m_pRoute(nullptr) {}
  CWindowImplRoot(const CWindowImplRoot&) = delete;
  CWindowImplRoot& operator=(const CWindowImplRoot&) = delete;

  virtual ~CWindowImplRoot() {
    ATLASSERT(this->m_hWnd == 0 && L"Window object destroyed before its window");
    if (m_pRoute) AtlWndRouteRelease(m_pRoute);
  }

  // Called after the window's last message, once the object has let go of it.
  virtual void OnFinalMessage(HWND /*hWnd*/) {}

protected:
  void FinalMessageRouted(HWND hWnd) override {
    this->m_hWnd = NULL;
    m_pRoute = nullptr;
    OnFinalMessage(hWnd);
  }

  CWndRoute* m_pRoute;
};

template <class TBase = CWindow>
class CWindowImplBaseT : public CWindowImplRoot<TBase> {
public:
  using CWindowImplRoot<TBase>::m_hWnd;

  virtual WNDPROC GetWindowProc() { return AtlWndRouteWindowProc; }

  // Routes an existing window's messages to this object; what the object declines goes on
  // to the window's previous procedure. On WM_NCDESTROY the window gets that procedure back
  // and the object forgets it, then OnFinalMessage runs.
  BOOL SubclassWindow(HWND hWnd) {
    ATLASSERT(m_hWnd == 0);
    ATLASSERT(::IsWindow(hWnd));
    if (m_hWnd != 0 || !::IsWindow(hWnd)) return FALSE;
    CWndRoute* pRoute = AtlWndRouteCreate(this);
    if (pRoute == nullptr) return FALSE;
    if (!AtlWndRouteSubclass(pRoute, hWnd, GetWindowProc())) {
      AtlWndRouteRelease(pRoute);
      return FALSE;
    }
    m_hWnd = hWnd;
    this->m_pRoute = pRoute;
    return TRUE;
  }

  // Null (and still attached) when another procedure was installed over ours.
  HWND UnsubclassWindow() {
    ATLASSERT(m_hWnd != 0);
    if (m_hWnd == 0 || !AtlWndRouteUnsubclass(this->m_pRoute, m_hWnd)) return NULL;
    HWND hWnd = m_hWnd;
    m_hWnd = NULL;
    this->m_pRoute = nullptr;
    return hWnd;
  }
};

template <class T, class TBase = CWindow>
class CWindowImpl : public CWindowImplBaseT<TBase> {};

template <class TBase = CWindow>
class CDialogImplBaseT : public CWindowImplRoot<TBase> {
public:
  using CWindowImplRoot<TBase>::m_hWnd;

  CDialogImplBaseT() : m_createData(), m_bModal(false) {}

  virtual DLGPROC GetDialogProc() { return AtlWndRouteDialogProc; }

  BOOL EndDialog(int nRetCode) {
    ATLASSERT(::IsWindow(m_hWnd));
    ATLASSERT(m_bModal);
    return ::EndDialog(m_hWnd, nRetCode);
  }

protected:
  INT_PTR RunModal(LPCWSTR pszTemplate, HWND hWndParent, LPARAM dwInitParam) {
    ATLASSERT(m_hWnd == 0);
    if (m_hWnd != 0) {
      ::SetLastError(ERROR_INVALID_STATE);
      return -1;
    }
    this->m_pRoute = AtlWndRouteCreate(this);
    if (this->m_pRoute == nullptr) {
      ::SetLastError(ERROR_OUTOFMEMORY);
      return -1;
    }
    if (!_AtlWinModule.AddCreateWndData(&m_createData, this)) {
      DropRoute();
      ::SetLastError(ERROR_INVALID_STATE);
      return -1;
    }
    m_bModal = true;
    const INT_PTR nRet = ::DialogBoxParamW(_AtlBaseModule.GetResourceInstance(), pszTemplate,
                                           hWndParent, StartDialogProc, dwInitParam);
    m_bModal = false;
    // Still holding the route: no window ever called in (a template that cannot be loaded),
    // and our entry must not stay in the module to outlive this object.
    if (this->m_pRoute != nullptr) {
      const DWORD dwError = ::GetLastError();
      void* pEntry = _AtlWinModule.ExtractCreateWndData();
      ATLASSERT(pEntry == this);
      (void)pEntry;
      DropRoute();
      ::SetLastError(dwError);
    }
    return nRet;
  }

private:
  static INT_PTR CALLBACK StartDialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    auto* pThis = static_cast<CDialogImplBaseT*>(_AtlWinModule.ExtractCreateWndData());
    ATLASSERT(pThis != 0);
    if (pThis == nullptr) return FALSE;
    const DLGPROC pfnDialogProc = pThis->GetDialogProc();
    if (!AtlWndRouteAttachDialog(pThis->m_pRoute, hWnd, pfnDialogProc)) {
      pThis->DropRoute();
      ::EndDialog(hWnd, -1);
      return FALSE;
    }
    pThis->m_hWnd = hWnd;
    return pfnDialogProc(hWnd, uMsg, wParam, lParam);
  }

  void DropRoute() {
    AtlWndRouteRelease(this->m_pRoute);
    this->m_pRoute = nullptr;
  }

  _AtlCreateWndData m_createData;
  bool m_bModal;
};

template <class T, class TBase = CWindow>
class CDialogImpl : public CDialogImplBaseT<TBase> {
public:
  // The value given to EndDialog, or -1: ERROR_OUTOFMEMORY when the routing could not be
  // allocated, ERROR_INVALID_STATE while the object has a window or the module is terminated
  // (nothing shown in either case), or DialogBoxParamW's own failure.
  INT_PTR DoModal(HWND hWndParent = ::GetActiveWindow(), LPARAM dwInitParam = 0) {
    return this->RunModal(MAKEINTRESOURCEW(T::IDD), hWndParent, dwInitParam);
  }
};

// A function, so that a range starting at 0 compiles without a warning.
constexpr bool AtlIsInRange(UINT nID, UINT nFirst, UINT nLast) { return nID >= nFirst && nID <= nLast; }

}  // namespace ATL

#define BEGIN_MSG_MAP(theClass)                                                         \
public:                                                                                 \
  virtual BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, \
                                    LRESULT& lResult, DWORD dwMsgMapID = 0) {           \
    BOOL bHandled = TRUE;                                                               \
    (void)hWnd;                                                                         \
    (void)uMsg;                                                                         \
    (void)wParam;                                                                       \
    (void)lParam;                                                                       \
    (void)lResult;                                                                      \
    (void)bHandled;                                                                     \
    switch (dwMsgMapID) {                                                               \
      case 0:

#define MESSAGE_HANDLER(msg, func)                        \
  if (uMsg == (msg)) {                                    \
    bHandled = TRUE;                                      \
    lResult = func(uMsg, wParam, lParam, bHandled);       \
    if (bHandled) return TRUE;                            \
  }

#define ATL_COMMAND_CALL_(func)                                                        \
  {                                                                                    \
    bHandled = TRUE;                                                                   \
    lResult = func(HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam), bHandled); \
    if (bHandled) return TRUE;                                                         \
  }

#define COMMAND_HANDLER(id, code, func) \
  if (uMsg == WM_COMMAND && LOWORD(wParam) == (id) && HIWORD(wParam) == (code)) ATL_COMMAND_CALL_(func)

#define COMMAND_ID_HANDLER(id, func) \
  if (uMsg == WM_COMMAND && LOWORD(wParam) == (id)) ATL_COMMAND_CALL_(func)

#define COMMAND_RANGE_HANDLER(idFirst, idLast, func)                                   \
  if (uMsg == WM_COMMAND && ::ATL::AtlIsInRange(LOWORD(wParam), (idFirst), (idLast))) \
  ATL_COMMAND_CALL_(func)

#define END_MSG_MAP()                                                 \
  break;                                                              \
  default:                                                            \
    ATLASSERT(!L"ProcessWindowMessage(): invalid message map ID");    \
    break;                                                            \
    }                                                                 \
    return FALSE;                                                     \
  }
