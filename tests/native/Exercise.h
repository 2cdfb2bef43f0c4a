// Exercise: one run of the core over a geometry under the conditions where
// a fault shows, shared by the robustness driver and the fuzz target.
#pragma once

#include "Resampler.h"

#include <cstdint>
#include <string>

namespace lumivar::test {

// How the pictures lie in memory: bottom-up or top-down, and bytes of
// padding after each row (any count, not only whole pixels).
struct Layout {
  bool bottomUp = false;
  int srcPadding = 0, dstPadding = 0;
};

// What the clip holds: noise, an edge (dark left of and above x0, y0),
// one light pixel at x0, y0, or a checkerboard of period x0 % 4 + 1;
// levels drawn from seed. Positions are taken modulo the clip's size.
struct Content {
  enum Kind { Noise, Edge, Dot, Checker } kind = Noise;
  int x0 = 0, y0 = 0;
  uint32_t seed = 1;
};

// The geometry's limits, stated independently of Resampler::Configure.
bool WithinLimits(const ResampleGeometry& geometry);

// Configures and processes with buffers of exactly the pictures' extent (so
// that a sanitizer sees any access beyond them), the clip filled with the
// content and the rest of the source with other values. Every output pixel
// checked (all, or a grid of rows and columns where the reference's work
// would be too much) must be within one level of the double-precision
// reference (nearest both ways: equal), and the output's padding untouched. Returns what went wrong, or "".
std::string Exercise(const ResampleGeometry& geometry, const Layout& layout, const Content& content);

}  // namespace lumivar::test
