#include "Passes.h"

#include <emmintrin.h>

#include <cstring>
#include <type_traits>

namespace lumivar {
namespace {

__m128i Load32(const uint8_t* p) {
  int32_t v;
  std::memcpy(&v, p, sizeof v);
  return _mm_cvtsi32_si128(v);
}

// The vertical pass's scaling: a right shift by count after adding half of
// what it drops, and the row's bias.
struct Shift {
  __m128i count, half;
  explicit Shift(int shift)
      : count(_mm_cvtsi32_si128(shift)), half(_mm_set1_epi32((1 << (shift - 1)) + (kRowBias << shift))) {}
};

// Weighted sum of 16 channel values (4 pixels) over all taps.
void Columns16(const uint8_t* src, ptrdiff_t stride, const int32_t* pairs, int taps, const Shift& shift, int16_t* out) {
  const __m128i zero = _mm_setzero_si128();
  __m128i acc0 = shift.half, acc1 = acc0, acc2 = acc0, acc3 = acc0;
  for (int k = 0; k < taps; k += 2) {
    const uint8_t* a = src + k * stride;
    const uint8_t* b = k + 1 < taps ? a + stride : a;  // an odd last tap pairs with itself at weight zero
    const __m128i w = _mm_set1_epi32(pairs[k / 2]);
    const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a));
    const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b));
    const __m128i alo = _mm_unpacklo_epi8(va, zero), ahi = _mm_unpackhi_epi8(va, zero);
    const __m128i blo = _mm_unpacklo_epi8(vb, zero), bhi = _mm_unpackhi_epi8(vb, zero);
    acc0 = _mm_add_epi32(acc0, _mm_madd_epi16(_mm_unpacklo_epi16(alo, blo), w));
    acc1 = _mm_add_epi32(acc1, _mm_madd_epi16(_mm_unpackhi_epi16(alo, blo), w));
    acc2 = _mm_add_epi32(acc2, _mm_madd_epi16(_mm_unpacklo_epi16(ahi, bhi), w));
    acc3 = _mm_add_epi32(acc3, _mm_madd_epi16(_mm_unpackhi_epi16(ahi, bhi), w));
  }
  const __m128i lo = _mm_packs_epi32(_mm_sra_epi32(acc0, shift.count), _mm_sra_epi32(acc1, shift.count));
  const __m128i hi = _mm_packs_epi32(_mm_sra_epi32(acc2, shift.count), _mm_sra_epi32(acc3, shift.count));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), lo);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8), hi);
}

// The same for 4 channel values (one pixel), for the end of a row.
void Columns4(const uint8_t* src, ptrdiff_t stride, const int32_t* pairs, int taps, const Shift& shift, int16_t* out) {
  const __m128i zero = _mm_setzero_si128();
  __m128i acc = shift.half;
  for (int k = 0; k < taps; k += 2) {
    const uint8_t* a = src + k * stride;
    const uint8_t* b = k + 1 < taps ? a + stride : a;
    const __m128i va = _mm_unpacklo_epi8(Load32(a), zero), vb = _mm_unpacklo_epi8(Load32(b), zero);
    acc = _mm_add_epi32(acc, _mm_madd_epi16(_mm_unpacklo_epi16(va, vb), _mm_set1_epi32(pairs[k / 2])));
  }
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packs_epi32(_mm_sra_epi32(acc, shift.count), zero));
}

// The short pass (Passes.h): one tap's floor(x * w / 256) for x in the high
// byte of each word.
template <bool Negative>
__m128i ShortTap(__m128i words, __m128i w) {
  const __m128i product = _mm_mulhi_epu16(words, w);
  return Negative ? _mm_sub_epi16(product, words) : product;
}

// Chunks x 16 channel values over all taps; two chunks at once share each
// weight's broadcast.
template <int Chunks>
void ShortColumns(const uint8_t* src, ptrdiff_t stride, const int32_t* weights, int taps, int16_t* out) {
  const __m128i zero = _mm_setzero_si128();
  __m128i lo[Chunks], hi[Chunks];
  for (int c = 0; c < Chunks; ++c) lo[c] = hi[c] = _mm_set1_epi32(weights[0]);
  const int32_t negatives = weights[1];
  for (int k = 0; k < taps; ++k) {
    const __m128i w = _mm_set1_epi32(weights[2 + k]);
    // The sign chooses the loop, not the lanes: the sums stay in registers.
    const auto tap = [&](auto negative) {
      for (int c = 0; c < Chunks; ++c) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + k * stride + 16 * c));
        lo[c] = _mm_add_epi16(lo[c], ShortTap<negative>(_mm_unpacklo_epi8(zero, v), w));
        hi[c] = _mm_add_epi16(hi[c], ShortTap<negative>(_mm_unpackhi_epi8(zero, v), w));
      }
    };
    if (negatives >> k & 1)
      tap(std::true_type());
    else
      tap(std::false_type());
  }
  for (int c = 0; c < Chunks; ++c) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16 * c), lo[c]);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16 * c + 8), hi[c]);
  }
}

