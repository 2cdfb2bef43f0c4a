// The generator's moving test picture, drawn into a bottom-up RGB32 frame.
//
// Top to bottom (rows in fractions of the height):
//   0    .. 1/4  eight colour bars, full saturation: white, yellow, cyan,
//                green, magenta, red, blue, black (sharp vertical edges)
//   1/4  .. 1/2  four panels: one-pixel vertical lines (white on even
//                columns), one-pixel horizontal lines (white on even rows),
//                a black square on white (sharp edges both ways), a grey ramp
//   1/2  .. 7/8  a zone plate reaching the Nyquist limit at its corners, its
//                rings moving with the frame, crossed by a white bar four
//                pixels wide that moves four pixels a frame (starting at
//                column 0, back to 0 when it would leave the picture)
//   7/8  .. 1    the frame number and the timecode HH:MM:SS:FF, white on
//                dark grey, in a built-in digit font
#pragma once

#include <windows.h>

// pBits: the frame's first byte (its bottom row); lStride in bytes.
void DrawTestPicture(BYTE* pBits, LONG lStride, LONG cx, LONG cy, LONGLONG iFrame, LONG lFrameRate);
