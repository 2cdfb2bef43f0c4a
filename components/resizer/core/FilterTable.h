// FilterTable: one direction's fixed-point weights, computed in double
// precision and quantised by their running sums (see Resampler.h).
#pragma once

#include "Resampler.h"

namespace lumivar {

// Which pass reads the weights, and so how many fractional bits they may have.
enum class FilterPass {
  Columns,  // over 8-bit input rows: 14 bits where the short pass holds (WeightLayout.h), else 32-bit sums
            // and per output row as many bits as fit
  Row       // over the 16-bit row: 14 bits, or 28 bits (the 64-bit pass) past Resampler::kMaxNarrowTaps taps
};

// The weights that map clipSize input pixels starting at clipStart onto
// dstSize output pixels with the given kernel (already resolved: automatic
// supersampling is the caller's choice). Taps never leave the clip.
// Throws std::bad_alloc when memory runs out. shortColumns, when given, tells
// whether a Columns filter was quantised for (and passed the guard of) the
// short vertical pass.
ResampleFilter BuildFilter(ResampleKernel kernel, bool antialiasing, int clipStart, int clipSize, int dstSize,
                           FilterPass pass, bool* shortColumns = nullptr);

}  // namespace lumivar
