// The AVX2 passes built on multiply-adds of tap pairs (the 32-bit vertical
// pass and the horizontal pass), as templates over how a pair's products join
// the sums: MultiplyAdd::Add(sums, pairs, weights), pmaddwd and an add, or
// vpdpwssd in one; and over how a group of four taps becomes pairs,
// MultiplyAdd::Group (Avx2Groups, or AVX-512's word permutes). Included only
// by the files built with AVX2, each with its own copy.
#pragma once

#include "Passes.h"

#include <immintrin.h>

#include <cstdint>

namespace lumivar {
namespace {

inline __m256i Load(const void* p) { return _mm256_loadu_si256(static_cast<const __m256i*>(p)); }
inline __m256i Load2(const void* high, const void* low) {
  return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(static_cast<const __m128i*>(low))),
                                 _mm_loadu_si128(static_cast<const __m128i*>(high)), 1);
}

// A prefetch hint for the line offset bytes from p. It never faults, so it
// may point past a row or the picture: the address is only computed.
inline void Prefetch(const void* p, ptrdiff_t offset) {
  _mm_prefetch(reinterpret_cast<const char*>(reinterpret_cast<uintptr_t>(p) + static_cast<uintptr_t>(offset)),
               _MM_HINT_T0);
}

// The vertical passes ask for the two rows below their last tap, which the
// next output rows read, bytes of them from src on: by then they are in the
// cache (the passes waited on their loads for most of their time here, and
// the resize took 1.1-1.25 times as long without).
inline void PrefetchBelow(const uint8_t* src, ptrdiff_t stride, int taps, int bytes) {
  for (int row = 0; row < 2; ++row)
    for (int x = 0; x < bytes; x += 64) Prefetch(src, (taps + row) * stride + x);
}

// Chunks x 16 channel values over all taps; two chunks at once keep both
// multipliers busy.
template <typename MultiplyAdd, int Chunks>
void Columns(const uint8_t* src, ptrdiff_t stride, const int32_t* pairs, int taps, int shift, int16_t* out) {
  PrefetchBelow(src, stride, taps, 16 * Chunks);
  const __m128i count = _mm_cvtsi32_si128(shift);
  __m256i lo[Chunks], hi[Chunks];
  for (int c = 0; c < Chunks; ++c) lo[c] = hi[c] = _mm256_set1_epi32((1 << (shift - 1)) + (kRowBias << shift));
  for (int k = 0; k < taps; k += 2) {
    const uint8_t* a = src + k * stride;
    const uint8_t* b = k + 1 < taps ? a + stride : a;  // an odd last tap pairs with itself at weight zero
    const __m256i w = _mm256_set1_epi32(pairs[k / 2]);
    for (int c = 0; c < Chunks; ++c) {
      const __m256i va = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + 16 * c)));
      const __m256i vb = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(b + 16 * c)));
      lo[c] = MultiplyAdd::Add(lo[c], _mm256_unpacklo_epi16(va, vb), w);
      hi[c] = MultiplyAdd::Add(hi[c], _mm256_unpackhi_epi16(va, vb), w);
    }
  }
  // unpacklo/hi and packs work within 128-bit lanes, so the order comes back.
  for (int c = 0; c < Chunks; ++c)
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 16 * c),
                        _mm256_packs_epi32(_mm256_sra_epi32(lo[c], count), _mm256_sra_epi32(hi[c], count)));
}

template <typename MultiplyAdd>
void FilterColumnsWith(const uint8_t* src, ptrdiff_t stride, const int32_t* pairs, int taps, int bytes, int shift,
                       int16_t* out) {
  int x = 0;
  for (; x + 32 <= bytes; x += 32) Columns<MultiplyAdd, 2>(src + x, stride, pairs, taps, shift, out + x);
  for (; x + 16 <= bytes; x += 16) Columns<MultiplyAdd, 1>(src + x, stride, pairs, taps, shift, out + x);
  FilterColumnsSse2(src + x, stride, pairs, taps, bytes - x, shift, out + x);
}

// A group of four taps of two pixels, one in each lane, as the pairs of its
// two steps: (t, t + 2) and (t + 1, t + 3); rows tells whether the lanes are
// one pixel of two rows. Shuffles of AVX2; the AVX-512 passes have their own
// (a MultiplyAdd's Group).
struct Avx2Groups {
  static void Group(const int16_t* low, const int16_t* high, int taps, bool, __m256i& first, __m256i& second) {
    __m256i here, beyond;
    if (taps <= 4) {
      // Four pixels of each, one load apiece, spare two loads for the same
      // shuffles; with more taps the lane swaps cost more than they spare.
      const __m256i lows = Load(low), highs = Load(high);
      here = _mm256_permute2x128_si256(lows, highs, 0x20);
      beyond = _mm256_permute2x128_si256(lows, highs, 0x31);
    } else {
      here = Load2(high, low);
      beyond = Load2(high + 8, low + 8);
    }
    first = _mm256_unpacklo_epi16(here, beyond);
    second = _mm256_unpackhi_epi16(here, beyond);
  }
};

