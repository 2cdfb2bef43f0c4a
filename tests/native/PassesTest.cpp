// The AVX2 passes give the SSE2 passes' bytes, on real filters and on rows
// whose lengths leave every kind of tail.
#include "FilterTable.h"
#include "Passes.h"
#include "Picture.h"
#include "WeightLayout.h"

#include <gtest/gtest.h>

#include <vector>

namespace lumivar::test {
namespace {

TEST(Passes, Avx2GivesTheSse2Bytes) {
  if (!HasAvx2()) GTEST_SKIP() << "this processor has no AVX2";
  const struct {
    int clipWidth, dstWidth, clipHeight, dstHeight;
  } shapes[] = {{1, 5, 1, 3},   {3, 9, 7, 2},     {4, 4, 8, 3},    {9, 31, 5, 13},
                {33, 8, 40, 9}, {100, 37, 17, 60}, {61, 200, 90, 7}, {250, 3, 6, 6}};
  for (int k = 1; k <= 8; ++k)
    for (const auto& s : shapes) {
      const auto kernel = static_cast<ResampleKernel>(k);
      SCOPED_TRACE("kernel " + std::to_string(k) + " " + std::to_string(s.clipWidth) + "x" +
                   std::to_string(s.clipHeight) + " -> " + std::to_string(s.dstWidth) + "x" +
                   std::to_string(s.dstHeight));
      const Picture source = Noise(s.clipWidth, s.clipHeight, static_cast<uint32_t>(k));
      const ResampleFilter horizontal = BuildFilter(kernel, true, 0, s.clipWidth, s.dstWidth);
      const ResampleFilter vertical = BuildFilter(kernel, true, 0, s.clipHeight, s.dstHeight);
      const std::vector<int32_t> pairs = PairedWeights(vertical), weights = BroadcastWeights(horizontal);
      const int stride = static_cast<int>(BroadcastStride(horizontal)), pairCount = static_cast<int>(PairCount(horizontal));
      std::vector<int16_t> rowSse2((s.clipWidth + 3) * 4, 0), rowAvx2 = rowSse2;
      std::vector<uint8_t> outSse2(s.dstWidth * 4, 0), outAvx2 = outSse2;
      for (int y = 0; y < s.dstHeight; ++y) {
        const uint8_t* in = source.Row(vertical.start[y]);
        const int32_t* rowPairs = &pairs[y * PairCount(vertical)];
        kSse2Passes.filterColumns(in, source.Stride(), rowPairs, vertical.taps, s.clipWidth * 4, rowSse2.data());
        kAvx2Passes.filterColumns(in, source.Stride(), rowPairs, vertical.taps, s.clipWidth * 4, rowAvx2.data());
        ASSERT_EQ(rowAvx2, rowSse2) << "vertical pass, row " << y;
        kSse2Passes.filterRow(rowSse2.data(), horizontal.start.data(), 0, weights.data(), stride, pairCount,
                              s.dstWidth, outSse2.data());
        kAvx2Passes.filterRow(rowSse2.data(), horizontal.start.data(), 0, weights.data(), stride, pairCount,
                              s.dstWidth, outAvx2.data());
        ASSERT_EQ(outAvx2, outSse2) << "horizontal pass, row " << y;
      }
    }
}

}  // namespace
}  // namespace lumivar::test
