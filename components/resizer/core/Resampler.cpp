#include "Resampler.h"

#include "FilterTable.h"
#include "Passes.h"

#include <new>

namespace lumivar {
namespace {

bool InRange(int value, int low, int high) { return value >= low && value <= high; }

bool IsValid(const ResampleGeometry& g) {
  const int kernel = static_cast<int>(g.kernel);
  return InRange(g.srcWidth, 1, Resampler::kMaxSourceSize) && InRange(g.srcHeight, 1, Resampler::kMaxSourceSize) &&
         InRange(g.dstWidth, 1, Resampler::kMaxOutputSize) && InRange(g.dstHeight, 1, Resampler::kMaxOutputSize) &&
         InRange(g.clip.left, 0, g.srcWidth - 1) && InRange(g.clip.right, g.clip.left + 1, g.srcWidth) &&
         InRange(g.clip.top, 0, g.srcHeight - 1) && InRange(g.clip.bottom, g.clip.top + 1, g.srcHeight) &&
         InRange(kernel, static_cast<int>(ResampleKernel::Nearest), static_cast<int>(ResampleKernel::Supersampling));
}

ResampleKernel KernelFor(const ResampleGeometry& g, int clipSize, int dstSize) {
  return g.autoSupersampling && dstSize < clipSize ? ResampleKernel::Supersampling : g.kernel;
}

// Each output pixel's taps as (taps + 1) / 2 pairs; an odd last tap pairs
// with a zero.
std::vector<int32_t> Pairs(const ResampleFilter& filter) {
  const size_t taps = static_cast<size_t>(filter.taps), pairs = (taps + 1) / 2;
  std::vector<int32_t> result(filter.start.size() * pairs);
  for (size_t i = 0; i < filter.start.size(); ++i) {
    const int16_t* w = &filter.weights[i * taps];
    for (size_t p = 0; p < pairs; ++p) {
      const uint32_t even = static_cast<uint16_t>(w[2 * p]);
      const uint32_t odd = 2 * p + 1 < taps ? static_cast<uint16_t>(w[2 * p + 1]) : 0;
      result[i * pairs + p] = static_cast<int32_t>(even | odd << 16);
    }
  }
  return result;
}

}  // namespace

bool Resampler::Configure(const ResampleGeometry& geometry) noexcept {
  if (!IsValid(geometry)) return false;
  const ResampleRect& clip = geometry.clip;
  const int clipWidth = clip.right - clip.left, clipHeight = clip.bottom - clip.top;
  const ResampleKernel kernelX = KernelFor(geometry, clipWidth, geometry.dstWidth);
  const ResampleKernel kernelY = KernelFor(geometry, clipHeight, geometry.dstHeight);
  try {
    ResampleFilter horizontal = BuildFilter(kernelX, geometry.antialiasing, clip.left, clipWidth, geometry.dstWidth);
    ResampleFilter vertical = BuildFilter(kernelY, geometry.antialiasing, clip.top, clipHeight, geometry.dstHeight);
    std::vector<int32_t> horizontalPairs = Pairs(horizontal), verticalPairs = Pairs(vertical);
    std::vector<int16_t> row(static_cast<size_t>(clipWidth + 1) * 4, 0);  // one pixel of padding for FilterRow

    horizontal_.taps = horizontal.taps;
    horizontal_.start.swap(horizontal.start);
    horizontal_.weights.swap(horizontal.weights);
    vertical_.taps = vertical.taps;
    vertical_.start.swap(vertical.start);
    vertical_.weights.swap(vertical.weights);
    horizontalPairs_.swap(horizontalPairs);
    verticalPairs_.swap(verticalPairs);
    row_.swap(row);
  } catch (const std::bad_alloc&) {
    return false;
  }
  geometry_ = geometry;
  nearest_ = kernelX == ResampleKernel::Nearest && kernelY == ResampleKernel::Nearest;
  configured_ = true;
  return true;
}

void Resampler::Process(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst, ptrdiff_t dstStride) const {
  if (!configured_ || !src || !dst) return;
  const ResampleGeometry& g = geometry_;
  const int clipBytes = (g.clip.right - g.clip.left) * 4;
  const size_t verticalPairCount = static_cast<size_t>(vertical_.taps + 1) / 2;
  const int horizontalPairCount = (horizontal_.taps + 1) / 2;
  for (int y = 0; y < g.dstHeight; ++y) {
    uint8_t* out = dst + static_cast<ptrdiff_t>(g.flip ? g.dstHeight - 1 - y : y) * dstStride;
    const uint8_t* in = src + static_cast<ptrdiff_t>(vertical_.start[static_cast<size_t>(y)]) * srcStride;
    if (nearest_) {
      CopyNearest(in, horizontal_.start.data(), g.dstWidth, out);
      continue;
    }
    FilterColumns(in + 4 * static_cast<ptrdiff_t>(g.clip.left), srcStride,
                  &verticalPairs_[static_cast<size_t>(y) * verticalPairCount], vertical_.taps, clipBytes,
                  row_.data());
    FilterRow(row_.data(), horizontal_.start.data(), g.clip.left, horizontalPairs_.data(), horizontalPairCount,
              g.dstWidth, out);
  }
}

}  // namespace lumivar
