// Reference: a straightforward double-precision resampler, direct and
// two-dimensional, without fixed point or intermediate rounding, to hold the
// core's output against.
#pragma once

#include "Picture.h"

#include <vector>

namespace lumivar::test {

// Channel values in the layout of the output picture, unrounded and unclamped.
std::vector<double> ReferenceResample(const ResampleGeometry& geometry, const Picture& source);

// Rounded to nearest (halves up) and clamped to 0..255, as the core stores them.
Picture Rounded(const ResampleGeometry& geometry, const std::vector<double>& values);

}  // namespace lumivar::test
