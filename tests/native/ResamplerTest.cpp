// The resampling core against a double-precision reference, and the rules
// of Resampler.h: identity, mean, flip, clip, strides, limits.
#include "Kernels.h"
#include "Passes.h"
#include "Picture.h"
#include "Reference.h"
#include "Resampler.h"
#include "WeightLayout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace lumivar::test {
namespace {

using K = ResampleKernel;

const K kAllKernels[] = {K::Nearest,         K::Linear,      K::CubicBSpline, K::CubicCatmullRom,
                         K::CubicB05C03,     K::Lanczos2,    K::Lanczos3,     K::Supersampling};

std::string Name(K kernel) {
  const char* names[] = {"Nearest",     "Linear",   "BSpline",  "CatmullRom",
                         "B05C03",      "Lanczos2", "Lanczos3", "Supersampling"};
  return names[static_cast<int>(kernel) - 1];
}

// Largest difference between two pictures of one size, and where.
::testing::AssertionResult WithinLevels(const Picture& actual, const Picture& expected, int levels) {
  if (actual.width != expected.width || actual.height != expected.height)
    return ::testing::AssertionFailure() << "sizes differ";
  int worst = 0;
  size_t where = 0;
  for (size_t k = 0; k < actual.bytes.size(); ++k) {
    const int d = std::abs(actual.bytes[k] - expected.bytes[k]);
    if (d > worst) worst = d, where = k;
  }
  if (worst <= levels) return ::testing::AssertionSuccess();
  const size_t pixel = where / 4;
  return ::testing::AssertionFailure()
         << "off by " << worst << " at x=" << pixel % actual.width << " y=" << pixel / actual.width
         << " channel " << where % 4 << ": " << int(actual.bytes[where]) << " instead of "
         << int(expected.bytes[where]);
}

// A geometry whose first axis is across (as given) or down (transposed).
ResampleGeometry Along(bool vertical, ResampleGeometry g) {
  if (!vertical) return g;
  std::swap(g.srcWidth, g.srcHeight);
  std::swap(g.dstWidth, g.dstHeight);
  g.clip = {g.clip.top, g.clip.left, g.clip.bottom, g.clip.right};
  return g;
}

TEST(Kernels, KnownValues) {
  const struct {
    K kernel;
    double t, value;
  } cases[] = {
      {K::Linear, 0.25, 0.75},           {K::Linear, -1.0, 0.0},
      {K::CubicBSpline, 0.0, 2.0 / 3},   {K::CubicBSpline, 1.0, 1.0 / 6},   {K::CubicBSpline, 2.0, 0.0},
      {K::CubicCatmullRom, 0.0, 1.0},    {K::CubicCatmullRom, 0.5, 0.5625}, {K::CubicCatmullRom, 1.0, 0.0},
      {K::CubicCatmullRom, -1.5, -0.0625},
      {K::CubicB05C03, 0.0, 5.0 / 6},    {K::CubicB05C03, 1.0, 0.5 / 6},    {K::CubicB05C03, 1.5, -0.1625 / 6},
      {K::Lanczos2, 0.0, 1.0},           {K::Lanczos2, 1.0, 0.0},           {K::Lanczos2, 0.5, 0.573159},
      {K::Lanczos2, 2.5, 0.0},           {K::Lanczos3, 1.5, -0.135095},     {K::Lanczos3, 3.0, 0.0},
  };
  for (const auto& c : cases)
    EXPECT_NEAR(KernelValue(c.kernel, c.t), c.value, 1e-6) << Name(c.kernel) << " at " << c.t;
}

TEST(Weights, SumToOneFitTheirPassesAndStayInsideTheClip) {
  const struct {
    int clipStart, clipSize, dst;
  } axes[] = {{0, 8192, 1},  {0, 1, 8192},     {5, 1000, 999}, {2, 3, 7},      {0, 1920, 1280}, {0, 640, 1920},
              {3, 97, 5},    {0, 32768, 1},    {0, 32768, 16}, {0, 10923, 1},  {0, 32767, 8192}, {7, 500, 1}};
  for (K kernel : kAllKernels)
    for (bool aa : {true, false})
      for (const auto& axis : axes)
        for (bool vertical : {false, true}) {
          SCOPED_TRACE(Name(kernel) + (aa ? " aa " : " ") + std::to_string(axis.clipSize) + "->" +
                       std::to_string(axis.dst) + (vertical ? " vertical" : " horizontal"));
          // A picture twice as long as the clip, so that taps outside the clip would be visible.
          const int size = axis.clipStart + 2 * axis.clipSize;
          if (size > Resampler::kMaxSourceSize) continue;
          const ResampleGeometry g = Along(vertical, {size, 1, {axis.clipStart, 0, axis.clipStart + axis.clipSize, 1},
                                                      axis.dst, 1, kernel, aa, false, false});
          Resampler resampler;
          ASSERT_TRUE(resampler.Configure(g));
          const ResampleFilter& f = vertical ? resampler.Vertical() : resampler.Horizontal();
          for (int i = 0; i < axis.dst; ++i) {
            ASSERT_GE(f.start[i], axis.clipStart);
            ASSERT_LE(f.start[i] + f.taps, axis.clipStart + axis.clipSize);
            int64_t sum = 0, positive = 0, absolute = 0;
            int32_t largest = 0;
            for (int t = 0; t < f.taps; ++t) {
              const int32_t w = f.weights[static_cast<size_t>(i) * f.taps + t];
              sum += w, positive += std::max(0, w), absolute += std::abs(w), largest = std::max(largest, std::abs(w));
            }
            const int bits = f.bits[i];
            ASSERT_EQ(sum, int64_t{1} << bits) << "output " << i;
            const bool simd = vertical || bits == 14;
            if (!simd) continue;
            // pmaddwd takes 16-bit weights; the vertical pass's 32-bit sums hold 255 times their absolute sum.
            ASSERT_LE(largest, 32767) << "output " << i;
            if (vertical) {
              ASSERT_LT(255 * absolute + (int64_t{1} << bits), int64_t{1} << 31) << "output " << i;
            }
            // The 16-bit row holds the largest value the positive weights can make, rounded, with 6 fractional bits.
            ASSERT_LT((255 * positive * 64 + (int64_t{1} << (bits - 1))) >> bits, 32767) << "output " << i;
          }
        }
}

// Kernel x geometry x antialiasing, each on noise and on structured content.
struct Shape {
  const char* label;
  int srcWidth, srcHeight;
  ResampleRect clip;
  int dstWidth, dstHeight;
};
const Shape kShapes[] = {
    {"Down", 37, 29, {0, 0, 37, 29}, 16, 11},
    {"Up", 13, 9, {0, 0, 13, 9}, 40, 31},
    {"DownUpClipped", 40, 20, {3, 2, 33, 14}, 7, 29},
    {"Down4to1", 64, 48, {0, 0, 64, 48}, 16, 12},
};

class MatchesReference : public ::testing::TestWithParam<std::tuple<K, Shape, bool>> {};

TEST_P(MatchesReference, WithinOneLevel) {
  const auto& [kernel, shape, aa] = GetParam();
  const ResampleGeometry g{shape.srcWidth, shape.srcHeight, shape.clip, shape.dstWidth, shape.dstHeight,
                           kernel,         aa,              false,      false};
  const int levels = kernel == K::Nearest ? 0 : 1;
  for (const Picture& source : {Noise(shape.srcWidth, shape.srcHeight, 7), Structured(shape.srcWidth, shape.srcHeight)})
    EXPECT_TRUE(WithinLevels(Resample(g, source), Rounded(g, ReferenceResample(g, source)), levels));
}

INSTANTIATE_TEST_SUITE_P(AllKernels, MatchesReference,
                         ::testing::Combine(::testing::ValuesIn(kAllKernels), ::testing::ValuesIn(kShapes),
                                            ::testing::Bool()),
                         [](const auto& info) {
                           return Name(std::get<0>(info.param)) + "_" + std::get<1>(info.param).label +
                                  (std::get<2>(info.param) ? "_Antialiased" : "_Aliased");
                         });

// Every ratio the core accepts, each way: long filters whose small weights
// must keep their spread, on edges, single pixels and noise.
TEST(MatchesReferenceAtTheLimits, WithinOneLevel) {
  const struct {
    int clip, dst;
  } axes[] = {{32768, 1}, {32768, 16}, {10923, 1}, {8192, 8}, {1920, 2}, {500, 1},   {32767, 8192},
              {1000, 999}, {1, 8192},  {3, 8192},  {7, 8191}, {2, 3},   {1500, 1}, {100, 3}};
  for (K kernel : kAllKernels)
    for (bool aa : {true, false})
      for (bool vertical : {false, true})
        for (const auto& axis : axes) {
          const ResampleGeometry g =
              Along(vertical, {axis.clip, 3, {0, 0, axis.clip, 3}, axis.dst, 2, kernel, aa, false, false});
          SCOPED_TRACE(Name(kernel) + (aa ? " aa " : " ") + std::to_string(axis.clip) + "->" +
                       std::to_string(axis.dst) + (vertical ? " vertical" : " horizontal"));
          const Picture source = Probe(g.srcWidth, g.srcHeight, 17);
          EXPECT_TRUE(WithinLevels(Resample(g, source), Rounded(g, ReferenceResample(g, source)), kernel == K::Nearest ? 0 : 1));
        }
  // Both ways at once, so that the row's rounding meets a long horizontal filter.
  for (K kernel : kAllKernels) {
    const ResampleGeometry g = Whole(1500, 1000, 2, 3, kernel);
    const Picture source = Probe(1500, 1000, 5);
    EXPECT_TRUE(WithinLevels(Resample(g, source), Rounded(g, ReferenceResample(g, source)), kernel == K::Nearest ? 0 : 1))
        << Name(kernel);
  }
}

// The short vertical pass at its longest filters, where its floors and its
// 14-bit weights cost most: alternating rows (the one-pixel checkerboard),
// edges and single pixels.
TEST(MatchesReferenceAtTheShortPassLimit, WithinOneLevel) {
  const struct {
    int clip, dst;
  } axes[] = {{41, 16}, {64, 16}, {25, 10}, {30, 7}, {99, 40}};
  int longest = 0;
  for (K kernel : kAllKernels)
    for (bool aa : {true, false})
      for (const auto& axis : axes) {
        const ResampleGeometry g = {9, axis.clip, {0, 0, 9, axis.clip}, 5, axis.dst, kernel, aa, false, false};
        Resampler resampler;
        ASSERT_TRUE(resampler.Configure(g));
        if (!IsShortColumnFilter(resampler.Vertical())) continue;
        longest = std::max(longest, resampler.Vertical().taps);
        SCOPED_TRACE(Name(kernel) + (aa ? " aa " : " ") + std::to_string(axis.clip) + "->" + std::to_string(axis.dst));
        const Picture source = Probe(g.srcWidth, g.srcHeight, 3);
        EXPECT_TRUE(WithinLevels(Resample(g, source), Rounded(g, ReferenceResample(g, source)), kernel == K::Nearest ? 0 : 1));
      }
  EXPECT_EQ(longest, kMaxShortColumnTaps);
}

TEST(Resampler, InterpolatingKernelsGiveTheIdentityAtScaleOne) {
  const Picture source = Noise(23, 17, 3);
  for (K kernel : {K::Nearest, K::Linear, K::CubicCatmullRom, K::Lanczos2, K::Lanczos3})
    for (bool aa : {true, false}) {
      ResampleGeometry g = Whole(23, 17, 23, 17, kernel);
      g.antialiasing = aa;
      EXPECT_EQ(Resample(g, source), source) << Name(kernel);
    }
}

TEST(Resampler, SmoothingCubicsAreNotTheIdentity) {
  // The B-spline and B=0.5 cubics blur even at scale 1: a sharp edge must soften.
  const Picture source = Structured(23, 17);
  for (K kernel : {K::CubicBSpline, K::CubicB05C03})
    EXPECT_NE(Resample(Whole(23, 17, 23, 17, kernel), source), source) << Name(kernel);
}

// Noise whose every bw x bh block sums to a multiple of its area.
Picture BlockAligned(int blocksX, int blocksY, int bw, int bh) {
  Picture p = Noise(blocksX * bw, blocksY * bh, 11);
  for (int by = 0; by < blocksY; ++by)
    for (int bx = 0; bx < blocksX; ++bx)
      for (int channel = 0; channel < 4; ++channel) {
        int sum = 0;
        for (int y = 0; y < bh; ++y)
          for (int x = 0; x < bw; ++x) sum += p.At(bx * bw + x, by * bh + y, channel);
        for (int excess = sum % (bw * bh), k = 0; excess > 0; ++k) {
          uint8_t& v = p.At(bx * bw + k % bw, by * bh + (k / bw) % bh, channel);
          if (v > 0) --v, --excess;
        }
      }
  return p;
}

double Mean(const Picture& p, int channel) {
  double sum = 0;
  for (size_t k = static_cast<size_t>(channel); k < p.bytes.size(); k += 4) sum += p.bytes[k];
  return sum / (static_cast<double>(p.width) * p.height);
}

TEST(Supersampling, KeepsTheMeanExactlyAtIntegerRatios) {
  const struct {
    int bw, bh;
  } ratios[] = {{2, 2}, {3, 3}, {4, 1}, {1, 5}, {3, 2}, {7, 6}};
  for (const auto& r : ratios) {
    SCOPED_TRACE(std::to_string(r.bw) + "x" + std::to_string(r.bh));
    const Picture source = BlockAligned(9, 7, r.bw, r.bh);
    const Picture out = Resample(Whole(source.width, source.height, 9, 7, K::Supersampling), source);
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 9; ++x)
        for (int channel = 0; channel < 4; ++channel) {
          int sum = 0;
          for (int sy = 0; sy < r.bh; ++sy)
            for (int sx = 0; sx < r.bw; ++sx) sum += source.At(x * r.bw + sx, y * r.bh + sy, channel);
          ASSERT_EQ(out.At(x, y, channel), sum / (r.bw * r.bh)) << "x=" << x << " y=" << y;
        }
    for (int channel = 0; channel < 4; ++channel) EXPECT_DOUBLE_EQ(Mean(out, channel), Mean(source, channel));
  }
}

