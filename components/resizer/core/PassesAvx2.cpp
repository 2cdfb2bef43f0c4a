// The AVX2 passes (this file alone is built with -mavx2, and
// PassesAvxVnni.cpp with AVX-VNNI; Resampler reaches them only through
// BestPasses, after asking the processor).
#include "MultiplyAddAvx2.h"

#include <immintrin.h>

#include <type_traits>

namespace lumivar {
namespace {

// A pair's products into the sums: pmaddwd, then an add.
struct MultiplyThenAdd : Avx2Groups {
  static __m256i Add(__m256i sums, __m256i pairs, __m256i weights) {
    return _mm256_add_epi32(sums, _mm256_madd_epi16(pairs, weights));
  }
};

// A load the compiler may not fold into each of its two unpacks: loading
// the same bytes twice costs the short pass a tenth of its time.
__m256i LoadOnce(const void* p) {
  __m256i v = Load(p);
  asm("" : "+x"(v));
  return v;
}

// The short pass (Passes.h), Chunks x 32 channel values over all taps, x in
// the high byte of each word by the unpacks. They work within 128-bit lanes:
// lo holds values 0-7 and 16-23, hi 8-15 and 24-31.
template <bool Negative>
__m256i ShortTap(__m256i words, __m256i w) {
  const __m256i product = _mm256_mulhi_epu16(words, w);
  return Negative ? _mm256_sub_epi16(product, words) : product;
}

template <int Chunks>
void ShortColumns(const uint8_t* src, ptrdiff_t stride, const int32_t* weights, int taps, int16_t* out) {
  PrefetchBelow(src, stride, taps, 32 * Chunks);
  const __m256i zero = _mm256_setzero_si256();
  __m256i lo[Chunks], hi[Chunks];
  for (int c = 0; c < Chunks; ++c) lo[c] = hi[c] = _mm256_set1_epi32(weights[0]);
  const int32_t negatives = weights[1];
  for (int k = 0; k < taps; ++k) {
    const __m256i w = _mm256_set1_epi32(weights[2 + k]);
    // The sign chooses the loop, not the lanes: the sums stay in registers.
    const auto tap = [&](auto negative) {
      for (int c = 0; c < Chunks; ++c) {
        const __m256i v = LoadOnce(src + k * stride + 32 * c);
        lo[c] = _mm256_add_epi16(lo[c], ShortTap<negative>(_mm256_unpacklo_epi8(zero, v), w));
        hi[c] = _mm256_add_epi16(hi[c], ShortTap<negative>(_mm256_unpackhi_epi8(zero, v), w));
      }
    };
    if (negatives >> k & 1)
      tap(std::true_type());
    else
      tap(std::false_type());
  }
  for (int c = 0; c < Chunks; ++c) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 32 * c), _mm256_permute2x128_si256(lo[c], hi[c], 0x20));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 32 * c + 16), _mm256_permute2x128_si256(lo[c], hi[c], 0x31));
  }
}

}  // namespace

void FilterShortColumnsAvx2(const uint8_t* src, ptrdiff_t stride, const int32_t* weights, int taps, int bytes,
                            int16_t* out) {
  int x = 0;
  for (; x + 64 <= bytes; x += 64) ShortColumns<2>(src + x, stride, weights, taps, out + x);
  for (; x + 32 <= bytes; x += 32) ShortColumns<1>(src + x, stride, weights, taps, out + x);
  FilterShortColumnsSse2(src + x, stride, weights, taps, bytes - x, out + x);
}

// Eight pixels from two windows of eight input pixels, each permuted into
// its half (vpermd). No gather: vpgatherdd takes 2.6 times as long here (AMD
// EPYC, AVX-512 cores; gathers are microcoded on every Zen and slowed by the
// microcode against Downfall on Intel's Skylake to Ice Lake). The windows
// stay within pixels 0 to the last output pixel's column (Passes.h); eight
// pixels whose columns two windows do not hold are copied one by one.
void CopyNearestAvx2(const uint8_t* in, const int* columns, int width, uint8_t* out) {
  const int last = width > 0 ? columns[width - 1] : 0;
  int i = 0;
  for (; i + 8 <= width; i += 8) {
    const int low = columns[i], high = columns[i + 4];
    if (high > last - 7) break;
    const __m256i starts =
        _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_set1_epi32(low)), _mm_set1_epi32(high), 1);
    const __m256i within = _mm256_sub_epi32(Load(columns + i), starts);
    if (!_mm256_testz_si256(within, _mm256_set1_epi32(~7))) {
      CopyNearest(in, columns + i, 8, out + 4 * i);
      continue;
    }
    const __m256i lows = _mm256_permutevar8x32_epi32(Load(in + 4 * static_cast<ptrdiff_t>(low)), within);
    const __m256i highs = _mm256_permutevar8x32_epi32(Load(in + 4 * static_cast<ptrdiff_t>(high)), within);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 4 * i), _mm256_blend_epi32(lows, highs, 0xF0));
  }
  CopyNearest(in, columns + i, width - i, out + 4 * i);
}

const RowPasses kAvx2Passes = {"avx2",
                               FilterColumnsWith<MultiplyThenAdd>,
                               FilterShortColumnsAvx2,
                               FilterRowWith<MultiplyThenAdd>,
                               FilterTwoRowsWith<MultiplyThenAdd>,
                               CopyNearestAvx2};

}  // namespace lumivar
