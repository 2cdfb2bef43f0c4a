// CTransformOutputPin: a transform's output. It offers the filter's output
// types for the connected input, checks types with CheckTransform, sizes
// its allocator with the filter's DecideBufferSize, and answers
// IMediaSeeking by passing it upstream of the input.
#pragma once

#include "OutputPin.h"
#include "SeekingPassThru.h"

namespace dshow {

class CTransformFilter;

class CTransformOutputPin : public COutputPin {
public:
  CTransformOutputPin(CTransformFilter* pFilter, LPCWSTR pszName);

  STDMETHODIMP Connect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt) override;

  HRESULT CheckMediaType(const AM_MEDIA_TYPE* pmt) override;
  HRESULT GetMediaType(int iPosition, AM_MEDIA_TYPE* pmt) override;
  HRESULT SetMediaType(const AM_MEDIA_TYPE* pmt) override;
  HRESULT DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pRequest) override;

protected:
  HRESULT GetInterface(REFIID riid, void** ppv) override;

private:
  CTransformFilter* m_pTransform;
  CSeekingPassThru m_seeking;
};

}  // namespace dshow
