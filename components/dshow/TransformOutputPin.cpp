#include "TransformOutputPin.h"

#include "TransformFilter.h"

namespace dshow {

CTransformOutputPin::CTransformOutputPin(CTransformFilter* pFilter, LPCWSTR pszName)
    : COutputPin(pFilter, pszName), m_pTransform(pFilter), m_seeking(static_cast<IPin*>(this), pFilter->Input()) {}

HRESULT CTransformOutputPin::GetInterface(REFIID riid, void** ppv) {
  if (riid == IID_IMediaSeeking) return GetInterfaceOf(static_cast<IMediaSeeking*>(&m_seeking), ppv);
  if (riid == IID_IQualityControl) return GetInterfaceOf(static_cast<IQualityControl*>(this), ppv);
  return COutputPin::GetInterface(riid, ppv);
}

STDMETHODIMP CTransformOutputPin::Notify(IBaseFilter*, Quality q) {
  IBaseFilter* pSelf = m_pTransform;
  if (IQualityControl* pSink = m_pQualitySink) return pSink->Notify(pSelf, q);
  CComPtr<IPin> spUpstream;
  if (m_pTransform->Input()->ConnectedTo(&spUpstream) != S_OK) return VFW_E_NOT_FOUND;
  CComQIPtr<IQualityControl, &IID_IQualityControl> spQuality(spUpstream);
  if (!spQuality) return VFW_E_NOT_FOUND;
  return spQuality->Notify(pSelf, q);
}

STDMETHODIMP CTransformOutputPin::SetSink(IQualityControl* piqc) {
  m_pQualitySink = piqc;
  return S_OK;
}

STDMETHODIMP CTransformOutputPin::Connect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt) {
  {
    CAutoLock lock(m_pLock);
    if (!m_pTransform->Input()->IsConnected()) return VFW_E_NOT_CONNECTED;
  }
  return COutputPin::Connect(pReceivePin, pmt);
}

HRESULT CTransformOutputPin::CheckMediaType(const AM_MEDIA_TYPE* pmt) {
  CTransformInputPin* pInput = m_pTransform->Input();
  if (!pInput->IsConnected()) return VFW_E_NOT_CONNECTED;
  return m_pTransform->CheckTransform(&pInput->CurrentMediaType(), pmt);
}

HRESULT CTransformOutputPin::GetMediaType(int iPosition, AM_MEDIA_TYPE* pmt) {
  if (!m_pTransform->Input()->IsConnected()) return VFW_S_NO_MORE_ITEMS;
  return m_pTransform->GetOutputType(iPosition, pmt);
}

HRESULT CTransformOutputPin::SetMediaType(const AM_MEDIA_TYPE* pmt) {
  HRESULT hr = m_pTransform->OutputTypeChosen(pmt);
  if (FAILED(hr)) return hr;
  return COutputPin::SetMediaType(pmt);
}

HRESULT CTransformOutputPin::DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pRequest) {
  return m_pTransform->DecideBufferSize(pAlloc, pRequest);
}

}  // namespace dshow
