// What a window shows, read back from its surface (also a window of another process).
//
//   ColorSpots   the centres of the areas of one exact colour in a window's client area,
//                in client coordinates, top to bottom then left to right
#pragma once

#include <windows.h>

#include <vector>

namespace harness {

std::vector<POINT> ColorSpots(HWND hWnd, COLORREF color);

}  // namespace harness
