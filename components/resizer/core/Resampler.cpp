#include "Resampler.h"

#include "FilterTable.h"
#include "Passes.h"
#include "WeightLayout.h"

#include <algorithm>
#include <cstring>
#include <memory>
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

std::vector<uint8_t> SameAsAbove(const ResampleFilter& filter) {
  const size_t taps = static_cast<size_t>(filter.taps);
  std::vector<uint8_t> result(filter.start.size(), 0);
  for (size_t i = 1; i < filter.start.size(); ++i)
    result[i] = filter.start[i] == filter.start[i - 1] && filter.bits[i] == filter.bits[i - 1] &&
                std::equal(&filter.weights[i * taps], &filter.weights[i * taps] + taps, &filter.weights[(i - 1) * taps]);
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
    ResampleFilter horizontal =
        BuildFilter(kernelX, geometry.antialiasing, clip.left, clipWidth, geometry.dstWidth, FilterPass::Row);
    bool shortColumns = false;
    ResampleFilter vertical = BuildFilter(kernelY, geometry.antialiasing, clip.top, clipHeight, geometry.dstHeight,
                                          FilterPass::Columns, &shortColumns);
    const bool wideRows = horizontal.bits.front() == kWideRowWeightBits;
    std::vector<int32_t> horizontalWeights = wideRows ? std::vector<int32_t>() : SteppedWeights(horizontal);
    std::vector<int32_t> rowStarts = wideRows ? std::vector<int32_t>() : RowStarts(horizontal, clip.left);
    std::vector<int32_t> verticalWeights = shortColumns ? ShortColumnWeights(vertical) : PairedWeights(vertical);
    std::vector<uint8_t> sameAsAbove = SameAsAbove(vertical);

    horizontal_.taps = horizontal.taps;
    horizontal_.start.swap(horizontal.start);
    horizontal_.weights.swap(horizontal.weights);
    horizontal_.bits.swap(horizontal.bits);
    vertical_.taps = vertical.taps;
    vertical_.start.swap(vertical.start);
    vertical_.weights.swap(vertical.weights);
    vertical_.bits.swap(vertical.bits);
    wideRows_ = wideRows;
    horizontalWeights_.swap(horizontalWeights);
    rowStarts_.swap(rowStarts);
    shortColumns_ = shortColumns;
    verticalWeights_.swap(verticalWeights);
    sameAsAbove_.swap(sameAsAbove);
  } catch (const std::bad_alloc&) {
    return false;
  }
  geometry_ = geometry;
  nearest_ = kernelX == ResampleKernel::Nearest && kernelY == ResampleKernel::Nearest;
  passes_ = &BestPasses();
  configured_ = true;
  return true;
}

bool Resampler::Process(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst, ptrdiff_t dstStride) const {
  if (!configured_ || !src || !dst) return false;
  const ResampleGeometry& g = geometry_;
  const int clipBytes = (g.clip.right - g.clip.left) * 4;
  // The vertical pass's rows, two so that the horizontal pass may take two
  // output rows at once; per call so that calls may overlap; zeroed, as
  // FilterRow reads up to 2 pixels past the clip (at weight zero).
  const size_t rowLength = static_cast<size_t>(clipBytes) + 8;
  std::unique_ptr<int16_t[]> rows;
  int16_t* row[2] = {};
  if (!nearest_) {
    rows.reset(new (std::nothrow) int16_t[2 * rowLength]());
    if (!rows) return false;
    row[0] = rows.get(), row[1] = rows.get() + rowLength;
  }
  const size_t rowBytes = static_cast<size_t>(g.dstWidth) * 4;
  const size_t verticalStride = shortColumns_ ? static_cast<size_t>(ShortColumnStride(vertical_.taps)) : PairCount(vertical_);
  const auto input = [&](int y) { return src + static_cast<ptrdiff_t>(vertical_.start[static_cast<size_t>(y)]) * srcStride; };
  const auto output = [&](int y) { return dst + static_cast<ptrdiff_t>(g.flip ? g.dstHeight - 1 - y : y) * dstStride; };
  const auto filterColumns = [&](int y, int16_t* into) {
    const uint8_t* clipped = input(y) + 4 * static_cast<ptrdiff_t>(g.clip.left);
    const int32_t* weights = &verticalWeights_[static_cast<size_t>(y) * verticalStride];
    if (shortColumns_)
      passes_->filterShortColumns(clipped, srcStride, weights, vertical_.taps, clipBytes, into);
    else
      passes_->filterColumns(clipped, srcStride, weights, vertical_.taps, clipBytes,
                             vertical_.bits[static_cast<size_t>(y)] - kRowFractionBits, into);
  };
  const uint8_t* above = nullptr;
  for (int y = 0, done = 1; y < g.dstHeight; y += done, done = 1) {
    uint8_t* out = output(y);
    if (sameAsAbove_[static_cast<size_t>(y)]) {  // upscaling by nearest or area repeats rows
      std::memcpy(out, above, rowBytes);
    } else if (nearest_) {
      passes_->copyNearest(input(y), horizontal_.start.data(), g.dstWidth, out);
    } else if (wideRows_) {
      filterColumns(y, row[0]);
      FilterRowWide(row[0], horizontal_.start.data(), g.clip.left, horizontal_.weights.data(), horizontal_.taps,
                    g.dstWidth, out);
    } else if (y + 1 < g.dstHeight && !sameAsAbove_[static_cast<size_t>(y) + 1]) {
      filterColumns(y, row[0]);
      filterColumns(y + 1, row[1]);
      passes_->filterTwoRows(row[0], row[1], rowStarts_.data(), horizontalWeights_.data(), horizontal_.taps,
                             g.dstWidth, out, output(y + 1));
      done = 2;
    } else {
      filterColumns(y, row[0]);
      passes_->filterRow(row[0], rowStarts_.data(), horizontalWeights_.data(), horizontal_.taps, g.dstWidth, out);
    }
    above = output(y + done - 1);
  }
  return true;
}

}  // namespace lumivar
