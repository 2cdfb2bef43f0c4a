// The core per kernel beside libyuv's ARGBScale and libswscale, RGB32, one
// thread, at 1920x1080 -> 1280x720 and 640x480 -> 1920x1080; the Mpx/s
// counter is output pixels per second.
#include "Resampler.h"

#include <benchmark/benchmark.h>
#include <libyuv/scale_argb.h>

extern "C" {
#include <libswscale/swscale.h>
}

#include <cstdint>
#include <string>
#include <vector>

namespace {

using lumivar::ResampleKernel;

struct Size {
  const char* label;
  int srcWidth, srcHeight, dstWidth, dstHeight;
};
const Size kSizes[] = {{"1080p_to_720p", 1920, 1080, 1280, 720}, {"480p_to_1080p", 640, 480, 1920, 1080}};

// A frame with content, so that no peer meets a shortcut for flat input.
std::vector<uint8_t> Frame(int width, int height) {
  std::vector<uint8_t> bytes(static_cast<size_t>(width) * height * 4);
  uint32_t state = 12345;
  for (uint8_t& b : bytes) b = static_cast<uint8_t>((state = state * 1664525u + 1013904223u) >> 24);
  return bytes;
}

// Runs one resize per iteration and reports output pixels per second.
template <typename Resize>
void Measure(benchmark::State& state, const Size& size, Resize resize) {
  const std::vector<uint8_t> src = Frame(size.srcWidth, size.srcHeight);
  std::vector<uint8_t> dst(static_cast<size_t>(size.dstWidth) * size.dstHeight * 4);
  for (auto _ : state) {
    resize(src.data(), dst.data());
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
  state.counters["Mpx/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * size.dstWidth *
                                                   size.dstHeight / 1e6,
                                               benchmark::Counter::kIsRate);
}

void Core(benchmark::State& state, Size size, ResampleKernel kernel, bool antialiasing) {
  lumivar::Resampler resampler;
  const lumivar::ResampleGeometry g{size.srcWidth, size.srcHeight, {0, 0, size.srcWidth, size.srcHeight},
                                    size.dstWidth, size.dstHeight, kernel, antialiasing, false, false};
  if (!resampler.Configure(g)) return state.SkipWithError("Configure refused");
  Measure(state, size, [&](const uint8_t* src, uint8_t* dst) {
    resampler.Process(src, size.srcWidth * 4, dst, size.dstWidth * 4);
  });
}

void Libyuv(benchmark::State& state, Size size, libyuv::FilterMode filter) {
  Measure(state, size, [&](const uint8_t* src, uint8_t* dst) {
    libyuv::ARGBScale(src, size.srcWidth * 4, size.srcWidth, size.srcHeight, dst, size.dstWidth * 4, size.dstWidth,
                      size.dstHeight, filter);
  });
}

void Swscale(benchmark::State& state, Size size, int flags) {
  SwsContext* context = sws_getContext(size.srcWidth, size.srcHeight, AV_PIX_FMT_BGRA, size.dstWidth,
                                       size.dstHeight, AV_PIX_FMT_BGRA, flags, nullptr, nullptr, nullptr);
  if (!context) return state.SkipWithError("sws_getContext failed");
  Measure(state, size, [&](const uint8_t* src, uint8_t* dst) {
    const int srcStride[] = {size.srcWidth * 4}, dstStride[] = {size.dstWidth * 4};
    sws_scale(context, &src, srcStride, 0, size.srcHeight, &dst, dstStride);
  });
  sws_freeContext(context);
}

void Register() {
  const struct {
    const char* name;
    ResampleKernel kernel;
  } kernels[] = {{"nearest", ResampleKernel::Nearest},        {"linear", ResampleKernel::Linear},
                 {"bspline", ResampleKernel::CubicBSpline},   {"catmullrom", ResampleKernel::CubicCatmullRom},
                 {"b05c03", ResampleKernel::CubicB05C03},     {"lanczos2", ResampleKernel::Lanczos2},
                 {"lanczos3", ResampleKernel::Lanczos3},      {"supersampling", ResampleKernel::Supersampling}};
  const struct {
    const char* name;
    libyuv::FilterMode filter;
  } yuvFilters[] = {{"none", libyuv::kFilterNone}, {"bilinear", libyuv::kFilterBilinear}, {"box", libyuv::kFilterBox}};
  const struct {
    const char* name;
    int flags;
  } swsFilters[] = {{"point", SWS_POINT},     {"bilinear", SWS_BILINEAR}, {"bicubic", SWS_BICUBIC},
                    {"lanczos", SWS_LANCZOS}, {"area", SWS_AREA}};
  for (const Size& size : kSizes) {
    const std::string suffix = std::string("/") + size.label;
    for (const auto& k : kernels) {
      benchmark::RegisterBenchmark(("core/" + std::string(k.name) + suffix).c_str(), Core, size, k.kernel, true);
      if (size.dstWidth < size.srcWidth)  // antialiasing changes only downscaling
        benchmark::RegisterBenchmark(("core-aliased/" + std::string(k.name) + suffix).c_str(), Core, size,
                                     k.kernel, false);
    }
    for (const auto& f : yuvFilters)
      benchmark::RegisterBenchmark(("libyuv/" + std::string(f.name) + suffix).c_str(), Libyuv, size, f.filter);
    for (const auto& f : swsFilters)
      benchmark::RegisterBenchmark(("swscale/" + std::string(f.name) + suffix).c_str(), Swscale, size, f.flags);
  }
}

}  // namespace

int main(int argc, char** argv) {
  Register();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
