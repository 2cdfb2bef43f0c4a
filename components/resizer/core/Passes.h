// Passes: the row loops of Resampler::Process, in SSE2 (the x86-64
// baseline). Weights come in pairs, one int32 each: the even tap's weight
// in the low half, the odd tap's in the high half, as pmaddwd takes them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lumivar {

// Vertical pass: bytes channel values of taps rows starting at src (stride
// apart) into 16-bit values with 6 fractional bits. Reads exactly those rows
// and bytes.
void FilterColumns(const uint8_t* src, ptrdiff_t stride, const int32_t* pairs, int taps, int bytes, int16_t* out);

// Horizontal pass: width output pixels; pixel i weighs the input pixels from
// start[i] - offset on. Reads the pixel after the last tap when the tap count
// is odd (with weight zero), so the input row needs one pixel of padding.
void FilterRow(const int16_t* in, const int* start, int offset, const int32_t* pairs, int pairCount, int width,
               uint8_t* out);

// Nearest neighbour: output pixel i is input pixel columns[i].
void CopyNearest(const uint8_t* in, const int* columns, int width, uint8_t* out);

}  // namespace lumivar
