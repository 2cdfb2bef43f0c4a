#include "TransformInputPin.h"

#include "TransformFilter.h"

namespace dshow {

CTransformInputPin::CTransformInputPin(CTransformFilter* pFilter, LPCWSTR pszName)
    : CInputPin(pFilter, pszName), m_pTransform(pFilter) {}

STDMETHODIMP CTransformInputPin::ReceiveConnection(IPin* pConnector, const AM_MEDIA_TYPE* pmt) {
  HRESULT hr = CInputPin::ReceiveConnection(pConnector, pmt);
  if (FAILED(hr)) return hr;
  // The filter lock is given up: the hook may call the graph.
  const HRESULT hrAfter = m_pTransform->AfterInputConnected();
  if (SUCCEEDED(hrAfter)) return hr;
  CAutoLock lock(m_pLock);
  if (IsConnected()) {
    BreakConnect();
    ClearConnection();
  }
  return hrAfter;
}

HRESULT CTransformInputPin::Active() {
  m_pTransform->StreamStarting();
  return CInputPin::Active();
}

HRESULT CTransformInputPin::CheckMediaType(const AM_MEDIA_TYPE* pmt) { return m_pTransform->CheckInputType(pmt); }

HRESULT CTransformInputPin::CompleteConnect(IPin* pPeer) {
  HRESULT hr = CInputPin::CompleteConnect(pPeer);
  if (FAILED(hr)) return hr;
  return m_pTransform->InputConnected(&m_mt);
}

HRESULT CTransformInputPin::BreakConnect() {
  m_pTransform->InputDisconnected();
  return CInputPin::BreakConnect();
}

HRESULT CTransformInputPin::Inactive() {
  // A sample in progress may wait for an output buffer: release it before
  // waiting for the sample.
  IMemAllocator* pAlloc = m_pTransform->Output()->Allocator();
  if (pAlloc) pAlloc->Decommit();
  return CInputPin::Inactive();
}

HRESULT CTransformInputPin::OnReceive(IMediaSample* pSample) { return m_pTransform->Receive(pSample); }

HRESULT CTransformInputPin::OnEndOfStream() {
  CTransformOutputPin* pOutput = m_pTransform->Output();
  return pOutput->IsConnected() ? pOutput->DeliverEndOfStream() : S_OK;
}

HRESULT CTransformInputPin::OnBeginFlush() {
  CTransformOutputPin* pOutput = m_pTransform->Output();
  return pOutput->IsConnected() ? pOutput->DeliverBeginFlush() : S_OK;
}

HRESULT CTransformInputPin::OnEndFlush() {
  CTransformOutputPin* pOutput = m_pTransform->Output();
  return pOutput->IsConnected() ? pOutput->DeliverEndFlush() : S_OK;
}

HRESULT CTransformInputPin::OnNewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) {
  CTransformOutputPin* pOutput = m_pTransform->Output();
  return pOutput->IsConnected() ? pOutput->DeliverNewSegment(tStart, tStop, dRate) : S_OK;
}

}  // namespace dshow
