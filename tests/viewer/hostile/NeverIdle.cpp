// A viewer that never waits on a message queue, so it never becomes idle.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  ::Sleep(60000);
  return 0;
}
