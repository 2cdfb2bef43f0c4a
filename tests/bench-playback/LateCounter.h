// CLateCounter: a transform of the kit that passes RGB32 video through
// unchanged (one copy a frame) and counts the frames that reach it after their
// start time on the graph clock. Placed just before a renderer that reports
// no quality figures of its own (Wine's has no IQualProp), it tells how many
// frames the renderer got late.
//
// Locks: the filter lock (the kit's) is never taken on the streaming thread;
// m_cs, innermost, guards the clock, the run's start time and the counts.
#pragma once

#include <TransformFilter.h>

class CLateCounter : public dshow::CTransformFilter {
public:
  struct Counts {
    LONG cFrames = 0;               // frames that arrived while running
    LONG cLate = 0;                 // of those, after their start time
    REFERENCE_TIME rtMinSlack = 0;  // least of (start time - stream time) over them; < 0: late
    double msCopy = 0;              // time spent copying, all frames
    REFERENCE_TIME rtRunStart = 0;  // the last run's start time on the graph clock
  };

  CLateCounter();

  Counts Read();

  HRESULT CheckInputType(const AM_MEDIA_TYPE* pmt) override;
  HRESULT GetOutputType(int iPosition, AM_MEDIA_TYPE* pmt) override;
  HRESULT CheckTransform(const AM_MEDIA_TYPE* pmtIn, const AM_MEDIA_TYPE* pmtOut) override;
  HRESULT DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pRequest) override;
  HRESULT Transform(IMediaSample* pIn, IMediaSample* pOut) override;

protected:
  HRESULT OnRun(REFERENCE_TIME tStart) override;
  HRESULT OnPause() override;
  HRESULT OnStop() override;

private:
  void Count(IMediaSample* pSample);

  dshow::CCritSec m_cs;
  ATL::CComPtr<IReferenceClock> m_spClock;
  bool m_bRunning = false;
  Counts m_counts;
  LARGE_INTEGER m_qpcFrequency;
};