// Two output pixels, one in each lane, over all their taps (the steps of
// Passes.h): two pixels of one row, or one pixel of two rows. Step s's pairs
// come from pairs(s), as eight int32, the low lane's four then the high's.
// Rows: the lanes are one pixel of two rows.
// Taps is the tap count when known at compile time (the loops then unroll), 0
// when only runtimeTaps knows it. Inlined: a call a pixel pair costs as much
// as a short filter.
template <typename MultiplyAdd, int Taps, bool Rows, typename Pairs>
[[gnu::always_inline]] inline __m256i TwoPixels(const int16_t* low, const int16_t* high, Pairs pairs, int runtimeTaps) {
  const int taps = Taps ? Taps : runtimeTaps;
  __m256i acc = _mm256_setzero_si256();  // the row's bias rounds
  int t = 0, s = 0;
  for (int g = 0; g < GroupsOfFour(taps); ++g, t += 4, s += 2) {
    __m256i first, second;
    MultiplyAdd::Group(low + 4 * t, high + 4 * t, taps, Rows, first, second);
    acc = MultiplyAdd::Add(acc, first, pairs(s));
    acc = MultiplyAdd::Add(acc, second, pairs(s + 1));
  }
  if (t < taps) {  // a group of two: one load a pixel, its two taps interleaved by one shuffle
    const __m256i interleave = _mm256_setr_epi8(0, 1, 8, 9, 2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15,  //
                                                0, 1, 8, 9, 2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15);
    const __m256i pair = _mm256_shuffle_epi8(Load2(high + 4 * t, low + 4 * t), interleave);
    acc = MultiplyAdd::Add(acc, pair, pairs(s));
  }
  return _mm256_srai_epi32(acc, kHorizontalShift);
}

// Pixels 0 and 1, 2 and 3 (one in each lane) into 16 bytes.
inline __m128i Pack(__m256i p01, __m256i p23) {
  const __m256i words = _mm256_packs_epi32(p01, p23);  // lanes: 0 2 | 1 3
  const __m256i bytes = _mm256_packus_epi16(words, words);
  return _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(bytes, _mm256_setr_epi32(0, 4, 1, 5, 0, 4, 1, 5)));
}

// Eight pixels' bytes from lanes holding pixels 0 2 4 6 | 1 3 5 7, in order.
inline __m256i InOrder(__m256i bytes) {
  return _mm256_permutevar8x32_epi32(bytes, _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7));
}

// Eight pixels, two in each register, into 32 bytes.
inline __m256i Pack(__m256i p01, __m256i p23, __m256i p45, __m256i p67) {
  return InOrder(_mm256_packus_epi16(_mm256_packs_epi32(p01, p23), _mm256_packs_epi32(p45, p67)));
}

// A single tap has weight one: the value in whole levels, v >> 6 as (v *
// 2^14) >> 20 gives it (the row's bias rounds). Four pixels, the taps' pixels
// taken from two-pixel loads: lanes a c | b d.
inline __m256i SingleTaps(const int16_t* a, const int16_t* b, const int16_t* c, const int16_t* d) {
  return _mm256_srai_epi16(_mm256_unpacklo_epi64(Load2(b, a), Load2(d, c)), kRowFractionBits);
}

inline int RowOfSingleTaps(const int16_t* in, const int32_t* first, int width, uint8_t* out) {
  const auto four = [&](int i) {
    return SingleTaps(in + first[i], in + first[i + 1], in + first[i + 2], in + first[i + 3]);
  };
  int i = 0;
  for (; i + 8 <= width; i += 8)
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 4 * i), InOrder(_mm256_packus_epi16(four(i), four(i + 4))));
  return i;
}

// Whole groups of four output pixels, two pixels a register, each one's
// pairs broadcast into its lane; returns how many pixels it did.
template <typename MultiplyAdd, int Taps>
int Row(const int16_t* in, const int32_t* first, const int32_t* weights, int runtimeTaps, int width, uint8_t* out) {
  const int taps = Taps ? Taps : runtimeTaps;
  const int steps = HorizontalSteps(taps);
  const auto two = [&](int i) {
    const int32_t* a = weights + PixelWeights(i, taps);
    const int32_t* b = a + steps;
    const auto pairs = [&](int s) {
      return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_set1_epi32(a[s])), _mm_set1_epi32(b[s]), 1);
    };
    return TwoPixels<MultiplyAdd, Taps, false>(in + first[i], in + first[i + 1], pairs, taps);
  };
  int i = 0;
  for (; i + 8 <= width; i += 8)
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 4 * i), Pack(two(i), two(i + 2), two(i + 4), two(i + 6)));
  for (; i + 4 <= width; i += 4) _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * i), Pack(two(i), two(i + 2)));
  return i;
}

