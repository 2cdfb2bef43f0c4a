#include "FilterTable.h"

#include "Kernels.h"
#include "Passes.h"
#include "WeightLayout.h"

#include <algorithm>
#include <cmath>

namespace lumivar {
namespace {

// One output pixel's weights over clip-relative input pixels first, first + 1, ...
struct Taps {
  int first = 0;
  std::vector<double> weights;
};

void NearestTaps(int64_t i, int64_t n, int64_t d, Taps& taps) {
  // floor(u + 0.5) with u = (i + 0.5) * n / d - 0.5, in integers so ties are exact.
  taps.first = static_cast<int>((2 * i + 1) * n / (2 * d));
  taps.weights.assign(1, 1.0);
}

void AreaTaps(int64_t i, int64_t n, int64_t d, Taps& taps) {
  // In units of 1/d input pixel the footprint is [i*n, (i+1)*n) and input
  // pixel j is [j*d, (j+1)*d): the overlaps are exact integers.
  const int64_t a = i * n, b = (i + 1) * n;
  const int64_t first = a / d, last = (b - 1) / d;
  taps.first = static_cast<int>(first);
  taps.weights.assign(static_cast<size_t>(last - first + 1), 0.0);
  for (int64_t j = first; j <= last; ++j) {
    const int64_t overlap = std::min(b, (j + 1) * d) - std::max(a, j * d);
    taps.weights[static_cast<size_t>(j - first)] = static_cast<double>(overlap);
  }
}

void ConvolutionTaps(ResampleKernel kernel, bool antialiasing, int64_t i, int n, int d, Taps& taps) {
  const double scale = static_cast<double>(n) / d;
  const double widen = antialiasing && scale > 1 ? scale : 1;
  const double radius = KernelRadius(kernel) * widen;
  const double u = (static_cast<double>(i) + 0.5) * scale - 0.5;
  const int lo = static_cast<int>(std::ceil(u - radius)), hi = static_cast<int>(std::floor(u + radius));
  const auto clamp = [n](int j) { return std::clamp(j, 0, n - 1); };
  taps.first = clamp(lo);
  taps.weights.assign(static_cast<size_t>(clamp(hi) - taps.first + 1), 0.0);
  for (int j = lo; j <= hi; ++j)
    taps.weights[static_cast<size_t>(clamp(j) - taps.first)] += KernelValue(kernel, (j - u) / widen);
}

void ComputeTaps(ResampleKernel kernel, bool antialiasing, int64_t i, int n, int d, Taps& taps) {
  if (kernel == ResampleKernel::Nearest)
    NearestTaps(i, n, d, taps);
  else if (kernel == ResampleKernel::Supersampling)
    AreaTaps(i, n, d, taps);
  else
    ConvolutionTaps(kernel, antialiasing, i, n, d, taps);
}

// The pass a filter is quantised for.
enum class Precision { Row, WideRow, Columns, ShortColumns };

// The fractional bits for one output pixel's weights. The 32-bit vertical
// pass multiplies 8-bit values by 16-bit weights into 32-bit sums: each
// weight must fit 16 bits after rounding (at most one unit off), and 255
// times their absolute sum, with the rounding term, must fit 31 bits.
int FractionBits(const Taps& taps, Precision precision) {
  switch (precision) {
    case Precision::Row: return kRowWeightBits;
    case Precision::WideRow: return kWideRowWeightBits;
    case Precision::ShortColumns: return kShortColumnWeightBits;
    case Precision::Columns: break;
  }
  double sum = 0, largest = 0, absolute = 0;
  for (double w : taps.weights) sum += w;
  for (double w : taps.weights) largest = std::max(largest, std::fabs(w / sum)), absolute += std::fabs(w / sum);
  int bits = kMinColumnWeightBits;
  while (bits < kMaxColumnWeightBits) {
    const double one = std::ldexp(1.0, bits + 1);
    if (largest * one + 1 > 32767 || 255 * (absolute * one + static_cast<double>(taps.weights.size())) + one > 2147483647.0)
      break;
    ++bits;
  }
  return bits;
}

// Each weight is the difference of the rounded running sums, so the weights
// sum to exactly 2^bits and every partial sum is within half a unit of the
// exact one: however many taps share the rounding, none gathers their error.
// Zero weights at the ends are dropped so that an identity or an exact phase
// costs one tap.
void Quantise(const Taps& taps, int bits, int& first, std::vector<int32_t>& fixed) {
  double sum = 0;
  for (double w : taps.weights) sum += w;
  const double one = std::ldexp(1.0, bits);
  fixed.resize(taps.weights.size());
  double running = 0;
  int64_t previous = 0;
  for (size_t j = 0; j < fixed.size(); ++j) {
    running += taps.weights[j];
    const int64_t rounded = j + 1 == fixed.size() ? static_cast<int64_t>(one) : std::llround(running / sum * one);
    fixed[j] = static_cast<int32_t>(rounded - previous);
    previous = rounded;
  }

  const auto nonzero = [](int32_t w) { return w != 0; };
  const auto begin = std::find_if(fixed.begin(), fixed.end(), nonzero);
  const auto end = std::find_if(fixed.rbegin(), fixed.rend(), nonzero).base();
  first = taps.first + static_cast<int>(begin - fixed.begin());
  fixed = std::vector<int32_t>(begin, end);
}

// The widest quantised pixel sets the tap count, then every pixel is placed
// in a window of that width inside the clip.
ResampleFilter Quantised(ResampleKernel kernel, bool antialiasing, int clipStart, int clipSize, int dstSize,
                         Precision precision) {
  Taps taps;
  std::vector<int32_t> fixed;
  int first = 0;
  ResampleFilter filter;
  for (int i = 0; i < dstSize; ++i) {
    ComputeTaps(kernel, antialiasing, i, clipSize, dstSize, taps);
    Quantise(taps, FractionBits(taps, precision), first, fixed);
    filter.taps = std::max(filter.taps, static_cast<int>(fixed.size()));
  }
  const size_t count = static_cast<size_t>(dstSize);
  filter.start.resize(count);
  filter.bits.resize(count);
  filter.weights.assign(count * static_cast<size_t>(filter.taps), 0);
  for (int i = 0; i < dstSize; ++i) {
    ComputeTaps(kernel, antialiasing, i, clipSize, dstSize, taps);
    const int bits = FractionBits(taps, precision);
    Quantise(taps, bits, first, fixed);
    const int start = std::min(first, clipSize - filter.taps);
    filter.start[static_cast<size_t>(i)] = clipStart + start;
    filter.bits[static_cast<size_t>(i)] = static_cast<uint8_t>(bits);
    std::copy(fixed.begin(), fixed.end(), &filter.weights[static_cast<size_t>(i) * static_cast<size_t>(filter.taps)] +
                                              (first - start));
  }
  return filter;
}

}  // namespace

ResampleFilter BuildFilter(ResampleKernel kernel, bool antialiasing, int clipStart, int clipSize, int dstSize,
                           FilterPass pass, bool* shortColumns) {
  if (shortColumns) *shortColumns = false;
  // The widest unquantised pixel chooses the horizontal pass, and whether a
  // vertical filter may try the short pass.
  Taps taps;
  size_t widest = 0;
  for (int i = 0; i < dstSize; ++i) {
    ComputeTaps(kernel, antialiasing, i, clipSize, dstSize, taps);
    widest = std::max(widest, taps.weights.size());
  }
  if (pass == FilterPass::Row)
    return Quantised(kernel, antialiasing, clipStart, clipSize, dstSize,
                     widest > static_cast<size_t>(Resampler::kMaxNarrowTaps) ? Precision::WideRow : Precision::Row);
  if (widest <= static_cast<size_t>(kMaxShortColumnTaps)) {
    ResampleFilter filter = Quantised(kernel, antialiasing, clipStart, clipSize, dstSize, Precision::ShortColumns);
    if (IsShortColumnFilter(filter)) {
      if (shortColumns) *shortColumns = true;
      return filter;
    }
  }
  return Quantised(kernel, antialiasing, clipStart, clipSize, dstSize, Precision::Columns);
}

}  // namespace lumivar
