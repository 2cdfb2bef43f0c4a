// Kernels: the continuous resampling kernels, in double precision, as
// functions of the distance t in input pixels (see Resampler.h).
#pragma once

#include "Resampler.h"

namespace lumivar {

// True for the kernels that are convolutions with a function k(t): Linear
// to Lanczos3. Nearest and Supersampling have rules of their own.
bool IsConvolution(ResampleKernel kernel);

// The radius outside which k(t) is zero. Convolution kernels only.
double KernelRadius(ResampleKernel kernel);

// k(t). Convolution kernels only.
double KernelValue(ResampleKernel kernel, double t);

}  // namespace lumivar
