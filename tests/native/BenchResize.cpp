// The core per kernel beside libyuv's ARGBScale, libswscale, zimg and
// OpenCV's resize, RGB32, one thread, at 1920x1080 -> 1280x720 and
// 640x480 -> 1920x1080; the Mpx/s counter is output pixels per second. A
// plain copy of the larger frame is the memory bound. At the end, a table of
// the cases: the core's median beside each peer's and the ratio to the best.
// It starts with the processor and the set of passes the core chose on it
// (LUMIVAR_PASSES names another), so that runs on other machines can be told
// apart.
//
// zimg has no packed RGB: it resizes the four channels as four 8-bit grey
// planes, one graph run on each, already split, so the split is not counted
// against it. (One graph of RGB with straight alpha is about 3.5 times
// slower here.)
#include "Passes.h"
#include "Resampler.h"

#include <benchmark/benchmark.h>
#include <cpuid.h>
#include <libyuv/scale_argb.h>
#include <zimg.h>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

extern "C" {
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using lumivar::ResampleKernel;

struct Size {
  const char* label;
  int srcWidth, srcHeight, dstWidth, dstHeight;
  bool Down() const { return dstWidth < srcWidth; }
};
const Size kSizes[] = {{"1080p_to_720p", 1920, 1080, 1280, 720}, {"480p_to_1080p", 640, 480, 1920, 1080}};

// A frame with content, so that no peer meets a shortcut for flat input.
std::vector<uint8_t> Frame(int width, int height) {
  std::vector<uint8_t> bytes(static_cast<size_t>(width) * height * 4);
  uint32_t state = 12345;
  for (uint8_t& b : bytes) b = static_cast<uint8_t>((state = state * 1664525u + 1013904223u) >> 24);
  return bytes;
}

void Count(benchmark::State& state, const Size& size) {
  state.counters["Mpx/s"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * size.dstWidth * size.dstHeight / 1e6, benchmark::Counter::kIsRate);
}

// Runs one resize per iteration of packed RGB32 frames.
template <typename Resize>
void Measure(benchmark::State& state, const Size& size, Resize resize) {
  const std::vector<uint8_t> src = Frame(size.srcWidth, size.srcHeight);
  std::vector<uint8_t> dst(static_cast<size_t>(size.dstWidth) * size.dstHeight * 4);
  for (auto _ : state) {
    resize(src.data(), dst.data());
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
  Count(state, size);
}

void Core(benchmark::State& state, Size size, ResampleKernel kernel, bool antialiasing) {
  lumivar::Resampler resampler;
  const lumivar::ResampleGeometry g{size.srcWidth, size.srcHeight, {0, 0, size.srcWidth, size.srcHeight},
                                    size.dstWidth, size.dstHeight, kernel,
                                    antialiasing,  false,          false};
  if (!resampler.Configure(g)) return state.SkipWithError("Configure refused");
  Measure(state, size,
          [&](const uint8_t* src, uint8_t* dst) { resampler.Process(src, size.srcWidth * 4, dst, size.dstWidth * 4); });
}

void Copy(benchmark::State& state, Size size) {
  const size_t bytes =
      static_cast<size_t>(std::max(size.srcWidth * size.srcHeight, size.dstWidth * size.dstHeight)) * 4;
  const std::vector<uint8_t> src = Frame(static_cast<int>(bytes / 4), 1);
  std::vector<uint8_t> dst(bytes);
  for (auto _ : state) {
    std::memcpy(dst.data(), src.data(), bytes);
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
  Count(state, size);
}

void Libyuv(benchmark::State& state, Size size, libyuv::FilterMode filter) {
  Measure(state, size, [&](const uint8_t* src, uint8_t* dst) {
    libyuv::ARGBScale(src, size.srcWidth * 4, size.srcWidth, size.srcHeight, dst, size.dstWidth * 4, size.dstWidth,
                      size.dstHeight, filter);
  });
}

void Swscale(benchmark::State& state, Size size, int flags) {
  SwsContext* context = sws_getContext(size.srcWidth, size.srcHeight, AV_PIX_FMT_BGRA, size.dstWidth, size.dstHeight,
                                       AV_PIX_FMT_BGRA, flags, nullptr, nullptr, nullptr);
  if (!context) return state.SkipWithError("sws_getContext failed");
  Measure(state, size, [&](const uint8_t* src, uint8_t* dst) {
    const int srcStride[] = {size.srcWidth * 4}, dstStride[] = {size.dstWidth * 4};
    sws_scale(context, &src, srcStride, 0, size.srcHeight, &dst, dstStride);
  });
  sws_freeContext(context);
}

void OpenCv(benchmark::State& state, Size size, int interpolation) {
  cv::setNumThreads(1);
  Measure(state, size, [&](const uint8_t* src, uint8_t* dst) {
    const cv::Mat in(size.srcHeight, size.srcWidth, CV_8UC4, const_cast<uint8_t*>(src));
    cv::Mat out(size.dstHeight, size.dstWidth, CV_8UC4, dst);
    cv::resize(in, out, out.size(), 0, 0, interpolation);
  });
}

struct ZimgFilter {
  zimg_resample_filter_e filter;
  double a, b;
};

// Four planes of 32-byte aligned rows, as zimg wants them.
struct Planes {
  ptrdiff_t stride;
  std::unique_ptr<uint8_t, decltype(&std::free)> bytes;
  Planes(int width, int height)
      : stride((width + 63) & ~63),
        bytes(static_cast<uint8_t*>(std::aligned_alloc(64, static_cast<size_t>(stride) * height * 4)), &std::free) {
    std::memset(bytes.get(), 0x5A, static_cast<size_t>(stride) * height * 4);
  }
  uint8_t* Plane(int p, int height) const { return bytes.get() + static_cast<ptrdiff_t>(p) * stride * height; }
};

zimg_image_format Format(int width, int height) {
  zimg_image_format format;
  zimg_image_format_default(&format, ZIMG_API_VERSION);
  format.width = static_cast<unsigned>(width), format.height = static_cast<unsigned>(height);
  format.pixel_type = ZIMG_PIXEL_BYTE;
  format.color_family = ZIMG_COLOR_GREY;
  format.pixel_range = ZIMG_RANGE_FULL;
  return format;
}

void Zimg(benchmark::State& state, Size size, ZimgFilter filter) {
  const zimg_image_format in = Format(size.srcWidth, size.srcHeight), out = Format(size.dstWidth, size.dstHeight);
  zimg_graph_builder_params params;
  zimg_graph_builder_params_default(&params, ZIMG_API_VERSION);
  params.resample_filter = filter.filter;
  params.filter_param_a = filter.a, params.filter_param_b = filter.b;
  std::unique_ptr<zimg_filter_graph, decltype(&zimg_filter_graph_free)> graph(
      zimg_filter_graph_build(&in, &out, &params), &zimg_filter_graph_free);
  size_t tmpSize = 0;
  if (!graph || zimg_filter_graph_get_tmp_size(graph.get(), &tmpSize)) return state.SkipWithError("zimg graph failed");
  std::unique_ptr<void, decltype(&std::free)> tmp(std::aligned_alloc(64, (tmpSize + 63) & ~size_t{63}), &std::free);
  const Planes src(size.srcWidth, size.srcHeight), dst(size.dstWidth, size.dstHeight);
  const std::vector<uint8_t> frame = Frame(size.srcWidth, size.srcHeight);
  zimg_image_buffer_const srcBuffers[4] = {};
  zimg_image_buffer dstBuffers[4] = {};
  for (int p = 0; p < 4; ++p) {
    for (int y = 0; y < size.srcHeight; ++y)
      for (int x = 0; x < size.srcWidth; ++x)
        src.Plane(p, size.srcHeight)[y * src.stride + x] = frame[(static_cast<size_t>(y) * size.srcWidth + x) * 4 + p];
    srcBuffers[p].version = dstBuffers[p].version = ZIMG_API_VERSION;
    srcBuffers[p].plane[0] = {src.Plane(p, size.srcHeight), src.stride, ZIMG_BUFFER_MAX};
    dstBuffers[p].plane[0] = {dst.Plane(p, size.dstHeight), dst.stride, ZIMG_BUFFER_MAX};
  }
  for (auto _ : state) {
    for (int p = 0; p < 4; ++p)
      if (zimg_filter_graph_process(graph.get(), &srcBuffers[p], &dstBuffers[p], tmp.get(), nullptr, nullptr, nullptr,
                                    nullptr))
        return state.SkipWithError("zimg process failed");
    benchmark::DoNotOptimize(dst.bytes.get());
    benchmark::ClobberMemory();
  }
  Count(state, size);
}

// One row of the summary: the core's benchmark and its peers'.
struct Case {
  std::string label, core;
  std::vector<std::string> peers;
};
std::vector<Case> cases;

template <typename... Args>
std::string Register(const std::string& name, void (*fn)(benchmark::State&, Size, Args...), Size size, Args... args) {
  const std::string full = name + "/" + size.label;
  benchmark::RegisterBenchmark(full.c_str(), fn, size, args...);
  return full;
}

void RegisterAll() {
  for (const Size& size : kSizes) {
    const bool down = size.Down();
    const auto core = [&](const char* name, ResampleKernel kernel, bool aa) {
      return Register(std::string(aa ? "core/" : "core-aliased/") + name, Core, size, kernel, aa);
    };
    const auto yuv = [&](const char* name, libyuv::FilterMode f) {
      return Register(std::string("libyuv/") + name, Libyuv, size, f);
    };
    const auto sws = [&](const char* name, int flags) {
      return Register(std::string("swscale/") + name, Swscale, size, flags);
    };
    const auto cv = [&](const char* name, int interpolation) {
      return Register(std::string("opencv/") + name, OpenCv, size, interpolation);
    };
    const auto z = [&](const char* name, ZimgFilter f) { return Register(std::string("zimg/") + name, Zimg, size, f); };
    const std::string at = std::string(" ") + size.label;
    cases.push_back({"copy (memory bound)" + at, Register("copy", Copy, size), {}});
    cases.push_back({"nearest" + at,
                     core("nearest", ResampleKernel::Nearest, true),
                     {yuv("none", libyuv::kFilterNone), z("point", {ZIMG_RESIZE_POINT, 0, 0}),
                      cv("nearest", cv::INTER_NEAREST), sws("point", SWS_POINT)}});
    const std::string yuvBilinear = yuv("bilinear", libyuv::kFilterBilinear), cvLinear = cv("linear", cv::INTER_LINEAR);
    const std::string zBilinear = z("bilinear", {ZIMG_RESIZE_BILINEAR, 0, 0}),
                      swsBilinear = sws("bilinear", SWS_BILINEAR);
    const std::string yuvBox = yuv("box", libyuv::kFilterBox);
    if (down) {
      // Not antialiased: the peers that do not widen their filter either.
      cases.push_back(
          {"linear, not antialiased" + at, core("linear", ResampleKernel::Linear, false), {yuvBilinear, cvLinear}});
      cases.push_back(
          {"linear, antialiased" + at, core("linear", ResampleKernel::Linear, true), {yuvBox, zBilinear, swsBilinear}});
    } else {
      cases.push_back({"linear" + at,
                       core("linear", ResampleKernel::Linear, true),
                       {yuvBilinear, zBilinear, cvLinear, swsBilinear}});
    }
    const std::string cvCubic = cv("cubic", cv::INTER_CUBIC), cvLanczos = cv("lanczos4", cv::INTER_LANCZOS4);
    cases.push_back({"B-spline" + at,
                     core("bspline", ResampleKernel::CubicBSpline, true),
                     {z("bicubic_b1_c0", {ZIMG_RESIZE_BICUBIC, 1, 0})}});
    cases.push_back({"Catmull-Rom" + at,
                     core("catmullrom", ResampleKernel::CubicCatmullRom, true),
                     {z("bicubic_b0_c0.5", {ZIMG_RESIZE_BICUBIC, 0, 0.5}), sws("bicubic", SWS_BICUBIC), cvCubic}});
    cases.push_back({"B=0.5 C=0.3" + at,
                     core("b05c03", ResampleKernel::CubicB05C03, true),
                     {z("bicubic_b0.5_c0.3", {ZIMG_RESIZE_BICUBIC, 0.5, 0.3})}});
    cases.push_back({"Lanczos 2" + at,
                     core("lanczos2", ResampleKernel::Lanczos2, true),
                     {z("lanczos2", {ZIMG_RESIZE_LANCZOS, 2, 0})}});
    cases.push_back({"Lanczos 3" + at,
                     core("lanczos3", ResampleKernel::Lanczos3, true),
                     {z("lanczos3", {ZIMG_RESIZE_LANCZOS, 3, 0}), sws("lanczos", SWS_LANCZOS), cvLanczos}});
    cases.push_back({"supersampling" + at,
                     core("supersampling", ResampleKernel::Supersampling, true),
                     {yuvBox, cv("area", cv::INTER_AREA), sws("area", SWS_AREA)}});
  }
}

// The console's report, keeping each benchmark's median (or its only run) for the summary.
class Reporter : public benchmark::ConsoleReporter {
public:
  std::map<std::string, double> rates;
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const auto counter = run.counters.find("Mpx/s");
      if (run.error_occurred || counter == run.counters.end()) continue;
      const std::string name = run.run_name.str();
      if (run.aggregate_name == "median" || (run.aggregate_name.empty() && !rates.count(name)))
        rates[name] = counter->second;
    }
  }
};

void Summary(const std::map<std::string, double>& rates) {
  std::printf("\nSummary (medians, output Mpx/s; ratio = core / best peer; copy = the core's share of a plain copy)\n");
  std::printf("%-40s %9s %9s  %-32s %7s %6s  %s\n", "case", "core", "best", "best peer", "ratio", "copy",
              "other peers");
  const auto rate = [&](const std::string& name) {
    const auto it = rates.find(name);
    return it == rates.end() ? 0.0 : it->second;
  };
  std::string copy;
  for (const Case& c : cases) {
    if (c.peers.empty()) {
      copy = c.core;
      if (rate(copy) > 0) std::printf("%-40s %9.0f\n", c.label.c_str(), rate(c.core));
      continue;
    }
    if (rate(c.core) == 0) continue;  // filtered out of this run
    std::string best, others;
    for (const std::string& peer : c.peers)
      if (best.empty() || rate(peer) > rate(best)) best = peer;
    for (const std::string& peer : c.peers)
      if (peer != best)
        others += peer.substr(0, peer.find('/', peer.find('/') + 1)) + " " +
                  std::to_string(static_cast<int>(rate(peer))) + "  ";
    const double core = rate(c.core);
    std::printf("%-40s %9.0f %9.0f  %-32s %6.2fx %5.0f%%  %s\n", c.label.c_str(), core, rate(best),
                best.substr(0, best.find('/', best.find('/') + 1)).c_str(), rate(best) > 0 ? core / rate(best) : 0.0,
                rate(copy) > 0 ? 100 * core / rate(copy) : 0.0, others.c_str());
  }
}

// The processor's brand string and CPUID family and model, as the core's chooser sees them.
std::string Processor() {
  unsigned regs[12] = {}, eax = 0, ebx = 0, ecx = 0, edx = 0;
  std::string brand = "unknown processor";
  if (__get_cpuid(0x80000000, &eax, &ebx, &ecx, &edx) && eax >= 0x80000004) {
    for (unsigned leaf = 0; leaf < 3; ++leaf)
      __get_cpuid(0x80000002 + leaf, &regs[4 * leaf], &regs[4 * leaf + 1], &regs[4 * leaf + 2], &regs[4 * leaf + 3]);
    brand.assign(reinterpret_cast<const char*>(regs), strnlen(reinterpret_cast<const char*>(regs), sizeof regs));
    brand.erase(brand.find_last_not_of(' ') + 1);
    brand.erase(0, brand.find_first_not_of(' '));
  }
  if (__get_cpuid(1, &eax, &ebx, &ecx, &edx)) {
    const unsigned base = eax >> 8 & 0xF, family = base + (base == 0xF ? eax >> 20 & 0xFF : 0);
    const unsigned model = (eax >> 4 & 0xF) | (eax >> 12 & 0xF0);
    char ids[64];
    std::snprintf(ids, sizeof ids, " (family 0x%X, model 0x%X)", family, model);
    brand += ids;
  }
  return brand;
}

}  // namespace

int main(int argc, char** argv) {
  std::printf("Processor: %s\nThe core's passes: %s%s\n", Processor().c_str(), lumivar::BestPasses().name,
              std::getenv("LUMIVAR_PASSES") ? " (LUMIVAR_PASSES)" : " (chosen for this processor)");
  std::fflush(stdout);
  RegisterAll();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  Reporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  Summary(reporter.rates);
  return 0;
}
