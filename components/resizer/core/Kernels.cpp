#include "Kernels.h"

#include <cmath>

namespace lumivar {
namespace {

// Mitchell and Netravali's two-parameter family of cubics.
double Cubic(double b, double c, double t) {
  t = std::fabs(t);
  if (t < 1)
    return ((12 - 9 * b - 6 * c) * t * t * t + (-18 + 12 * b + 6 * c) * t * t + (6 - 2 * b)) / 6;
  if (t < 2)
    return ((-b - 6 * c) * t * t * t + (6 * b + 30 * c) * t * t + (-12 * b - 48 * c) * t + (8 * b + 24 * c)) / 6;
  return 0;
}

double Lanczos(double lobes, double t) {
  t = std::fabs(t);
  if (t >= lobes) return 0;
  if (t == 0) return 1;
  const double pi = 3.14159265358979323846;
  const double x = pi * t;
  return lobes * std::sin(x) * std::sin(x / lobes) / (x * x);
}

}  // namespace

double KernelRadius(ResampleKernel kernel) {
  switch (kernel) {
    case ResampleKernel::Linear: return 1;
    case ResampleKernel::Lanczos3: return 3;
    default: return 2;
  }
}

double KernelValue(ResampleKernel kernel, double t) {
  switch (kernel) {
    case ResampleKernel::Linear: return std::fabs(t) < 1 ? 1 - std::fabs(t) : 0;
    case ResampleKernel::CubicBSpline: return Cubic(1, 0, t);
    case ResampleKernel::CubicCatmullRom: return Cubic(0, 0.5, t);
    case ResampleKernel::CubicB05C03: return Cubic(0.5, 0.3, t);
    case ResampleKernel::Lanczos2: return Lanczos(2, t);
    case ResampleKernel::Lanczos3: return Lanczos(3, t);
    default: return 0;
  }
}

}  // namespace lumivar
