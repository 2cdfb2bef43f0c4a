// The streaming side of the resizer: one frame in, one resized frame out.
//
//   FrameResizer   the resampler for the current settings and the two picture layouts
//
// Settings change on the application's threads, frames are resized on the streaming
// thread. A new resampler is configured by whoever changes a setting (Prepare), outside
// the frame path, and swapped in under a short lock (Install); a frame takes a reference
// to the resampler of the moment and resizes without the lock, so the next frame sees
// the change.
#pragma once

#include <windows.h>

#include <memory>

#include "CritSec.h"
#include "Resampler.h"
#include "ResizerSettings.h"
#include "VideoFormat.h"

namespace lumivar {

class FrameResizer {
public:
  // The geometry of settings over an input picture of the settings' input size.
  static ResampleGeometry GeometryOf(const ResizerSettings& settings);
  // A resampler configured for settings; E_OUTOFMEMORY when that fails.
  static HRESULT Prepare(const ResizerSettings& settings,
                         std::shared_ptr<const Resampler>* ppResampler);

  // Null empties it: frames are then refused until the next Install.
  void Install(std::shared_ptr<const Resampler> spResampler);
  void SetInputLayout(const PictureLayout& layout);
  void SetOutputLayout(const PictureLayout& layout);
  PictureLayout OutputLayout();

  // S_OK, or E_FAIL when no resampler fits the layouts, E_INVALIDARG for a buffer too
  // small for its layout.
  HRESULT Process(const BYTE* pIn, size_t cbIn, BYTE* pOut, size_t cbOut);

private:
  dshow::CCritSec m_cs;
  std::shared_ptr<const Resampler> m_spResampler;
  PictureLayout m_in{};
  PictureLayout m_out{};
};

}  // namespace lumivar
