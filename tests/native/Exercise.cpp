#include "Exercise.h"

#include <cstring>
#include <memory>

namespace lumivar::test {
namespace {

// A picture in a buffer that ends where its last pixel does.
class Buffer {
 public:
  Buffer(int width, int height, Layout layout) : rowBytes_(static_cast<ptrdiff_t>(width) * 4), height_(height) {
    pitch_ = layout == Layout::Padded ? rowBytes_ + 4 * (1 + width % 5) : rowBytes_;
    size_ = static_cast<size_t>(pitch_ * (height - 1) + rowBytes_);
    bytes_ = std::make_unique<uint8_t[]>(size_);
    bottomUp_ = layout == Layout::BottomUp;
  }
  uint8_t* Top() const { return bytes_.get() + (bottomUp_ ? pitch_ * (height_ - 1) : 0); }
  ptrdiff_t Stride() const { return bottomUp_ ? -pitch_ : pitch_; }
  uint8_t* Row(int y) const { return Top() + Stride() * y; }

 private:
  ptrdiff_t rowBytes_, pitch_ = 0;
  int height_;
  size_t size_ = 0;
  bool bottomUp_ = false;
  std::unique_ptr<uint8_t[]> bytes_;
};

void Fill(uint8_t* row, int from, int to, uint32_t colour) {
  for (int x = from; x < to; ++x) std::memcpy(row + 4 * x, &colour, 4);
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

std::string Exercise(const ResampleGeometry& g, Layout layout, uint32_t colour) {
  Resampler resampler;
  if (!resampler.Configure(g)) return "Configure refused a geometry within limits";
  const Buffer src(g.srcWidth, g.srcHeight, layout), dst(g.dstWidth, g.dstHeight, layout);
  for (int y = 0; y < g.srcHeight; ++y) {
    const bool inside = g.clip.top <= y && y < g.clip.bottom;
    Fill(src.Row(y), 0, g.srcWidth, ~colour);
    if (inside) Fill(src.Row(y), g.clip.left, g.clip.right, colour);
  }
  for (int y = 0; y < g.dstHeight; ++y) Fill(dst.Row(y), 0, g.dstWidth, ~colour);
  if (!resampler.Process(src.Top(), src.Stride(), dst.Top(), dst.Stride())) return "Process failed";
  for (int y = 0; y < g.dstHeight; ++y)
    for (int x = 0; x < g.dstWidth; ++x) {
      uint32_t pixel;
      std::memcpy(&pixel, dst.Row(y) + 4 * x, 4);
      if (pixel != colour)
        return "output pixel " + std::to_string(x) + "," + std::to_string(y) + " is not the clip's colour";
    }
  return "";
}

}  // namespace lumivar::test
