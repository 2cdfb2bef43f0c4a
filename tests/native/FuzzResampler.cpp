// libFuzzer target: geometry and settings from the fuzzer's bytes; the core
// must refuse exactly what is out of limits and run everything else cleanly.
#include "Exercise.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>

using lumivar::ResampleGeometry;
using lumivar::ResampleKernel;
using lumivar::Resampler;
using namespace lumivar::test;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const auto dimension = [&in] { return in.ConsumeIntegralInRange<int>(-1, Resampler::kMaxOutputSize + 1); };
  ResampleGeometry g{};
  g.srcWidth = dimension(), g.srcHeight = dimension();
  g.dstWidth = dimension(), g.dstHeight = dimension();
  g.clip.left = in.ConsumeIntegralInRange<int>(-1, g.srcWidth + 1);
  g.clip.right = in.ConsumeIntegralInRange<int>(-1, g.srcWidth + 1);
  g.clip.top = in.ConsumeIntegralInRange<int>(-1, g.srcHeight + 1);
  g.clip.bottom = in.ConsumeIntegralInRange<int>(-1, g.srcHeight + 1);
  g.kernel = static_cast<ResampleKernel>(in.ConsumeIntegralInRange<int>(0, 9));
  g.antialiasing = in.ConsumeBool(), g.autoSupersampling = in.ConsumeBool(), g.flip = in.ConsumeBool();
  const Layout layout = static_cast<Layout>(in.ConsumeIntegralInRange<int>(0, 2));
  const uint32_t colour = in.ConsumeIntegral<uint32_t>();

  if (!WithinLimits(g)) {
    Resampler resampler;
    if (resampler.Configure(g)) {
      std::fprintf(stderr, "accepted a geometry out of limits\n");
      std::abort();
    }
    return 0;
  }
  // Keep each input quick: the pictures' areas are bounded, not their shapes.
  const auto area = [](int w, int h) { return static_cast<long>(w) * h; };
  if (area(g.srcWidth, g.srcHeight) > (1L << 18) || area(g.dstWidth, g.dstHeight) > (1L << 18)) return 0;
  const std::string failure = Exercise(g, layout, colour);
  if (!failure.empty()) {
    std::fprintf(stderr, "%s\n", failure.c_str());
    std::abort();
  }
  return 0;
}
