// A viewer with a proper main window that takes WM_QUIT and goes on.
#include "HostileViewer.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  if (!hostile::CreateMainWindow(WS_OVERLAPPEDWINDOW, true)) return 1;
  return hostile::RunLoop(false);
}