TEST(Supersampling, KeepsTheMeanWithinRoundingAtOtherRatios) {
  // Footprints tile the clip, so the exact mean is kept at any ratio; what is
  // left is the rounding of each output value: on noise a random error of
  // about 0.29 / sqrt(n), on flat structured content at most half a level.
  const Picture noise = Noise(500, 300, 5), structured = Structured(500, 300);
  for (const auto& [w, h] : {std::pair{170, 130}, std::pair{333, 299}, std::pair{41, 7}, std::pair{701, 3}}) {
    const Picture noiseOut = Resample(Whole(500, 300, w, h, K::Supersampling), noise);
    const Picture structuredOut = Resample(Whole(500, 300, w, h, K::Supersampling), structured);
    for (int channel = 0; channel < 4; ++channel) {
      EXPECT_NEAR(Mean(noiseOut, channel), Mean(noise, channel), 4 * 0.29 / std::sqrt(double(w) * h))
          << w << "x" << h << " channel " << channel;
      EXPECT_NEAR(Mean(structuredOut, channel), Mean(structured, channel), 0.5) << w << "x" << h << " channel " << channel;
    }
  }
}

TEST(Resampler, AntialiasingRemovesWhatAliasingShows) {
  // Alpha of Structured is a one-pixel checkerboard: at 3:1 its low-pass is flat grey.
  // (The B-spline blurs over four pixels even unwidened, so it hides aliasing anyway.)
  const Picture source = Structured(60, 60);
  const auto range = [](const Picture& p) {
    int lo = 255, hi = 0;
    for (size_t k = 3; k < p.bytes.size(); k += 4) lo = std::min<int>(lo, p.bytes[k]), hi = std::max<int>(hi, p.bytes[k]);
    return hi - lo;
  };
  for (K kernel : {K::Linear, K::CubicCatmullRom, K::CubicB05C03, K::Lanczos2, K::Lanczos3}) {
    ResampleGeometry g = Whole(60, 60, 20, 20, kernel);
    EXPECT_LE(range(Resample(g, source)), 40) << Name(kernel);
    g.antialiasing = false;
    EXPECT_GE(range(Resample(g, source)), 100) << Name(kernel);
  }
}

