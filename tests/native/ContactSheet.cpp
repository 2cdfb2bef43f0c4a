// The contact sheet's pictures: the Video Generator's test picture
// downscaled to a third with each algorithm, antialiased and not, and a crop
// of it upscaled three times, each with its PSNR against a double-precision
// ideal low-pass: a sinc windowed over 8 lobes (Lanczos 8), widened threefold
// for the downscale. Writes PPM pictures and an index for
// scripts/contact-sheet to lay out.
//   contact_sheet OUTPUT_DIR
#include "Resampler.h"
#include "TestPicture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using lumivar::ResampleGeometry;
using lumivar::ResampleKernel;

constexpr int kWidth = 288, kHeight = 216, kFactor = 3;
// The crop that is upscaled: the one-pixel lines above the zone plate.
constexpr lumivar::ResampleRect kCrop = {24, 72, 24 + kWidth / kFactor, 72 + kHeight / kFactor};

struct Picture {
  int width, height;
  std::vector<uint8_t> bytes;  // top-down BGRA
};

Picture TestPicture() {
  Picture p{kWidth, kHeight, std::vector<uint8_t>(static_cast<size_t>(kWidth) * kHeight * 4)};
  // The generator draws bottom-up: hand it the last row and a negative stride.
  DrawTestPicture(p.bytes.data() + (kHeight - 1) * kWidth * 4, -kWidth * 4, kWidth, kHeight, 0, 25);
  return p;
}

Picture Resample(const Picture& src, const ResampleGeometry& g) {
  lumivar::Resampler resampler;
  Picture out{g.dstWidth, g.dstHeight, std::vector<uint8_t>(static_cast<size_t>(g.dstWidth) * g.dstHeight * 4)};
  if (!resampler.Configure(g) || !resampler.Process(src.bytes.data(), src.width * 4, out.bytes.data(), g.dstWidth * 4))
    std::fprintf(stderr, "contact_sheet: the core refused a geometry\n"), std::exit(1);
  return out;
}

double Lanczos8(double t) {
  t = std::fabs(t);
  if (t >= 8) return 0;
  if (t < 1e-12) return 1;
  const double x = 3.14159265358979323846 * t;
  return 8 * std::sin(x) * std::sin(x / 8) / (x * x);
}

// One axis of the ideal resampling: taps[i] over clip [lo, lo + n), replicated at its edges, normalised.
std::vector<std::vector<std::pair<int, double>>> IdealAxis(int lo, int n, int dst) {
  const double scale = static_cast<double>(n) / dst, widen = std::max(1.0, scale);
  std::vector<std::vector<std::pair<int, double>>> axis(static_cast<size_t>(dst));
  for (int i = 0; i < dst; ++i) {
    const double u = (i + 0.5) * scale - 0.5;
    double total = 0;
    for (int j = static_cast<int>(std::floor(u - 8 * widen)); j <= static_cast<int>(std::ceil(u + 8 * widen)); ++j) {
      const double w = Lanczos8((j - u) / widen);
      axis[static_cast<size_t>(i)].emplace_back(lo + std::clamp(j, 0, n - 1), w);
      total += w;
    }
    for (auto& tap : axis[static_cast<size_t>(i)]) tap.second /= total;
  }
  return axis;
}

// The ideal result, unrounded, three colour channels per pixel.
std::vector<double> Ideal(const Picture& src, const lumivar::ResampleRect& clip, int dstWidth, int dstHeight) {
  const auto across = IdealAxis(clip.left, clip.right - clip.left, dstWidth);
  const auto down = IdealAxis(clip.top, clip.bottom - clip.top, dstHeight);
  std::vector<double> values(static_cast<size_t>(dstWidth) * dstHeight * 3);
  for (int y = 0; y < dstHeight; ++y)
    for (int x = 0; x < dstWidth; ++x)
      for (int c = 0; c < 3; ++c) {
        double sum = 0;
        for (const auto& [sy, wy] : down[static_cast<size_t>(y)])
          for (const auto& [sx, wx] : across[static_cast<size_t>(x)])
            sum += wy * wx * src.bytes[(static_cast<size_t>(sy) * src.width + sx) * 4 + c];
        values[(static_cast<size_t>(y) * dstWidth + x) * 3 + c] = sum;
      }
  return values;
}

