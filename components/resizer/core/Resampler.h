// Resampler: the Resizer's picture-resampling core. Plain C++17, no Windows
// dependency, so it builds into Resizer.dll and natively for tests,
// sanitizers, fuzzing and benchmarks.
//
//   ResampleKernel    the eight algorithms
//   ResampleRect      a rectangle of the input picture
//   ResampleGeometry  everything Configure needs
//   Resampler         weights for one geometry; resamples RGB32 frames
//
// Coordinates. Pixel i of a picture covers [i, i + 1) and has its centre at
// i + 0.5. Output pixel centres are mapped evenly onto the clip rectangle;
// with scale s = clipWidth / dstWidth the centre of output column x lands on
// input column position
//     u = clip.left + (x + 0.5) * s - 0.5        (in input pixel indices)
// and likewise for rows. Input pixels outside the clip are never read: taps
// that fall outside it take the clip's nearest edge pixel (replicate), so
// resizing a clip gives exactly what resizing the cropped picture would.
//
// The kernels, each as a function k(t) of the distance t in input pixels:
//   1 Nearest          the input pixel whose cell holds u + 0.5, that is
//                      floor(u + 0.5) (an exact half goes right). A point
//                      sample: antialiasing does not widen it (a widened box
//                      is Supersampling).
//   2 Linear           triangle, k = max(0, 1 - |t|), radius 1.
//   3 CubicBSpline     Mitchell-Netravali cubic with B = 1,   C = 0,   radius 2.
//   4 CubicCatmullRom  Mitchell-Netravali cubic with B = 0,   C = 0.5, radius 2.
//   5 CubicB05C03      Mitchell-Netravali cubic with B = 0.5, C = 0.3, radius 2.
//   6 Lanczos2         sinc(t) * sinc(t / 2) for |t| < 2, radius 2.
//   7 Lanczos3         sinc(t) * sinc(t / 3) for |t| < 3, radius 3.
//   8 Supersampling    the area average over the output pixel's footprint
//                      [clip.left + x * s, clip.left + (x + 1) * s): each
//                      input pixel weighs by the length of its overlap. The
//                      footprint is the output pixel itself, so antialiasing
//                      changes nothing here.
// Antialiasing: in a downscaled direction (s > 1) kernels 2 to 7 are widened
// by s, k(t / s), a proper low-pass; without it they are not, and fine detail
// aliases. Automatic supersampling: each downscaled direction uses kernel 8
// instead of the chosen one; an upscaled or unscaled direction keeps it.
// Nearest, Linear, Catmull-Rom and the Lanczos kernels give the identity at
// scale 1.
//
// Arithmetic. Separable: a vertical pass from the input rows into a 16-bit
// row with 6 fractional bits, then a horizontal pass into the output row (two
// output rows at once where it can, sharing their weights).
// Weights are computed once in Configure, in double precision, then quantised
// to fixed point by their running sums, so that each output pixel's weights
// sum to exactly one and every partial sum is within half a unit of the exact
// one (a wide filter keeps its spread). A vertical filter of at most 16 taps
// whose sums provably fit takes 14 bits and 16-bit sums of per-tap products
// (Passes.h); any other gives each output row as many fractional bits (14 to
// 22) as its 32-bit sums allow, so the small weights of large downscales
// keep their precision; the horizontal pass
// uses 14 bits, and 28 bits with 64-bit sums for filters wider than
// kMaxNarrowTaps taps. Results are rounded to nearest and clamped to 0..255. All four
// channels, alpha included, are resampled alike. The passes run in SSE2 (the
// x86-64 baseline) or, where the processor has them, AVX2, AVX2 with
// AVX-VNNI, or AVX-512 (BW, VL, VNNI), chosen at run time by what is fastest
// on the processor (Passes.cpp); all give the same bytes; a portable path in
// plain C++ gives them too (LUMIVAR_PASSES=scalar|sse2|avx2|avxvnni|avx512 in
// the environment picks one, for tests and benchmarks).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lumivar {

struct RowPasses;

enum class ResampleKernel {
  Nearest = 1,
  Linear,
  CubicBSpline,
  CubicCatmullRom,
  CubicB05C03,
  Lanczos2,
  Lanczos3,
  Supersampling
};

struct ResampleRect {
  int left, top, right, bottom;  // right and bottom exclusive
};

struct ResampleGeometry {
  int srcWidth, srcHeight;  // the whole input picture, 1..kMaxSourceSize
  ResampleRect clip;        // the part of the input that is resized; inside the picture, not empty
  int dstWidth, dstHeight;  // 1..kMaxOutputSize
  ResampleKernel kernel;
  bool antialiasing;       // widen the kernel by the scale factor when downscaling
  bool autoSupersampling;  // use Supersampling in each downscaled direction instead
  bool flip;               // output upside down
};

// One direction's weights: output pixel i reads input pixels
// start[i] .. start[i] + taps - 1 (indices into the whole picture).
struct ResampleFilter {
  int taps = 0;
  std::vector<int> start;
  std::vector<int32_t> weights;  // taps per output pixel, in units of 2^-bits[i]; they sum to 2^bits[i]
  std::vector<uint8_t> bits;     // each output pixel's fractional bits
};

class Resampler {
public:
  static constexpr int kMaxSourceSize = 32768;
  static constexpr int kMaxOutputSize = 8192;
  static constexpr int kMaxNarrowTaps = 32;

  // Computes the weights for a geometry. False, with the resampler left as it
  // was, for a geometry out of limits or when memory runs out. Never throws.
  bool Configure(const ResampleGeometry& geometry) noexcept;
  bool IsConfigured() const { return configured_; }
  const ResampleGeometry& Geometry() const { return geometry_; }
  const ResampleFilter& Horizontal() const { return horizontal_; }
  const ResampleFilter& Vertical() const { return vertical_; }

  // Resamples one RGB32 (BGRA) frame, 4 bytes a pixel, from the whole input
  // picture (srcWidth x srcHeight) into a dstWidth x dstHeight picture; src
  // and dst point to the top rows.
  // Strides are in bytes, may be negative (bottom-up pictures) and larger than
  // width * 4. Safe to call from several threads at once. False, with the
  // output untouched, when not configured, given a null pointer, or out of
  // memory for its two scratch rows (clip width x 16 bytes).
  bool Process(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst, ptrdiff_t dstStride) const;

private:
  ResampleGeometry geometry_{};
  bool configured_ = false;
  bool nearest_ = false;       // both directions are plain copies: no arithmetic
  bool wideRows_ = false;      // the horizontal filter takes the 64-bit pass
  bool shortColumns_ = false;  // the vertical filter takes the short 16-bit pass
  const RowPasses* passes_ = nullptr;
  ResampleFilter horizontal_, vertical_;
  std::vector<int32_t> horizontalWeights_, rowStarts_, verticalWeights_;  // laid out for the passes (Passes.h)
  std::vector<uint8_t> sameAsAbove_;  // output rows whose vertical filter is the previous row's
};

}  // namespace lumivar
