// Exercise: one run of the core over a geometry under the conditions where
// a fault shows, shared by the robustness driver and the fuzz target.
#pragma once

#include "Resampler.h"

#include <cstdint>
#include <string>

namespace lumivar::test {

enum class Layout { Packed, Padded, BottomUp };

// The geometry's limits, stated independently of Resampler::Configure.
bool WithinLimits(const ResampleGeometry& geometry);

// Configures and processes with buffers of exactly the pictures' extent (so
// that a sanitizer sees any access beyond them), on a source whose clip is
// one colour and whose outside is another. Every output pixel must come out
// in the clip's colour: weights that do not sum to one, taps outside the
// clip and pixels left unwritten all show. Returns what went wrong, or "".
std::string Exercise(const ResampleGeometry& geometry, Layout layout, uint32_t colour);

}  // namespace lumivar::test
