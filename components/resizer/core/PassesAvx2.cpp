// The AVX2 passes (this file alone is built with -mavx2; Resampler reaches
// it only through BestPasses, after asking the processor).
#include "Passes.h"

#include <immintrin.h>

#include <type_traits>


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
  for (int c = 0; c < Chunks; ++c) lo[c] = hi[c] = _mm256_set1_epi32((1 << (shift - 1)) + (kRowBias << shift));
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

void FilterShortColumnsAvx2(const uint8_t* src, ptrdiff_t stride, const int32_t* weights, int taps, int bytes,
                            int16_t* out) {
  int x = 0;
  for (; x + 64 <= bytes; x += 64) ShortColumns<2>(src + x, stride, weights, taps, out + x);
  for (; x + 32 <= bytes; x += 32) ShortColumns<1>(src + x, stride, weights, taps, out + x);
  FilterShortColumnsSse2(src + x, stride, weights, taps, bytes - x, out + x);
}

// Two output pixels, one in each lane, over all their taps (the steps of
// Passes.h): two pixels of one row, or one pixel of two rows. Step s's pairs
// come from pairs(s), as eight int32, the low lane's four then the high's.
// Taps is the tap count when known at compile time (the loops then unroll), 0
// when only runtimeTaps knows it. Inlined: a call a pixel pair costs as much
// as a short filter.
template <int Taps, typename Pairs>
[[gnu::always_inline]] inline __m256i TwoPixels(const int16_t* low, const int16_t* high, Pairs pairs, int runtimeTaps) {
  const int taps = Taps ? Taps : runtimeTaps;
  __m256i acc = _mm256_setzero_si256();  // the row's bias rounds
  int t = 0, s = 0;
  for (int g = 0; g < GroupsOfFour(taps); ++g, t += 4, s += 2) {
    const __m256i here = Load2(high + 4 * t, low + 4 * t), beyond = Load2(high + 4 * t + 8, low + 4 * t + 8);
    acc = _mm256_add_epi32(acc, _mm256_madd_epi16(_mm256_unpacklo_epi16(here, beyond), pairs(s)));
    acc = _mm256_add_epi32(acc, _mm256_madd_epi16(_mm256_unpackhi_epi16(here, beyond), pairs(s + 1)));
  }
  if (t < taps) {  // a group of two: one load a pixel, its two taps interleaved by one shuffle
    const __m256i interleave = _mm256_setr_epi8(0, 1, 8, 9, 2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15,  //
                                                0, 1, 8, 9, 2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15);
    const __m256i pair = _mm256_shuffle_epi8(Load2(high + 4 * t, low + 4 * t), interleave);
    acc = _mm256_add_epi32(acc, _mm256_madd_epi16(pair, pairs(s)));
  }
  return _mm256_srai_epi32(acc, kHorizontalShift);
}

// Pixels 0 and 1, 2 and 3 (one in each lane) into 16 bytes.
__m128i Pack(__m256i p01, __m256i p23) {
  const __m256i words = _mm256_packs_epi32(p01, p23);  // lanes: 0 2 | 1 3
  const __m256i bytes = _mm256_packus_epi16(words, words);
  return _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(bytes, _mm256_setr_epi32(0, 4, 1, 5, 0, 4, 1, 5)));
}

// Eight pixels' bytes from lanes holding pixels 0 2 4 6 | 1 3 5 7, in order.
__m256i InOrder(__m256i bytes) { return _mm256_permutevar8x32_epi32(bytes, _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7)); }

// Eight pixels, two in each register, into 32 bytes.
__m256i Pack(__m256i p01, __m256i p23, __m256i p45, __m256i p67) {
  return InOrder(_mm256_packus_epi16(_mm256_packs_epi32(p01, p23), _mm256_packs_epi32(p45, p67)));
}

// A single tap has weight one: the value in whole levels, v >> 6 as (v *
// 2^14) >> 20 gives it (the row's bias rounds). Four pixels, the taps' pixels
// taken from two-pixel loads: lanes a c | b d.
__m256i SingleTaps(const int16_t* a, const int16_t* b, const int16_t* c, const int16_t* d) {
  return _mm256_srai_epi16(_mm256_unpacklo_epi64(Load2(b, a), Load2(d, c)), kRowFractionBits);
}

int RowOfSingleTaps(const int16_t* in, const int32_t* first, int width, uint8_t* out) {
  const auto four = [&](int i) { return SingleTaps(in + first[i], in + first[i + 1], in + first[i + 2], in + first[i + 3]); };
  int i = 0;
  for (; i + 8 <= width; i += 8)
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 4 * i), InOrder(_mm256_packus_epi16(four(i), four(i + 4))));
  return i;
}

