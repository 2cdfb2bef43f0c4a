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

}  // namespace

size_t PairCount(const ResampleFilter& filter) { return static_cast<size_t>(filter.taps + 1) / 2; }

std::vector<int32_t> PairedWeights(const ResampleFilter& filter) {
  const size_t pairs = PairCount(filter);
  std::vector<int32_t> result(filter.start.size() * pairs);
  for (size_t i = 0; i < filter.start.size(); ++i)
    for (size_t p = 0; p < pairs; ++p) result[i * pairs + p] = Pair(filter, i, 2 * p, 2 * p + 1);
  return result;
}

std::vector<int32_t> SideBySideWeights(const ResampleFilter& filter) {
  const size_t pixels = filter.start.size();
  const int steps = HorizontalSteps(filter.taps);
  std::vector<int32_t> result((pixels + 1) / 2 * static_cast<size_t>(steps) * 8, 0);
  for (size_t i = 0; i < pixels; ++i)
    for (int s = 0; s < steps; ++s) {
      const StepTaps taps = HorizontalStep(filter.taps, s);
      const int32_t pair = Pair(filter, i, static_cast<size_t>(taps.first), static_cast<size_t>(taps.second));
      std::fill_n(&result[static_cast<size_t>(PixelWeights(static_cast<int>(i), filter.taps) + 8 * s)], 4, pair);
    }
  return result;
}

std::vector<int32_t> RowStarts(const ResampleFilter& filter, int clipStart) {
  std::vector<int32_t> result(filter.start.size());
  for (size_t i = 0; i < result.size(); ++i) result[i] = 4 * (filter.start[i] - clipStart);
  return result;
}

}  // namespace lumivar
