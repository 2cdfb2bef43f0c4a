// Kernels: the continuous resampling kernels, in double precision, as
// functions of the distance t in input pixels (see Resampler.h).
#pragma once

#include "Resampler.h"

namespace lumivar {

// The convolution kernels, Linear to Lanczos3, as functions k(t); Nearest
// and Supersampling have rules of their own (FilterTable.cpp).

// The radius outside which k(t) is zero.
double KernelRadius(ResampleKernel kernel);

// k(t); zero for Nearest and Supersampling.
double KernelValue(ResampleKernel kernel, double t);

}  // namespace lumivar