// Whole groups of four output pixels, two pixels a register, each one's
// pairs broadcast into its lane; returns how many pixels it did.
template <int Taps>
int Row(const int16_t* in, const int32_t* first, const int32_t* weights, int runtimeTaps, int width, uint8_t* out) {
  const int taps = Taps ? Taps : runtimeTaps;
  const int steps = HorizontalSteps(taps);
  const auto two = [&](int i) {
    const int32_t* a = weights + PixelWeights(i, taps);
    const int32_t* b = a + steps;
    const auto pairs = [&](int s) {
      return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_set1_epi32(a[s])), _mm_set1_epi32(b[s]), 1);
    };
    return TwoPixels<Taps>(in + first[i], in + first[i + 1], pairs, taps);
  };
  int i = 0;
  for (; i + 8 <= width; i += 8)
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 4 * i), Pack(two(i), two(i + 2), two(i + 4), two(i + 6)));
  for (; i + 4 <= width; i += 4)
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * i), Pack(two(i), two(i + 2)));
  return i;
}

// The same over two rows: one pixel of both rows a register, its pairs one
// broadcast for both lanes.
template <int Taps>
int TwoRows(const int16_t* in0, const int16_t* in1, const int32_t* first, const int32_t* weights, int runtimeTaps,
            int width, uint8_t* out0, uint8_t* out1) {
  const int taps = Taps ? Taps : runtimeTaps;
  const auto both = [&](int i) {
    const int32_t* w = weights + PixelWeights(i, taps);
    return TwoPixels<Taps>(in0 + first[i], in1 + first[i], [&](int s) { return _mm256_set1_epi32(w[s]); }, taps);
  };
  // Four pixels of both rows into lanes holding row 0's and row 1's bytes.
  const auto four = [&](int i) {
    return _mm256_packus_epi16(_mm256_packs_epi32(both(i), both(i + 1)), _mm256_packs_epi32(both(i + 2), both(i + 3)));
  };
  int i = 0;
  for (; i + 8 <= width; i += 8) {
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

void FilterRowAvx2(const int16_t* in, const int32_t* first, const int32_t* weights, int taps, int width,
                   uint8_t* out) {
  using RowFn = int (*)(const int16_t*, const int32_t*, const int32_t*, int, int, uint8_t*);
  static constexpr RowFn kRows[kUnrolledTaps] = {Row<0>, Row<1>, Row<2>,  Row<3>,  Row<4>,  Row<5>,  Row<6>, Row<7>,
                                                 Row<8>, Row<9>, Row<10>, Row<11>, Row<12>, Row<13>, Row<14>};
  const RowFn row = taps < kUnrolledTaps ? kRows[taps] : Row<0>;
  const int done = taps == 1 ? RowOfSingleTaps(in, first, width, out) : row(in, first, weights, taps, width, out);
  FilterRowSse2(in, first + done, weights + PixelWeights(done, taps), taps, width - done, out + 4 * done);
}

void FilterTwoRowsAvx2(const int16_t* in0, const int16_t* in1, const int32_t* first, const int32_t* weights, int taps,
                       int width, uint8_t* out0, uint8_t* out1) {
  if (taps == 1) {  // no weights to share
    FilterRowAvx2(in0, first, weights, taps, width, out0);
    FilterRowAvx2(in1, first, weights, taps, width, out1);
    return;
  }
  using TwoRowsFn = int (*)(const int16_t*, const int16_t*, const int32_t*, const int32_t*, int, int, uint8_t*, uint8_t*);
  static constexpr TwoRowsFn kRows[kUnrolledTaps] = {
      TwoRows<0>, TwoRows<1>, TwoRows<2>,  TwoRows<3>,  TwoRows<4>,  TwoRows<5>,  TwoRows<6>, TwoRows<7>,
      TwoRows<8>, TwoRows<9>, TwoRows<10>, TwoRows<11>, TwoRows<12>, TwoRows<13>, TwoRows<14>};
  const int done = (taps < kUnrolledTaps ? kRows[taps] : TwoRows<0>)(in0, in1, first, weights, taps, width, out0, out1);
  const ptrdiff_t rest = PixelWeights(done, taps);
  FilterRowSse2(in0, first + done, weights + rest, taps, width - done, out0 + 4 * done);
  FilterRowSse2(in1, first + done, weights + rest, taps, width - done, out1 + 4 * done);
}

// Eight pixels a gather.
void CopyNearestAvx2(const uint8_t* in, const int* columns, int width, uint8_t* out) {
  int i = 0;
  for (; i + 8 <= width; i += 8)
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 4 * i),
                        _mm256_i32gather_epi32(reinterpret_cast<const int*>(in), Load(columns + i), 4));
  CopyNearest(in, columns + i, width - i, out + 4 * i);
}

}  // namespace

const RowPasses kAvx2Passes = {"avx2",          FilterColumnsAvx2, FilterShortColumnsAvx2, FilterRowAvx2, FilterTwoRowsAvx2,
                               CopyNearestAvx2};

}  // namespace lumivar
