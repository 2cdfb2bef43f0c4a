#include "TransformFilter.h"

namespace dshow {

CTransformFilter::CTransformFilter(REFCLSID clsid)
    : CBaseFilter(clsid), m_input(this, L"Input"), m_output(this, L"Output") {}

CBasePin* CTransformFilter::GetPin(int n) {
  switch (n) {
    case 0:
      return &m_input;
    case 1:
      return &m_output;
    default:
      return nullptr;
  }
}

HRESULT CTransformFilter::Receive(IMediaSample* pSample) {
  const HRESULT hrStream = m_hrStream;
  if (FAILED(hrStream)) return hrStream;
  if (!m_output.IsConnected()) return S_OK;  // nowhere to go: taken and dropped
  CComPtr<IMediaSample> spOut;
  HRESULT hr = m_output.GetDeliveryBuffer(&spOut);
  if (FAILED(hr)) return hr;

  REFERENCE_TIME tStart, tStop;
  hr = pSample->GetTime(&tStart, &tStop);
  if (hr == S_OK || hr == VFW_S_NO_STOP_TIME) spOut->SetTime(&tStart, hr == S_OK ? &tStop : nullptr);
  LONGLONG tMediaStart, tMediaStop;
  if (pSample->GetMediaTime(&tMediaStart, &tMediaStop) == S_OK) spOut->SetMediaTime(&tMediaStart, &tMediaStop);
  spOut->SetSyncPoint(pSample->IsSyncPoint() == S_OK);
  spOut->SetDiscontinuity(pSample->IsDiscontinuity() == S_OK);
  spOut->SetPreroll(pSample->IsPreroll() == S_OK);

  hr = Transform(pSample, spOut);
  if (FAILED(hr)) {
    // Nobody downstream knows of it: the application is told here, once.
    m_hrStream = hr;
    NotifyEvent(EC_ERRORABORT, hr, 0);
    return hr;
  }
  if (hr != S_OK) return S_OK;
  return m_output.Deliver(spOut);
}

HRESULT CTransformFilter::ReconnectOutput() {
  CComPtr<IPin> spPeer;
  if (m_output.ConnectedTo(&spPeer) != S_OK) return S_FALSE;
  if (!IsStopped()) return VFW_E_NOT_STOPPED;
  CComQIPtr<IFilterGraph2, &IID_IFilterGraph2> spGraph(Graph());
  if (!spGraph) return VFW_E_NOT_IN_GRAPH;
  CMediaType mt;
  HRESULT hr;
  {
    CAutoLock lock(FilterLock());
    hr = GetOutputType(0, &mt);
  }
  if (hr != S_OK) return FAILED(hr) ? hr : VFW_E_NO_ACCEPTABLE_TYPES;
  return spGraph->ReconnectEx(&m_output, &mt);
}

}  // namespace dshow
