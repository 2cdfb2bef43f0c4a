#include "SinkInputPin.h"

#include <BaseFilter.h>

#include <new>

CSinkInputPin::CSinkInputPin(dshow::CBaseFilter* pFilter)
    : dshow::CInputPin(pFilter, L"Input"), m_hChanged(::CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

void CSinkInputPin::Accept(const AM_MEDIA_TYPE* pPartial) {
  // Read by CheckMediaType under either lock.
  dshow::CAutoLock lock(m_pLock);
  dshow::CAutoLock inner(m_pInnerLock);
  m_accepted.Set(pPartial);
}

HRESULT CSinkInputPin::CheckMediaType(const AM_MEDIA_TYPE* pmt) {
  return dshow::MatchesPartial(pmt, m_accepted.IsEmpty() ? nullptr : &m_accepted) ? S_OK : S_FALSE;
}

HRESULT CSinkInputPin::GetMediaType(int iPosition, AM_MEDIA_TYPE*) {
  return iPosition < 0 ? E_INVALIDARG : VFW_S_NO_MORE_ITEMS;
}

void CSinkInputPin::SetReceiveProbe(std::function<HRESULT(IMediaSample*)> probe) {
  auto sp = probe ? std::make_shared<const std::function<HRESULT(IMediaSample*)>>(std::move(probe)) : nullptr;
  dshow::CAutoLock lock(&m_csRecord);
  m_spReceiveProbe = std::move(sp);
}

void CSinkInputPin::SetDisconnectProbe(std::function<void()> probe) {
  auto sp = probe ? std::make_shared<const std::function<void()>>(std::move(probe)) : nullptr;
  dshow::CAutoLock lock(&m_csRecord);
  m_spDisconnectProbe = std::move(sp);
}

STDMETHODIMP CSinkInputPin::Disconnect() {
  std::shared_ptr<const std::function<void()>> spProbe;
  {
    dshow::CAutoLock lock(&m_csRecord);
    spProbe = m_spDisconnectProbe;
  }
  if (spProbe) (*spProbe)();
  return dshow::CInputPin::Disconnect();
}

HRESULT CSinkInputPin::OnReceive(IMediaSample* pSample) {
  std::shared_ptr<const std::function<HRESULT(IMediaSample*)>> spProbe;
  {
    dshow::CAutoLock lock(&m_csRecord);
    spProbe = m_spReceiveProbe;
  }
  if (spProbe) {
    const HRESULT hr = (*spProbe)(pSample);
    if (FAILED(hr)) return hr;
  }
  SinkSample record = {};
  record.bHasTime = SUCCEEDED(pSample->GetTime(&record.tStart, &record.tStop));
  record.bHasMediaTime = SUCCEEDED(pSample->GetMediaTime(&record.tMediaStart, &record.tMediaStop));
  record.bSyncPoint = pSample->IsSyncPoint() == S_OK;
  record.bDiscontinuity = pSample->IsDiscontinuity() == S_OK;
  record.cbData = pSample->GetActualDataLength();
  BYTE* pb = nullptr;
  if (m_bKeepData && SUCCEEDED(pSample->GetPointer(&pb)) && record.cbData > 0) {
    try {
      record.data.assign(pb, pb + record.cbData);
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
  }
  {
    dshow::CAutoLock lock(&m_csRecord);
    try {
      m_samples.push_back(std::move(record));
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
  }
  ::SetEvent(m_hChanged);
  return S_OK;
}

HRESULT CSinkInputPin::OnEndOfStream() {
  {
    dshow::CAutoLock lock(&m_csRecord);
    ++m_cEndOfStream;
  }
  ::SetEvent(m_hChanged);
  return S_OK;
}

HRESULT CSinkInputPin::OnNewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) {
  dshow::CAutoLock lock(&m_csRecord);
  try {
    m_segments.push_back({tStart, tStop, dRate});
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

std::vector<SinkSegment> CSinkInputPin::Segments() {
  dshow::CAutoLock lock(&m_csRecord);
  return m_segments;
}

std::vector<SinkSample> CSinkInputPin::Samples() {
  dshow::CAutoLock lock(&m_csRecord);
  return m_samples;
}

void CSinkInputPin::ClearRecord() {
  dshow::CAutoLock lock(&m_csRecord);
  m_samples.clear();
  m_segments.clear();
  m_cEndOfStream = 0;
}

int CSinkInputPin::EndOfStreamCount() {
  dshow::CAutoLock lock(&m_csRecord);
  return m_cEndOfStream;
}

bool CSinkInputPin::WaitForEndOfStream(DWORD dwTimeout) {
  const DWORD dwStart = ::GetTickCount();
  while (EndOfStreamCount() == 0) {
    const DWORD dwElapsed = ::GetTickCount() - dwStart;
    if (dwElapsed >= dwTimeout) return false;
    ::WaitForSingleObject(m_hChanged, dwTimeout - dwElapsed);
  }
  return true;
}

bool CSinkInputPin::WaitForSamples(size_t cSamples, DWORD dwTimeout) {
  const DWORD dwStart = ::GetTickCount();
  for (;;) {
    {
      dshow::CAutoLock lock(&m_csRecord);
      if (m_samples.size() >= cSamples) return true;
    }
    const DWORD dwElapsed = ::GetTickCount() - dwStart;
    if (dwElapsed >= dwTimeout) return false;
    ::WaitForSingleObject(m_hChanged, dwTimeout - dwElapsed);
  }
}
