#include "Reference.h"

#include "Kernels.h"

#include <algorithm>
#include <cmath>

namespace lumivar::test {
namespace {

// Output pixel i of dst over the clip [lo, lo + n).
ReferenceTaps AxisTaps(ResampleKernel kernel, bool antialiasing, bool autoSupersampling, int lo, int n, int dst,
                       int i) {
  const double scale = static_cast<double>(n) / dst;
  if (autoSupersampling && scale > 1) kernel = ResampleKernel::Supersampling;
  ReferenceTaps taps;
  if (kernel == ResampleKernel::Nearest) {
    taps.emplace_back(lo + static_cast<int>(std::floor((i + 0.5) * n / dst)), 1.0);  // ties exact
  } else if (kernel == ResampleKernel::Supersampling) {
    const double a = static_cast<double>(i) * n / dst, b = static_cast<double>(i + 1) * n / dst;
    for (int j = static_cast<int>(std::floor(a)); j < std::min<double>(n, std::ceil(b)); ++j) {
      const double overlap = std::min(b, j + 1.0) - std::max(a, static_cast<double>(j));
      if (overlap > 0) taps.emplace_back(lo + j, overlap);
    }
  } else {
    const double widen = antialiasing && scale > 1 ? scale : 1;
    const double u = (i + 0.5) * scale - 0.5;
    const double reach = KernelRadius(kernel) * widen + 1;
    for (int j = static_cast<int>(std::floor(u - reach)); j <= static_cast<int>(std::ceil(u + reach)); ++j) {
      const double value = KernelValue(kernel, (j - u) / widen);
      if (value != 0) taps.emplace_back(lo + std::clamp(j, 0, n - 1), value);
    }
  }
  return taps;
}

}  // namespace

std::vector<ReferenceTaps> ReferenceAxis(const ResampleGeometry& g, bool vertical) {
  const int lo = vertical ? g.clip.top : g.clip.left;
  const int n = vertical ? g.clip.bottom - g.clip.top : g.clip.right - g.clip.left;
  const int dst = vertical ? g.dstHeight : g.dstWidth;
  std::vector<ReferenceTaps> axis(static_cast<size_t>(dst));
  for (int i = 0; i < dst; ++i) axis[static_cast<size_t>(i)] = AxisTaps(g.kernel, g.antialiasing, g.autoSupersampling, lo, n, dst, i);
  return axis;
}

std::vector<double> ReferenceResample(const ResampleGeometry& g, const Picture& source) {
  std::vector<double> values(static_cast<size_t>(g.dstWidth) * g.dstHeight * 4);
  const std::vector<ReferenceTaps> across = ReferenceAxis(g, false), down = ReferenceAxis(g, true);
  for (int y = 0; y < g.dstHeight; ++y) {
    const int row = g.flip ? g.dstHeight - 1 - y : y;
    for (int x = 0; x < g.dstWidth; ++x)
      for (int channel = 0; channel < 4; ++channel)
        values[(static_cast<size_t>(row) * g.dstWidth + x) * 4 + channel] =
            ReferenceValue(across[static_cast<size_t>(x)], down[static_cast<size_t>(y)],
                           [&](int sx, int sy) { return source.At(sx, sy, channel); });
  }
  return values;
}

uint8_t RoundedLevel(double value) { return static_cast<uint8_t>(std::clamp(std::floor(value + 0.5), 0.0, 255.0)); }

Picture Rounded(const ResampleGeometry& g, const std::vector<double>& values) {
  Picture picture(g.dstWidth, g.dstHeight);
  for (size_t k = 0; k < values.size(); ++k) picture.bytes[k] = RoundedLevel(values[k]);
  return picture;
}

}  // namespace lumivar::test
