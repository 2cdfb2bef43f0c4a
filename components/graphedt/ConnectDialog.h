// The connect dialog: lists the graphs other processes published and lets the
// user pick one. It is owned by the viewer's main window and holds one
// "ListBox", as the bench that drives it expects.
#pragma once

#include <windows.h>

#include <string>

// True and the chosen graph's cookie name and list text on OK with an item selected.
bool ChooseGraph(HWND hWndOwner, std::wstring* pCookieName, std::wstring* pText);
