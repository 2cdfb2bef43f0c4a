// The AVX-512 passes (this file alone is built with AVX-512 F, BW, VL and
// VNNI; Resampler reaches them only through BestPasses, after asking the
// processor): the AVX2 pair passes with vpdpwssd on 256-bit registers (the
// EVEX form, so AVX-512 VNNI gives it where AVX-VNNI is missing, as on Zen
// 4), the short vertical pass on 512-bit registers, and the nearest copy
// from one two-register window by vpermt2d.
#include "MultiplyAddAvx2.h"

#include <immintrin.h>

#include <type_traits>

namespace lumivar {
namespace {

// vpdpwssd wraps as pmaddwd's sum and the add do: the same bytes. A group of
// four taps from one load of four pixels a lane, both steps' pairs picked by
// one vpermt2w each (no lane swaps, no unpacks); but over two rows with more
// than four taps AVX2's shuffles, as measured here: with the permutes the
// two-row pass took 1.10-1.15 times as long at 6 and 9 taps, the one-row
// pass 0.70-0.80 times (at 3 and 4 taps both 0.90-0.96).
struct DotProduct {
  static __m256i Add(__m256i sums, __m256i pairs, __m256i weights) { return _mm256_dpwssd_epi32(sums, pairs, weights); }
  static void Group(const int16_t* low, const int16_t* high, int taps, bool rows, __m256i& first, __m256i& second) {
    if (rows && taps > 4) return Avx2Groups::Group(low, high, taps, rows, first, second);
    // Words 4p + c of low are pixel p's channel c; high's follow at 16.
    const __m256i firstPairs = _mm256_setr_epi16(0, 8, 1, 9, 2, 10, 3, 11, 16, 24, 17, 25, 18, 26, 19, 27);
    const __m256i secondPairs = _mm256_setr_epi16(4, 12, 5, 13, 6, 14, 7, 15, 20, 28, 21, 29, 22, 30, 23, 31);
    const __m256i lows = Load(low), highs = Load(high);
    first = _mm256_permutex2var_epi16(lows, firstPairs, highs);
    second = _mm256_permutex2var_epi16(lows, secondPairs, highs);
  }
};

// As PassesAvx2.cpp's: one load for both unpacks.
__m512i LoadOnce(const void* p) {
  __m512i v = _mm512_loadu_si512(p);
  asm("" : "+v"(v));
  return v;
}

// The short pass (Passes.h), Chunks x 64 channel values over all taps, as
// PassesAvx2.cpp's at twice the width. The unpacks work within 128-bit
// blocks: lo holds values 0-7, 16-23, 32-39 and 48-55, hi the others.
template <bool Negative>
__m512i ShortTap(__m512i words, __m512i w) {
  const __m512i product = _mm512_mulhi_epu16(words, w);
  return Negative ? _mm512_sub_epi16(product, words) : product;
}

template <int Chunks>
void ShortColumns(const uint8_t* src, ptrdiff_t stride, const int32_t* weights, int taps, int16_t* out) {
  PrefetchBelow(src, stride, taps, 64 * Chunks);
  const __m512i zero = _mm512_setzero_si512();
  __m512i lo[Chunks], hi[Chunks];
  for (int c = 0; c < Chunks; ++c) lo[c] = hi[c] = _mm512_set1_epi32(weights[0]);
  const int32_t negatives = weights[1];
  for (int k = 0; k < taps; ++k) {
    const __m512i w = _mm512_set1_epi32(weights[2 + k]);
    const auto tap = [&](auto negative) {
      for (int c = 0; c < Chunks; ++c) {
        const __m512i v = LoadOnce(src + k * stride + 64 * c);
        lo[c] = _mm512_add_epi16(lo[c], ShortTap<negative>(_mm512_unpacklo_epi8(zero, v), w));
        hi[c] = _mm512_add_epi16(hi[c], ShortTap<negative>(_mm512_unpackhi_epi8(zero, v), w));
      }
    };
    if (negatives >> k & 1)
      tap(std::true_type());
    else
      tap(std::false_type());
  }
  // Blocks back in order: lo's 0, hi's 0, lo's 1, hi's 1, then 2 and 3.
  const __m512i first = _mm512_setr_epi64(0, 1, 8, 9, 2, 3, 10, 11);
  const __m512i second = _mm512_setr_epi64(4, 5, 12, 13, 6, 7, 14, 15);
  for (int c = 0; c < Chunks; ++c) {
    _mm512_storeu_si512(out + 64 * c, _mm512_permutex2var_epi64(lo[c], first, hi[c]));
    _mm512_storeu_si512(out + 64 * c + 32, _mm512_permutex2var_epi64(lo[c], second, hi[c]));
  }
}

void FilterShortColumnsAvx512(const uint8_t* src, ptrdiff_t stride, const int32_t* weights, int taps, int bytes,
                              int16_t* out) {
  int x = 0;
  for (; x + 128 <= bytes; x += 128) ShortColumns<2>(src + x, stride, weights, taps, out + x);
  for (; x + 64 <= bytes; x += 64) ShortColumns<1>(src + x, stride, weights, taps, out + x);
  FilterShortColumnsAvx2(src + x, stride, weights, taps, bytes - x, out + x);
}

// Eight pixels from one window of sixteen by one vpermt2d; where it does not
// hold them, or would reach past the last output pixel's column, the AVX2
// copy's two windows of eight.
void CopyNearestAvx512(const uint8_t* in, const int* columns, int width, uint8_t* out) {
  const int last = width > 0 ? columns[width - 1] : 0;
  int i = 0;
  for (; i + 8 <= width; i += 8) {
    const int start = columns[i];
    if (start > last - 15) break;
    const __m256i within = _mm256_sub_epi32(Load(columns + i), _mm256_set1_epi32(start));
    if (_mm256_cmpgt_epu32_mask(within, _mm256_set1_epi32(15))) {
      CopyNearestAvx2(in, columns + i, 8, out + 4 * i);
      continue;
    }
    const uint8_t* window = in + 4 * static_cast<ptrdiff_t>(start);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 4 * i),
                        _mm256_permutex2var_epi32(Load(window), within, Load(window + 32)));
  }
  CopyNearestAvx2(in, columns + i, width - i, out + 4 * i);
}

}  // namespace

const RowPasses kAvx512Passes = {"avx512",
                                 FilterColumnsWith<DotProduct>,
                                 FilterShortColumnsAvx512,
                                 FilterRowWith<DotProduct>,
                                 FilterTwoRowsWith<DotProduct>,
                                 CopyNearestAvx512};

}  // namespace lumivar
