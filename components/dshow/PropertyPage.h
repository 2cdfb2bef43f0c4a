// CBasePropertyPage: IPropertyPage over a dialog resource of this module.
//
// Hooks: OnConnect (the object, from SetObjects), OnDisconnect, OnActivate
// (the dialog exists: fill the controls), OnCommand (WM_COMMAND), OnApply
// (take the controls' values; a failure means refused, the page having said
// why). Call SetDirty when the user edits.
// When edits are applied: on Apply (Windows' frame calls it for OK), and on
// the PSN_APPLY a property sheet sends the window the page sits in (Wine's
// frame is a property sheet that never calls Apply); a refusal there keeps
// the sheet open. A PSN_RESET (Cancel) drops the edits. A frame that says
// neither gets them applied on Deactivate, while still dirty.
#pragma once

#include <ocidl.h>
#include <olectl.h>

#include <atlcomcli.h>

#include "Module.h"

namespace dshow {

using ATL::CComPtr;
using ATL::CComQIPtr;

class CBasePropertyPage : public IPropertyPage {
public:
  CBasePropertyPage(UINT idDialog, LPCWSTR pszTitle);
  virtual ~CBasePropertyPage();
  CBasePropertyPage(const CBasePropertyPage&) = delete;
  CBasePropertyPage& operator=(const CBasePropertyPage&) = delete;

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IPropertyPage
  STDMETHODIMP SetPageSite(IPropertyPageSite* pPageSite) override;
  STDMETHODIMP Activate(HWND hWndParent, LPCRECT pRect, BOOL bModal) override;
  STDMETHODIMP Deactivate() override;
  STDMETHODIMP GetPageInfo(PROPPAGEINFO* pPageInfo) override;
  STDMETHODIMP SetObjects(ULONG cObjects, IUnknown** ppUnk) override;
  STDMETHODIMP Show(UINT nCmdShow) override;
  STDMETHODIMP Move(LPCRECT pRect) override;
  STDMETHODIMP IsPageDirty() override;
  STDMETHODIMP Apply() override;
  STDMETHODIMP Help(LPCOLESTR pszHelpDir) override;
  STDMETHODIMP TranslateAccelerator(MSG* pMsg) override;

protected:
  virtual HRESULT OnConnect(IUnknown* pObject) = 0;
  virtual void OnDisconnect() = 0;
  virtual void OnActivate() {}
  virtual void OnCommand(WORD /*wId*/, WORD /*wCode*/) {}
  virtual HRESULT OnApply() = 0;

  void SetDirty();
  HWND m_hWnd = nullptr;

private:
  static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
  // Watches the parent for the property sheet's notifications.
  static LRESULT CALLBACK ParentProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, UINT_PTR uId,
                                     DWORD_PTR dwRefData);

  CModuleRef m_moduleRef;
  LONG m_cRef = 1;
  UINT m_idDialog;
  LPCWSTR m_pszTitle;
  CComPtr<IPropertyPageSite> m_spSite;
  bool m_bDirty = false;
  bool m_bFilling = false;
  bool m_bCancelled = false;
  HWND m_hWndParent = nullptr;
};

}  // namespace dshow
