#include "TestSource.h"

#include <new>

namespace filtercheck {

CTestSourcePin::CTestSourcePin(dshow::CBaseFilter* pFilter) : COutputPin(pFilter, L"Output") {}

HRESULT CTestSourcePin::GetInterface(REFIID riid, void** ppv) {
  if (riid == IID_IMediaSeeking) return dshow::GetInterfaceOf(static_cast<IMediaSeeking*>(this), ppv);
  if (riid == IID_IQualityControl) return dshow::GetInterfaceOf(static_cast<IQualityControl*>(this), ppv);
  return COutputPin::GetInterface(riid, ppv);
}

HRESULT CTestSourcePin::SetType(const AM_MEDIA_TYPE* pmt) {
  dshow::CAutoLock lock(m_pLock);
  dshow::CAutoLock inner(m_pInnerLock);
  if (IsConnected()) return VFW_E_ALREADY_CONNECTED;
  return m_type.Set(pmt);
}

HRESULT CTestSourcePin::CheckMediaType(const AM_MEDIA_TYPE* pmt) {
  return dshow::EqualMediaType(pmt, &m_type) ? S_OK : S_FALSE;
}

HRESULT CTestSourcePin::GetMediaType(int iPosition, AM_MEDIA_TYPE* pmt) {
  if (iPosition < 0) return E_INVALIDARG;
  if (iPosition > 0) return VFW_S_NO_MORE_ITEMS;
  return dshow::CopyMediaType(pmt, &m_type);
}

HRESULT CTestSourcePin::DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pRequest) {
  ALLOCATOR_PROPERTIES want = *pRequest, actual = {};
  want.cBuffers = want.cBuffers > 2 ? want.cBuffers : 2;
  want.cbBuffer = static_cast<long>(m_type.lSampleSize);
  want.cbAlign = want.cbAlign > 1 ? want.cbAlign : 1;
  HRESULT hr = pAlloc->SetProperties(&want, &actual);
  if (FAILED(hr)) return hr;
  if (actual.cbBuffer < want.cbBuffer) return VFW_E_SIZENOTSET;
  *pRequest = actual;
  return S_OK;
}

STDMETHODIMP CTestSourcePin::GetCapabilities(DWORD* pCapabilities) {
  if (!pCapabilities) return E_POINTER;
  *pCapabilities = AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanSeekForwards | AM_SEEKING_CanSeekBackwards |
                   AM_SEEKING_CanGetDuration | AM_SEEKING_CanGetCurrentPos | AM_SEEKING_CanGetStopPos;
  return S_OK;
}

STDMETHODIMP CTestSourcePin::CheckCapabilities(DWORD* pCapabilities) {
  if (!pCapabilities) return E_POINTER;
  DWORD dwHave = 0;
  GetCapabilities(&dwHave);
  const DWORD dwAsked = *pCapabilities;
  *pCapabilities &= dwHave;
  return *pCapabilities == dwAsked ? S_OK : *pCapabilities ? S_FALSE : E_FAIL;
}

STDMETHODIMP CTestSourcePin::IsFormatSupported(const GUID* pFormat) {
  if (!pFormat) return E_POINTER;
  return *pFormat == TIME_FORMAT_MEDIA_TIME ? S_OK : S_FALSE;
}

STDMETHODIMP CTestSourcePin::QueryPreferredFormat(GUID* pFormat) { return GetTimeFormat(pFormat); }

STDMETHODIMP CTestSourcePin::GetTimeFormat(GUID* pFormat) {
  if (!pFormat) return E_POINTER;
  *pFormat = TIME_FORMAT_MEDIA_TIME;
  return S_OK;
}

STDMETHODIMP CTestSourcePin::IsUsingTimeFormat(const GUID* pFormat) { return IsFormatSupported(pFormat); }

