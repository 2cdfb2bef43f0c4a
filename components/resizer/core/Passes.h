// Passes: the row loops of Resampler::Process: portable C++, SSE2 (the
// x86-64 baseline), and AVX2, AVX-VNNI and AVX-512 where the processor has
// them; all give the same bytes.
//
// Weights come as one int32 per pair of taps: the first tap's weight in the
// low half, the second's in the high half, as pmaddwd takes them. Vertical
// pairs are taps (2p, 2p + 1), one int32 each. The horizontal pass reads its
// row pixels two 128-bit loads at a time and interleaves them with one
// unpack, so its pairs go by steps (HorizontalStep): per output pixel one
// int32 a step, a broadcast away from every channel.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lumivar {

// Fixed-point scales: the vertical pass's row carries 6 fractional bits; its
// weights 14 to 22 (per output row), the horizontal pass's 14, or 28 in the
// 64-bit pass for wide filters. The row's values are half a level high
// (kRowBias): as the horizontal weights sum to exactly one, its sums come
// rounded with no term of their own.
constexpr int kRowFractionBits = 6;
constexpr int kRowBias = 1 << (kRowFractionBits - 1);
constexpr int kMinColumnWeightBits = 14;
constexpr int kMaxColumnWeightBits = 22;
constexpr int kRowWeightBits = 14;
constexpr int kWideRowWeightBits = 28;
constexpr int kHorizontalShift = kRowWeightBits + kRowFractionBits;

// Vertical pass: bytes channel values of taps rows starting at src (stride
// apart) into 16-bit values with 6 fractional bits, the sums shifted right by
// shift (the row's weight bits - 6) after rounding, plus kRowBias, saturated.
// Reads exactly those rows and bytes.
using FilterColumnsFn = void (*)(const uint8_t* src, ptrdiff_t stride, const int32_t* pairs, int taps, int bytes,
                                 int shift, int16_t* out);

// The short vertical pass, for filters of at most kMaxShortColumnTaps taps
// whose sums provably fit 16 bits (IsShortColumnFilter): weights of 14
// fractional bits, and each output value is the row's start value plus, per
// tap, floor(x * w / 256), summed in 16 bits (wrapping, so exact when the end
// result fits). With x in the high byte of a word, pmulhuw gives that floor
// for w >= 0; for w < 0 it reads w + 65536 and gives 256 x more, which the
// word itself takes back. The start is kRowBias and half a unit per nonzero
// tap, centring the floors. Its weights come as ShortColumnStride(taps) int32
// per output row: the start (a 16-bit value in both halves), a mask of the
// negative taps (bit k for tap k), then each tap's weight in both halves.
// Error budget per row value, in levels, at 16 taps: the floors (each -1..0
// unit, centred by the start's halves) at most 8 / 64 = 0.125; the weights'
// running sums at most 15 * 255 * 0.5 / 16384 = 0.117 (alternating 0 and
// 255). So under a quarter level, against the 32-bit pass's 0.008 and its
// weights' rounding; the horizontal pass's own rounding and the output's
// half level keep within the one-level bound. 16 taps covers every kernel to
// 2.5:1 downscaling (the cubics to 4:1).
constexpr int kMaxShortColumnTaps = 16;
constexpr int kShortColumnWeightBits = 14;
constexpr int ShortColumnStride(int taps) { return taps + 2; }
using ShortColumnsFn = void (*)(const uint8_t* src, ptrdiff_t stride, const int32_t* weights, int taps, int bytes,
                                int16_t* out);

// Horizontal pass: width output pixels; pixel i weighs taps pixels of the
// row from in + first[i] on (four int16 a pixel). Reads up to two pixels past
// the last tap (with weight zero), so the row needs that much padding.
using FilterRowFn = void (*)(const int16_t* in, const int32_t* first, const int32_t* weights, int taps, int width,
                             uint8_t* out);

// The same for two rows of one filter at once, in0 into out0 and in1 into
// out1: each pixel's offsets and weights read once for both.
using FilterTwoRowsFn = void (*)(const int16_t* in0, const int16_t* in1, const int32_t* first, const int32_t* weights,
                                 int taps, int width, uint8_t* out0, uint8_t* out1);

