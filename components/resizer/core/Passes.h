// Passes: the row loops of Resampler::Process, in SSE2 (the x86-64
// baseline) and in AVX2 where the processor has it; both give the same bytes.
//
// Vertical weights come as one int32 per pair of taps: the even tap's
// weight in the low half, the odd tap's in the high half, as pmaddwd takes
// them. Horizontal weights come broadcast: per output pixel `stride` int32,
// pair p's int32 repeated four times at [4p, 4p + 4), more than one pair
// padded with a zero pair to an even count.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lumivar {

// Vertical pass: bytes channel values of taps rows starting at src (stride
// apart) into 16-bit values with 6 fractional bits. Reads exactly those rows
// and bytes.
using FilterColumnsFn = void (*)(const uint8_t* src, ptrdiff_t stride, const int32_t* pairs, int taps, int bytes,
                                 int16_t* out);

// Horizontal pass: width output pixels; pixel i weighs the input pixels from
// start[i] - offset on. Reads up to three pixels past the last tap (with
// weight zero), so the input row needs that much padding.
using FilterRowFn = void (*)(const int16_t* in, const int* start, int offset, const int32_t* weights, int stride,
                             int pairCount, int width, uint8_t* out);

// Fixed-point scales: weights carry 14 fractional bits, the vertical pass's
// row 6, the output none.
constexpr int kVerticalShift = 8;
constexpr int kHorizontalShift = 20;

struct RowPasses {
  FilterColumnsFn filterColumns;
  FilterRowFn filterRow;
};

// The SSE2 passes; the AVX2 ones hand them the ends of their rows.
void FilterColumnsSse2(const uint8_t* src, ptrdiff_t stride, const int32_t* pairs, int taps, int bytes,
                       int16_t* out);
void FilterRowSse2(const int16_t* in, const int* start, int offset, const int32_t* weights, int stride,
                   int pairCount, int width, uint8_t* out);

extern const RowPasses kSse2Passes;
extern const RowPasses kAvx2Passes;

bool HasAvx2();

// AVX2 where the processor has it, else SSE2.
const RowPasses& BestPasses();

// Nearest neighbour: output pixel i is input pixel columns[i].
void CopyNearest(const uint8_t* in, const int* columns, int width, uint8_t* out);

}  // namespace lumivar
