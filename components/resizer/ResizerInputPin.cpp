#include "ResizerInputPin.h"

#include "Resizer.h"

namespace lumivar {

CResizerInputPin::CResizerInputPin(CResizer* pResizer)
    : CInputPin(pResizer, L"Input"), m_pResizer(pResizer) {}

HRESULT CResizerInputPin::CheckMediaType(const AM_MEDIA_TYPE* pmt) {
  return m_pResizer->CheckInputType(pmt);
}

HRESULT CResizerInputPin::CompleteConnect(IPin* pPeer) {
  HRESULT hr = CInputPin::CompleteConnect(pPeer);
  if (FAILED(hr)) return hr;
  return m_pResizer->InputConnected(&m_mt);
}

HRESULT CResizerInputPin::BreakConnect() {
  m_pResizer->InputDisconnected();
  return CInputPin::BreakConnect();
}

HRESULT CResizerInputPin::Inactive() {
  // A frame in progress may wait for an output buffer the renderer holds: the output's
  // allocator goes first, so that wait ends before this pin waits for the frame.
  if (m_pResizer->Output()->IsConnected()) m_pResizer->Output()->Inactive();
  return CInputPin::Inactive();
}

HRESULT CResizerInputPin::OnReceive(IMediaSample* pSample) { return m_pResizer->Receive(pSample); }

HRESULT CResizerInputPin::OnEndOfStream() { return m_pResizer->Output()->DeliverEndOfStream(); }

HRESULT CResizerInputPin::OnBeginFlush() { return m_pResizer->Output()->DeliverBeginFlush(); }

HRESULT CResizerInputPin::OnEndFlush() { return m_pResizer->Output()->DeliverEndFlush(); }

HRESULT CResizerInputPin::OnNewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) {
  return m_pResizer->Output()->DeliverNewSegment(tStart, tStop, dRate);
}

}  // namespace lumivar
