// A viewer whose connect dialog lists the published graphs but refuses every LB_SETCURSEL.
#include "HostileViewer.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  if (!hostile::CreateMainWindow(WS_OVERLAPPEDWINDOW, true)) return 1;
  hostile::SetConnectHandler([](HWND hWndMain) { hostile::OpenListDialog(hWndMain, hostile::PublishedItems(false), true); });
  return hostile::RunLoop(true);
}
