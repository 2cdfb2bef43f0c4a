// CSinkInputPin: the test sink's input. It accepts the types that match a
// partial type (GUID_NULL fields match anything), records every sample —
// times, flags, length and, when asked, a copy of the data — and every
// segment and end of stream, and signals an event at the end.
#pragma once

#include <InputPin.h>
#include <atlhandle.h>

#include <functional>
#include <memory>
#include <vector>

struct SinkSegment {
  REFERENCE_TIME tStart, tStop;
  double dRate;
};

struct SinkSample {
  bool bHasTime;
  REFERENCE_TIME tStart, tStop;
  bool bHasMediaTime;
  LONGLONG tMediaStart, tMediaStop;
  bool bSyncPoint, bDiscontinuity;
  LONG cbData;
  std::vector<BYTE> data;  // empty unless kept
};

class CSinkInputPin : public dshow::CInputPin {
public:
  explicit CSinkInputPin(dshow::CBaseFilter* pFilter);

  // IPin
  STDMETHODIMP Disconnect() override;

  HRESULT CheckMediaType(const AM_MEDIA_TYPE* pmt) override;
  HRESULT GetMediaType(int iPosition, AM_MEDIA_TYPE* pmt) override;

  // Calls a test makes from inside the graph: at each sample on the streaming thread,
  // before it is recorded (a failure refuses the sample), and at each Disconnect before
  // the pin lets go (in the middle of the graph's reconnection, no filter lock held).
  void SetReceiveProbe(std::function<HRESULT(IMediaSample*)> probe);
  void SetDisconnectProbe(std::function<void()> probe);

  // The sink's record, read on the test's thread.
  void Accept(const AM_MEDIA_TYPE* pPartial);
  void KeepData(bool bKeep) { m_bKeepData = bKeep; }
  std::vector<SinkSample> Samples();
  std::vector<SinkSegment> Segments();
  void ClearRecord();
  int EndOfStreamCount();
  // Waits, at most dwTimeout ms, for an end of stream.
  bool WaitForEndOfStream(DWORD dwTimeout);
  // Waits, at most dwTimeout ms, until cSamples have arrived.
  bool WaitForSamples(size_t cSamples, DWORD dwTimeout);

protected:
  HRESULT OnReceive(IMediaSample* pSample) override;
  HRESULT OnEndOfStream() override;
  HRESULT OnNewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) override;

private:
  dshow::CCritSec m_csRecord;
  dshow::CMediaType m_accepted;
  bool m_bKeepData = false;
  std::vector<SinkSample> m_samples;
  std::vector<SinkSegment> m_segments;
  int m_cEndOfStream = 0;
  // Shared, so that the streaming thread takes one without copying (which may throw).
  std::shared_ptr<const std::function<HRESULT(IMediaSample*)>> m_spReceiveProbe;
  std::shared_ptr<const std::function<void()>> m_spDisconnectProbe;
  ATL::CHandle m_hChanged;  // auto reset: something was recorded
};
