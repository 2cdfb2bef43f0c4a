// Passes: the row loops of Resampler::Process: portable C++, SSE2 (the
// x86-64 baseline) and AVX2 where the processor has it; all give the same
// bytes.
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

// Fixed-point scales: the vertical pass's row carries 6 fractional bits; its
// weights 14 to 22 (per output row), the horizontal pass's 14, or 28 in the
// 64-bit pass for wide filters.
constexpr int kRowFractionBits = 6;
constexpr int kMinColumnWeightBits = 14;
constexpr int kMaxColumnWeightBits = 22;
constexpr int kRowWeightBits = 14;
constexpr int kWideRowWeightBits = 28;
constexpr int kHorizontalShift = kRowWeightBits + kRowFractionBits;

// Vertical pass: bytes channel values of taps rows starting at src (stride
// apart) into 16-bit values with 6 fractional bits, the sums shifted right by
// shift (the row's weight bits - 6) after rounding, saturated. Reads exactly
// those rows and bytes.
using FilterColumnsFn = void (*)(const uint8_t* src, ptrdiff_t stride, const int32_t* pairs, int taps, int bytes,
                                 int shift, int16_t* out);

// Horizontal pass: width output pixels; pixel i weighs the input pixels from
// start[i] - offset on. Reads up to three pixels past the last tap (with
// weight zero), so the input row needs that much padding.
using FilterRowFn = void (*)(const int16_t* in, const int* start, int offset, const int32_t* weights, int stride,
                             int pairCount, int width, uint8_t* out);

struct RowPasses {
  const char* name;
  FilterColumnsFn filterColumns;
  FilterRowFn filterRow;
};

extern const RowPasses kScalarPasses;
#if LUMIVAR_X86_PASSES
// The SSE2 passes; the AVX2 ones hand them the ends of their rows.
void FilterColumnsSse2(const uint8_t* src, ptrdiff_t stride, const int32_t* pairs, int taps, int bytes, int shift,
                       int16_t* out);
void FilterRowSse2(const int16_t* in, const int* start, int offset, const int32_t* weights, int stride,
                   int pairCount, int width, uint8_t* out);

extern const RowPasses kSse2Passes;
extern const RowPasses kAvx2Passes;
#endif

bool HasAvx2();

// AVX2 where the processor has it, else SSE2, else the portable passes; the
// environment's LUMIVAR_PASSES (scalar, sse2, avx2) chooses a lesser one.
const RowPasses& BestPasses();

// The horizontal pass for wide filters, in every build: weights of 28
// fractional bits, taps per output pixel, 64-bit sums.
void FilterRowWide(const int16_t* in, const int* start, int offset, const int32_t* weights, int taps, int width,
                   uint8_t* out);

// Nearest neighbour: output pixel i is input pixel columns[i].
void CopyNearest(const uint8_t* in, const int* columns, int width, uint8_t* out);

}  // namespace lumivar
