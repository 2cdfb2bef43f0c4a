// The robustness driver: the core over extreme and random geometries with
// every kernel, built with AddressSanitizer and UBSan by scripts/sanitize.
//   robustness [--random N] [--seed S] [--no-extremes]
#include "Exercise.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

namespace {

using lumivar::ResampleGeometry;
using lumivar::ResampleKernel;
using lumivar::test::Content;
using lumivar::test::Exercise;
using lumivar::test::Layout;

constexpr int kMax = lumivar::Resampler::kMaxOutputSize;
constexpr int kSrcMax = lumivar::Resampler::kMaxSourceSize;

struct Run {
  int count = 0, failures = 0;

  void Check(const ResampleGeometry& g, const Layout& layout, const Content& content) {
    ++count;
    const std::string failure = Exercise(g, layout, content);
    if (failure.empty()) return;
    ++failures;
    std::printf("FAIL %dx%d clip %d,%d,%d,%d -> %dx%d kernel %d aa %d auto %d flip %d bottom-up %d padding %d %d "
                "content %d %d %d %u: %s\n",
                g.srcWidth, g.srcHeight, g.clip.left, g.clip.top, g.clip.right, g.clip.bottom, g.dstWidth, g.dstHeight,
                static_cast<int>(g.kernel), g.antialiasing, g.autoSupersampling, g.flip, layout.bottomUp,
                layout.srcPadding, layout.dstPadding, static_cast<int>(content.kind), content.x0, content.y0,
                content.seed, failure.c_str());
  }
};

void Extremes(Run& run) {
  const struct {
    int sw, sh, dw, dh;
  } shapes[] = {
      {1, 1, 1, 1},       {1, 1, kMax, 1},    {1, 1, 1, kMax},       {kMax, 1, 1, 1},    {1, kMax, 1, 1},
      {kMax, 1, kMax, 1}, {1, kMax, 1, kMax}, {kMax, 1, 1, kMax},    {1, kMax, kMax, 1}, {kMax, 2, 3, kMax},
      {2, kMax, kMax, 3}, {7, 5, kMax, 1},    {kMax, kMax, 1, 1},    {1, 1, kMax, kMax}, {kMax, 3, 8191, 2},
      {kSrcMax, 2, 1, 2}, {3, kSrcMax, 2, 1}, {kSrcMax, 1, 16, 1}, {1, kSrcMax, 1, kMax}, {kSrcMax, 4, kMax, 3},
  };
  int index = 0;
  for (const auto& s : shapes)
    for (int kernel = 1; kernel <= 8; ++kernel, ++index) {
      // The full-size pictures cost most: one kernel each, in turn.
      const bool huge = static_cast<long>(s.sw) * s.sh > kMax * 8L || static_cast<long>(s.dw) * s.dh > kMax * 8L;
      if (huge && kernel != 1 + (&s - shapes) % 8) continue;
      const ResampleGeometry g{s.sw, s.sh, {0, 0, s.sw, s.sh}, s.dw, s.dh, static_cast<ResampleKernel>(kernel),
                               (index & 1) != 0, (index & 2) != 0, (index & 4) != 0};
      const Layout layout{(index & 8) != 0, index % 7, (index / 7) % 5};
      run.Check(g, layout, Content{static_cast<Content::Kind>(index % 4), s.sw / 2, s.sh / 3, static_cast<uint32_t>(index)});
    }
}

// Sizes spread evenly over their logarithm, so that 1, 2 and 3 come up as
// often as the limits; areas are capped to keep a run short.
void Random(Run& run, int count, uint32_t seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> logSource(0, std::log(kSrcMax + 1.0)), logOutput(0, std::log(kMax + 1.0));
  const auto sourceSize = [&] { return static_cast<int>(std::exp(logSource(random))); };
  const auto outputSize = [&] { return static_cast<int>(std::exp(logOutput(random))); };
  const auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
  const auto area = [](int w, int h) { return static_cast<long>(w) * h; };
  for (int i = 0; i < count; ++i) {
    ResampleGeometry g{};
    do g.srcWidth = sourceSize(), g.srcHeight = sourceSize();
    while (area(g.srcWidth, g.srcHeight) > (1L << 20));
    do g.dstWidth = outputSize(), g.dstHeight = outputSize();
    while (area(g.dstWidth, g.dstHeight) > (1L << 20));
    g.clip.left = pick(0, g.srcWidth - 1);
    g.clip.right = pick(g.clip.left + 1, g.srcWidth);
    g.clip.top = pick(0, g.srcHeight - 1);
    g.clip.bottom = pick(g.clip.top + 1, g.srcHeight);
    g.kernel = static_cast<ResampleKernel>(pick(1, 8));
    g.antialiasing = pick(0, 1), g.autoSupersampling = pick(0, 1), g.flip = pick(0, 1);
    const Layout layout{pick(0, 1) != 0, pick(0, 15), pick(0, 15)};
    run.Check(g, layout, Content{static_cast<Content::Kind>(pick(0, 3)), pick(0, g.srcWidth), pick(0, g.srcHeight),
                                 static_cast<uint32_t>(random())});
  }
}

}  // namespace

int main(int argc, char** argv) {
  int count = 300;
  uint32_t seed = 1;
  bool extremes = true;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--random") && i + 1 < argc)
      count = std::atoi(argv[++i]);
    else if (!std::strcmp(argv[i], "--seed") && i + 1 < argc)
      seed = static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 10));
    else if (!std::strcmp(argv[i], "--no-extremes"))
      extremes = false;
    else {
      std::fprintf(stderr, "usage: %s [--random N] [--seed S] [--no-extremes]\n", argv[0]);
      return 2;
    }
  }
  const auto begin = std::chrono::steady_clock::now();
  Run run;
  if (extremes) Extremes(run);
  Random(run, count, seed);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  std::printf("robustness: %d geometries (seed %u), %d failed, %.1f s\n", run.count, seed, run.failures, seconds);
  return run.failures == 0 ? 0 : 1;
}
