#include "SeekingPassThru.h"

#include "BasePin.h"

namespace dshow {

HRESULT CSeekingPassThru::Upstream(IMediaSeeking** ppSeeking) {
  CComPtr<IPin> spPeer;
  if (m_pInput->ConnectedTo(&spPeer) != S_OK) return E_NOTIMPL;
  HRESULT hr = spPeer->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(ppSeeking));
  return SUCCEEDED(hr) ? S_OK : E_NOTIMPL;
}

// Each call is the upstream pin's, unchanged.
#define DSHOW_PASS_UP(call)                  \
  CComPtr<IMediaSeeking> spSeeking;         \
  HRESULT hr = Upstream(&spSeeking);        \
  return SUCCEEDED(hr) ? spSeeking->call : hr

STDMETHODIMP CSeekingPassThru::GetCapabilities(DWORD* pCapabilities) { DSHOW_PASS_UP(GetCapabilities(pCapabilities)); }

STDMETHODIMP CSeekingPassThru::CheckCapabilities(DWORD* pCapabilities) { DSHOW_PASS_UP(CheckCapabilities(pCapabilities)); }

STDMETHODIMP CSeekingPassThru::IsFormatSupported(const GUID* pFormat) { DSHOW_PASS_UP(IsFormatSupported(pFormat)); }

STDMETHODIMP CSeekingPassThru::QueryPreferredFormat(GUID* pFormat) { DSHOW_PASS_UP(QueryPreferredFormat(pFormat)); }

STDMETHODIMP CSeekingPassThru::GetTimeFormat(GUID* pFormat) { DSHOW_PASS_UP(GetTimeFormat(pFormat)); }

STDMETHODIMP CSeekingPassThru::IsUsingTimeFormat(const GUID* pFormat) { DSHOW_PASS_UP(IsUsingTimeFormat(pFormat)); }

STDMETHODIMP CSeekingPassThru::SetTimeFormat(const GUID* pFormat) { DSHOW_PASS_UP(SetTimeFormat(pFormat)); }

STDMETHODIMP CSeekingPassThru::GetDuration(LONGLONG* pDuration) { DSHOW_PASS_UP(GetDuration(pDuration)); }

STDMETHODIMP CSeekingPassThru::GetStopPosition(LONGLONG* pStop) { DSHOW_PASS_UP(GetStopPosition(pStop)); }

STDMETHODIMP CSeekingPassThru::GetCurrentPosition(LONGLONG* pCurrent) { DSHOW_PASS_UP(GetCurrentPosition(pCurrent)); }

STDMETHODIMP CSeekingPassThru::ConvertTimeFormat(LONGLONG* pTarget, const GUID* pTargetFormat, LONGLONG Source, const GUID* pSourceFormat) { DSHOW_PASS_UP(ConvertTimeFormat(pTarget, pTargetFormat, Source, pSourceFormat)); }

STDMETHODIMP CSeekingPassThru::SetPositions(LONGLONG* pCurrent, DWORD dwCurrentFlags, LONGLONG* pStop, DWORD dwStopFlags) { DSHOW_PASS_UP(SetPositions(pCurrent, dwCurrentFlags, pStop, dwStopFlags)); }

STDMETHODIMP CSeekingPassThru::GetPositions(LONGLONG* pCurrent, LONGLONG* pStop) { DSHOW_PASS_UP(GetPositions(pCurrent, pStop)); }

STDMETHODIMP CSeekingPassThru::GetAvailable(LONGLONG* pEarliest, LONGLONG* pLatest) { DSHOW_PASS_UP(GetAvailable(pEarliest, pLatest)); }

STDMETHODIMP CSeekingPassThru::SetRate(double dRate) { DSHOW_PASS_UP(SetRate(dRate)); }

STDMETHODIMP CSeekingPassThru::GetRate(double* pdRate) { DSHOW_PASS_UP(GetRate(pdRate)); }

STDMETHODIMP CSeekingPassThru::GetPreroll(LONGLONG* pllPreroll) { DSHOW_PASS_UP(GetPreroll(pllPreroll)); }

}  // namespace dshow
