// CTransformOutputPin: a transform's output. It offers the filter's output
// types for the connected input, checks types with CheckTransform, sizes
// its allocator with the filter's DecideBufferSize, and answers
// IMediaSeeking by passing it upstream of the input.
// IQualityControl: a renderer's quality message goes, sent in this filter's
// name, to the sink set with SetSink (held without a reference, as the
// interface has it), or else to the pin upstream of the input; VFW_E_NOT_FOUND when
// there is no pin upstream that takes them. No filter lock: a renderer sends
// them from its streaming thread.
#pragma once

#include <atomic>

#include "OutputPin.h"
#include "SeekingPassThru.h"

namespace dshow {

class CTransformFilter;

class CTransformOutputPin : public COutputPin, public IQualityControl {
public:
  CTransformOutputPin(CTransformFilter* pFilter, LPCWSTR pszName);

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override { return CBasePin::QueryInterface(riid, ppv); }
  STDMETHODIMP_(ULONG) AddRef() override { return CBasePin::AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return CBasePin::Release(); }

  // IPin
  STDMETHODIMP Connect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt) override;

  // IQualityControl
  STDMETHODIMP Notify(IBaseFilter* pSelf, Quality q) override;
  STDMETHODIMP SetSink(IQualityControl* piqc) override;

  HRESULT CheckMediaType(const AM_MEDIA_TYPE* pmt) override;
  HRESULT GetMediaType(int iPosition, AM_MEDIA_TYPE* pmt) override;
  HRESULT SetMediaType(const AM_MEDIA_TYPE* pmt) override;
  HRESULT DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pRequest) override;

protected:
  HRESULT GetInterface(REFIID riid, void** ppv) override;

private:
  CTransformFilter* m_pTransform;
  CSeekingPassThru m_seeking;
  std::atomic<IQualityControl*> m_pQualitySink{nullptr};  // not referenced
};

}  // namespace dshow
