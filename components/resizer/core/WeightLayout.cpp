#include "WeightLayout.h"

#include <algorithm>

namespace lumivar {
namespace {

// The even tap's weight in the low half, the odd one's (or zero) in the high half.
int32_t Pair(const ResampleFilter& filter, size_t i, size_t p) {
  const size_t taps = static_cast<size_t>(filter.taps);
  const int32_t* w = &filter.weights[i * taps];  // each fits 16 bits in the SIMD layouts
  const uint32_t even = static_cast<uint16_t>(w[2 * p]);
  const uint32_t odd = 2 * p + 1 < taps ? static_cast<uint16_t>(w[2 * p + 1]) : 0;
  return static_cast<int32_t>(even | odd << 16);
}

}  // namespace

size_t PairCount(const ResampleFilter& filter) { return static_cast<size_t>(filter.taps + 1) / 2; }

std::vector<int32_t> PairedWeights(const ResampleFilter& filter) {
  const size_t pairs = PairCount(filter);
  std::vector<int32_t> result(filter.start.size() * pairs);
  for (size_t i = 0; i < filter.start.size(); ++i)
    for (size_t p = 0; p < pairs; ++p) result[i * pairs + p] = Pair(filter, i, p);
  return result;
}

size_t BroadcastStride(const ResampleFilter& filter) {
  const size_t pairs = PairCount(filter);
  return pairs == 1 ? 4 : 4 * ((pairs + 1) & ~size_t{1});
}

std::vector<int32_t> BroadcastWeights(const ResampleFilter& filter) {
  const size_t stride = BroadcastStride(filter);
  std::vector<int32_t> result(filter.start.size() * stride, 0);
  for (size_t i = 0; i < filter.start.size(); ++i)
    for (size_t p = 0; p < PairCount(filter); ++p) std::fill_n(&result[i * stride + 4 * p], 4, Pair(filter, i, p));
  return result;
}

}  // namespace lumivar
