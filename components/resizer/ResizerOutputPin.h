// CResizerOutputPin: the resizer's output, RGB32 video of the output size.
//
// It offers one type, bottom-up RGB32 of the output size, and takes any RGB32 type of
// that size the downstream filter proposes (wider rows, top-down); it connects only
// once the input is. Seeking asked of it goes to the pin upstream of the input.
#pragma once

#include "OutputPin.h"
#include "SeekingPassThru.h"

namespace lumivar {

class CResizer;

class CResizerOutputPin : public dshow::COutputPin {
public:
  CResizerOutputPin(CResizer* pResizer, dshow::CBasePin* pInput);

  HRESULT CheckMediaType(const AM_MEDIA_TYPE* pmt) override;
  HRESULT GetMediaType(int iPosition, AM_MEDIA_TYPE* pmt) override;
  HRESULT SetMediaType(const AM_MEDIA_TYPE* pmt) override;
  HRESULT DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pRequest) override;

protected:
  HRESULT GetInterface(REFIID riid, void** ppv) override;

private:
  CResizer* m_pResizer;
  dshow::CSeekingPassThru m_seeking;
};

}  // namespace lumivar
