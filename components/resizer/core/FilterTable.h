// FilterTable: one direction's fixed-point weights, computed in double
// precision and quantised so that every output pixel's weights sum to
// exactly Resampler::kWeightOne.
#pragma once

#include "Resampler.h"

namespace lumivar {

// The weights that map clipSize input pixels starting at clipStart onto
// dstSize output pixels with the given kernel (already resolved: automatic
// supersampling is the caller's choice). Taps never leave the clip.
// Throws std::bad_alloc when memory runs out.
ResampleFilter BuildFilter(ResampleKernel kernel, bool antialiasing, int clipStart, int clipSize, int dstSize);

}  // namespace lumivar