Picture Rounded(const std::vector<double>& values, int width, int height) {
  Picture p{width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height * 4, 255)};
  for (size_t k = 0; k < values.size(); ++k)
    p.bytes[k / 3 * 4 + k % 3] = static_cast<uint8_t>(std::clamp(std::floor(values[k] + 0.5), 0.0, 255.0));
  return p;
}

double Psnr(const Picture& p, const std::vector<double>& ideal) {
  double squares = 0;
  for (size_t k = 0; k < ideal.size(); ++k) {
    const double d = p.bytes[k / 3 * 4 + k % 3] - ideal[k];
    squares += d * d;
  }
  return 10 * std::log10(255.0 * 255.0 / (squares / static_cast<double>(ideal.size())));
}

std::string Decimal(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

// Written magnified by pixel replication, so that every cell of the sheet has one size.
void WritePpm(const std::string& path, const Picture& p, int magnify) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) std::perror(path.c_str()), std::exit(1);
  std::fprintf(file, "P6\n%d %d\n255\n", p.width * magnify, p.height * magnify);
  for (int y = 0; y < p.height * magnify; ++y)
    for (int x = 0; x < p.width * magnify; ++x) {
      const uint8_t* bgra = &p.bytes[(static_cast<size_t>(y / magnify) * p.width + x / magnify) * 4];
      const uint8_t rgb[3] = {bgra[2], bgra[1], bgra[0]};
      std::fwrite(rgb, 1, 3, file);
    }
  std::fclose(file);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]), 2;
  const std::string dir = argv[1];
  FILE* index = std::fopen((dir + "/index.tsv").c_str(), "w");
  if (!index) return std::perror(argv[1]), 1;
  const Picture source = TestPicture();
  const lumivar::ResampleRect whole = {0, 0, kWidth, kHeight};
  const int smallWidth = kWidth / kFactor, smallHeight = kHeight / kFactor;
  const std::vector<double> idealDown = Ideal(source, whole, smallWidth, smallHeight);
  const std::vector<double> idealUp = Ideal(source, kCrop, kWidth, kHeight);

  // index.tsv: file, row label, column label, PSNR in dB (empty for the originals).
  const auto cell = [&](const std::string& name, const Picture& p, int magnify, const char* row, const char* column,
                        const std::vector<double>* ideal) {
    WritePpm(dir + "/" + name + ".ppm", p, magnify);
    std::fprintf(index, "%s.ppm\t%s\t%s\t%s\n", name.c_str(), row, column,
                 ideal ? Decimal(Psnr(p, *ideal)).c_str() : "");
  };
  Picture crop{kCrop.right - kCrop.left, kCrop.bottom - kCrop.top, {}};
  for (int y = kCrop.top; y < kCrop.bottom; ++y)
    crop.bytes.insert(crop.bytes.end(), &source.bytes[(static_cast<size_t>(y) * kWidth + kCrop.left) * 4],
                      &source.bytes[(static_cast<size_t>(y) * kWidth + kCrop.right) * 4]);
  cell("original", source, 1, "Test picture", "whole", nullptr);
  cell("ideal-down", Rounded(idealDown, smallWidth, smallHeight), kFactor, "Test picture", "ideal low-pass, 1/3", nullptr);
  cell("crop", crop, kFactor, "Test picture", "the crop, pixels x3", nullptr);
  cell("ideal-up", Rounded(idealUp, kWidth, kHeight), 1, "Test picture", "ideal low-pass, crop x3", nullptr);

  const char* names[] = {"Nearest", "Linear", "B-spline", "Catmull-Rom", "B=0.5 C=0.3", "Lanczos 2", "Lanczos 3",
                         "Supersampling"};
  for (int k = 1; k <= 8; ++k) {
    const auto kernel = static_cast<ResampleKernel>(k);
    const char* name = names[k - 1];
    for (bool aa : {true, false}) {
      const ResampleGeometry g{kWidth, kHeight, whole, smallWidth, smallHeight, kernel, aa, false, false};
      cell("down-" + std::to_string(k) + (aa ? "-aa" : ""), Resample(source, g), kFactor, name,
           aa ? "1/3, antialiased" : "1/3, not antialiased", &idealDown);
    }
    const ResampleGeometry up{kWidth, kHeight, kCrop, kWidth, kHeight, kernel, true, false, false};
    cell("up-" + std::to_string(k), Resample(source, up), 1, name, "crop x3", &idealUp);
  }
  std::fclose(index);
  return 0;
}