// Two rows as two single ones, for sets with nothing better.
template <FilterRowFn Row>
void RowByRow(const int16_t* in0, const int16_t* in1, const int32_t* first, const int32_t* weights, int taps, int width,
              uint8_t* out0, uint8_t* out1) {
  Row(in0, first, weights, taps, width, out0);
  Row(in1, first, weights, taps, width, out1);
}

// The horizontal steps: taps go in groups of four, a last three as a group
// of four too, a last one or two as a group of two. A group of four takes two
// steps, pairs (t, t + 2) and (t + 1, t + 3); a group of two one, (t, t + 1).
// Taps past the last weigh zero.
constexpr int HorizontalSteps(int taps) { return (taps + 1) / 2; }
constexpr int GroupsOfFour(int taps) { return taps % 4 == 3 ? taps / 4 + 1 : taps / 4; }
struct StepTaps {
  int first, second;
};
constexpr StepTaps HorizontalStep(int taps, int step) {
  return step < 2 * GroupsOfFour(taps) ? StepTaps{4 * (step / 2) + step % 2, 4 * (step / 2) + step % 2 + 2}
                                       : StepTaps{4 * GroupsOfFour(taps), 4 * GroupsOfFour(taps) + 1};
}
// Where pixel i's weights start.
constexpr ptrdiff_t PixelWeights(int i, int taps) { return static_cast<ptrdiff_t>(i) * HorizontalSteps(taps); }

// Nearest neighbour: output pixel i is input pixel columns[i]. May read any
// pixel from in up to the last output pixel's column (the row's rightmost,
// as columns never go left).
using CopyNearestFn = void (*)(const uint8_t* in, const int* columns, int width, uint8_t* out);

struct RowPasses {
  const char* name;
  FilterColumnsFn filterColumns;
  ShortColumnsFn filterShortColumns;
  FilterRowFn filterRow;
  FilterTwoRowsFn filterTwoRows;
  CopyNearestFn copyNearest;
};

extern const RowPasses kScalarPasses;
#if LUMIVAR_X86_PASSES
// The SSE2 passes; the AVX2 ones hand them the ends of their rows.
void FilterColumnsSse2(const uint8_t* src, ptrdiff_t stride, const int32_t* pairs, int taps, int bytes, int shift,
                       int16_t* out);
void FilterShortColumnsSse2(const uint8_t* src, ptrdiff_t stride, const int32_t* weights, int taps, int bytes,
                            int16_t* out);
void FilterRowSse2(const int16_t* in, const int32_t* first, const int32_t* weights, int taps, int width, uint8_t* out);

extern const RowPasses kSse2Passes;

// The AVX2 passes that the AVX-VNNI and AVX-512 sets share.
void FilterShortColumnsAvx2(const uint8_t* src, ptrdiff_t stride, const int32_t* weights, int taps, int bytes,
                            int16_t* out);
void CopyNearestAvx2(const uint8_t* in, const int* columns, int width, uint8_t* out);

extern const RowPasses kAvx2Passes;
// AVX2 with AVX-VNNI's fused multiply-add of pairs.
extern const RowPasses kAvxVnniPasses;
// AVX-512 BW, VL and VNNI.
extern const RowPasses kAvx512Passes;
#endif

bool HasAvx2();
bool HasAvxVnni();
bool HasAvx512();

// The fastest set the processor has: AVX-512 where it has it and it is the
// faster (Passes.cpp tells where), else AVX-VNNI, else AVX2, else SSE2, else
// the portable passes; the environment's LUMIVAR_PASSES (scalar, sse2, avx2,
// avxvnni, avx512) names one, taken where the processor has it, else the
// best below it that it has.
const RowPasses& BestPasses();

// The horizontal pass for wide filters, in every build: weights of 28
// fractional bits, taps per output pixel, 64-bit sums.
void FilterRowWide(const int16_t* in, const int* start, int offset, const int32_t* weights, int taps, int width,
                   uint8_t* out);

// The nearest-neighbour copy of every build, pixel by pixel.
void CopyNearest(const uint8_t* in, const int* columns, int width, uint8_t* out);

}  // namespace lumivar
