#include "Exercise.h"

#include "Reference.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace lumivar::test {
namespace {

constexpr uint8_t kPaddingByte = 0xA5;

// A picture in a buffer that ends where its last row does.
class Buffer {
 public:
  Buffer(int width, int height, int padding, bool bottomUp)
      : rowBytes_(static_cast<ptrdiff_t>(width) * 4), pitch_(rowBytes_ + padding), height_(height), bottomUp_(bottomUp) {
    size_ = static_cast<size_t>(pitch_ * (height - 1) + rowBytes_);
    bytes_ = std::make_unique<uint8_t[]>(size_);
    std::memset(bytes_.get(), kPaddingByte, size_);
  }
  uint8_t* Top() const { return bytes_.get() + (bottomUp_ ? pitch_ * (height_ - 1) : 0); }
  ptrdiff_t Stride() const { return bottomUp_ ? -pitch_ : pitch_; }
  uint8_t* Row(int y) const { return Top() + Stride() * y; }
  bool PaddingIntact() const {
    for (int m = 0; m + 1 < height_; ++m)
      for (ptrdiff_t k = rowBytes_; k < pitch_; ++k)
        if (bytes_[static_cast<size_t>(m * pitch_ + k)] != kPaddingByte) return false;
    return true;
  }

 private:
  ptrdiff_t rowBytes_, pitch_;
  int height_;
  bool bottomUp_;
  size_t size_ = 0;
  std::unique_ptr<uint8_t[]> bytes_;
};

uint32_t Hash(uint32_t v) {
  v ^= v >> 16, v *= 0x7feb352dU, v ^= v >> 15, v *= 0x846ca68bU, v ^= v >> 16;
  return v;
}

// The content's pixel at clip-relative x, y, four channels in one word.
uint32_t Colour(const Content& content, int w, int h, int x, int y) {
  const uint32_t dark = Hash(content.seed) & 0x7F7F7F7F, light = 0x80808080 | Hash(content.seed + 1);
  const int x0 = content.x0 % w, y0 = content.y0 % h;
  switch (content.kind) {
    case Content::Edge: return (x < x0 || y < y0) ? dark : light;
    case Content::Dot: return x == x0 && y == y0 ? light : dark;
    case Content::Checker: {
      const int period = content.x0 % 4 + 1;
      return ((x / period + y / period) & 1) ? light : dark;
    }
    default: return Hash(content.seed ^ (static_cast<uint32_t>(y) * 65537u + static_cast<uint32_t>(x)));
  }
}

ResampleKernel Resolved(const ResampleGeometry& g, int clipSize, int dstSize) {
  return g.autoSupersampling && dstSize < clipSize ? ResampleKernel::Supersampling : g.kernel;
}

// The output indices to check along an axis: all, or an even spread with both ends.
std::vector<int> Checked(int size, int most) {
  std::vector<int> indices;
  for (int k = 0; k < std::min(size, most); ++k)
    indices.push_back(size <= most ? k : static_cast<int>(static_cast<int64_t>(k) * (size - 1) / (most - 1)));
  return indices;
}

}  // namespace

bool WithinLimits(const ResampleGeometry& g) {
  const auto size = [](int v, int max) { return 1 <= v && v <= max; };
  const ResampleRect& c = g.clip;
  const int kernel = static_cast<int>(g.kernel);
  return size(g.srcWidth, Resampler::kMaxSourceSize) && size(g.srcHeight, Resampler::kMaxSourceSize) &&
         size(g.dstWidth, Resampler::kMaxOutputSize) && size(g.dstHeight, Resampler::kMaxOutputSize) &&
         0 <= c.left && c.left < c.right && c.right <= g.srcWidth && 0 <= c.top && c.top < c.bottom &&
         c.bottom <= g.srcHeight && 1 <= kernel && kernel <= 8;
}

std::string Exercise(const ResampleGeometry& g, const Layout& layout, const Content& content) {
  Resampler resampler;
  if (!resampler.Configure(g)) return "Configure refused a geometry within limits";
  const Buffer src(g.srcWidth, g.srcHeight, layout.srcPadding, layout.bottomUp);
  const Buffer dst(g.dstWidth, g.dstHeight, layout.dstPadding, layout.bottomUp);
  const ResampleRect& clip = g.clip;
  const int clipWidth = clip.right - clip.left, clipHeight = clip.bottom - clip.top;
  for (int y = 0; y < g.srcHeight; ++y)
    for (int x = 0; x < g.srcWidth; ++x) {
      // Outside the clip every level is 128 away from its nearest pixel inside.
      const int cx = std::clamp(x, clip.left, clip.right - 1) - clip.left;
      const int cy = std::clamp(y, clip.top, clip.bottom - 1) - clip.top;
      const bool inside = cx + clip.left == x && cy + clip.top == y;
      const uint32_t colour = Colour(content, clipWidth, clipHeight, cx, cy) ^ (inside ? 0 : 0x80808080);
      std::memcpy(src.Row(y) + 4 * x, &colour, 4);
    }
  if (!resampler.Process(src.Top(), src.Stride(), dst.Top(), dst.Stride())) return "Process failed";

  const bool exact = Resolved(g, clipWidth, g.dstWidth) == ResampleKernel::Nearest &&
                     Resolved(g, clipHeight, g.dstHeight) == ResampleKernel::Nearest;
  const std::vector<ReferenceTaps> across = ReferenceAxis(g, false), down = ReferenceAxis(g, true);
  // The reference's work bounds how many pixels it checks: a grid of rows
  // and columns, both ends included, once all of them would cost too much.
  const auto mean = [](const std::vector<ReferenceTaps>& axis) {
    double taps = 0;
    for (const ReferenceTaps& t : axis) taps += static_cast<double>(t.size());
    return taps / static_cast<double>(axis.size());
  };
  const double perPixel = mean(across) * mean(down);
  const int most = std::max(4, static_cast<int>(std::sqrt(double(1 << 24) / perPixel)));
  for (int y : Checked(g.dstHeight, most)) {
    const uint8_t* row = dst.Row(g.flip ? g.dstHeight - 1 - y : y);
    for (int x : Checked(g.dstWidth, most))
      for (int c = 0; c < 4; ++c) {
        const double value = ReferenceValue(across[static_cast<size_t>(x)], down[static_cast<size_t>(y)],
                                             [&](int sx, int sy) { return src.Row(sy)[4 * sx + c]; });
        const int error = std::abs(row[4 * x + c] - RoundedLevel(value));
        if (error > (exact ? 0 : 1))
          return "output " + std::to_string(x) + "," + std::to_string(y) + " channel " + std::to_string(c) + " is " +
                 std::to_string(row[4 * x + c]) + ", the reference " + std::to_string(value);
      }
  }
  return dst.PaddingIntact() ? "" : "the output's padding was written";
}

}  // namespace lumivar::test
