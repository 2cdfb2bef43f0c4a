// libFuzzer target: geometry, settings, layout and content from the fuzzer's
// bytes; the core must refuse exactly what is out of limits and resample
// everything else within one level of the double-precision reference.
#include "Exercise.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

using lumivar::ResampleGeometry;
using lumivar::ResampleKernel;
using lumivar::Resampler;
using namespace lumivar::test;

namespace {

// -1 and max + 1 at the ends, between them 0 to max spread over the
// logarithm, so that 1, 2 and 3 come up as often as the limits.
int Dimension(FuzzedDataProvider& in, int max) {
  const uint16_t v = in.ConsumeIntegral<uint16_t>();
  if (v == 0) return -1;
  if (v == 0xFFFF) return max + 1;
  return static_cast<int>(std::lround(std::exp((v - 1) / 65533.0 * std::log(static_cast<double>(max))))) - (v == 1 ? 1 : 0);
}

// The work the reference does for every output pixel, roughly: its taps across and down.
double Reach(ResampleKernel kernel, bool antialiasing, bool autoSupersampling, int clip, int dst) {
  const double scale = static_cast<double>(clip) / dst;
  if (autoSupersampling && scale > 1) kernel = ResampleKernel::Supersampling;
  if (kernel == ResampleKernel::Nearest) return 1;
  const double radius = kernel == ResampleKernel::Linear ? 1 : kernel == ResampleKernel::Lanczos3 ? 3 : 2;
  return kernel == ResampleKernel::Supersampling ? scale + 2 : 2 * radius * (antialiasing && scale > 1 ? scale : 1) + 3;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  ResampleGeometry g{};
  g.srcWidth = Dimension(in, Resampler::kMaxSourceSize), g.srcHeight = Dimension(in, Resampler::kMaxSourceSize);
  g.dstWidth = Dimension(in, Resampler::kMaxOutputSize), g.dstHeight = Dimension(in, Resampler::kMaxOutputSize);
  g.clip.left = in.ConsumeIntegralInRange<int>(-1, g.srcWidth + 1);
  g.clip.right = in.ConsumeIntegralInRange<int>(-1, g.srcWidth + 1);
  g.clip.top = in.ConsumeIntegralInRange<int>(-1, g.srcHeight + 1);
  g.clip.bottom = in.ConsumeIntegralInRange<int>(-1, g.srcHeight + 1);
  g.kernel = static_cast<ResampleKernel>(in.ConsumeIntegralInRange<int>(0, 9));
  g.antialiasing = in.ConsumeBool(), g.autoSupersampling = in.ConsumeBool(), g.flip = in.ConsumeBool();
  Layout layout;
  layout.bottomUp = in.ConsumeBool();
  layout.srcPadding = in.ConsumeIntegralInRange<int>(0, 15), layout.dstPadding = in.ConsumeIntegralInRange<int>(0, 15);
  Content content;
  content.kind = static_cast<Content::Kind>(in.ConsumeIntegralInRange<int>(0, 3));
  content.x0 = in.ConsumeIntegralInRange<int>(0, Resampler::kMaxSourceSize);
  content.y0 = in.ConsumeIntegralInRange<int>(0, Resampler::kMaxSourceSize);
  content.seed = in.ConsumeIntegral<uint32_t>();

  if (!WithinLimits(g)) {
    Resampler resampler;
    if (resampler.Configure(g)) {
      std::fprintf(stderr, "accepted a geometry out of limits\n");
      std::abort();
    }
    return 0;
  }
  // Keep each input quick: the pictures' areas and the reference's work are
  // bounded, not the pictures' shapes.
  const double srcArea = static_cast<double>(g.srcWidth) * g.srcHeight, dstArea = static_cast<double>(g.dstWidth) * g.dstHeight;
  const double work = dstArea * Reach(g.kernel, g.antialiasing, g.autoSupersampling, g.clip.right - g.clip.left, g.dstWidth) *
                      Reach(g.kernel, g.antialiasing, g.autoSupersampling, g.clip.bottom - g.clip.top, g.dstHeight);
  if (srcArea > (1 << 16) || dstArea > (1 << 12) || work > (1 << 17)) return 0;
  const std::string failure = Exercise(g, layout, content);
  if (!failure.empty()) {
    std::fprintf(stderr, "%s\n", failure.c_str());
    std::abort();
  }
  return 0;
}
