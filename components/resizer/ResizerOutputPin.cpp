#include "ResizerOutputPin.h"

#include <algorithm>

#include "Resizer.h"

namespace lumivar {

CResizerOutputPin::CResizerOutputPin(CResizer* pResizer, dshow::CBasePin* pInput)
    : COutputPin(pResizer, L"Output"),
      m_pResizer(pResizer),
      m_seeking(static_cast<IPin*>(this), pInput) {}

HRESULT CResizerOutputPin::GetInterface(REFIID riid, void** ppv) {
  if (riid == IID_IMediaSeeking) return dshow::GetInterfaceOf(static_cast<IMediaSeeking*>(&m_seeking), ppv);
  return COutputPin::GetInterface(riid, ppv);
}

HRESULT CResizerOutputPin::CheckMediaType(const AM_MEDIA_TYPE* pmt) {
  return m_pResizer->CheckOutputType(pmt);
}

HRESULT CResizerOutputPin::GetMediaType(int iPosition, AM_MEDIA_TYPE* pmt) {
  return m_pResizer->GetOutputType(iPosition, pmt);
}

HRESULT CResizerOutputPin::SetMediaType(const AM_MEDIA_TYPE* pmt) {
  HRESULT hr = m_pResizer->OutputTypeChosen(pmt);
  if (FAILED(hr)) return hr;
  return COutputPin::SetMediaType(pmt);
}

HRESULT CResizerOutputPin::DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pRequest) {
  if (!pAlloc || !pRequest) return E_POINTER;
  const size_t cbNeeded = m_pResizer->OutputBufferSize();
  if (cbNeeded == 0 || cbNeeded > static_cast<size_t>(MAXLONG)) return VFW_E_SIZENOTSET;
  ALLOCATOR_PROPERTIES want = *pRequest;
  want.cBuffers = std::max(want.cBuffers, 1L);
  want.cbBuffer = std::max(want.cbBuffer, static_cast<long>(cbNeeded));
  want.cbAlign = std::max(want.cbAlign, 1L);
  ALLOCATOR_PROPERTIES actual = {};
  HRESULT hr = pAlloc->SetProperties(&want, &actual);
  if (FAILED(hr)) return hr;
  if (actual.cbBuffer < static_cast<long>(cbNeeded) || actual.cBuffers < 1) return VFW_E_SIZENOTSET;
  *pRequest = actual;
  return S_OK;
}

}  // namespace lumivar