// The same for 4 channel values.
void ShortColumns4(const uint8_t* src, ptrdiff_t stride, const int32_t* weights, int taps, int16_t* out) {
  __m128i acc = _mm_set1_epi32(weights[0]);
  const int32_t negatives = weights[1];
  for (int k = 0; k < taps; ++k) {
    const __m128i words = _mm_unpacklo_epi8(_mm_setzero_si128(), Load32(src + k * stride));
    const __m128i w = _mm_set1_epi32(weights[2 + k]);
    acc = _mm_add_epi16(acc, negatives >> k & 1 ? ShortTap<true>(words, w) : ShortTap<false>(words, w));
  }
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out), acc);
}

__m128i Load(const int16_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

// One output pixel's four channels, as int32, scaled down (the row's bias
// rounds). Two loads of two pixels each, one unpack, give a step's four pairs.
__m128i Pixel(const int16_t* in, const int32_t* w, int taps) {
  __m128i acc = _mm_setzero_si128();
  int t = 0;
  for (int g = 0; g < GroupsOfFour(taps); ++g, t += 4, w += 2) {
    const __m128i here = Load(in + 4 * t), beyond = Load(in + 4 * t + 8);
    acc = _mm_add_epi32(acc, _mm_madd_epi16(_mm_unpacklo_epi16(here, beyond), _mm_set1_epi32(w[0])));
    acc = _mm_add_epi32(acc, _mm_madd_epi16(_mm_unpackhi_epi16(here, beyond), _mm_set1_epi32(w[1])));
  }
  if (t < taps)
    acc = _mm_add_epi32(acc, _mm_madd_epi16(_mm_unpacklo_epi16(Load(in + 4 * t), Load(in + 4 * t + 4)), _mm_set1_epi32(w[0])));
  return _mm_srai_epi32(acc, kHorizontalShift);
}

}  // namespace

void FilterColumnsSse2(const uint8_t* src, ptrdiff_t stride, const int32_t* pairs, int taps, int bytes, int shift,
                       int16_t* out) {
  const Shift scaling(shift);
  int x = 0;
  for (; x + 16 <= bytes; x += 16) Columns16(src + x, stride, pairs, taps, scaling, out + x);
  for (; x < bytes; x += 4) Columns4(src + x, stride, pairs, taps, scaling, out + x);
}

void FilterShortColumnsSse2(const uint8_t* src, ptrdiff_t stride, const int32_t* weights, int taps, int bytes,
                            int16_t* out) {
  int x = 0;
  for (; x + 32 <= bytes; x += 32) ShortColumns<2>(src + x, stride, weights, taps, out + x);
  for (; x + 16 <= bytes; x += 16) ShortColumns<1>(src + x, stride, weights, taps, out + x);
  for (; x < bytes; x += 4) ShortColumns4(src + x, stride, weights, taps, out + x);
}

void FilterRowSse2(const int16_t* in, const int32_t* first, const int32_t* weights, int taps, int width, uint8_t* out) {
  const auto pixel = [&](int i) { return Pixel(in + first[i], weights + PixelWeights(i, taps), taps); };
  int i = 0;
  for (; i + 4 <= width; i += 4) {
    const __m128i p01 = _mm_packs_epi32(pixel(i), pixel(i + 1));
    const __m128i p23 = _mm_packs_epi32(pixel(i + 2), pixel(i + 3));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * i), _mm_packus_epi16(p01, p23));
  }
  for (; i < width; ++i) {
    const __m128i p = _mm_packs_epi32(pixel(i), _mm_setzero_si128());
    const int32_t v = _mm_cvtsi128_si32(_mm_packus_epi16(p, p));
    std::memcpy(out + 4 * i, &v, sizeof v);
  }
}

const RowPasses kSse2Passes = {"sse2",        FilterColumnsSse2, FilterShortColumnsSse2, FilterRowSse2, RowByRow<FilterRowSse2>,
                                CopyNearest};

}  // namespace lumivar
