// A viewer that opens its connect dialog, listing the published graphs, and then hangs for a
// minute without answering any message.
#include "HostileViewer.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  if (!hostile::CreateMainWindow(WS_OVERLAPPEDWINDOW, true)) return 1;
  hostile::SetConnectHandler([](HWND hWndMain) {
    hostile::OpenListDialog(hWndMain, hostile::PublishedItems(false), false);
    ::Sleep(60000);
  });
  return hostile::RunLoop(true);
}
