#include "SourcePin.h"

#include "BaseFilter.h"

#include <algorithm>
#include <limits>

namespace dshow {
namespace {

const DWORD kCapabilities = AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanSeekForwards |
                            AM_SEEKING_CanSeekBackwards | AM_SEEKING_CanGetStopPos |
                            AM_SEEKING_CanGetDuration;

bool IsMediaTime(const GUID* pFormat) { return !pFormat || *pFormat == TIME_FORMAT_MEDIA_TIME; }

// a + b, held at the ends of the range instead of overflowing.
REFERENCE_TIME SaturatingAdd(REFERENCE_TIME a, LONGLONG b) {
  REFERENCE_TIME sum;
  if (!__builtin_add_overflow(a, b, &sum)) return sum;
  return b > 0 ? std::numeric_limits<REFERENCE_TIME>::max() : std::numeric_limits<REFERENCE_TIME>::min();
}

// The new value of a position under its positioning flags (clamped by the caller).
REFERENCE_TIME Position(DWORD dwFlags, const LONGLONG* pValue, REFERENCE_TIME rtNow,
                        REFERENCE_TIME rtBase) {
  switch (dwFlags & AM_SEEKING_PositioningBitsMask) {
    case AM_SEEKING_AbsolutePositioning:
      return *pValue;
    case AM_SEEKING_RelativePositioning:
      return SaturatingAdd(rtNow, *pValue);
    case AM_SEEKING_IncrementalPositioning:
      return SaturatingAdd(rtBase, *pValue);
    default:
      return rtNow;
  }
}

}  // namespace

CSourcePin::CSourcePin(CBaseFilter* pFilter, LPCWSTR pszName) : COutputPin(pFilter, pszName) {}

CSourcePin::~CSourcePin() {
  StopThread();
}

HRESULT CSourcePin::GetInterface(REFIID riid, void** ppv) {
  if (riid == IID_IMediaSeeking) return GetInterfaceOf(static_cast<IMediaSeeking*>(this), ppv);
  if (riid == IID_IQualityControl) return GetInterfaceOf(static_cast<IQualityControl*>(this), ppv);
  return COutputPin::GetInterface(riid, ppv);
}

// Taken and ignored: every frame is made, in order, as fast as downstream takes it, so
// there is nothing to make later or leave out; a late frame is the renderer's to drop.
STDMETHODIMP CSourcePin::Notify(IBaseFilter*, Quality) { return S_OK; }

STDMETHODIMP CSourcePin::SetSink(IQualityControl*) { return S_OK; }

HRESULT CSourcePin::Active() {
  HRESULT hr = COutputPin::Active();
  if (FAILED(hr)) return hr;
  hr = StartThread();
  if (FAILED(hr)) COutputPin::Inactive();
  return hr;
}

HRESULT CSourcePin::Inactive() {
  if (m_hStop) ::SetEvent(m_hStop);
  // Decommitting releases a thread waiting for a buffer.
  HRESULT hr = COutputPin::Inactive();
  StopThread();
  return hr;
}

HRESULT CSourcePin::StartThread() {
  if (!m_hStop) {
    m_hStop.Attach(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!m_hStop) return HRESULT_FROM_WIN32(::GetLastError());
  }
  ::ResetEvent(m_hStop);
  m_hThread.Attach(::CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr));
  if (!m_hThread) return HRESULT_FROM_WIN32(::GetLastError());
  return S_OK;
}

void CSourcePin::StopThread() {
  if (!m_hThread) return;
  ::SetEvent(m_hStop);
  ::WaitForSingleObject(m_hThread, INFINITE);
  m_hThread.Close();
}

bool CSourcePin::StopRequested() const { return ::WaitForSingleObject(m_hStop, 0) == WAIT_OBJECT_0; }

DWORD WINAPI CSourcePin::ThreadProc(void* pv) { return static_cast<CSourcePin*>(pv)->Stream(); }

