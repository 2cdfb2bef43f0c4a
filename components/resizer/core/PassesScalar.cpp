// The portable passes: the SSE2 passes' arithmetic in plain C++, lane by
// lane (pmaddwd's pairs, 32-bit sums that wrap alike, the short pass's floors
// in 16-bit sums, packssdw's and packuswb's saturation), so they give the
// same bytes anywhere.
#include "Passes.h"

#include <algorithm>

namespace lumivar {
namespace {

int16_t Saturate16(int32_t v) { return static_cast<int16_t>(std::clamp<int32_t>(v, -32768, 32767)); }
uint8_t Saturate8(int32_t v) { return static_cast<uint8_t>(std::clamp<int32_t>(v, 0, 255)); }

// Sums in uint32, where overflow wraps as the SIMD additions do.
int32_t Wrap(uint32_t v) { return static_cast<int32_t>(v); }

void FilterColumnsScalar(const uint8_t* src, ptrdiff_t stride, const int32_t* pairs, int taps, int bytes, int shift,
                         int16_t* out) {
  for (int x = 0; x < bytes; ++x) {
    uint32_t acc = (1u << (shift - 1)) + (uint32_t{kRowBias} << shift);
    for (int k = 0; k < taps; k += 2) {
      const uint32_t pair = static_cast<uint32_t>(pairs[k / 2]);
      const int32_t even = static_cast<int16_t>(pair & 0xFFFF), odd = static_cast<int16_t>(pair >> 16);
      const uint8_t* a = src + k * stride + x;
      const int32_t b = k + 1 < taps ? a[stride] : *a;  // an odd last tap pairs with itself at weight zero
      acc += static_cast<uint32_t>(*a * even + b * odd);
    }
    out[x] = Saturate16(Wrap(acc) >> shift);
  }
}

// Each weight's int32 holds it twice (Passes.h): its low half is the value.
int32_t Low(int32_t doubled) { return static_cast<int16_t>(doubled & 0xFFFF); }

void FilterShortColumnsScalar(const uint8_t* src, ptrdiff_t stride, const int32_t* weights, int taps, int bytes,
                              int16_t* out) {
  for (int x = 0; x < bytes; ++x) {
    uint16_t acc = static_cast<uint16_t>(Low(weights[0]));
    for (int k = 0; k < taps; ++k) acc += static_cast<uint16_t>((src[k * stride + x] * Low(weights[2 + k])) >> 8);
    out[x] = static_cast<int16_t>(acc);
  }
}

void FilterRowScalar(const int16_t* in, const int32_t* first, const int32_t* weights, int taps, int width,
                     uint8_t* out) {
  for (int i = 0; i < width; ++i) {
    const int16_t* pixel = in + first[i];
    const int32_t* w = weights + PixelWeights(i, taps);
    for (int channel = 0; channel < 4; ++channel) {
      uint32_t acc = 0;  // the row's bias rounds
      for (int s = 0; s < HorizontalSteps(taps); ++s) {
        const StepTaps t = HorizontalStep(taps, s);
        const uint32_t pair = static_cast<uint32_t>(w[s]);
        const int32_t low = static_cast<int16_t>(pair & 0xFFFF), high = static_cast<int16_t>(pair >> 16);
        acc += static_cast<uint32_t>(pixel[4 * t.first + channel] * low + pixel[4 * t.second + channel] * high);
      }
      out[4 * i + channel] = Saturate8(Saturate16(Wrap(acc) >> kHorizontalShift));
    }
  }
}

}  // namespace

const RowPasses kScalarPasses = {"scalar",        FilterColumnsScalar, FilterShortColumnsScalar, FilterRowScalar,
                                  RowByRow<FilterRowScalar>, CopyNearest};

void FilterRowWide(const int16_t* in, const int* start, int offset, const int32_t* weights, int taps, int width,
                   uint8_t* out) {
  constexpr int shift = kWideRowWeightBits + kRowFractionBits;
  for (int i = 0; i < width; ++i) {
    const int16_t* pixel = in + 4 * static_cast<ptrdiff_t>(start[i] - offset);
    const int32_t* w = weights + static_cast<ptrdiff_t>(i) * taps;
    int64_t acc[4] = {};
    for (int t = 0; t < taps; ++t)
      for (int channel = 0; channel < 4; ++channel) acc[channel] += int64_t{pixel[4 * t + channel]} * w[t];
    for (int channel = 0; channel < 4; ++channel)
      out[4 * i + channel] =
          static_cast<uint8_t>(std::clamp<int64_t>(acc[channel] >> shift, 0, 255));
  }
}

}  // namespace lumivar
