#include "MainDialog.h"

#include <commctrl.h>

#include "ErrorMessageBox.h"
#include "ProgramIds.h"

namespace {

const WCHAR szDefaultGraphFile[] = L"C:\\CVS\\Dev\\Filters\\Video\\Lumivar\\Graphs\\Test.GRF";

// The controls that need a graph, in the order they are switched.
const int rgGraphControls[] = {IDC_BTN_VIDGEN,      IDC_BTN_SET_CLIP,   IDC_EDIT_CLIP,      IDC_CHECK_FLIP,
                               IDC_COMBO_ALGO,      IDC_CHECK_ANTIALIAS, IDC_CHECK_AUTO_SS, IDC_BTN_SET_OUTSIZE,
                               IDC_EDIT_OUTSIZE,    IDC_BTN_SET_COEFFS, IDC_EDIT_COEFFS,    IDC_RADIO_FIXED,
                               IDC_RADIO_VARIABLE,  IDC_BTN_PLAY,       IDC_BTN_PAUSE,      IDC_BTN_STOP};

WORD CommandForBox(WORD wBoxId) {
  switch (wBoxId) {
    case IDC_EDIT_CLIP: return IDC_BTN_SET_CLIP;
    case IDC_EDIT_OUTSIZE: return IDC_BTN_SET_OUTSIZE;
    case IDC_EDIT_COEFFS: return IDC_BTN_SET_COEFFS;
    default: return 0;
  }
}

}  // namespace

LRESULT CEditControl::OnGetDlgCode(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
  // Claiming Enter keeps the dialog manager from treating it as the default button.
  if (wParam == VK_RETURN) return DLGC_WANTALLKEYS;
  bHandled = FALSE;
  return 0;
}

LRESULT CEditControl::OnChar(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
  WORD wCommand = 0;
  if (wParam == VK_RETURN) wCommand = CommandForBox(static_cast<WORD>(::GetWindowLongW(m_hWnd, GWL_ID)));
  if (wCommand == 0) {
    bHandled = FALSE;
    return 0;
  }
  // Sent, not posted: the command has run when the key is done.
  ::SendMessageW(::GetParent(m_hWnd), WM_COMMAND, MAKEWPARAM(wCommand, BN_CLICKED), 0);
  return 0;
}

CMainDialog::CMainDialog() : m_szFileName(), m_bUpdating(false) {}

CMainDialog::~CMainDialog() {}

LRESULT CMainDialog::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
  HICON hIcon = ::LoadIconW(_AtlBaseModule.GetModuleInstance(), MAKEINTRESOURCEW(IDI_MAIN));
  ::SetClassLongPtrW(m_hWnd, GCLP_HICON, reinterpret_cast<LONG_PTR>(hIcon));

  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_BAR_CLASSES};
  BOOL bRet = ::InitCommonControlsEx(&icc);
  ATLASSERT(bRet);

  // Centred at the bottom of the work area, clear of the video window that will sit above.
  RECT rcScreen = {};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &rcScreen, 0);
  RECT rcDlg = {};
  ::GetWindowRect(m_hWnd, &rcDlg);
  int x = (rcScreen.left + rcScreen.right - (rcDlg.right - rcDlg.left)) / 2;
  int y = rcScreen.bottom - (rcDlg.bottom - rcDlg.top);
  ::SetWindowPos(m_hWnd, 0, x, y, -1, -1, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

  m_editClip.SubclassWindow(::GetDlgItem(m_hWnd, IDC_EDIT_CLIP));
  m_editOutSize.SubclassWindow(::GetDlgItem(m_hWnd, IDC_EDIT_OUTSIZE));
  m_editCoeffs.SubclassWindow(::GetDlgItem(m_hWnd, IDC_EDIT_COEFFS));

  EnableControls(false);
  ::CheckRadioButton(m_hWnd, IDC_RADIO_GRF, IDC_RADIO_VIDGEN, IDC_RADIO_VIDGEN);

  ::lstrcpynW(m_szFileName, szDefaultGraphFile, MAX_PATH);
  ::SetDlgItemTextW(m_hWnd, IDC_EDIT_FILE, m_szFileName);
  // The platform puts the focus on the first tab stop, "Load...".
  return 1;
}

LRESULT CMainDialog::OnCancel(WORD, WORD wID, HWND, BOOL&) {
  EndDialog(wID);
  return 0;
}

int CMainDialog::ShowError(LPCWSTR pszText, HRESULT hr) {
  return ErrorMessageBox(m_hWnd, pszText, L"Resizer Test", hr, MB_OK);
}

void CMainDialog::EnableControls(bool bEnable) {
  for (int id : rgGraphControls) ::EnableWindow(::GetDlgItem(m_hWnd, id), bEnable);
}
