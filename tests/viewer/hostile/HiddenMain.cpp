// A viewer whose main window has the right styles but is never shown.
#include "HostileViewer.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  if (!hostile::CreateMainWindow(WS_OVERLAPPEDWINDOW, false)) return 1;
  return hostile::RunLoop(true);
}
