#include "ConnectDialog.h"

#include <vector>

#include "PublishedGraphs.h"
#include "resource.h"

namespace {

struct DialogState {
  std::vector<PublishedGraph> graphs;
  std::wstring* pCookieName;
  std::wstring* pText;
};

void Fill(HWND hDlg, DialogState* pState) {
  HWND hList = ::GetDlgItem(hDlg, IDC_GRAPHLIST);
  ::SendMessageW(hList, LB_RESETCONTENT, 0, 0);
  if (FAILED(ListPublishedGraphs(&pState->graphs))) pState->graphs.clear();
  for (size_t i = 0; i < pState->graphs.size(); ++i) {
    const LRESULT nIndex =
        ::SendMessageW(hList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(pState->graphs[i].text.c_str()));
    if (nIndex >= 0) ::SendMessageW(hList, LB_SETITEMDATA, nIndex, static_cast<LPARAM>(i));
  }
}

// False when nothing is selected: the dialog stays open.
bool Accept(HWND hDlg, DialogState* pState) {
  HWND hList = ::GetDlgItem(hDlg, IDC_GRAPHLIST);
  const LRESULT nIndex = ::SendMessageW(hList, LB_GETCURSEL, 0, 0);
  if (nIndex == LB_ERR) return false;
  const LRESULT nGraph = ::SendMessageW(hList, LB_GETITEMDATA, nIndex, 0);
  if (nGraph < 0 || static_cast<size_t>(nGraph) >= pState->graphs.size()) return false;
  *pState->pCookieName = pState->graphs[nGraph].cookieName;
  *pState->pText = pState->graphs[nGraph].text;
  return true;
}

INT_PTR CALLBACK DialogProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  auto* pState = reinterpret_cast<DialogState*>(::GetWindowLongPtrW(hDlg, DWLP_USER));
  switch (uMsg) {
    case WM_INITDIALOG:
      ::SetWindowLongPtrW(hDlg, DWLP_USER, lParam);
      Fill(hDlg, reinterpret_cast<DialogState*>(lParam));
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_GRAPHLIST:
          if (HIWORD(wParam) == LBN_DBLCLK && Accept(hDlg, pState)) ::EndDialog(hDlg, IDOK);
          return TRUE;
        case IDC_LISTREFRESH:
          Fill(hDlg, pState);
          return TRUE;
        case IDOK:
          if (Accept(hDlg, pState))
            ::EndDialog(hDlg, IDOK);
          else
            ::MessageBeep(MB_ICONEXCLAMATION);
          return TRUE;
        case IDCANCEL:
          ::EndDialog(hDlg, IDCANCEL);
          return TRUE;
      }
      break;
  }
  return FALSE;
}

}  // namespace

bool ChooseGraph(HWND hWndOwner, std::wstring* pCookieName, std::wstring* pText) {
  DialogState state{{}, pCookieName, pText};
  const INT_PTR nResult = ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_CONNECT), hWndOwner,
                                            DialogProc, reinterpret_cast<LPARAM>(&state));
  return nResult == IDOK;
}
