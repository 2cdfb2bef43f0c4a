// CSeekingPassThru: IMediaSeeking answered by the output pin upstream of an
// input pin — what a transform's output pin and a renderer expose, so that
// the graph's seeking reaches the source.
//
// It lives inside its owner (a pin or a filter) and counts references with
// it; the owner answers IID_IMediaSeeking with it.
#pragma once

#include <dshow.h>

#include <atlcomcli.h>

namespace dshow {

class CBasePin;

class CSeekingPassThru : public IMediaSeeking {
public:
  CSeekingPassThru(IUnknown* pOwner, CBasePin* pInput) : m_pOwner(pOwner), m_pInput(pInput) {}
  virtual ~CSeekingPassThru() = default;
  CSeekingPassThru(const CSeekingPassThru&) = delete;
  CSeekingPassThru& operator=(const CSeekingPassThru&) = delete;

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override { return m_pOwner->QueryInterface(riid, ppv); }
  STDMETHODIMP_(ULONG) AddRef() override { return m_pOwner->AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return m_pOwner->Release(); }

  // IMediaSeeking
  STDMETHODIMP GetCapabilities(DWORD* pCapabilities) override;
  STDMETHODIMP CheckCapabilities(DWORD* pCapabilities) override;
  STDMETHODIMP IsFormatSupported(const GUID* pFormat) override;
  STDMETHODIMP QueryPreferredFormat(GUID* pFormat) override;
  STDMETHODIMP GetTimeFormat(GUID* pFormat) override;
  STDMETHODIMP IsUsingTimeFormat(const GUID* pFormat) override;
  STDMETHODIMP SetTimeFormat(const GUID* pFormat) override;
  STDMETHODIMP GetDuration(LONGLONG* pDuration) override;
  STDMETHODIMP GetStopPosition(LONGLONG* pStop) override;
  STDMETHODIMP GetCurrentPosition(LONGLONG* pCurrent) override;
  STDMETHODIMP ConvertTimeFormat(LONGLONG* pTarget, const GUID* pTargetFormat, LONGLONG Source,
                                 const GUID* pSourceFormat) override;
  STDMETHODIMP SetPositions(LONGLONG* pCurrent, DWORD dwCurrentFlags, LONGLONG* pStop,
                            DWORD dwStopFlags) override;
  STDMETHODIMP GetPositions(LONGLONG* pCurrent, LONGLONG* pStop) override;
  STDMETHODIMP GetAvailable(LONGLONG* pEarliest, LONGLONG* pLatest) override;
  STDMETHODIMP SetRate(double dRate) override;
  STDMETHODIMP GetRate(double* pdRate) override;
  STDMETHODIMP GetPreroll(LONGLONG* pllPreroll) override;

private:
  // The upstream pin's seeking; E_NOTIMPL when unconnected or it has none.
  HRESULT Upstream(IMediaSeeking** ppSeeking);

  IUnknown* m_pOwner;
  CBasePin* m_pInput;
};

}  // namespace dshow
