// Building blocks of the hostile viewers: tiny programs that each break one promise of the
// viewer contract, for the bridge's tests. The bench starts them with no command line, so
// each behaviour is a program of its own.
//
//   CreateMainWindow   a top-level window of this process with the given style
//   SetConnectHandler  what the connect command (32820) does; nothing when unset
//   OpenListDialog     a pop-up owned by hWndOwner holding a "ListBox" with the given items.
//                      Its caption counts what reached it: "idok=N setcursel=N sync=N", where
//                      sync counts WM_APP, which a test posts to learn that every message
//                      posted before it has been handled
//   PublishedItems     one item per graph in the running object table, in the bench's form,
//                      for the graph's own process or, with bOtherProcess, for another one
//   RunLoop            the message loop; with bObeyQuit false, WM_QUIT is taken and ignored
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace hostile {

HWND CreateMainWindow(DWORD dwStyle, bool bShow);
void SetConnectHandler(void (*pfnConnect)(HWND hWndMain));
HWND OpenListDialog(HWND hWndOwner, const std::vector<std::wstring>& items, bool bRefuseSelection);
std::vector<std::wstring> PublishedItems(bool bOtherProcess);
int RunLoop(bool bObeyQuit);

}  // namespace hostile
