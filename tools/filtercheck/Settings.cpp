#include "Settings.h"

#include <cstdio>

namespace filtercheck {

bool ResizerState::operator==(const ResizerState& o) const {
  return eAlgorithm == o.eAlgorithm && bAntialiasing == o.bAntialiasing && bAutoSupersampling == o.bAutoSupersampling &&
         bFixed == o.bFixed && bFlip == o.bFlip && rcClip.left == o.rcClip.left && rcClip.top == o.rcClip.top &&
         rcClip.right == o.rcClip.right && rcClip.bottom == o.rcClip.bottom && cx == o.cx && cy == o.cy && dX == o.dX &&
         dY == o.dY && hr == o.hr;
}

std::string ResizerState::Text() const {
  char sz[256];
  snprintf(sz, sizeof sz,
           "algorithm %d, AA %d, auto SS %d, clip %ld,%ld,%ld,%ld, size %ldx%ld, coeffs %.6g,%.6g, fixed %d, flip %d",
           static_cast<int>(eAlgorithm), bAntialiasing, bAutoSupersampling, rcClip.left, rcClip.top, rcClip.right,
           rcClip.bottom, cx, cy, dX, dY, bFixed, bFlip);
  return sz;
}

ResizerState ReadState(IResizerControl* p) {
  ResizerState s;
  const HRESULT results[] = {p->GetResizeAlgorithm(&s.eAlgorithm),
                             p->GetAntialiasing(&s.bAntialiasing),
                             p->GetAutoSupersampling(&s.bAutoSupersampling),
                             p->GetClippingRect(&s.rcClip),
                             p->GetOutputSize(&s.cx, &s.cy),
                             p->GetResizingCoeffs(&s.dX, &s.dY),
                             p->GetFixedOutput(&s.bFixed),
                             p->GetFlip(&s.bFlip)};
  for (HRESULT hr : results)
    if (FAILED(hr) && SUCCEEDED(s.hr)) s.hr = hr;
  return s;
}

HRESULT SetDistinctSettings(IResizerControl* p, ResizeAlgorithm eAlgorithm) {
  const RECT rc = {16, 8, 528, 392};
  HRESULT hr;
  if (FAILED(hr = p->SetResizeAlgorithm(eAlgorithm)) || FAILED(hr = p->SetAntialiasing(FALSE)) ||
      FAILED(hr = p->SetAutoSupersampling(TRUE)) || FAILED(hr = p->SetFlip(TRUE)) ||
      FAILED(hr = p->SetFixedOutput(FALSE)) || FAILED(hr = p->SetClippingRect(&rc)) ||
      FAILED(hr = p->SetOutputSize(300, 200)))
    return hr;
  return S_OK;
}

}  // namespace filtercheck
