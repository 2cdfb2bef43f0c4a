#include "Picture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace lumivar::test {

Picture Noise(int width, int height, uint32_t seed) {
  Picture picture(width, height);
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> byte(0, 255);
  for (uint8_t& b : picture.bytes) b = static_cast<uint8_t>(byte(random));
  return picture;
}

Picture Structured(int width, int height) {
  Picture picture(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      picture.At(x, y, 0) = x < width / 2 ? 0 : 255;                          // one vertical edge
      picture.At(x, y, 1) = (x % 5 == 2 || y % 7 == 3) ? 255 : 0;             // thin lines
      picture.At(x, y, 2) = static_cast<uint8_t>((x * 255) / std::max(1, width - 1));  // gradient
      picture.At(x, y, 3) = ((x + y) & 1) ? 255 : 0;                          // checkerboard
    }
  return picture;
}

Picture Probe(int width, int height, uint32_t seed) {
  Picture picture = Noise(width, height, seed);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      picture.At(x, y, 0) = (x < width / 2) == (y < height / 2) ? 0 : 255;
      picture.At(x, y, 1) = (x == 0 && y == 0) || (x == width / 2 && y == height / 2) ? 255 : 0;
      picture.At(x, y, 2) = ((x + y) & 1) ? 255 : 0;
    }
  return picture;
}

Picture Crop(const Picture& picture, const ResampleRect& rect) {
  Picture result(rect.right - rect.left, rect.bottom - rect.top);
  for (int y = 0; y < result.height; ++y)
    std::copy_n(picture.Row(rect.top + y) + 4 * rect.left, result.Stride(), result.Row(y));
  return result;
}

ResampleGeometry Whole(int srcWidth, int srcHeight, int dstWidth, int dstHeight, ResampleKernel kernel) {
  return {srcWidth, srcHeight, {0, 0, srcWidth, srcHeight}, dstWidth, dstHeight, kernel, true, false, false};
}

Picture Resample(const ResampleGeometry& geometry, const Picture& source) {
  Resampler resampler;
  Picture result(geometry.dstWidth, geometry.dstHeight, 0xCD);
  EXPECT_TRUE(resampler.Configure(geometry));
  EXPECT_TRUE(resampler.Process(source.bytes.data(), source.Stride(), result.bytes.data(), result.Stride()));
  return result;
}

}  // namespace lumivar::test
