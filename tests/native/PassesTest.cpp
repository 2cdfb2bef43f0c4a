// Every set of passes gives the portable passes' bytes, on real filters
// (short vertical ones and long) and on rows whose lengths leave every kind
// of tail; the short vertical pass's 16-bit guard at its edge.
#include "FilterTable.h"
#include "Passes.h"
#include "Picture.h"
#include "WeightLayout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace lumivar::test {
namespace {

std::vector<const RowPasses*> PassesToCompare() {
  std::vector<const RowPasses*> passes;
#if LUMIVAR_X86_PASSES
  passes.push_back(&kSse2Passes);
  if (HasAvx2()) passes.push_back(&kAvx2Passes);
  if (HasAvxVnni()) passes.push_back(&kAvxVnniPasses);
  if (HasAvx512()) passes.push_back(&kAvx512Passes);
#endif
  return passes;
}

// The vertical pass a filter takes, and its weights laid out for it.
struct Columns {
  bool isShort;
  std::vector<int32_t> weights;
  size_t stride;

  explicit Columns(const ResampleFilter& f)
      : isShort(IsShortColumnFilter(f)),
        weights(isShort ? ShortColumnWeights(f) : PairedWeights(f)),
        stride(isShort ? static_cast<size_t>(ShortColumnStride(f.taps)) : PairCount(f)) {}

