// A viewer whose connect dialog lists only graphs of other processes.
#include "HostileViewer.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  if (!hostile::CreateMainWindow(WS_OVERLAPPEDWINDOW, true)) return 1;
  hostile::SetConnectHandler([](HWND hWndMain) { hostile::OpenListDialog(hWndMain, hostile::PublishedItems(true), false); });
  return hostile::RunLoop(true);
}
