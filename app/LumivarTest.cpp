#include "LumivarTest.h"

#include "MainDialog.h"

CLumivarTestModule _AtlModule;

int RunLumivarTest() {
  HRESULT hRes = _AtlModule.InitializeCom();
  // S_FALSE too: COM was already set up on this thread by someone else.
  ATLASSERT_TEXT(hRes == S_OK, "_AtlModule.InitializeCom() FAILED");
  if (hRes != S_OK) return hRes;
  HWND hWndOwner = ::GetActiveWindow();
  {
    // The dialog object outlives its window, and so every handler.
    CMainDialog dlg;
    dlg.DoModal(hWndOwner, 0);
  }
  _AtlModule.Term();
  _AtlModule.UninitializeCom();
  return 0;
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) { return RunLumivarTest(); }
