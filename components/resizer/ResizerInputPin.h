// CResizerInputPin: the resizer's input, RGB32 video of any stride and orientation.
//
// The filter decides on the types and resizes the frames; the pin passes the stream's
// end, flushes and segments on to the output.
#pragma once

#include "InputPin.h"

namespace lumivar {

class CResizer;

class CResizerInputPin : public dshow::CInputPin {
public:
  explicit CResizerInputPin(CResizer* pResizer);

  HRESULT CheckMediaType(const AM_MEDIA_TYPE* pmt) override;
  HRESULT CompleteConnect(IPin* pPeer) override;
  HRESULT BreakConnect() override;
  HRESULT Inactive() override;

protected:
  HRESULT OnReceive(IMediaSample* pSample) override;
  HRESULT OnEndOfStream() override;
  HRESULT OnBeginFlush() override;
  HRESULT OnEndFlush() override;
  HRESULT OnNewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) override;

private:
  CResizer* m_pResizer;
};

}  // namespace lumivar
