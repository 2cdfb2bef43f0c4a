// CVideoGeneratorPin: the generator's output — RGB32 frames with a
// VIDEOINFOHEADER of the filter's size and rate, made by its streaming
// thread and time-stamped from the start of each segment.
#pragma once

#include <SourcePin.h>

#include "VideoGenerator.h"

class CVideoGenerator;

class CVideoGeneratorPin : public dshow::CSourcePin {
public:
  explicit CVideoGeneratorPin(CVideoGenerator* pGenerator);

  // The one type offered for these settings.
  static HRESULT BuildMediaType(const VideoGeneratorSettings& settings, dshow::CMediaType* pmt);

  HRESULT CheckMediaType(const AM_MEDIA_TYPE* pmt) override;
  HRESULT GetMediaType(int iPosition, AM_MEDIA_TYPE* pmt) override;
  HRESULT DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pRequest) override;

protected:
  HRESULT FillBuffer(IMediaSample* pSample, const Segment& seg, LONGLONG iSample) override;
  HRESULT GetStreamDuration(REFERENCE_TIME* prtDuration) override;

private:
  CVideoGenerator* m_pGenerator;
};
