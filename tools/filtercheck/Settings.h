// ResizerState: every setting a resizer reports, read in one go, to compare a filter
// before and after a call that must change nothing, and to say how two differ.
#pragma once

#include <string>

#include "IResizerControl.h"

namespace filtercheck {

struct ResizerState {
  ResizeAlgorithm eAlgorithm = static_cast<ResizeAlgorithm>(0);
  BOOL bAntialiasing = -1, bAutoSupersampling = -1, bFixed = -1, bFlip = -1;
  RECT rcClip = {-1, -1, -1, -1};
  LONG cx = -1, cy = -1;
  double dX = -1, dY = -1;
  HRESULT hr = S_OK;  // the first getter's failure

  bool operator==(const ResizerState& other) const;
  bool operator!=(const ResizerState& other) const { return !(*this == other); }
  std::string Text() const;
};

ResizerState ReadState(IResizerControl* pControl);

// Non-default settings on the assumed 640 x 480 input, each but the algorithm a setter away.
HRESULT SetDistinctSettings(IResizerControl* pControl, ResizeAlgorithm eAlgorithm);

}  // namespace filtercheck