TEST(Resampler, AutomaticSupersamplingReplacesTheKernelOnlyWhereDownscaled) {
  const Picture source = Noise(48, 20, 9);
  for (K kernel : {K::Nearest, K::Lanczos3, K::CubicBSpline}) {
    SCOPED_TRACE(Name(kernel));
    ResampleGeometry g = Whole(48, 20, 13, 7, kernel);
    g.autoSupersampling = true;
    EXPECT_EQ(Resample(g, source), Resample(Whole(48, 20, 13, 7, K::Supersampling), source));
    g.dstWidth = 100, g.dstHeight = 41;
    EXPECT_EQ(Resample(g, source), Resample(Whole(48, 20, 100, 41, kernel), source));
    g.dstWidth = 13;  // down across, up along: one kernel each way
    EXPECT_TRUE(WithinLevels(Resample(g, source), Rounded(g, ReferenceResample(g, source)), 1));
  }
}

TEST(Resampler, FlipIsExact) {
  const Picture source = Noise(31, 19, 4);
  for (K kernel : kAllKernels) {
    ResampleGeometry g = Whole(31, 19, 20, 27, kernel);
    const Picture upright = Resample(g, source);
    g.flip = true;
    const Picture flipped = Resample(g, source);
    for (int y = 0; y < g.dstHeight; ++y)
      ASSERT_TRUE(std::equal(upright.Row(y), upright.Row(y) + upright.Stride(), flipped.Row(g.dstHeight - 1 - y)))
          << Name(kernel) << " row " << y;
  }
}

