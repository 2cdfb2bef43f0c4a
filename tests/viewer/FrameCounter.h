// The frame number a Video Generator picture shows, read back from a picture of it.
//
//   ReadFrameCounter   the frame, among 0 .. iLast, whose picture's counter band the pixels
//                      show; -1 when none matches. The generator's own drawing is the
//                      reference, so no copy of its digit font is kept here.
#pragma once

#include <windows.h>

#include <vector>

// pixels: cx * cy of them, the top row first, 0x00RRGGBB (WindowPixels' ClientPixels).
LONGLONG ReadFrameCounter(const std::vector<DWORD>& pixels, LONG cx, LONG cy, LONG lFrameRate, LONGLONG iLast);