  void Run(const RowPasses& p, const ResampleFilter& f, int y, const uint8_t* in, ptrdiff_t rowStride, int bytes,
           int16_t* out) const {
    const int32_t* w = &weights[static_cast<size_t>(y) * stride];
    if (isShort)
      p.filterShortColumns(in, rowStride, w, f.taps, bytes, out);
    else
      p.filterColumns(in, rowStride, w, f.taps, bytes, f.bits[y] - kRowFractionBits, out);
  }
};

TEST(Passes, GiveThePortableBytes) {
  const std::vector<const RowPasses*> passes = PassesToCompare();
  if (passes.empty()) GTEST_SKIP() << "only the portable passes in this build";
  int shortFilters = 0, longFilters = 0;
  const struct {
    int clipWidth, dstWidth, clipHeight, dstHeight;
  } shapes[] = {{1, 5, 1, 3},     {3, 9, 7, 2},      {4, 4, 8, 3},     {9, 31, 5, 13},
                {33, 8, 40, 9},   {100, 37, 17, 60}, {61, 200, 90, 7}, {250, 3, 6, 6},
                {70, 9, 3000, 5}, {45, 45, 2000, 1}, {47, 13, 41, 16}, {18, 60, 80, 20}};
  for (int k = 1; k <= 8; ++k)
    for (const auto& s : shapes) {
      const auto kernel = static_cast<ResampleKernel>(k);
      SCOPED_TRACE("kernel " + std::to_string(k) + " " + std::to_string(s.clipWidth) + "x" +
                   std::to_string(s.clipHeight) + " -> " + std::to_string(s.dstWidth) + "x" +
                   std::to_string(s.dstHeight));
      const Picture source = Noise(s.clipWidth, s.clipHeight, static_cast<uint32_t>(k));
      const ResampleFilter horizontal = BuildFilter(kernel, true, 0, s.clipWidth, s.dstWidth, FilterPass::Row);
      const ResampleFilter vertical = BuildFilter(kernel, true, 0, s.clipHeight, s.dstHeight, FilterPass::Columns);
      // A wide horizontal filter takes the one 64-bit pass of every build.
      const bool narrow = horizontal.bits.front() == kRowWeightBits;
      const Columns columns(vertical);
      ++(columns.isShort ? shortFilters : longFilters);
      const std::vector<int32_t> weights = SteppedWeights(horizontal);
      const std::vector<int32_t> first = RowStarts(horizontal, 0);
      std::vector<int16_t> expectedRow((s.clipWidth + 3) * 4, 0), row = expectedRow, rowAbove = expectedRow;
      std::vector<uint8_t> expectedOut(s.dstWidth * 4, 0), expectedNearest = expectedOut, out = expectedOut;
      std::vector<uint8_t> outAbove = expectedOut, expectedAbove = expectedOut;
      for (int y = 0; y < s.dstHeight; ++y) {
        rowAbove.swap(expectedRow);
        expectedAbove.swap(expectedOut);
        const uint8_t* in = source.Row(vertical.start[y]);
        columns.Run(kScalarPasses, vertical, y, in, source.Stride(), s.clipWidth * 4, expectedRow.data());
        kScalarPasses.copyNearest(in, horizontal.start.data(), s.dstWidth, expectedNearest.data());
        if (narrow)
          kScalarPasses.filterRow(expectedRow.data(), first.data(), weights.data(), horizontal.taps, s.dstWidth,
                                  expectedOut.data());
        for (const RowPasses* p : passes) {
          p->copyNearest(in, horizontal.start.data(), s.dstWidth, out.data());
          ASSERT_EQ(out, expectedNearest) << p->name << " nearest copy, row " << y;
          columns.Run(*p, vertical, y, in, source.Stride(), s.clipWidth * 4, row.data());
          ASSERT_EQ(row, expectedRow) << p->name << (columns.isShort ? " short" : "") << " vertical pass, row " << y;
          if (!narrow) continue;
          p->filterRow(expectedRow.data(), first.data(), weights.data(), horizontal.taps, s.dstWidth, out.data());
          ASSERT_EQ(out, expectedOut) << p->name << " horizontal pass, row " << y;
          if (y == 0) continue;
          // Two rows at once: the one above and this one.
          p->filterTwoRows(rowAbove.data(), expectedRow.data(), first.data(), weights.data(), horizontal.taps,
                           s.dstWidth, outAbove.data(), out.data());
          ASSERT_EQ(outAbove, expectedAbove) << p->name << " two-row horizontal pass, row " << y - 1;
          ASSERT_EQ(out, expectedOut) << p->name << " two-row horizontal pass, row " << y;
        }
      }
    }
  // Both vertical passes met: upscales and mild downscales take the short one, large downscales the long.
  EXPECT_GT(shortFilters, 20);
  EXPECT_GT(longFilters, 20);
}

// Hand-made filters at the short pass's limits: the largest sum it takes
// (positive taps on 255, the negative one on 0: the floors and the start a
// row value of 32767) and one unit past it, the tap count and the weight bits.
TEST(Passes, ShortVerticalPassTakesOnlyWhatFits16Bits) {
  const auto filter = [](std::vector<int32_t> weights, int bits) {
    ResampleFilter f;
    f.taps = static_cast<int>(weights.size());
    f.start = {0};
    f.bits = {static_cast<uint8_t>(bits)};
    f.weights = std::move(weights);
    return f;
  };
  std::vector<int32_t> seventeen(17, 964);
  seventeen[8] += 16384 - 17 * 964;
  const struct {
    const char* label;
    ResampleFilter f;
    bool fits;
  } cases[] = {
      {"largest sum", filter({16432, -16480, 16432}, 14), true},
      {"one unit more", filter({16432, -16481, 16433}, 14), false},
      {"sixteen taps", filter(std::vector<int32_t>(16, 1024), 14), true},
      {"seventeen taps", filter(seventeen, 14), false},
      {"fifteen bits", filter({16384, 16384}, 15), false},
  };
  std::vector<const RowPasses*> passes = PassesToCompare();
  passes.push_back(&kScalarPasses);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    ASSERT_EQ(IsShortColumnFilter(c.f), c.fits);
    if (!c.fits) continue;
    // Rows whose bytes alternate 255 and 0, each the inverse of the one above:
    // every byte meets the largest and the smallest sum in turn.
    const int bytes = 100;
    std::vector<uint8_t> source(static_cast<size_t>(bytes) * c.f.taps);
    for (size_t k = 0; k < source.size(); ++k) source[k] = ((k % bytes + k / bytes) & 1) ? 255 : 0;
    const std::vector<int32_t> weights = ShortColumnWeights(c.f);
    for (const RowPasses* p : passes) {
      std::vector<int16_t> out(bytes);
      p->filterShortColumns(source.data(), bytes, weights.data(), c.f.taps, bytes, out.data());
      for (int x = 0; x < bytes; ++x) {
        double exact = 0;
        for (int t = 0; t < c.f.taps; ++t) exact += source[static_cast<size_t>(t * bytes + x)] * c.f.weights[t];
        exact = exact * 64 / 16384 + kRowBias;
        // Each tap's floor is within one unit, centred by the start value.
        ASSERT_LE(std::fabs(out[x] - exact), (c.f.taps + 1) / 2) << p->name << " value " << x << ": " << out[x];
      }
    }
  }
}

}  // namespace
}  // namespace lumivar::test
