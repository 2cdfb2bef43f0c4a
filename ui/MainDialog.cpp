#include "MainDialog.h"

#include <commctrl.h>
#include <commdlg.h>

#include <cwchar>
#include <cwctype>

#include "ErrorMessageBox.h"
#include "NumberList.h"
#include "ProgramIds.h"

namespace {

const WCHAR szDefaultGraphFile[] = L"C:\\CVS\\Dev\\Filters\\Video\\Lumivar\\Graphs\\Test.GRF";

// The controls that need a graph, in the order they are switched, after "Video Generator".
const int rgGraphControls[] = {IDC_BTN_SET_CLIP,   IDC_EDIT_CLIP,      IDC_CHECK_FLIP,
                               IDC_COMBO_ALGO,      IDC_CHECK_ANTIALIAS, IDC_CHECK_AUTO_SS, IDC_BTN_SET_OUTSIZE,
                               IDC_EDIT_OUTSIZE,    IDC_BTN_SET_COEFFS, IDC_EDIT_COEFFS,    IDC_RADIO_FIXED,
                               IDC_RADIO_VARIABLE,  IDC_BTN_PLAY,       IDC_BTN_PAUSE,      IDC_BTN_STOP};

const WCHAR szTitle[] = L"Resizer Test";
const int cchTitle = 512;

WORD CommandForBox(WORD wBoxId) {
  switch (wBoxId) {
    case IDC_EDIT_CLIP: return IDC_BTN_SET_CLIP;
    case IDC_EDIT_OUTSIZE: return IDC_BTN_SET_OUTSIZE;
    case IDC_EDIT_COEFFS: return IDC_BTN_SET_COEFFS;
    default: return 0;
  }
}

// The list parser behind ParseNumbers, one template for both forms.
int ReadNumber(LPCWSTR psz, LPWSTR* ppszEnd, int*) { return static_cast<int>(::wcstol(psz, ppszEnd, 10)); }
double ReadNumber(LPCWSTR psz, LPWSTR* ppszEnd, double*) { return ::wcstod(psz, ppszEnd); }

template <class T>
bool ParseList(LPCWSTR psz, UINT nNumbers, T* pArrNumbers) {
  ATLASSERT(nNumbers != 0);
  if (nNumbers == 0) return false;
  ATLASSERT(pArrNumbers != 0);
  if (pArrNumbers == 0) return false;
  for (UINT i = 0; i < nNumbers; ++i) pArrNumbers[i] = 0;
  if (psz == 0) return true;
  while (*psz && ::iswspace(*psz)) ++psz;
  if (*psz == 0) return true;

  LPWSTR pszEnd = 0;
  UINT i = 0;
  while (i < nNumbers) {
    // A field without a number reads as 0, with pszEnd left where the field starts.
    pArrNumbers[i] = ReadNumber(psz, &pszEnd, pArrNumbers);
    while (::iswspace(*pszEnd)) ++pszEnd;
    if (*pszEnd != L',') break;
    psz = pszEnd + 1;
    ++i;
  }
  // A comma after the last number runs i up to nNumbers, which fails too.
  return i == nNumbers - 1 && *pszEnd == 0;
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

LRESULT CMainDialog::OnGraphNotify(UINT, WPARAM, LPARAM, BOOL&) {
  // A box opened here runs a nested loop whose own notification drains the rest of the queue.
  for (long e = m_graph.GetEvent(); e != 0; e = m_graph.GetEvent()) {
    if (e == EC_COMPLETE) {
      m_graph.Stop();
      m_graph.SetPositions(0, 0);
      ShowError(L"The end", 0);
    } else {
      ATLTRACE(atlTraceGeneral, 2, L"CMainDialog::OnGraphNotify(): event 0x%X\n", static_cast<unsigned>(e));
    }
  }
  return 0;
}

LRESULT CMainDialog::OnLoad(WORD, WORD, HWND, BOOL&) {
  WCHAR szFile[MAX_PATH] = {};
  ::lstrcpynW(szFile, m_szFileName, MAX_PATH);
  if (!SelectFile(szFile)) return 0;
  ::lstrcpynW(m_szFileName, szFile, MAX_PATH);
  // Its EN_CHANGE reads the same text back.
  ::SetDlgItemTextW(m_hWnd, IDC_EDIT_FILE, m_szFileName);
  return 0;
}

bool CMainDialog::SelectFile(LPWSTR pszFile) {
  ATLASSERT(pszFile != 0);
  OPENFILENAMEW rgOFN = {};
  rgOFN.lStructSize = sizeof rgOFN;
  rgOFN.hwndOwner = m_hWnd;
  rgOFN.lpstrFilter = L"GRF files (.grf)\0*.grf\0All files\0*.*\0";
  rgOFN.nFilterIndex = 0;
  rgOFN.lpstrFile = pszFile;
  rgOFN.nMaxFile = MAX_PATH;
  rgOFN.lpstrTitle = L"Select GRF file or All file";
  rgOFN.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
  rgOFN.lpstrDefExt = L"grf";
  return ::GetOpenFileNameW(&rgOFN) == 1;
}

LRESULT CMainDialog::OnFileNameChange(WORD, WORD, HWND, BOOL&) {
  ::GetDlgItemTextW(m_hWnd, IDC_EDIT_FILE, m_szFileName, MAX_PATH);
  return 0;
}

LRESULT CMainDialog::OnVideoGenerator(WORD, WORD, HWND, BOOL&) {
  if (!m_graph.HasResizer()) return 0;
  HRESULT hr = m_graph.ShowVidGenProperties(m_hWnd);
  if (hr != S_OK) {
    ShowError(L"Can't show Video Generator propery page", hr);
    return 0;
  }
  // The generator's new picture may have changed what the resizer puts out.
  RefreshOutputSettings();
  return 0;
}

// Never disabled: without a graph it reports E_FAIL. S_FALSE (no viewer window) is a failure too.
LRESULT CMainDialog::OnShowGraph(WORD, WORD, HWND, BOOL&) {
  HRESULT hr = m_graph.ShowGraph();
  if (hr != S_OK) ShowError(L"Can't show graph", hr);
  return 0;
}

LRESULT CMainDialog::OnBuildGraph(WORD, WORD, HWND, BOOL&) {
  if (::IsDlgButtonChecked(m_hWnd, IDC_RADIO_GRF) == BST_CHECKED) {
    if (m_szFileName[0] == 0) {
      EnableControls(false);
      ShowError(L".grf file not selected", E_INVALIDARG);
      return 0;
    }
    HRESULT hr = m_graph.BuildGraph(m_szFileName, m_hWnd, WM_GRAPHNOTIFY);
    if (hr != S_OK) {
      EnableControls(false);
      ShowError(L"Can't build graph from .grf file", hr);
      return 0;
    }
  } else {
    HRESULT hr = m_graph.BuildVidGenGraph(m_hWnd, WM_GRAPHNOTIFY);
    if (hr != S_OK) {
      EnableControls(false);
      ShowError(L"Can't build graph with Video Generator", hr);
      return 0;
    }
  }

  CComBSTR cbsFilter;
  m_graph.GetResizerVersion(cbsFilter);
  if (cbsFilter.m_str != 0) {
    WCHAR sz[cchTitle] = L"Test for ";
    const int cchPrefix = ::lstrlenW(sz);
    // A version text too long for the title is cut.
    ::lstrcpynW(sz + cchPrefix, cbsFilter, cchTitle - cchPrefix);
    ::SetWindowTextW(m_hWnd, sz);
  } else {
    ::SetWindowTextW(m_hWnd, szTitle);
  }

  m_bUpdating = true;
  RefreshSettings();
  m_bUpdating = false;
  EnableControls(true);
  return 0;
}

void CMainDialog::EnableControls(bool bEnable) {
  ::EnableWindow(::GetDlgItem(m_hWnd, IDC_BTN_VIDGEN), bEnable && m_graph.HasVideoGenerator());
  for (int id : rgGraphControls) ::EnableWindow(::GetDlgItem(m_hWnd, id), bEnable);
}

LRESULT CMainDialog::RefreshSettings() {
  const bool bResizer = m_graph.HasResizer();
  HRESULT hr = S_OK;

  ResizeAlgorithm eRA = static_cast<ResizeAlgorithm>(0);
  if (bResizer) {
    hr = m_graph.GetResizeAlgorithm(&eRA);
    ATLASSERT(hr == S_OK);
  }
  HWND comboAlgo = ::GetDlgItem(m_hWnd, IDC_COMBO_ALGO);
  ::SendMessageW(comboAlgo, CB_RESETCONTENT, 0, 0);
  int sel = -1;
  for (int i = 0; i < kResizeAlgorithmCount; ++i) {
    ::SendMessageW(comboAlgo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(g_ResizeAlgorithms[i].pszName));
    if (g_ResizeAlgorithms[i].eValue == eRA) sel = i;
  }
  if (sel >= 0) ::SendMessageW(comboAlgo, CB_SETCURSEL, sel, 0);

  BOOL bAA = 0;
  if (bResizer) {
    hr = m_graph.GetAntialiasing(&bAA);
    ATLASSERT(hr == S_OK);
  }
  ::CheckDlgButton(m_hWnd, IDC_CHECK_ANTIALIAS, bAA != 0 ? BST_CHECKED : BST_UNCHECKED);

  BOOL bAS = 0;
  if (bResizer) {
    hr = m_graph.GetAutoSupersampling(&bAS);
    ATLASSERT(hr == S_OK);
  }
  ::CheckDlgButton(m_hWnd, IDC_CHECK_AUTO_SS, bAS != 0 ? BST_CHECKED : BST_UNCHECKED);

  BOOL bFlip = 0;
  if (bResizer) {
    hr = m_graph.GetFlip(&bFlip);
    ATLASSERT(hr == S_OK);
  }
  ::CheckDlgButton(m_hWnd, IDC_CHECK_FLIP, bFlip != 0 ? BST_CHECKED : BST_UNCHECKED);

  RefreshOutputSettings();
  return 0;
}

void CMainDialog::RefreshOutputSettings() {
  const bool bWasUpdating = m_bUpdating;
  m_bUpdating = true;
  if (!m_graph.HasResizer()) {
    ::SetDlgItemTextW(m_hWnd, IDC_EDIT_OUTSIZE, L"");
    ::SetDlgItemTextW(m_hWnd, IDC_EDIT_COEFFS, L"");
  } else {
    WCHAR sz[cchValueText] = {};
    LONG sOut[2] = {0, 0};
    HRESULT hr = m_graph.GetOutputSize(&sOut[0], &sOut[1]);
    ATLASSERT(hr == S_OK);
    FormatOutputSize(sz, cchValueText, sOut[0], sOut[1]);
    ::SetDlgItemTextW(m_hWnd, IDC_EDIT_OUTSIZE, sz);

    double arr[2] = {0.0, 0.0};
    hr = m_graph.GetResizingCoeffs(&arr[0], &arr[1]);
    ATLASSERT(hr == S_OK);
    FormatResizingCoeffs(sz, cchValueText, arr[0], arr[1]);
    ::SetDlgItemTextW(m_hWnd, IDC_EDIT_COEFFS, sz);

    BOOL bFixed = 0;
    hr = m_graph.GetFixedOutput(&bFixed);
    ATLASSERT(hr == S_OK);
    ::CheckRadioButton(m_hWnd, IDC_RADIO_FIXED, IDC_RADIO_VARIABLE, bFixed != 0 ? IDC_RADIO_FIXED : IDC_RADIO_VARIABLE);
  }
  m_bUpdating = bWasUpdating;
}

LRESULT CMainDialog::OnSetClippingRect(WORD, WORD, HWND, BOOL&) {
  if (!CanChangeSettings()) return 0;
  WCHAR sz[cchClipText] = {};
  ::GetDlgItemTextW(m_hWnd, IDC_EDIT_CLIP, sz, cchClipText);
  int arr[4] = {};
  if (!ParseNumbers(sz, 4, arr)) {
    ShowError(L"Invalid value", E_INVALIDARG);
    return 0;
  }
  RECT rc = {arr[0], arr[1], arr[2], arr[3]};
  HRESULT hr = m_graph.SetClippingRect(&rc);
  if (hr != S_OK) {
    ShowError(L"Can't set clipping rectangle", hr);
    return 0;
  }
  // What the resizer made of it.
  hr = m_graph.GetClippingRect(&rc);
  ATLASSERT(hr == S_OK);
  FormatClippingRect(sz, cchClipText, rc);
  ::SetDlgItemTextW(m_hWnd, IDC_EDIT_CLIP, sz);
  return 0;
}

void CMainDialog::SetFlagFromButton(int idButton, HRESULT (CGraph::*pfnSet)(BOOL), LPCWSTR pszRefusal) {
  // The automatic button has taken its new state already.
  const BOOL bFlag = ::IsDlgButtonChecked(m_hWnd, idButton) == BST_CHECKED ? 1 : 0;
  HRESULT hr = (m_graph.*pfnSet)(bFlag);
  if (hr != S_OK) ShowError(pszRefusal, hr);
}

LRESULT CMainDialog::OnFlip(WORD, WORD, HWND, BOOL&) {
  if (CanChangeSettings()) SetFlagFromButton(IDC_CHECK_FLIP, &CGraph::SetFlip, L"Can't set flipping flag");
  return 0;
}

LRESULT CMainDialog::OnAntialiasing(WORD, WORD, HWND, BOOL&) {
  if (CanChangeSettings())
    SetFlagFromButton(IDC_CHECK_ANTIALIAS, &CGraph::SetAntialiasing, L"Can't set antialiasing flag");
  return 0;
}

LRESULT CMainDialog::OnAutoSupersampling(WORD, WORD, HWND, BOOL&) {
  if (CanChangeSettings())
    SetFlagFromButton(IDC_CHECK_AUTO_SS, &CGraph::SetAutoSupersampling, L"Can't set auto supersampling flag");
  return 0;
}

LRESULT CMainDialog::OnOutputType(WORD, WORD, HWND, BOOL&) {
  // "Fixed out" checked means fixed; "Variable out" leaves it unchecked.
  if (CanChangeSettings()) SetFlagFromButton(IDC_RADIO_FIXED, &CGraph::SetFixedOutput, L"Can't change output type");
  return 0;
}

LRESULT CMainDialog::OnAlgorithmChange(WORD, WORD, HWND, BOOL&) {
  if (!CanChangeSettings()) return 0;
  const LRESULT i = ::SendDlgItemMessageW(m_hWnd, IDC_COMBO_ALGO, CB_GETCURSEL, 0, 0);
  // No row to send: nothing selected (CB_ERR), or an index the table does not have.
  if (i < 0 || i >= kResizeAlgorithmCount) return 0;
  HRESULT hr = m_graph.SetResizeAlgorithm(g_ResizeAlgorithms[i].eValue);
  if (hr != S_OK) ShowError(L"Can't set resize algorithm", hr);
  return 0;
}

LRESULT CMainDialog::OnSetOutputSize(WORD, WORD, HWND, BOOL&) {
  if (!CanChangeSettings()) return 0;
  WCHAR sz[cchValueText] = {};
  ::GetDlgItemTextW(m_hWnd, IDC_EDIT_OUTSIZE, sz, cchValueText);
  int sOut[2] = {};
  if (ParseNumbers(sz, 2, sOut)) {
    HRESULT hr = m_graph.SetOutputSize(sOut[0], sOut[1]);
    if (hr != S_OK) ShowError(L"Can't set output size", hr);
  } else {
    ShowError(L"Invalid value", E_INVALIDARG);
  }
  // The boxes show what the resizer reports, whatever became of the text.
  RefreshOutputSettings();
  return 0;
}

LRESULT CMainDialog::OnSetResizingCoeffs(WORD, WORD, HWND, BOOL&) {
  if (!CanChangeSettings()) return 0;
  WCHAR sz[cchValueText] = {};
  ::GetDlgItemTextW(m_hWnd, IDC_EDIT_COEFFS, sz, cchValueText);
  double arr[2] = {};
  if (ParseNumbers(sz, 2, arr)) {
    HRESULT hr = m_graph.SetResizingCoeffs(arr[0], arr[1]);
    if (hr != S_OK) ShowError(L"Can't set resizing coefficients", hr);
  } else {
    ShowError(L"Invalid value", E_INVALIDARG);
  }
  RefreshOutputSettings();
  return 0;
}

LRESULT CMainDialog::OnPlay(WORD, WORD, HWND, BOOL&) {
  if (m_graph.IsEmpty()) {
    ShowError(L"Graph not exist", E_FAIL);
    return 0;
  }
  // S_FALSE: the graph is still on its way to running.
  HRESULT hr = m_graph.Run();
  if (FAILED(hr)) ShowError(L"Can't play file", hr);
  return 0;
}

LRESULT CMainDialog::OnPause(WORD, WORD, HWND, BOOL&) {
  if (m_graph.IsEmpty()) {
    ShowError(L"Graph not exist", E_FAIL);
    return 0;
  }
  HRESULT hr = m_graph.Pause();
  ATLASSERT(SUCCEEDED(hr));
  return 0;
}

LRESULT CMainDialog::OnStop(WORD, WORD, HWND, BOOL&) {
  if (m_graph.IsEmpty()) return 0;
  HRESULT hr = m_graph.Stop();
  ATLASSERT(SUCCEEDED(hr));
  // Back to the start, the stop position kept.
  m_graph.SetPositions(0, 0);
  return 0;
}

LRESULT CMainDialog::OnCancel(WORD, WORD wID, HWND, BOOL&) {
  // Before the window goes: no notification may reach a closed dialog.
  m_graph.Close();
  EndDialog(wID);
  return 0;
}

int CMainDialog::ShowError(LPCWSTR pszText, HRESULT hr) {
  return ErrorMessageBox(m_hWnd, pszText, szTitle, hr, MB_OK);
}

bool CMainDialog::ParseNumbers(LPCWSTR psz, UINT nNumbers, int* pArrNumbers) {
  return ParseList(psz, nNumbers, pArrNumbers);
}

bool CMainDialog::ParseNumbers(LPCWSTR psz, UINT nNumbers, double* pArrNumbers) {
  return ParseList(psz, nNumbers, pArrNumbers);
}
