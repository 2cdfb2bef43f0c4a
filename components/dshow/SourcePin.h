// CSourcePin: an output pin with a streaming thread and IMediaSeeking, for
// a source filter.
//
// The thread starts when the filter pauses from stopped and ends when it
// stops. It sends NewSegment, then asks FillBuffer for sample after sample
// and delivers them, until FillBuffer answers S_FALSE (end: EndOfStream is
// sent) or fails (EC_ERRORABORT to the graph), the pin is stopped or seeked,
// or downstream refuses a sample (it reports its own errors: the kit's
// transform sends EC_ERRORABORT when its transform fails).
// Relative and incremental seeks saturate before they are clamped to the
// stream. Quality messages are taken and ignored (IQualityControl).
// Positions are media time (100 ns). A seek while active flushes downstream
// and restarts the thread at the new position; while stopped it is kept for
// the next start. The thread never takes the filter lock.
// Hooks: FillBuffer (required; the sample's data, length and times),
// GetStreamDuration (required), and DecideBufferSize from COutputPin.
#pragma once

#include <atlhandle.h>

#include "OutputPin.h"

namespace dshow {

class CSourcePin : public COutputPin, public IMediaSeeking, public IQualityControl {
public:
  // What the thread plays: from rtStart (a stream position) to rtStop.
  struct Segment {
    REFERENCE_TIME rtStart;
    REFERENCE_TIME rtStop;
  };

  CSourcePin(CBaseFilter* pFilter, LPCWSTR pszName);
  ~CSourcePin() override;

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override { return CBasePin::QueryInterface(riid, ppv); }
  STDMETHODIMP_(ULONG) AddRef() override { return CBasePin::AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return CBasePin::Release(); }

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

  // IQualityControl: quality messages from downstream are taken and ignored.
  STDMETHODIMP Notify(IBaseFilter* pSelf, Quality q) override;
  STDMETHODIMP SetSink(IQualityControl* piqc) override;

  HRESULT Active() override;
  HRESULT Inactive() override;

protected:
  HRESULT GetInterface(REFIID riid, void** ppv) override;

  // Fills sample iSample (0 at the segment's start) of seg; S_FALSE: no more.
  virtual HRESULT FillBuffer(IMediaSample* pSample, const Segment& seg, LONGLONG iSample) = 0;
  virtual HRESULT GetStreamDuration(REFERENCE_TIME* prtDuration) = 0;

private:
  static DWORD WINAPI ThreadProc(void* pv);
  DWORD Stream();
  HRESULT StartThread();
  void StopThread();
  bool StopRequested() const;
  // The segment to play; the stop follows the duration until it is set.
  HRESULT CurrentSegment(Segment* pSeg);

  CCritSec m_csPosition;  // m_seg, between seeking and the thread
  Segment m_seg = {0, 0};
  bool m_bStopSet = false;  // else the stop follows the duration
  ATL::CHandle m_hThread;
  ATL::CHandle m_hStop;  // manual reset; set: the thread is to end
};

}  // namespace dshow