// The same over two rows: one pixel of both rows a register, its pairs one
// broadcast for both lanes.
template <typename MultiplyAdd, int Taps>
int TwoRows(const int16_t* in0, const int16_t* in1, const int32_t* first, const int32_t* weights, int runtimeTaps,
            int width, uint8_t* out0, uint8_t* out1) {
  const int taps = Taps ? Taps : runtimeTaps;
  const auto both = [&](int i) {
    const int32_t* w = weights + PixelWeights(i, taps);
    const auto pairs = [&](int s) { return _mm256_set1_epi32(w[s]); };
    return TwoPixels<MultiplyAdd, Taps, true>(in0 + first[i], in1 + first[i], pairs, taps);
  };
  // Four pixels of both rows into lanes holding row 0's and row 1's bytes.
  const auto four = [&](int i) {
    return _mm256_packus_epi16(_mm256_packs_epi32(both(i), both(i + 1)), _mm256_packs_epi32(both(i + 2), both(i + 3)));
  };
  int i = 0;
  for (; i + 8 <= width; i += 8) {
    // The output 256 bytes ahead asked for: upscaling, the pass waited on
    // its stores for a fifth of its time, and took 1.05-1.2 times as long
    // without.
    Prefetch(out0, 4 * i + 256);
    Prefetch(out1, 4 * i + 256);
    const __m256i low = four(i), high = four(i + 4);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out0 + 4 * i), _mm256_permute2x128_si256(low, high, 0x20));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out1 + 4 * i), _mm256_permute2x128_si256(low, high, 0x31));
  }
  for (; i + 4 <= width; i += 4) {
    const __m256i bytes = four(i);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out0 + 4 * i), _mm256_castsi256_si128(bytes));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out1 + 4 * i), _mm256_extracti128_si256(bytes, 1));
  }
  return i;
}

// Unrolled for the tap counts of the common kernels and scales.
constexpr int kUnrolledTaps = 15;

template <typename MultiplyAdd>
void FilterRowWith(const int16_t* in, const int32_t* first, const int32_t* weights, int taps, int width, uint8_t* out) {
  using RowFn = int (*)(const int16_t*, const int32_t*, const int32_t*, int, int, uint8_t*);
  static constexpr RowFn kRows[kUnrolledTaps] = {
      Row<MultiplyAdd, 0>,  Row<MultiplyAdd, 1>,  Row<MultiplyAdd, 2>,  Row<MultiplyAdd, 3>,  Row<MultiplyAdd, 4>,
      Row<MultiplyAdd, 5>,  Row<MultiplyAdd, 6>,  Row<MultiplyAdd, 7>,  Row<MultiplyAdd, 8>,  Row<MultiplyAdd, 9>,
      Row<MultiplyAdd, 10>, Row<MultiplyAdd, 11>, Row<MultiplyAdd, 12>, Row<MultiplyAdd, 13>, Row<MultiplyAdd, 14>};
  const RowFn row = taps < kUnrolledTaps ? kRows[taps] : Row<MultiplyAdd, 0>;
  const int done = taps == 1 ? RowOfSingleTaps(in, first, width, out) : row(in, first, weights, taps, width, out);
  FilterRowSse2(in, first + done, weights + PixelWeights(done, taps), taps, width - done, out + 4 * done);
}

template <typename MultiplyAdd>
void FilterTwoRowsWith(const int16_t* in0, const int16_t* in1, const int32_t* first, const int32_t* weights, int taps,
                       int width, uint8_t* out0, uint8_t* out1) {
  if (taps == 1) {  // no weights to share
    FilterRowWith<MultiplyAdd>(in0, first, weights, taps, width, out0);
    FilterRowWith<MultiplyAdd>(in1, first, weights, taps, width, out1);
    return;
  }
  using TwoRowsFn =
      int (*)(const int16_t*, const int16_t*, const int32_t*, const int32_t*, int, int, uint8_t*, uint8_t*);
  static constexpr TwoRowsFn kRows[kUnrolledTaps] = {
      TwoRows<MultiplyAdd, 0>,  TwoRows<MultiplyAdd, 1>,  TwoRows<MultiplyAdd, 2>,  TwoRows<MultiplyAdd, 3>,
      TwoRows<MultiplyAdd, 4>,  TwoRows<MultiplyAdd, 5>,  TwoRows<MultiplyAdd, 6>,  TwoRows<MultiplyAdd, 7>,
      TwoRows<MultiplyAdd, 8>,  TwoRows<MultiplyAdd, 9>,  TwoRows<MultiplyAdd, 10>, TwoRows<MultiplyAdd, 11>,
      TwoRows<MultiplyAdd, 12>, TwoRows<MultiplyAdd, 13>, TwoRows<MultiplyAdd, 14>};
  const TwoRowsFn rows = taps < kUnrolledTaps ? kRows[taps] : TwoRows<MultiplyAdd, 0>;
  const int done = rows(in0, in1, first, weights, taps, width, out0, out1);
  const ptrdiff_t rest = PixelWeights(done, taps);
  FilterRowSse2(in0, first + done, weights + rest, taps, width - done, out0 + 4 * done);
  FilterRowSse2(in1, first + done, weights + rest, taps, width - done, out1 + 4 * done);
}

}  // namespace
}  // namespace lumivar
