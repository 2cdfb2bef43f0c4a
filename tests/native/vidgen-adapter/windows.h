// The few Windows types the Video Generator's test picture uses, so that
// the contact sheet can draw it natively (its only window on the platform).
#pragma once

#include <cstdint>

using BYTE = uint8_t;
using DWORD = uint32_t;
using LONG = int32_t;
using LONGLONG = int64_t;
