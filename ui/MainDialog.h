// The bench's one window and its value boxes.
//
//   CEditControl  subclass of a value box: Enter sends the matching "Set ..." button's command
//   CMainDialog   the modal dialog of template 101
#pragma once

#include <atlbase.h>
#include <atlwin.h>

#include "resource.h"

// Enter in a value box (212, 224, 226) runs its button's command (211, 223, 225); every other key
// is the edit control's. Tab and Escape stay with the dialog manager.
class CEditControl : public CWindowImpl<CEditControl, CWindow, CControlWinTraits> {
public:
  BEGIN_MSG_MAP(CEditControl)
    MESSAGE_HANDLER(WM_GETDLGCODE, OnGetDlgCode)
    MESSAGE_HANDLER(WM_CHAR, OnChar)
  END_MSG_MAP()

  LRESULT OnGetDlgCode(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  LRESULT OnChar(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
};

class CMainDialog : public CDialogImpl<CMainDialog> {
public:
  enum { IDD = IDD_MAIN };

  CMainDialog();
  virtual ~CMainDialog();

  BEGIN_MSG_MAP(CMainDialog)
    MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
    COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
  END_MSG_MAP()

  LRESULT OnInitDialog(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  LRESULT OnCancel(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled);

  // The dialog's message box: the text, the description of hr and the code, captioned "Resizer Test".
  int ShowError(LPCWSTR pszText, HRESULT hr);

  // Reads exactly nNumbers comma-separated numbers; a null, empty or blank text reads as zeros.
  // On false the array holds what was read up to the fault and zeros behind it.
  static bool ParseNumbers(LPCWSTR psz, UINT nNumbers, int* pArrNumbers);
  static bool ParseNumbers(LPCWSTR psz, UINT nNumbers, double* pArrNumbers);

private:
  void EnableControls(bool bEnable);

  WCHAR m_szFileName[MAX_PATH];
  CEditControl m_editClip;
  CEditControl m_editOutSize;
  CEditControl m_editCoeffs;
  bool m_bUpdating;
};
