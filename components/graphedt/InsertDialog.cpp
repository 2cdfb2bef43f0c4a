#include "InsertDialog.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <string>
#include <vector>

#include "MainWindow.h"
#include "resource.h"

namespace {

struct DialogState {
  std::vector<RegisteredFilter> filters;
  std::vector<std::wstring> categories;  // in the order first met
  InsertFilterFn fnInsert;
};

std::wstring Lower(std::wstring text) {
  std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return std::towlower(c); });
  return text;
}

// The list holds the filters of the chosen category whose name holds the search text.
void FillList(HWND hDlg, const DialogState& state) {
  const LRESULT nCategory = ::SendDlgItemMessageW(hDlg, IDC_INSERT_CATEGORY, CB_GETCURSEL, 0, 0);
  wchar_t szSearch[128] = {};
  ::GetDlgItemTextW(hDlg, IDC_INSERT_SEARCH, szSearch, 128);
  const std::wstring search = Lower(szSearch);
  HWND hList = ::GetDlgItem(hDlg, IDC_INSERT_LIST);
  ::SendMessageW(hList, LB_RESETCONTENT, 0, 0);
  for (size_t i = 0; i < state.filters.size(); ++i) {
    const RegisteredFilter& filter = state.filters[i];
    if (nCategory > 0 && filter.category != state.categories[nCategory - 1]) continue;
    if (!search.empty() && Lower(filter.name).find(search) == std::wstring::npos) continue;
    const std::wstring text = nCategory > 0 ? filter.name : filter.name + L"  (" + filter.category + L")";
    const LRESULT nIndex = ::SendMessageW(hList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (nIndex >= 0) ::SendMessageW(hList, LB_SETITEMDATA, nIndex, static_cast<LPARAM>(i));
  }
  ::SetDlgItemTextW(hDlg, IDC_INSERT_DETAIL, L"");
}

const RegisteredFilter* Selected(HWND hDlg, const DialogState& state) {
  const LRESULT nIndex = ::SendDlgItemMessageW(hDlg, IDC_INSERT_LIST, LB_GETCURSEL, 0, 0);
  if (nIndex == LB_ERR) return nullptr;
  const LRESULT nFilter = ::SendDlgItemMessageW(hDlg, IDC_INSERT_LIST, LB_GETITEMDATA, nIndex, 0);
  if (nFilter < 0 || static_cast<size_t>(nFilter) >= state.filters.size()) return nullptr;
  return &state.filters[nFilter];
}

void ShowDetail(HWND hDlg, const DialogState& state) {
  const RegisteredFilter* pFilter = Selected(hDlg, state);
  if (!pFilter) return ::SetDlgItemTextW(hDlg, IDC_INSERT_DETAIL, L""), void();
  const std::wstring text = ClassText(*pFilter) + L"\r\nCategory: " + pFilter->category;
  ::SetDlgItemTextW(hDlg, IDC_INSERT_DETAIL, text.c_str());
}

void Insert(HWND hDlg, const DialogState& state) {
  const RegisteredFilter* pFilter = Selected(hDlg, state);
  if (!pFilter) return ::MessageBeep(MB_ICONEXCLAMATION), void();
  const HRESULT hr = state.fnInsert(*pFilter);
  if (SUCCEEDED(hr)) return;
  wchar_t szCode[32];
  std::swprintf(szCode, 32, L" (0x%08X).", static_cast<unsigned>(hr));
  const std::wstring text = L"The filter " + pFilter->name + L" cannot be inserted" + szCode;
  ::MessageBoxW(hDlg, text.c_str(), CViewerWindow::kAppTitle, MB_OK | MB_ICONEXCLAMATION);
}

void Init(HWND hDlg, DialogState* pState) {
  const HRESULT hr = ListRegisteredFilters(&pState->filters);
  for (const RegisteredFilter& filter : pState->filters)
    if (std::find(pState->categories.begin(), pState->categories.end(), filter.category) == pState->categories.end())
      pState->categories.push_back(filter.category);
  HWND hCombo = ::GetDlgItem(hDlg, IDC_INSERT_CATEGORY);
  ::SendMessageW(hCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"All categories"));
  for (const std::wstring& category : pState->categories)
    ::SendMessageW(hCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(category.c_str()));
  ::SendMessageW(hCombo, CB_SETCURSEL, 0, 0);
  FillList(hDlg, *pState);
  if (FAILED(hr)) {
    wchar_t szText[96];
    std::swprintf(szText, 96, L"The registered filters cannot all be listed (0x%08X).", static_cast<unsigned>(hr));
    ::SetDlgItemTextW(hDlg, IDC_INSERT_DETAIL, szText);
  }
}

INT_PTR CALLBACK DialogProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  auto* pState = reinterpret_cast<DialogState*>(::GetWindowLongPtrW(hDlg, DWLP_USER));
  switch (uMsg) {
    case WM_INITDIALOG:
      ::SetWindowLongPtrW(hDlg, DWLP_USER, lParam);
      Init(hDlg, reinterpret_cast<DialogState*>(lParam));
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_INSERT_SEARCH:
          if (HIWORD(wParam) == EN_CHANGE) FillList(hDlg, *pState);
          return TRUE;
        case IDC_INSERT_CATEGORY:
          if (HIWORD(wParam) == CBN_SELCHANGE) FillList(hDlg, *pState);
          return TRUE;
        case IDC_INSERT_LIST:
          if (HIWORD(wParam) == LBN_SELCHANGE) ShowDetail(hDlg, *pState);
          if (HIWORD(wParam) == LBN_DBLCLK) Insert(hDlg, *pState);
          return TRUE;
        case IDOK:
          Insert(hDlg, *pState);
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

void ShowInsertFilters(HWND hWndOwner, const InsertFilterFn& fnInsert) {
  DialogState state;
  state.fnInsert = fnInsert;
  ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_INSERT), hWndOwner, DialogProc,
                    reinterpret_cast<LPARAM>(&state));
}