TEST(Resampler, ClipIsExactlyTheCroppedPicture) {
  const Picture source = Noise(50, 40, 8);
  const ResampleRect clips[] = {{7, 5, 31, 22}, {0, 0, 1, 40}, {49, 39, 50, 40}, {10, 0, 50, 3}};
  for (K kernel : kAllKernels)
    for (const ResampleRect& clip : clips)
      for (const auto& [w, h] : {std::pair{9, 5}, std::pair{61, 47}}) {
        const Picture cropped = Crop(source, clip);
        ResampleGeometry g = Whole(50, 40, w, h, kernel);
        g.clip = clip;
        EXPECT_EQ(Resample(g, source), Resample(Whole(cropped.width, cropped.height, w, h, kernel), cropped))
            << Name(kernel) << " clip " << clip.left << "," << clip.top << "," << clip.right << "," << clip.bottom;
      }
}

TEST(Resampler, BottomUpAndPaddedStridesGiveTheSamePicture) {
  const Picture source = Noise(21, 13, 6);
  for (K kernel : {K::Nearest, K::Lanczos3, K::Supersampling}) {
    const ResampleGeometry g = Whole(21, 13, 34, 9, kernel);
    const Picture expected = Resample(g, source);

    // Source stored bottom-up with 12 bytes of padding a row; output bottom-up with 20.
    const ptrdiff_t srcPitch = source.Stride() + 12, dstPitch = expected.Stride() + 20;
    std::vector<uint8_t> src(static_cast<size_t>(srcPitch) * source.height, 0x5A);
    for (int y = 0; y < source.height; ++y)
      std::copy_n(source.Row(y), source.Stride(), &src[static_cast<size_t>((source.height - 1 - y) * srcPitch)]);
    std::vector<uint8_t> dst(static_cast<size_t>(dstPitch) * g.dstHeight, 0xEE);
    Resampler resampler;
    ASSERT_TRUE(resampler.Configure(g));
    ASSERT_TRUE(resampler.Process(&src[static_cast<size_t>((source.height - 1) * srcPitch)], -srcPitch,
                                  &dst[static_cast<size_t>((g.dstHeight - 1) * dstPitch)], -dstPitch));
    for (int y = 0; y < g.dstHeight; ++y) {
      const uint8_t* row = &dst[static_cast<size_t>((g.dstHeight - 1 - y) * dstPitch)];
      ASSERT_TRUE(std::equal(row, row + expected.Stride(), expected.Row(y))) << Name(kernel) << " row " << y;
      ASSERT_TRUE(std::all_of(row + expected.Stride(), row + dstPitch, [](uint8_t b) { return b == 0xEE; }))
          << "padding written, row " << y;
    }
  }
}

