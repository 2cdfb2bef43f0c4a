// CTestSource: the checker's source filter — one output pin offering RGB32 video of a
// set size, delivering what the check pushes (on the check's own thread), and
// recording the seeking and quality messages that reach it from downstream.
//
//   CComPtr<CTestSource> spSource;  CTestSource::Create(320, 240, &spSource);
//   spSource->Output()->Connect(pResizerInput, nullptr);  ...  spSource->Push(picture, 0, 400000);
#pragma once

#include <BaseFilter.h>
#include <OutputPin.h>

#include <atomic>

#include "Video.h"

namespace filtercheck {

// {6A1E0C52-3F4B-4C8E-9F61-2D7B8A3C5E10}: for the graph's sake only, never registered.
inline constexpr CLSID CLSID_CheckSource = {
    0x6a1e0c52, 0x3f4b, 0x4c8e, {0x9f, 0x61, 0x2d, 0x7b, 0x8a, 0x3c, 0x5e, 0x10}};

class CTestSourcePin : public dshow::COutputPin, public IMediaSeeking, public IQualityControl {
public:
  explicit CTestSourcePin(dshow::CBaseFilter* pFilter);

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override { return CBasePin::QueryInterface(riid, ppv); }
  STDMETHODIMP_(ULONG) AddRef() override { return CBasePin::AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return CBasePin::Release(); }

  // IMediaSeeking: media time only; positions are recorded, the duration is fixed.
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
  STDMETHODIMP ConvertTimeFormat(LONGLONG*, const GUID*, LONGLONG, const GUID*) override { return E_NOTIMPL; }
  STDMETHODIMP SetPositions(LONGLONG* pCurrent, DWORD dwCurrentFlags, LONGLONG* pStop, DWORD dwStopFlags) override;
  STDMETHODIMP GetPositions(LONGLONG* pCurrent, LONGLONG* pStop) override;
  STDMETHODIMP GetAvailable(LONGLONG*, LONGLONG*) override { return E_NOTIMPL; }
  STDMETHODIMP SetRate(double) override { return E_NOTIMPL; }
  STDMETHODIMP GetRate(double* pdRate) override;
  STDMETHODIMP GetPreroll(LONGLONG*) override { return E_NOTIMPL; }

  // IQualityControl
  STDMETHODIMP Notify(IBaseFilter*, Quality q) override;
  STDMETHODIMP SetSink(IQualityControl*) override { return S_OK; }

  HRESULT CheckMediaType(const AM_MEDIA_TYPE* pmt) override;
  HRESULT GetMediaType(int iPosition, AM_MEDIA_TYPE* pmt) override;
  HRESULT DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pRequest) override;

  // The type offered and accepted (the pin stopped and unconnected).
  HRESULT SetType(const AM_MEDIA_TYPE* pmt);

  static constexpr LONGLONG kDuration = 100000000;  // 10 s
  std::atomic<LONGLONG> m_tSeekCurrent{-1}, m_tSeekStop{-1};
  std::atomic<int> m_cQuality{0};
  std::atomic<LONGLONG> m_tQualityLate{0};

protected:
  HRESULT GetInterface(REFIID riid, void** ppv) override;

private:
  dshow::CMediaType m_type;  // under both locks
};

class CTestSource : public dshow::CBaseFilter {
public:
  // A new source of cx x cy bottom-up RGB32 with one reference.
  static HRESULT Create(int cx, int cy, CTestSource** ppSource);

  int GetPinCount() override { return 1; }
  dshow::CBasePin* GetPin(int n) override { return n == 0 ? &m_output : nullptr; }
  CTestSourcePin* Output() { return &m_output; }

  // Delivers a picture of the pin's type with the given times (the filter running or
  // paused); the downstream pin's answer.
  HRESULT Push(const Picture& picture, REFERENCE_TIME tStart, REFERENCE_TIME tStop);

private:
  CTestSource();

  CTestSourcePin m_output;
};

}  // namespace filtercheck