HRESULT CSourcePin::CurrentSegment(Segment* pSeg) {
  REFERENCE_TIME rtDuration;
  HRESULT hr = GetStreamDuration(&rtDuration);
  if (FAILED(hr)) return hr;
  CAutoLock lock(&m_csPosition);
  *pSeg = m_seg;
  if (!m_bStopSet) pSeg->rtStop = rtDuration;
  return S_OK;
}

DWORD CSourcePin::Stream() {
  Segment seg;
  HRESULT hr = CurrentSegment(&seg);
  if (FAILED(hr)) {
    m_pFilter->NotifyEvent(EC_ERRORABORT, hr, 0);
    return 0;
  }
  DeliverNewSegment(seg.rtStart, seg.rtStop, 1.0);
  for (LONGLONG iSample = 0; !StopRequested(); ++iSample) {
    {
      // A new stop applies to the segment under way.
      CAutoLock lock(&m_csPosition);
      if (m_bStopSet) seg.rtStop = m_seg.rtStop;
    }
    CComPtr<IMediaSample> spSample;
    if (FAILED(GetDeliveryBuffer(&spSample))) break;  // decommitted: stopping
    hr = FillBuffer(spSample, seg, iSample);
    if (hr == S_FALSE) {
      DeliverEndOfStream();
      break;
    }
    if (FAILED(hr)) {
      m_pFilter->NotifyEvent(EC_ERRORABORT, hr, 0);
      break;
    }
    if (iSample == 0) spSample->SetDiscontinuity(TRUE);
    // A refusal downstream (flushing, stopped, or its own error, which it
    // reports itself) ends the stream quietly.
    if (Deliver(spSample) != S_OK) break;
  }
  return 0;
}

STDMETHODIMP CSourcePin::GetCapabilities(DWORD* pCapabilities) {
  if (!pCapabilities) return E_POINTER;
  *pCapabilities = kCapabilities;
  return S_OK;
}

STDMETHODIMP CSourcePin::CheckCapabilities(DWORD* pCapabilities) {
  if (!pCapabilities) return E_POINTER;
  DWORD dwAsked = *pCapabilities;
  *pCapabilities &= kCapabilities;
  if (*pCapabilities == dwAsked) return S_OK;
  return *pCapabilities ? S_FALSE : E_FAIL;
}

STDMETHODIMP CSourcePin::IsFormatSupported(const GUID* pFormat) {
  if (!pFormat) return E_POINTER;
  return *pFormat == TIME_FORMAT_MEDIA_TIME ? S_OK : S_FALSE;
}

STDMETHODIMP CSourcePin::QueryPreferredFormat(GUID* pFormat) { return GetTimeFormat(pFormat); }

STDMETHODIMP CSourcePin::GetTimeFormat(GUID* pFormat) {
  if (!pFormat) return E_POINTER;
  *pFormat = TIME_FORMAT_MEDIA_TIME;
  return S_OK;
}

STDMETHODIMP CSourcePin::IsUsingTimeFormat(const GUID* pFormat) {
  if (!pFormat) return E_POINTER;
  return *pFormat == TIME_FORMAT_MEDIA_TIME ? S_OK : S_FALSE;
}

STDMETHODIMP CSourcePin::SetTimeFormat(const GUID* pFormat) {
  if (!pFormat) return E_POINTER;
  return *pFormat == TIME_FORMAT_MEDIA_TIME ? S_OK : E_INVALIDARG;
}

STDMETHODIMP CSourcePin::GetDuration(LONGLONG* pDuration) {
  if (!pDuration) return E_POINTER;
  return GetStreamDuration(pDuration);
}

STDMETHODIMP CSourcePin::GetStopPosition(LONGLONG* pStop) {
  if (!pStop) return E_POINTER;
  Segment seg;
  HRESULT hr = CurrentSegment(&seg);
  if (SUCCEEDED(hr)) *pStop = seg.rtStop;
  return hr;
}

// Only a renderer knows where playback is.
STDMETHODIMP CSourcePin::GetCurrentPosition(LONGLONG*) { return E_NOTIMPL; }

