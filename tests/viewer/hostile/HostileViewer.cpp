#include "HostileViewer.h"

#include <objbase.h>

#include <cwchar>

#include "PublishedGraphs.h"

namespace hostile {

namespace {

const UINT kConnectCommand = 32820;
void (*g_pfnConnect)(HWND) = nullptr;

struct DialogCounts {
  int nIdOk = 0;
  int nSetCurSel = 0;
  int nSync = 0;
  bool bRefuse = false;
  WNDPROC pfnListProc = nullptr;
};
DialogCounts g_counts;
HWND g_hWndDialog = nullptr;

void ShowCounts() {
  wchar_t szTitle[64];
  std::swprintf(szTitle, 64, L"idok=%d setcursel=%d sync=%d", g_counts.nIdOk, g_counts.nSetCurSel, g_counts.nSync);
  ::SetWindowTextW(g_hWndDialog, szTitle);
}

LRESULT CALLBACK MainProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  if (uMsg == WM_COMMAND && LOWORD(wParam) == kConnectCommand && g_pfnConnect) g_pfnConnect(hWnd);
  return ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

LRESULT CALLBACK DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  if (uMsg == WM_COMMAND && LOWORD(wParam) == IDOK) {
    ++g_counts.nIdOk;
    ShowCounts();
    return 0;
  }
  if (uMsg == WM_APP) {
    ++g_counts.nSync;
    ShowCounts();
    return 0;
  }
  return ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

LRESULT CALLBACK ListProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  if (uMsg == LB_SETCURSEL) {
    ++g_counts.nSetCurSel;
    ShowCounts();
    if (g_counts.bRefuse) return LB_ERR;
  }
  return ::CallWindowProcW(g_counts.pfnListProc, hWnd, uMsg, wParam, lParam);
}

ATOM Register(LPCWSTR pszClass, WNDPROC pfnProc) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = pfnProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = pszClass;
  return ::RegisterClassW(&wc);
}

}  // namespace

HWND CreateMainWindow(DWORD dwStyle, bool bShow) {
  static const ATOM atom = Register(L"HostileViewer", MainProc);
  if (!atom) return nullptr;
  HWND hWnd = ::CreateWindowExW(0, L"HostileViewer", L"Hostile viewer", dwStyle, 40, 40, 400, 300, nullptr, nullptr,
                                ::GetModuleHandleW(nullptr), nullptr);
  if (hWnd && bShow) ::ShowWindow(hWnd, SW_SHOWNORMAL);
  return hWnd;
}

void SetConnectHandler(void (*pfnConnect)(HWND)) { g_pfnConnect = pfnConnect; }

HWND OpenListDialog(HWND hWndOwner, const std::vector<std::wstring>& items, bool bRefuseSelection) {
  static const ATOM atom = Register(L"HostileDialog", DialogProc);
  if (!atom) return nullptr;
  g_hWndDialog = ::CreateWindowExW(0, L"HostileDialog", L"", WS_POPUP | WS_CAPTION | WS_VISIBLE, 80, 80, 320, 200,
                                   hWndOwner, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  HWND hList = ::CreateWindowExW(0, L"ListBox", L"", WS_CHILD | WS_VISIBLE | WS_BORDER, 8, 8, 290, 150, g_hWndDialog,
                                 nullptr, ::GetModuleHandleW(nullptr), nullptr);
  for (const std::wstring& item : items) ::SendMessageW(hList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  g_counts.bRefuse = bRefuseSelection;
  g_counts.pfnListProc = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrW(hList, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ListProc)));
  ShowCounts();
  return g_hWndDialog;
}

std::vector<std::wstring> PublishedItems(bool bOtherProcess) {
  std::vector<std::wstring> items;
  if (FAILED(::CoInitialize(nullptr))) return items;
  std::vector<PublishedGraph> graphs;
  if (SUCCEEDED(ListPublishedGraphs(&graphs))) {
    for (const PublishedGraph& graph : graphs) {
      wchar_t szItem[64];
      std::swprintf(szItem, 64, L"pid %x IFilterGraph = %x", static_cast<unsigned>(graph.dwProcessId + (bOtherProcess ? 4 : 0)),
                    static_cast<unsigned>(graph.dwGraph));
      items.push_back(szItem);
    }
  }
  ::CoUninitialize();
  return items;
}

int RunLoop(bool bObeyQuit) {
  MSG msg;
  for (;;) {
    const BOOL bGot = ::GetMessageW(&msg, nullptr, 0, 0);
    if (bGot == -1) return 2;
    if (bGot == 0 && bObeyQuit) return 0;
    if (bGot != 0) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
}

}  // namespace hostile
