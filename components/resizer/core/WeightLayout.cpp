#include "WeightLayout.h"

#include "Passes.h"

#include <algorithm>

namespace lumivar {
namespace {

// Taps a and b of output pixel i as one int32; a tap past the last weighs zero.
int32_t Pair(const ResampleFilter& filter, size_t i, size_t a, size_t b) {
  const size_t taps = static_cast<size_t>(filter.taps);
  const int32_t* w = &filter.weights[i * taps];  // each fits 16 bits in these layouts
  const uint32_t low = a < taps ? static_cast<uint16_t>(w[a]) : 0;
  const uint32_t high = b < taps ? static_cast<uint16_t>(w[b]) : 0;
  return static_cast<int32_t>(low | high << 16);
}

// A 16-bit value in both halves, as a broadcast of 32 bits spreads it to every word.
int32_t Doubled(int32_t v) { return static_cast<int32_t>(static_cast<uint16_t>(v) * 0x10001u); }

// The short pass's start value for one output pixel's weights.
int32_t ShortStart(const int32_t* w, size_t taps) {
  return kRowBias + static_cast<int32_t>(std::count_if(w, w + taps, [](int32_t v) { return v != 0; })) / 2;
}

}  // namespace

bool IsShortColumnFilter(const ResampleFilter& filter) {
  if (filter.taps > kMaxShortColumnTaps) return false;
  const size_t taps = static_cast<size_t>(filter.taps);
  for (size_t i = 0; i < filter.start.size(); ++i) {
    if (filter.bits[i] != kShortColumnWeightBits) return false;
    const int32_t* w = &filter.weights[i * taps];
    // Each tap's term is floor(x * w / 256) for x in 0..255: 0 or its value at 255.
    int32_t high = ShortStart(w, taps), low = high;
    for (size_t t = 0; t < taps; ++t) {
      if (w[t] < -32768 || w[t] > 32767) return false;
      const int32_t at255 = (255 * w[t]) >> 8;
      high += std::max(at255, 0), low += std::min(at255, 0);
    }
    if (high > 32767 || low < -32768) return false;
  }
  return true;
}

std::vector<int32_t> ShortColumnWeights(const ResampleFilter& filter) {
  const size_t taps = static_cast<size_t>(filter.taps);
  const size_t stride = static_cast<size_t>(ShortColumnStride(filter.taps));
  std::vector<int32_t> result(filter.start.size() * stride);
  for (size_t i = 0; i < filter.start.size(); ++i) {
    const int32_t* w = &filter.weights[i * taps];
    int32_t* row = &result[i * stride];
    row[0] = Doubled(ShortStart(w, taps));
    for (size_t t = 0; t < taps; ++t) row[1] |= static_cast<int32_t>(w[t] < 0) << t;
    std::transform(w, w + taps, row + 2, Doubled);
  }
  return result;
}

size_t PairCount(const ResampleFilter& filter) { return static_cast<size_t>(filter.taps + 1) / 2; }

std::vector<int32_t> PairedWeights(const ResampleFilter& filter) {
  const size_t pairs = PairCount(filter);
  std::vector<int32_t> result(filter.start.size() * pairs);
  for (size_t i = 0; i < filter.start.size(); ++i)
    for (size_t p = 0; p < pairs; ++p) result[i * pairs + p] = Pair(filter, i, 2 * p, 2 * p + 1);
  return result;
}

std::vector<int32_t> SteppedWeights(const ResampleFilter& filter) {
  const size_t pixels = filter.start.size();
  const int steps = HorizontalSteps(filter.taps);
  std::vector<int32_t> result(pixels * static_cast<size_t>(steps));
  for (size_t i = 0; i < pixels; ++i)
    for (int s = 0; s < steps; ++s) {
      const StepTaps taps = HorizontalStep(filter.taps, s);
      result[static_cast<size_t>(PixelWeights(static_cast<int>(i), filter.taps) + s)] =
          Pair(filter, i, static_cast<size_t>(taps.first), static_cast<size_t>(taps.second));
    }
  return result;
}

std::vector<int32_t> RowStarts(const ResampleFilter& filter, int clipStart) {
  std::vector<int32_t> result(filter.start.size());
  for (size_t i = 0; i < result.size(); ++i) result[i] = 4 * (filter.start[i] - clipStart);
  return result;
}

}  // namespace lumivar
