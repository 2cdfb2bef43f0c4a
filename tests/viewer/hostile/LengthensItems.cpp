// A viewer whose connect dialog lists the published graphs, and lengthens each item to 5000
// characters right after it answered the item's length: the text then read is far longer than
// announced.
#include <string>

#include "HostileViewer.h"

namespace {

WNDPROC g_pfnListProc = nullptr;

LRESULT CALLBACK LengtheningProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  const LRESULT lResult = ::CallWindowProcW(g_pfnListProc, hWnd, uMsg, wParam, lParam);
  if (uMsg == LB_GETTEXTLEN && lResult != LB_ERR && lResult < 5000) {
    const std::wstring longer(5000, L'x');
    ::CallWindowProcW(g_pfnListProc, hWnd, LB_DELETESTRING, wParam, 0);
    ::CallWindowProcW(g_pfnListProc, hWnd, LB_INSERTSTRING, wParam, reinterpret_cast<LPARAM>(longer.c_str()));
  }
  return lResult;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  if (!hostile::CreateMainWindow(WS_OVERLAPPEDWINDOW, true)) return 1;
  hostile::SetConnectHandler([](HWND hWndMain) {
    HWND hDialog = hostile::OpenListDialog(hWndMain, hostile::PublishedItems(false), false);
    HWND hList = ::FindWindowExW(hDialog, nullptr, L"ListBox", nullptr);
    g_pfnListProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hList, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LengtheningProc)));
  });
  return hostile::RunLoop(true);
}
