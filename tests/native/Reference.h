// Reference: a straightforward double-precision resampler, direct and
// two-dimensional, without fixed point or intermediate rounding, to hold the
// core's output against.
#pragma once

#include "Picture.h"

#include <utility>
#include <vector>

namespace lumivar::test {

// One output pixel's taps along one axis: (input index inside the picture, weight), unnormalised.
using ReferenceTaps = std::vector<std::pair<int, double>>;

// The taps of every output pixel along one axis of a geometry.
std::vector<ReferenceTaps> ReferenceAxis(const ResampleGeometry& geometry, bool vertical);

// One channel value of one output pixel, unrounded and unclamped; pixel(x, y)
// reads the source channel.
template <typename Pixel>
double ReferenceValue(const ReferenceTaps& across, const ReferenceTaps& down, Pixel pixel) {
  double sum = 0, total = 0;
  for (const auto& [sy, vy] : down)
    for (const auto& [sx, vx] : across) {
      sum += vy * vx * pixel(sx, sy);
      total += vy * vx;
    }
  return sum / total;
}

// Channel values in the layout of the output picture, unrounded and unclamped.
std::vector<double> ReferenceResample(const ResampleGeometry& geometry, const Picture& source);

// Rounded to nearest (halves up) and clamped to 0..255, as the core stores them.
uint8_t RoundedLevel(double value);
Picture Rounded(const ResampleGeometry& geometry, const std::vector<double>& values);

}  // namespace lumivar::test
