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

// Whether a vertical filter takes the short pass (Passes.h): at most
// kMaxShortColumnTaps taps, weights of kShortColumnWeightBits bits that fit
// 16 bits, and for any content every output value in 16 bits.
bool IsShortColumnFilter(const ResampleFilter& filter);

// The short vertical layout (Passes.h): per output pixel the start value, a
// mask of the negative taps, then each tap's weight.
std::vector<int32_t> ShortColumnWeights(const ResampleFilter& filter);

// The horizontal layout (Passes.h): per output pixel one pair a step.
std::vector<int32_t> SteppedWeights(const ResampleFilter& filter);

// Where each output pixel's first tap lies in the vertical pass's row of a
// clip starting at clipStart (four int16 a pixel).
std::vector<int32_t> RowStarts(const ResampleFilter& filter, int clipStart);

}  // namespace lumivar
