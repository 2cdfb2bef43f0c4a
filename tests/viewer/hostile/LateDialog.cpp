// A viewer that opens its connect dialog, listing the published graphs, only half a second
// after the command: after the bench's nine tries.
#include "HostileViewer.h"

namespace {
HWND g_hWndMain = nullptr;
void CALLBACK OpenLate(HWND, UINT, UINT_PTR uId, DWORD) {
  ::KillTimer(nullptr, uId);
  hostile::OpenListDialog(g_hWndMain, hostile::PublishedItems(false), false);
}
}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  if (!(g_hWndMain = hostile::CreateMainWindow(WS_OVERLAPPEDWINDOW, true))) return 1;
  hostile::SetConnectHandler([](HWND) { ::SetTimer(nullptr, 0, 500, OpenLate); });
  return hostile::RunLoop(true);
}
