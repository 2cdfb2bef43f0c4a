#include "Reference.h"

#include "Kernels.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace lumivar::test {
namespace {

using Weights = std::vector<std::pair<int, double>>;  // (input index inside the picture, weight)

// Output pixel i of dst over the clip [lo, lo + n).
Weights AxisWeights(ResampleKernel kernel, bool antialiasing, bool autoSupersampling, int lo, int n, int dst,
                    int i) {
  const double scale = static_cast<double>(n) / dst;
  if (autoSupersampling && scale > 1) kernel = ResampleKernel::Supersampling;
  Weights weights;
  if (kernel == ResampleKernel::Nearest) {
    weights.emplace_back(lo + static_cast<int>(std::floor((i + 0.5) * n / dst)), 1.0);  // ties exact
  } else if (kernel == ResampleKernel::Supersampling) {
    const double a = static_cast<double>(i) * n / dst, b = static_cast<double>(i + 1) * n / dst;
    for (int j = 0; j < n; ++j) {
      const double overlap = std::min(b, j + 1.0) - std::max(a, static_cast<double>(j));
      if (overlap > 0) weights.emplace_back(lo + j, overlap);
    }
  } else {
    const double widen = antialiasing && scale > 1 ? scale : 1;
    const double u = (i + 0.5) * scale - 0.5;
    const double reach = KernelRadius(kernel) * widen + 1;
    for (int j = static_cast<int>(std::floor(u - reach)); j <= static_cast<int>(std::ceil(u + reach)); ++j)
      weights.emplace_back(lo + std::clamp(j, 0, n - 1), KernelValue(kernel, (j - u) / widen));
  }
  return weights;
}

}  // namespace

std::vector<double> ReferenceResample(const ResampleGeometry& g, const Picture& source) {
  std::vector<double> values(static_cast<size_t>(g.dstWidth) * g.dstHeight * 4);
  const ResampleRect& c = g.clip;
  for (int y = 0; y < g.dstHeight; ++y) {
    const Weights wy = AxisWeights(g.kernel, g.antialiasing, g.autoSupersampling, c.top, c.bottom - c.top,
                                   g.dstHeight, y);
    const int row = g.flip ? g.dstHeight - 1 - y : y;
    for (int x = 0; x < g.dstWidth; ++x) {
      const Weights wx = AxisWeights(g.kernel, g.antialiasing, g.autoSupersampling, c.left, c.right - c.left,
                                     g.dstWidth, x);
      for (int channel = 0; channel < 4; ++channel) {
        double sum = 0, total = 0;
        for (const auto& [sy, vy] : wy)
          for (const auto& [sx, vx] : wx) {
            sum += vy * vx * source.At(sx, sy, channel);
            total += vy * vx;
          }
        values[(static_cast<size_t>(row) * g.dstWidth + x) * 4 + channel] = sum / total;
      }
    }
  }
  return values;
}

Picture Rounded(const ResampleGeometry& g, const std::vector<double>& values) {
  Picture picture(g.dstWidth, g.dstHeight);
  for (size_t k = 0; k < values.size(); ++k)
    picture.bytes[k] = static_cast<uint8_t>(std::clamp(std::floor(values[k] + 0.5), 0.0, 255.0));
  return picture;
}

}  // namespace lumivar::test
