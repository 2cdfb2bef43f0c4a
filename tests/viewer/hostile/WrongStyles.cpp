// A viewer whose visible top-level windows each lack one part of caption, system menu and
// sizing frame: no sizing frame, no system menu, a dialog frame without the border. Pop-ups,
// since the platform gives every overlapped window a caption of its own.
#include "HostileViewer.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  const DWORD dwAll = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
  for (DWORD dwStyle : {dwAll & ~WS_THICKFRAME, dwAll & ~WS_SYSMENU, (dwAll & ~WS_CAPTION) | WS_DLGFRAME})
    if (!hostile::CreateMainWindow(WS_POPUP | dwStyle, true)) return 1;
  return hostile::RunLoop(true);
}