STDMETHODIMP CTestSourcePin::SetTimeFormat(const GUID* pFormat) {
  if (!pFormat) return E_POINTER;
  return *pFormat == TIME_FORMAT_MEDIA_TIME ? S_OK : E_INVALIDARG;
}

STDMETHODIMP CTestSourcePin::GetDuration(LONGLONG* pDuration) {
  if (!pDuration) return E_POINTER;
  *pDuration = kDuration;
  return S_OK;
}

STDMETHODIMP CTestSourcePin::GetStopPosition(LONGLONG* pStop) {
  if (!pStop) return E_POINTER;
  *pStop = m_tSeekStop >= 0 ? m_tSeekStop.load() : kDuration;
  return S_OK;
}

STDMETHODIMP CTestSourcePin::GetCurrentPosition(LONGLONG* pCurrent) {
  if (!pCurrent) return E_POINTER;
  *pCurrent = m_tSeekCurrent >= 0 ? m_tSeekCurrent.load() : 0;
  return S_OK;
}

STDMETHODIMP CTestSourcePin::SetPositions(LONGLONG* pCurrent, DWORD dwCurrentFlags, LONGLONG* pStop,
                                          DWORD dwStopFlags) {
  if ((dwCurrentFlags & AM_SEEKING_PositioningBitsMask) == AM_SEEKING_AbsolutePositioning) {
    if (!pCurrent) return E_POINTER;
    m_tSeekCurrent = *pCurrent;
  }
  if ((dwStopFlags & AM_SEEKING_PositioningBitsMask) == AM_SEEKING_AbsolutePositioning) {
    if (!pStop) return E_POINTER;
    m_tSeekStop = *pStop;
  }
  return S_OK;
}

STDMETHODIMP CTestSourcePin::GetPositions(LONGLONG* pCurrent, LONGLONG* pStop) {
  if (pCurrent) GetCurrentPosition(pCurrent);
  if (pStop) GetStopPosition(pStop);
  return S_OK;
}

STDMETHODIMP CTestSourcePin::GetRate(double* pdRate) {
  if (!pdRate) return E_POINTER;
  *pdRate = 1.0;
  return S_OK;
}

STDMETHODIMP CTestSourcePin::Notify(IBaseFilter*, Quality q) {
  m_tQualityLate = q.Late;
  ++m_cQuality;
  return S_OK;
}

CTestSource::CTestSource() : CBaseFilter(CLSID_CheckSource), m_output(this) {}

HRESULT CTestSource::Create(int cx, int cy, CTestSource** ppSource) {
  if (!ppSource) return E_POINTER;
  *ppSource = nullptr;
  auto* pSource = new (std::nothrow) CTestSource;
  if (!pSource) return E_OUTOFMEMORY;
  dshow::CMediaType mt;
  HRESULT hr = MakeVideoType(cx, cy, false, &mt);
  if (SUCCEEDED(hr)) hr = pSource->m_output.SetType(&mt);
  if (FAILED(hr)) {
    pSource->Release();
    return hr;
  }
  *ppSource = pSource;
  return S_OK;
}

HRESULT CTestSource::Push(const Picture& picture, REFERENCE_TIME tStart, REFERENCE_TIME tStop) {
  ATL::CComPtr<IMediaSample> spSample;
  HRESULT hr = m_output.GetDeliveryBuffer(&spSample);
  if (FAILED(hr)) return hr;
  BYTE* pb = nullptr;
  if (FAILED(hr = spSample->GetPointer(&pb))) return hr;
  const AM_MEDIA_TYPE& mt = m_output.CurrentMediaType();
  if (!WritePicture(&mt, picture, pb, static_cast<size_t>(spSample->GetSize()))) return E_INVALIDARG;
  spSample->SetActualDataLength(static_cast<long>(mt.lSampleSize));
  spSample->SetTime(&tStart, &tStop);
  spSample->SetSyncPoint(TRUE);
  return m_output.Deliver(spSample);
}

}  // namespace filtercheck
