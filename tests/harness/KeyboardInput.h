// Keys typed as the keyboard types them, through the platform's input queue, so that the
// receiving thread sees the state of Ctrl, Shift and Alt (a posted WM_KEYDOWN carries none).
//
//   TypeChord   brings a top-level window to the front, waits (bounded) until it is there,
//               then presses the modifiers, the key, and lets them go in reverse order
#pragma once

#include <windows.h>

#include <initializer_list>

namespace harness {

// False when the window did not come to the front within the bound or the input was not
// all taken.
bool TypeChord(HWND hWndTop, std::initializer_list<WORD> modifiers, WORD vk);

}  // namespace harness
