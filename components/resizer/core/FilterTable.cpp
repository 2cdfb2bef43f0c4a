#include "FilterTable.h"

#include "Kernels.h"

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

// Normalises to kWeightOne in fixed point; the rounding error goes to the
// largest weight, where it matters least. Zero weights at the ends are
// dropped so that an identity or an exact phase costs one tap.
void Quantise(const Taps& taps, int& first, std::vector<int>& fixed) {
  double sum = 0;
  for (double w : taps.weights) sum += w;
  fixed.resize(taps.weights.size());
  int total = 0;
  for (size_t j = 0; j < fixed.size(); ++j) {
    fixed[j] = static_cast<int>(std::lround(taps.weights[j] / sum * Resampler::kWeightOne));
    total += fixed[j];
  }
  const auto largest = std::max_element(taps.weights.begin(), taps.weights.end()) - taps.weights.begin();
  fixed[static_cast<size_t>(largest)] += Resampler::kWeightOne - total;

  const auto nonzero = [](int w) { return w != 0; };
  const auto begin = std::find_if(fixed.begin(), fixed.end(), nonzero);
  const auto end = std::find_if(fixed.rbegin(), fixed.rend(), nonzero).base();
  first = taps.first + static_cast<int>(begin - fixed.begin());
  fixed = std::vector<int>(begin, end);
}

}  // namespace

ResampleFilter BuildFilter(ResampleKernel kernel, bool antialiasing, int clipStart, int clipSize, int dstSize) {
  // Two rounds over the outputs: the widest pixel sets the tap count, then
  // every pixel is placed in a window of that width inside the clip.
  Taps taps;
  std::vector<int> fixed;
  int first = 0;
  ResampleFilter filter;
  for (int i = 0; i < dstSize; ++i) {
    ComputeTaps(kernel, antialiasing, i, clipSize, dstSize, taps);
    Quantise(taps, first, fixed);
    filter.taps = std::max(filter.taps, static_cast<int>(fixed.size()));
  }
  const size_t count = static_cast<size_t>(dstSize);
  filter.start.resize(count);
  filter.weights.assign(count * static_cast<size_t>(filter.taps), 0);
  for (int i = 0; i < dstSize; ++i) {
    ComputeTaps(kernel, antialiasing, i, clipSize, dstSize, taps);
    Quantise(taps, first, fixed);
    const int start = std::min(first, clipSize - filter.taps);
    filter.start[static_cast<size_t>(i)] = clipStart + start;
    int16_t* row = &filter.weights[static_cast<size_t>(i) * static_cast<size_t>(filter.taps)];
    for (size_t j = 0; j < fixed.size(); ++j) row[static_cast<size_t>(first - start) + j] = static_cast<int16_t>(fixed[j]);
  }
  return filter;
}

}  // namespace lumivar