STDMETHODIMP CSourcePin::ConvertTimeFormat(LONGLONG* pTarget, const GUID* pTargetFormat,
                                           LONGLONG Source, const GUID* pSourceFormat) {
  if (!pTarget) return E_POINTER;
  if (!IsMediaTime(pTargetFormat) || !IsMediaTime(pSourceFormat)) return E_INVALIDARG;
  *pTarget = Source;
  return S_OK;
}

STDMETHODIMP CSourcePin::SetPositions(LONGLONG* pCurrent, DWORD dwCurrentFlags, LONGLONG* pStop,
                                      DWORD dwStopFlags) {
  const DWORD dwCurrentPos = dwCurrentFlags & AM_SEEKING_PositioningBitsMask;
  const DWORD dwStopPos = dwStopFlags & AM_SEEKING_PositioningBitsMask;
  if ((dwCurrentPos != AM_SEEKING_NoPositioning && !pCurrent) ||
      (dwStopPos != AM_SEEKING_NoPositioning && !pStop))
    return E_POINTER;
  if (dwCurrentPos == AM_SEEKING_IncrementalPositioning) return E_INVALIDARG;
  REFERENCE_TIME rtDuration;
  HRESULT hr = GetStreamDuration(&rtDuration);
  if (FAILED(hr)) return hr;

  CAutoLock lockFilter(m_pLock);
  Segment seg;
  hr = CurrentSegment(&seg);
  if (FAILED(hr)) return hr;
  seg.rtStart = std::clamp<REFERENCE_TIME>(Position(dwCurrentFlags, pCurrent, seg.rtStart, seg.rtStart),
                                           0, rtDuration);
  seg.rtStop = std::clamp<REFERENCE_TIME>(Position(dwStopFlags, pStop, seg.rtStop, seg.rtStart), 0,
                                          rtDuration);

  // A new start while streaming: flush what is downstream and start over.
  const bool bRestart = dwCurrentPos != AM_SEEKING_NoPositioning && m_hThread;
  if (bRestart) {
    DeliverBeginFlush();
    ::SetEvent(m_hStop);
    Allocator()->Decommit();
    StopThread();
    Allocator()->Commit();
    DeliverEndFlush();
  }
  {
    CAutoLock lock(&m_csPosition);
    m_seg = seg;
    if (dwStopPos != AM_SEEKING_NoPositioning) m_bStopSet = true;
  }
  if (pCurrent && (dwCurrentFlags & AM_SEEKING_ReturnTime)) *pCurrent = seg.rtStart;
  if (pStop && (dwStopFlags & AM_SEEKING_ReturnTime)) *pStop = seg.rtStop;
  return bRestart ? StartThread() : S_OK;
}

STDMETHODIMP CSourcePin::GetPositions(LONGLONG* pCurrent, LONGLONG* pStop) {
  Segment seg;
  HRESULT hr = CurrentSegment(&seg);
  if (FAILED(hr)) return hr;
  if (pCurrent) *pCurrent = seg.rtStart;
  if (pStop) *pStop = seg.rtStop;
  return S_OK;
}

STDMETHODIMP CSourcePin::GetAvailable(LONGLONG* pEarliest, LONGLONG* pLatest) {
  if (pEarliest) *pEarliest = 0;
  if (pLatest) return GetStreamDuration(pLatest);
  return S_OK;
}

STDMETHODIMP CSourcePin::SetRate(double dRate) {
  // Samples are made in real time only.
  return dRate == 1.0 ? S_OK : E_INVALIDARG;
}

STDMETHODIMP CSourcePin::GetRate(double* pdRate) {
  if (!pdRate) return E_POINTER;
  *pdRate = 1.0;
  return S_OK;
}

STDMETHODIMP CSourcePin::GetPreroll(LONGLONG* pllPreroll) {
  if (!pllPreroll) return E_POINTER;
  *pllPreroll = 0;
  return S_OK;
}

}  // namespace dshow
