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

// The horizontal layout (Passes.h): by steps, two output pixels side by side.
std::vector<int32_t> SideBySideWeights(const ResampleFilter& filter);

// Where each output pixel's first tap lies in the vertical pass's row of a
// clip starting at clipStart (four int16 a pixel).
std::vector<int32_t> RowStarts(const ResampleFilter& filter, int clipStart);

}  // namespace lumivar
