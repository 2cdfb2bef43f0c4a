#include "PropertyPage.h"

#include <commctrl.h>
#include <prsht.h>

#include <cstring>
#include <cwchar>

namespace dshow {

CBasePropertyPage::CBasePropertyPage(UINT idDialog, LPCWSTR pszTitle)
    : m_idDialog(idDialog), m_pszTitle(pszTitle) {}

CBasePropertyPage::~CBasePropertyPage() {
  // Released while active: the parent outlives the page, so the watch on it goes too.
  if (m_hWndParent) ::RemoveWindowSubclass(m_hWndParent, ParentProc, 0);
  if (m_hWnd) ::DestroyWindow(m_hWnd);
}

STDMETHODIMP CBasePropertyPage::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (riid != IID_IUnknown && riid != IID_IPropertyPage) {
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  *ppv = static_cast<IPropertyPage*>(this);
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) CBasePropertyPage::AddRef() { return ::InterlockedIncrement(&m_cRef); }

STDMETHODIMP_(ULONG) CBasePropertyPage::Release() {
  ULONG cRef = ::InterlockedDecrement(&m_cRef);
  if (cRef == 0) delete this;
  return cRef;
}

STDMETHODIMP CBasePropertyPage::SetPageSite(IPropertyPageSite* pPageSite) {
  m_spSite = pPageSite;
  return S_OK;
}

STDMETHODIMP CBasePropertyPage::Activate(HWND hWndParent, LPCRECT pRect, BOOL) {
  if (!pRect) return E_POINTER;
  if (m_hWnd) return E_UNEXPECTED;
  HWND hWnd = ::CreateDialogParamW(ModuleInstance(), MAKEINTRESOURCEW(m_idDialog), hWndParent,
                                   DialogProc, reinterpret_cast<LPARAM>(this));
  if (!hWnd) return HRESULT_FROM_WIN32(::GetLastError());
  m_hWnd = hWnd;
  m_bDirty = false;
  m_bCancelled = false;
  if (::SetWindowSubclass(hWndParent, ParentProc, 0, reinterpret_cast<DWORD_PTR>(this))) m_hWndParent = hWndParent;
  // Filling the controls is no edit.
  m_bFilling = true;
  OnActivate();
  m_bFilling = false;
  return Move(pRect);
}

STDMETHODIMP CBasePropertyPage::Deactivate() {
  if (!m_hWnd) return E_UNEXPECTED;
  if (m_hWndParent) {
    ::RemoveWindowSubclass(m_hWndParent, ParentProc, 0);
    m_hWndParent = nullptr;
  }
  if (m_bDirty && !m_bCancelled) Apply();
  ::DestroyWindow(m_hWnd);
  m_hWnd = nullptr;
  return S_OK;
}

STDMETHODIMP CBasePropertyPage::GetPageInfo(PROPPAGEINFO* pPageInfo) {
  if (!pPageInfo) return E_POINTER;
  // The page's size is the template's, measured on a hidden copy.
  HWND hWnd = ::CreateDialogParamW(ModuleInstance(), MAKEINTRESOURCEW(m_idDialog), ::GetDesktopWindow(),
                                   DialogProc, 0);
  if (!hWnd) return HRESULT_FROM_WIN32(::GetLastError());
  RECT rc;
  ::GetWindowRect(hWnd, &rc);
  ::DestroyWindow(hWnd);

  size_t cb = (std::wcslen(m_pszTitle) + 1) * sizeof(WCHAR);
  auto* pszTitle = static_cast<LPOLESTR>(::CoTaskMemAlloc(cb));
  if (!pszTitle) return E_OUTOFMEMORY;
  std::memcpy(pszTitle, m_pszTitle, cb);
  pPageInfo->cb = sizeof(PROPPAGEINFO);
  pPageInfo->pszTitle = pszTitle;
  pPageInfo->size.cx = rc.right - rc.left;
  pPageInfo->size.cy = rc.bottom - rc.top;
  pPageInfo->pszDocString = nullptr;
  pPageInfo->pszHelpFile = nullptr;
  pPageInfo->dwHelpContext = 0;
  return S_OK;
}

STDMETHODIMP CBasePropertyPage::SetObjects(ULONG cObjects, IUnknown** ppUnk) {
  if (cObjects == 0) {
    OnDisconnect();
    return S_OK;
  }
  if (!ppUnk || !ppUnk[0]) return E_POINTER;
  OnDisconnect();
  return OnConnect(ppUnk[0]);
}

STDMETHODIMP CBasePropertyPage::Show(UINT nCmdShow) {
  if (!m_hWnd) return E_UNEXPECTED;
  ::ShowWindow(m_hWnd, nCmdShow);
  return S_OK;
}

STDMETHODIMP CBasePropertyPage::Move(LPCRECT pRect) {
  if (!pRect) return E_POINTER;
  if (!m_hWnd) return E_UNEXPECTED;
  ::MoveWindow(m_hWnd, pRect->left, pRect->top, pRect->right - pRect->left,
               pRect->bottom - pRect->top, TRUE);
  return S_OK;
}

STDMETHODIMP CBasePropertyPage::IsPageDirty() { return m_bDirty ? S_OK : S_FALSE; }

STDMETHODIMP CBasePropertyPage::Apply() {
  if (!m_bDirty) return S_OK;
  HRESULT hr = OnApply();
  if (FAILED(hr)) return hr;
  m_bDirty = false;
  return S_OK;
}

STDMETHODIMP CBasePropertyPage::Help(LPCOLESTR) { return E_NOTIMPL; }

STDMETHODIMP CBasePropertyPage::TranslateAccelerator(MSG*) { return S_FALSE; }

void CBasePropertyPage::SetDirty() {
  if (m_bFilling) return;
  m_bDirty = true;
  if (m_spSite) m_spSite->OnStatusChange(PROPPAGESTATUS_DIRTY);
}

LRESULT CALLBACK CBasePropertyPage::ParentProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                               DWORD_PTR dwRefData) {
  if (uMsg == WM_NOTIFY && lParam) {
    auto* pThis = reinterpret_cast<CBasePropertyPage*>(dwRefData);
    switch (reinterpret_cast<const NMHDR*>(lParam)->code) {
      case PSN_APPLY:
        // A refused value keeps the sheet open for the user to correct.
        return SUCCEEDED(pThis->Apply()) ? PSNRET_NOERROR : PSNRET_INVALID_NOCHANGEPAGE;
      case PSN_RESET:
        pThis->m_bCancelled = true;
        break;
    }
  }
  return ::DefSubclassProc(hWnd, uMsg, wParam, lParam);
}

INT_PTR CALLBACK CBasePropertyPage::DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  try {
    if (uMsg == WM_INITDIALOG) {
      ::SetWindowLongPtrW(hWnd, DWLP_USER, lParam);
      return TRUE;
    }
    auto* pThis = reinterpret_cast<CBasePropertyPage*>(::GetWindowLongPtrW(hWnd, DWLP_USER));
    if (pThis && uMsg == WM_COMMAND) {
      pThis->OnCommand(LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    }
  } catch (...) {
    // Nothing may leave a dialog procedure; the page stays as it was.
  }
  return FALSE;
}

}  // namespace dshow
