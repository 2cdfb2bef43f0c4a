// Every set of passes gives the portable passes' bytes, on real filters and
// on rows whose lengths leave every kind of tail.
#include "FilterTable.h"
#include "Passes.h"
#include "Picture.h"
#include "WeightLayout.h"

#include <gtest/gtest.h>

#include <vector>

namespace lumivar::test {
namespace {

std::vector<const RowPasses*> PassesToCompare() {
  std::vector<const RowPasses*> passes;
#if LUMIVAR_X86_PASSES
  passes.push_back(&kSse2Passes);
  if (HasAvx2()) passes.push_back(&kAvx2Passes);
#endif
  return passes;
}

TEST(Passes, GiveThePortableBytes) {
  const std::vector<const RowPasses*> passes = PassesToCompare();
  if (passes.empty()) GTEST_SKIP() << "only the portable passes in this build";
  const struct {
    int clipWidth, dstWidth, clipHeight, dstHeight;
  } shapes[] = {{1, 5, 1, 3},     {3, 9, 7, 2},      {4, 4, 8, 3},   {9, 31, 5, 13},   {33, 8, 40, 9},
                {100, 37, 17, 60}, {61, 200, 90, 7}, {250, 3, 6, 6}, {70, 9, 3000, 5}, {45, 45, 2000, 1}};
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
      const std::vector<int32_t> pairs = PairedWeights(vertical), weights = SideBySideWeights(horizontal);
      const std::vector<int32_t> first = RowStarts(horizontal, 0);
      std::vector<int16_t> expectedRow((s.clipWidth + 3) * 4, 0), row = expectedRow;
      std::vector<uint8_t> expectedOut(s.dstWidth * 4, 0), expectedNearest = expectedOut, out = expectedOut;
      for (int y = 0; y < s.dstHeight; ++y) {
        const uint8_t* in = source.Row(vertical.start[y]);
        const int32_t* rowPairs = &pairs[y * PairCount(vertical)];
        const int shift = vertical.bits[y] - kRowFractionBits;
        kScalarPasses.filterColumns(in, source.Stride(), rowPairs, vertical.taps, s.clipWidth * 4, shift,
                                    expectedRow.data());
        kScalarPasses.copyNearest(in, horizontal.start.data(), s.dstWidth, expectedNearest.data());
        if (narrow)
          kScalarPasses.filterRow(expectedRow.data(), first.data(), weights.data(), horizontal.taps,
                                  s.dstWidth, expectedOut.data());
        for (const RowPasses* p : passes) {
          p->copyNearest(in, horizontal.start.data(), s.dstWidth, out.data());
          ASSERT_EQ(out, expectedNearest) << p->name << " nearest copy, row " << y;
          p->filterColumns(in, source.Stride(), rowPairs, vertical.taps, s.clipWidth * 4, shift, row.data());
          ASSERT_EQ(row, expectedRow) << p->name << " vertical pass, row " << y;
          if (!narrow) continue;
          p->filterRow(expectedRow.data(), first.data(), weights.data(), horizontal.taps, s.dstWidth,
                       out.data());
          ASSERT_EQ(out, expectedOut) << p->name << " horizontal pass, row " << y;
        }
      }
    }
}

}  // namespace
}  // namespace lumivar::test
