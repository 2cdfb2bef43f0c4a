// CLateCounter: a pass-through filter of the kit for RGB32 video that counts
// the frames reaching it after their start time on the graph clock. Placed
// just before a renderer that reports no quality figures of its own (Wine's
// has no IQualProp), it tells how many frames the renderer got late. Samples
// go on as they came (the renderer takes them from upstream's allocator), so
// it costs the chain no copy.
//
// Locks: the filter lock (the kit's) is never taken on the streaming thread;
// m_cs, innermost, guards the clock, the run's start time and the counts.
#pragma once

#include <BaseFilter.h>
#include <InputPin.h>
#include <OutputPin.h>
#include <SeekingPassThru.h>

#include <vector>

class CLateCounter;

class CLateCounterInput : public dshow::CInputPin {
public:
  explicit CLateCounterInput(CLateCounter* pFilter);
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* pmt) override;

protected:
  HRESULT OnReceive(IMediaSample* pSample) override;
  HRESULT OnEndOfStream() override;
  HRESULT OnBeginFlush() override;
  HRESULT OnEndFlush() override;
  HRESULT OnNewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) override;

private:
  CLateCounter* m_pCounter;
};

// Offers the input's type, and seeking passed upstream of the input.
class CLateCounterOutput : public dshow::COutputPin {
public:
  explicit CLateCounterOutput(CLateCounter* pFilter);
  STDMETHODIMP Connect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt) override;
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* pmt) override;
  HRESULT GetMediaType(int iPosition, AM_MEDIA_TYPE* pmt) override;
  HRESULT DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pRequest) override;

protected:
  HRESULT GetInterface(REFIID riid, void** ppv) override;

private:
  CLateCounter* m_pCounter;
  dshow::CSeekingPassThru m_seeking;
};

class CLateCounter : public dshow::CBaseFilter {
public:
  struct Counts {
    LONG cFrames = 0;               // frames that arrived while running
    LONG cLate = 0;                 // of those, after their start time
    REFERENCE_TIME rtMinSlack = 0;  // least of (start time - stream time) over them; < 0: late
    REFERENCE_TIME rtMedianSlack = 0;  // and its median: the margin a frame has as a rule
    REFERENCE_TIME rtRunStart = 0;  // the last run's start time on the graph clock
  };

  CLateCounter();

  Counts Read();

  int GetPinCount() override { return 2; }
  dshow::CBasePin* GetPin(int n) override;
  CLateCounterInput* Input() { return &m_input; }
  CLateCounterOutput* Output() { return &m_output; }

  // From the input, on the streaming thread.
  void Count(IMediaSample* pSample);

protected:
  HRESULT OnRun(REFERENCE_TIME tStart) override;
  HRESULT OnPause() override;
  HRESULT OnStop() override;

private:
  CLateCounterInput m_input;
  CLateCounterOutput m_output;
  dshow::CCritSec m_cs;
  ATL::CComPtr<IReferenceClock> m_spClock;
  bool m_bRunning = false;
  Counts m_counts;
  std::vector<REFERENCE_TIME> m_slacks;  // reserved: the streaming thread never allocates
};
