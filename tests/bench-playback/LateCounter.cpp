#include "LateCounter.h"

#include <algorithm>

namespace {

// {B35B3BF7-9814-4B52-BBA1-745516254C93}: for the graph's sake, never registered.
const CLSID CLSID_LateCounter = {0xb35b3bf7, 0x9814, 0x4b52, {0xbb, 0xa1, 0x74, 0x55, 0x16, 0x25, 0x4c, 0x93}};

const BITMAPINFOHEADER* Bitmap(const AM_MEDIA_TYPE* pmt) {
  if (pmt->formattype != FORMAT_VideoInfo || pmt->cbFormat < sizeof(VIDEOINFOHEADER) || !pmt->pbFormat) return nullptr;
  return &reinterpret_cast<const VIDEOINFOHEADER*>(pmt->pbFormat)->bmiHeader;
}

}  // namespace

CLateCounterInput::CLateCounterInput(CLateCounter* pFilter) : CInputPin(pFilter, L"Input"), m_pCounter(pFilter) {}

HRESULT CLateCounterInput::CheckMediaType(const AM_MEDIA_TYPE* pmt) {
  if (pmt->majortype != MEDIATYPE_Video || pmt->subtype != MEDIASUBTYPE_RGB32 || !Bitmap(pmt)) return S_FALSE;
  // Samples go on unchanged: a connected output fixes the type.
  CLateCounterOutput* pOutput = m_pCounter->Output();
  return !pOutput->IsConnected() || dshow::EqualMediaType(pmt, &pOutput->CurrentMediaType()) ? S_OK : S_FALSE;
}

HRESULT CLateCounterInput::OnReceive(IMediaSample* pSample) {
  m_pCounter->Count(pSample);
  return m_pCounter->Output()->Deliver(pSample);
}

// The output is connected whenever the graph streams through the counter.
HRESULT CLateCounterInput::OnEndOfStream() { return m_pCounter->Output()->DeliverEndOfStream(); }

HRESULT CLateCounterInput::OnBeginFlush() { return m_pCounter->Output()->DeliverBeginFlush(); }

HRESULT CLateCounterInput::OnEndFlush() { return m_pCounter->Output()->DeliverEndFlush(); }

HRESULT CLateCounterInput::OnNewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) {
  return m_pCounter->Output()->DeliverNewSegment(tStart, tStop, dRate);
}

CLateCounterOutput::CLateCounterOutput(CLateCounter* pFilter)
    : COutputPin(pFilter, L"Output"), m_pCounter(pFilter), m_seeking(static_cast<IPin*>(this), pFilter->Input()) {}

HRESULT CLateCounterOutput::GetInterface(REFIID riid, void** ppv) {
  if (riid == IID_IMediaSeeking) return dshow::GetInterfaceOf(static_cast<IMediaSeeking*>(&m_seeking), ppv);
  return COutputPin::GetInterface(riid, ppv);
}

STDMETHODIMP CLateCounterOutput::Connect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt) {
  {
    dshow::CAutoLock lock(m_pLock);
    if (!m_pCounter->Input()->IsConnected()) return VFW_E_NOT_CONNECTED;
  }
  return COutputPin::Connect(pReceivePin, pmt);
}

HRESULT CLateCounterOutput::CheckMediaType(const AM_MEDIA_TYPE* pmt) {
  CLateCounterInput* pInput = m_pCounter->Input();
  if (!pInput->IsConnected()) return VFW_E_NOT_CONNECTED;
  return dshow::EqualMediaType(pmt, &pInput->CurrentMediaType()) ? S_OK : S_FALSE;
}

HRESULT CLateCounterOutput::GetMediaType(int iPosition, AM_MEDIA_TYPE* pmt) {
  if (iPosition < 0) return E_INVALIDARG;
  if (iPosition > 0 || !m_pCounter->Input()->IsConnected()) return VFW_S_NO_MORE_ITEMS;
  dshow::FreeMediaType(pmt);
  return dshow::CopyMediaType(pmt, &m_pCounter->Input()->CurrentMediaType());
}

HRESULT CLateCounterOutput::DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pRequest) {
  // The kit's output wants an allocator; the samples passed on are upstream's.
  const BITMAPINFOHEADER* pbmi = Bitmap(&CurrentMediaType());
  if (!pbmi) return E_UNEXPECTED;
  if (pRequest->cBuffers < 1) pRequest->cBuffers = 1;
  if (pRequest->cbBuffer < static_cast<LONG>(pbmi->biSizeImage)) pRequest->cbBuffer = pbmi->biSizeImage;
  if (pRequest->cbAlign < 1) pRequest->cbAlign = 1;
  ALLOCATOR_PROPERTIES actual;
  return pAlloc->SetProperties(pRequest, &actual);
}

// Slacks kept for the median: an hour at 120 fps.
const size_t kSlacksKept = 432000;

CLateCounter::CLateCounter() : CBaseFilter(CLSID_LateCounter), m_input(this), m_output(this) {
  m_slacks.reserve(kSlacksKept);
}

dshow::CBasePin* CLateCounter::GetPin(int n) {
  if (n == 0) return &m_input;
  return n == 1 ? &m_output : nullptr;
}

CLateCounter::Counts CLateCounter::Read() {
  std::vector<REFERENCE_TIME> slacks;
  Counts counts;
  {
    dshow::CAutoLock lock(&m_cs);
    slacks = m_slacks;
    counts = m_counts;
  }
  if (!slacks.empty()) {
    std::nth_element(slacks.begin(), slacks.begin() + slacks.size() / 2, slacks.end());
    counts.rtMedianSlack = slacks[slacks.size() / 2];
  }
  return counts;
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
  if (m_slacks.size() < m_slacks.capacity()) m_slacks.push_back(rtSlack);
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
