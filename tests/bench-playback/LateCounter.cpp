#include "LateCounter.h"

#include <cstring>

namespace {

// {B35B3BF7-9814-4B52-BBA1-745516254C93}: for the graph's sake, never registered.
const CLSID CLSID_LateCounter = {0xb35b3bf7, 0x9814, 0x4b52, {0xbb, 0xa1, 0x74, 0x55, 0x16, 0x25, 0x4c, 0x93}};

const BITMAPINFOHEADER* Bitmap(const AM_MEDIA_TYPE* pmt) {
  if (pmt->formattype != FORMAT_VideoInfo || pmt->cbFormat < sizeof(VIDEOINFOHEADER) || !pmt->pbFormat) return nullptr;
  return &reinterpret_cast<const VIDEOINFOHEADER*>(pmt->pbFormat)->bmiHeader;
}

}  // namespace

CLateCounter::CLateCounter() : CTransformFilter(CLSID_LateCounter) { ::QueryPerformanceFrequency(&m_qpcFrequency); }

CLateCounter::Counts CLateCounter::Read() {
  dshow::CAutoLock lock(&m_cs);
  return m_counts;
}

HRESULT CLateCounter::CheckInputType(const AM_MEDIA_TYPE* pmt) {
  return pmt->majortype == MEDIATYPE_Video && pmt->subtype == MEDIASUBTYPE_RGB32 && Bitmap(pmt) ? S_OK : S_FALSE;
}

HRESULT CLateCounter::GetOutputType(int iPosition, AM_MEDIA_TYPE* pmt) {
  if (iPosition < 0) return E_INVALIDARG;
  if (iPosition > 0) return VFW_S_NO_MORE_ITEMS;
  dshow::FreeMediaType(pmt);
  return dshow::CopyMediaType(pmt, &Input()->CurrentMediaType());
}

HRESULT CLateCounter::CheckTransform(const AM_MEDIA_TYPE* pmtIn, const AM_MEDIA_TYPE* pmtOut) {
  // Passed through byte for byte: the output's layout is the input's.
  return dshow::EqualMediaType(pmtIn, pmtOut) ? S_OK : S_FALSE;
}

HRESULT CLateCounter::DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pRequest) {
  const BITMAPINFOHEADER* pbmi = Bitmap(&Output()->CurrentMediaType());
  if (!pbmi) return E_UNEXPECTED;
  const LONG cbFrame = static_cast<LONG>(pbmi->biSizeImage);
  if (pRequest->cBuffers < 1) pRequest->cBuffers = 1;
  if (pRequest->cbBuffer < cbFrame) pRequest->cbBuffer = cbFrame;
  if (pRequest->cbAlign < 1) pRequest->cbAlign = 1;
  ALLOCATOR_PROPERTIES actual;
  HRESULT hr = pAlloc->SetProperties(pRequest, &actual);
  if (FAILED(hr)) return hr;
  return actual.cbBuffer >= cbFrame ? S_OK : E_FAIL;
}

void CLateCounter::Count(IMediaSample* pSample) {
  REFERENCE_TIME tStart, tStop;
  if (FAILED(pSample->GetTime(&tStart, &tStop))) return;
  dshow::CAutoLock lock(&m_cs);
  REFERENCE_TIME rtNow;
  // Frames taken while paused are prerolled: they wait for the run, never late.
  if (!m_bRunning || !m_spClock || FAILED(m_spClock->GetTime(&rtNow))) return;
  const REFERENCE_TIME rtSlack = tStart - (rtNow - m_counts.rtRunStart);
  if (m_counts.cFrames == 0 || rtSlack < m_counts.rtMinSlack) m_counts.rtMinSlack = rtSlack;
  ++m_counts.cFrames;
  if (rtSlack < 0) ++m_counts.cLate;
}

HRESULT CLateCounter::Transform(IMediaSample* pIn, IMediaSample* pOut) {
  Count(pIn);
  BYTE *pbIn = nullptr, *pbOut = nullptr;
  HRESULT hr = pIn->GetPointer(&pbIn);
  if (SUCCEEDED(hr)) hr = pOut->GetPointer(&pbOut);
  if (FAILED(hr)) return hr;
  const LONG cb = pIn->GetActualDataLength();
  if (cb > pOut->GetSize()) return VFW_E_BUFFER_OVERFLOW;
  LARGE_INTEGER qpc0, qpc1;
  ::QueryPerformanceCounter(&qpc0);
  std::memcpy(pbOut, pbIn, cb);
  ::QueryPerformanceCounter(&qpc1);
  {
    dshow::CAutoLock lock(&m_cs);
    m_counts.msCopy += 1000.0 * static_cast<double>(qpc1.QuadPart - qpc0.QuadPart) /
                       static_cast<double>(m_qpcFrequency.QuadPart);
  }
  return pOut->SetActualDataLength(cb);
}

HRESULT CLateCounter::OnRun(REFERENCE_TIME tStart) {
  ATL::CComPtr<IReferenceClock> spClock;
  HRESULT hr = GetSyncSource(&spClock);
  if (FAILED(hr)) return hr;
  dshow::CAutoLock lock(&m_cs);
  m_spClock = spClock;
  m_counts.rtRunStart = tStart;
  m_bRunning = true;
  return S_OK;
}

HRESULT CLateCounter::OnPause() {
  dshow::CAutoLock lock(&m_cs);
  m_bRunning = false;
  return S_OK;
}

HRESULT CLateCounter::OnStop() {
  dshow::CAutoLock lock(&m_cs);
  m_bRunning = false;
  m_spClock.Release();
  return S_OK;
}
