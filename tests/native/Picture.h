// Picture: an RGB32 picture in memory for the core's tests, and the test
// pictures they use.
#pragma once

#include "Resampler.h"

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <vector>

namespace lumivar::test {

struct Picture {
  int width = 0, height = 0;
  std::vector<uint8_t> bytes;  // top-down, packed rows

  Picture() = default;
  Picture(int w, int h, uint8_t fill = 0) : width(w), height(h), bytes(static_cast<size_t>(w) * h * 4, fill) {}
  ptrdiff_t Stride() const { return static_cast<ptrdiff_t>(width) * 4; }
  uint8_t* Row(int y) { return bytes.data() + y * Stride(); }
  const uint8_t* Row(int y) const { return bytes.data() + y * Stride(); }
  uint8_t& At(int x, int y, int channel) { return Row(y)[4 * x + channel]; }
  uint8_t At(int x, int y, int channel) const { return Row(y)[4 * x + channel]; }
  bool operator==(const Picture& other) const {
    return width == other.width && height == other.height && bytes == other.bytes;
  }
  bool operator!=(const Picture& other) const { return !(*this == other); }
};

// For GoogleTest's messages: the size, not the bytes.
inline void PrintTo(const Picture& picture, std::ostream* out) {
  *out << picture.width << "x" << picture.height << " picture";
}

// Uniform random bytes in every channel.
Picture Noise(int width, int height, uint32_t seed);

// Sharp black and white edges, single-pixel lines, a gradient and a
// checkerboard, with different patterns per channel (alpha too): the
// content on which ringing, clamping and aliasing show.
Picture Structured(int width, int height);

// Where a wrong spread of weights shows: in blue an edge across and down
// (opposite quadrants white), in green single white pixels in the top left
// corner and in the middle, in red a one-pixel checkerboard, alpha noise.
Picture Probe(int width, int height, uint32_t seed);

// The part of a picture inside a rectangle.
Picture Crop(const Picture& picture, const ResampleRect& rect);

// The whole picture as the clip, AA on, no flip.
ResampleGeometry Whole(int srcWidth, int srcHeight, int dstWidth, int dstHeight, ResampleKernel kernel);

// Configure and Process through the packed buffers; fails the running test
// when Configure refuses.
Picture Resample(const ResampleGeometry& geometry, const Picture& source);

}  // namespace lumivar::test
