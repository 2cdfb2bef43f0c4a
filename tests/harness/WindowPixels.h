// What a window shows, read back from its surface (also a window of another process).
//
//   ColorSpots   the centres of the areas of one exact colour in a window's client area,
//                in client coordinates, top to bottom then left to right
//   ClientPixels the client area as 0x00RRGGBB pixels, the top row first; empty when it
//                cannot be read
//   SaveWindowPicture  the window with its frame as the screen shows it, into a .bmp file
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace harness {

std::vector<POINT> ColorSpots(HWND hWnd, COLORREF color);
std::vector<DWORD> ClientPixels(HWND hWnd, int* pcx, int* pcy);
bool SaveWindowPicture(HWND hWnd, const std::wstring& path);

}  // namespace harness