TEST(Resampler, RefusesGeometriesOutOfLimitsAndKeepsTheLastOne) {
  const ResampleGeometry good = Whole(16, 16, 8, 8, K::Linear);
  const struct {
    const char* label;
    void (*change)(ResampleGeometry&);
  } cases[] = {
      {"zero width", [](ResampleGeometry& g) { g.dstWidth = 0; }},
      {"output too tall", [](ResampleGeometry& g) { g.dstHeight = Resampler::kMaxOutputSize + 1; }},
      {"negative source", [](ResampleGeometry& g) { g.srcHeight = -16; }},
      {"source too wide", [](ResampleGeometry& g) { g.srcWidth = Resampler::kMaxSourceSize + 1; }},
      {"empty clip", [](ResampleGeometry& g) { g.clip.right = g.clip.left; }},
      {"inverted clip", [](ResampleGeometry& g) { g.clip = {5, 5, 2, 9}; }},
      {"clip left of picture", [](ResampleGeometry& g) { g.clip.left = -1; }},
      {"clip below picture", [](ResampleGeometry& g) { g.clip.bottom = 17; }},
      {"kernel 0", [](ResampleGeometry& g) { g.kernel = static_cast<K>(0); }},
      {"kernel 9", [](ResampleGeometry& g) { g.kernel = static_cast<K>(9); }},
  };
  const Picture source = Noise(16, 16, 1);
  const Picture expected = Resample(good, source);
  Resampler resampler;
  ASSERT_TRUE(resampler.Configure(good));
  for (const auto& c : cases) {
    ResampleGeometry bad = good;
    c.change(bad);
    EXPECT_FALSE(resampler.Configure(bad)) << c.label;
    EXPECT_EQ(resampler.Geometry().dstWidth, 8) << c.label;
    EXPECT_EQ(resampler.Geometry().srcHeight, 16) << c.label;
    EXPECT_EQ(resampler.Geometry().clip.right, 16) << c.label;
    EXPECT_EQ(resampler.Geometry().kernel, K::Linear) << c.label;
    Picture out(8, 8);
    EXPECT_TRUE(resampler.Process(source.bytes.data(), source.Stride(), out.bytes.data(), out.Stride()));
    EXPECT_EQ(out, expected) << c.label;
  }
}

