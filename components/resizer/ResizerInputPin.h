// CResizerInputPin: the resizer's input, RGB32 video of any stride and orientation.
//
// The filter decides on the types and resizes the frames; the pin passes the stream's
// end, flushes and segments on to the output.
//
// ConnectedTo answers from a copy of the peer under a lock of its own: the renderer asks
// the output's seeking, and so this pin's peer, from the streaming thread while it holds
// the stream lock (at the end of the stream), and Stop holds the filter lock while it
// waits for the stream lock.
#pragma once

#include <atlcomcli.h>

#include "InputPin.h"

namespace lumivar {

class CResizer;

class CResizerInputPin : public dshow::CInputPin {
public:
  explicit CResizerInputPin(CResizer* pResizer);

  STDMETHODIMP ConnectedTo(IPin** ppPin) override;

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
  dshow::CCritSec m_csPeer;
  ATL::CComPtr<IPin> m_spPeer;
};

}  // namespace lumivar
