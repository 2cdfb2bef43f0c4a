// The AVX2 passes (this file alone is built with -mavx2; Resampler reaches
// it only through BestPasses, after asking the processor).
#include "Passes.h"

#include <immintrin.h>

#include <iterator>

namespace lumivar {
namespace {

__m256i Load(const void* p) { return _mm256_loadu_si256(static_cast<const __m256i*>(p)); }
__m256i Load2(const void* high, const void* low) {
  return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(static_cast<const __m128i*>(low))),
                                 _mm_loadu_si128(static_cast<const __m128i*>(high)), 1);
}

// Chunks x 16 channel values over all taps; two chunks at once keep both
// multipliers busy.
template <int Chunks>
void Columns(const uint8_t* src, ptrdiff_t stride, const int32_t* pairs, int taps, int shift, int16_t* out) {
  const __m128i count = _mm_cvtsi32_si128(shift);
  __m256i lo[Chunks], hi[Chunks];
  for (int c = 0; c < Chunks; ++c) lo[c] = hi[c] = _mm256_set1_epi32(1 << (shift - 1));
  for (int k = 0; k < taps; k += 2) {
    const uint8_t* a = src + k * stride;
    const uint8_t* b = k + 1 < taps ? a + stride : a;  // an odd last tap pairs with itself at weight zero
    const __m256i w = _mm256_set1_epi32(pairs[k / 2]);
    for (int c = 0; c < Chunks; ++c) {
      const __m256i va = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + 16 * c)));
      const __m256i vb = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(b + 16 * c)));
      lo[c] = _mm256_add_epi32(lo[c], _mm256_madd_epi16(_mm256_unpacklo_epi16(va, vb), w));
      hi[c] = _mm256_add_epi32(hi[c], _mm256_madd_epi16(_mm256_unpackhi_epi16(va, vb), w));
    }
  }
  // unpacklo/hi and packs work within 128-bit lanes, so the order comes back.
  for (int c = 0; c < Chunks; ++c)
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 16 * c),
                        _mm256_packs_epi32(_mm256_sra_epi32(lo[c], count), _mm256_sra_epi32(hi[c], count)));
}

void FilterColumnsAvx2(const uint8_t* src, ptrdiff_t stride, const int32_t* pairs, int taps, int bytes, int shift,
                       int16_t* out) {
  int x = 0;
  for (; x + 32 <= bytes; x += 32) Columns<2>(src + x, stride, pairs, taps, shift, out + x);
  for (; x + 16 <= bytes; x += 16) Columns<1>(src + x, stride, pairs, taps, shift, out + x);
  FilterColumnsSse2(src + x, stride, pairs, taps, bytes - x, shift, out + x);
}

// One output pixel, four taps a step: the low lane takes taps 4q and 4q+1,
// the high lane 4q+2 and 4q+3, summed at the end; an odd last pair takes a
// half step. Pairs is the pair count when known at compile time (the loop
// then unrolls), 0 when only pairCount knows it.
template <int Pairs>
__m128i Pixel(const int16_t* in, const int32_t* weights, int runtimePairs) {
  const int pairCount = Pairs ? Pairs : runtimePairs;
  __m256i acc = _mm256_setzero_si256();
  int q = 0;
  for (; 2 * q + 1 < pairCount; ++q) {
    const __m256i four = Load(in + 16 * q);
    const __m256i interleaved = _mm256_unpacklo_epi16(four, _mm256_srli_si256(four, 8));
    acc = _mm256_add_epi32(acc, _mm256_madd_epi16(interleaved, Load(weights + 8 * q)));
  }
  __m128i sum = _mm_add_epi32(_mm256_castsi256_si128(acc), _mm256_extracti128_si256(acc, 1));
  if (pairCount & 1) {
    const __m128i two = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 16 * q));
    const __m128i interleaved = _mm_unpacklo_epi16(two, _mm_srli_si128(two, 8));
    const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(weights + 8 * q));
    sum = _mm_add_epi32(sum, _mm_madd_epi16(interleaved, w));
  }
  return _mm_srai_epi32(_mm_add_epi32(sum, _mm_set1_epi32(1 << (kHorizontalShift - 1))), kHorizontalShift);
}

// Two output pixels of one pair of taps each, one in each lane; their
// weights lie side by side.
__m256i PixelPair(const int16_t* first, const int16_t* second, const int32_t* weights) {
  const __m256i two = Load2(second, first);
  const __m256i interleaved = _mm256_unpacklo_epi16(two, _mm256_srli_si256(two, 8));
  const __m256i acc = _mm256_add_epi32(_mm256_madd_epi16(interleaved, Load(weights)),
                                       _mm256_set1_epi32(1 << (kHorizontalShift - 1)));
  return _mm256_srai_epi32(acc, kHorizontalShift);
}

__m128i Pack(__m128i p0, __m128i p1, __m128i p2, __m128i p3) {
  return _mm_packus_epi16(_mm_packs_epi32(p0, p1), _mm_packs_epi32(p2, p3));
}

// Pixels 0 and 1, 2 and 3 (one in each lane) into 16 bytes.
__m128i Pack(__m256i p01, __m256i p23) {
  const __m256i words = _mm256_packs_epi32(p01, p23);  // lanes: 0 2 | 1 3
  const __m256i bytes = _mm256_packus_epi16(words, words);
  return _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(bytes, _mm256_setr_epi32(0, 4, 1, 5, 0, 4, 1, 5)));
}

// Whole groups of four output pixels; returns how many pixels it did.
template <int Pairs>
int Row(const int16_t* in, const int* start, int offset, const int32_t* weights, int stride, int pairCount,
        int width, uint8_t* out) {
  const auto source = [&](int i) { return in + 4 * static_cast<ptrdiff_t>(start[i] - offset); };
  const auto weightsOf = [&](int i) { return weights + static_cast<ptrdiff_t>(i) * stride; };
  int i = 0;
  if (Pairs == 1) {
    for (; i + 4 <= width; i += 4) {
      const __m256i p01 = PixelPair(source(i), source(i + 1), weightsOf(i));
      const __m256i p23 = PixelPair(source(i + 2), source(i + 3), weightsOf(i + 2));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * i), Pack(p01, p23));
    }
  } else {
    const auto pixel = [&](int k) { return Pixel<Pairs>(source(k), weightsOf(k), pairCount); };
    for (; i + 4 <= width; i += 4)
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * i), Pack(pixel(i), pixel(i + 1), pixel(i + 2), pixel(i + 3)));
  }
  return i;
}

void FilterRowAvx2(const int16_t* in, const int* start, int offset, const int32_t* weights, int stride,
                   int pairCount, int width, uint8_t* out) {
  // Unrolled for the pair counts of the common kernels and scales.
  using RowFn = int (*)(const int16_t*, const int*, int, const int32_t*, int, int, int, uint8_t*);
  static constexpr RowFn kRows[] = {Row<0>, Row<1>, Row<2>, Row<3>, Row<4>, Row<5>, Row<6>, Row<7>, Row<8>};
  const RowFn row = pairCount < static_cast<int>(std::size(kRows)) ? kRows[pairCount] : Row<0>;
  const int done = row(in, start, offset, weights, stride, pairCount, width, out);
  FilterRowSse2(in, start + done, offset, weights + static_cast<ptrdiff_t>(done) * stride, stride, pairCount,
                width - done, out + 4 * done);
}

}  // namespace

const RowPasses kAvx2Passes = {"avx2", FilterColumnsAvx2, FilterRowAvx2};

}  // namespace lumivar
