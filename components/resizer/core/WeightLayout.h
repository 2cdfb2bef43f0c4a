// WeightLayout: a direction's fixed-point weights laid out the way the
// passes (Passes.h) read them.
#pragma once

#include "Resampler.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lumivar {

// Pairs of taps per output pixel: (taps + 1) / 2.
size_t PairCount(const ResampleFilter& filter);

// The vertical layout: one int32 per pair.
std::vector<int32_t> PairedWeights(const ResampleFilter& filter);

// The horizontal layout: every pair four times over, more than one pair
// padded to an even count; BroadcastStride int32 per output pixel.
size_t BroadcastStride(const ResampleFilter& filter);
std::vector<int32_t> BroadcastWeights(const ResampleFilter& filter);

}  // namespace lumivar