TEST(Resampler, OneResamplerServesSeveralThreadsAtOnce) {
  // A shared scratch row would mix the frames: each thread has its own picture.
  const ResampleGeometry g = Whole(300, 200, 170, 230, K::Lanczos3);
  Resampler resampler;
  ASSERT_TRUE(resampler.Configure(g));
  std::vector<Picture> sources, expected, outs;
  for (uint32_t t = 0; t < 4; ++t) {
    sources.push_back(Noise(300, 200, 100 + t));
    expected.push_back(Resample(g, sources.back()));
    outs.emplace_back(170, 230);
  }
  std::vector<std::thread> threads;
  for (size_t t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (int round = 0; round < 20; ++round)
        resampler.Process(sources[t].bytes.data(), sources[t].Stride(), outs[t].bytes.data(), outs[t].Stride());
    });
  for (std::thread& thread : threads) thread.join();
  for (size_t t = 0; t < 4; ++t) EXPECT_EQ(outs[t], expected[t]) << "thread " << t;
}

TEST(Resampler, ProcessRefusesWithoutGeometryOrPicturesAndWritesNothing) {
  const Picture source = Noise(4, 4, 2);
  const Picture untouched(4, 4, 0xAB);
  Picture out = untouched;
  Resampler resampler;
  EXPECT_FALSE(resampler.IsConfigured());
  EXPECT_FALSE(resampler.Process(source.bytes.data(), source.Stride(), out.bytes.data(), out.Stride()));
  ASSERT_TRUE(resampler.Configure(Whole(4, 4, 4, 4, K::Lanczos3)));
  EXPECT_FALSE(resampler.Process(nullptr, source.Stride(), out.bytes.data(), out.Stride()));
  EXPECT_FALSE(resampler.Process(source.bytes.data(), source.Stride(), nullptr, out.Stride()));
  EXPECT_EQ(out, untouched);
}

}  // namespace
}  // namespace lumivar::test
