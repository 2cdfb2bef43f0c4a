// COutputPin: an output pin — connection with media-type negotiation, the
// allocator negotiation with the peer's IMemInputPin, and delivery.
//
// Connect tries a complete type given by the caller, else this pin's
// preferred types, then the peer's, each filtered by CheckMediaType. When
// no type connects, it answers why the last agreed type failed (say, no
// allocator), or VFW_E_NO_ACCEPTABLE_TYPES when no type was agreed.
// Hook: DecideBufferSize (required) sets the allocator's properties from the
// peer's request in *pRequest; the allocator offered by the peer is tried
// first, then the platform's CLSID_MemoryAllocator.
#pragma once

#include "BasePin.h"

namespace dshow {

class COutputPin : public CBasePin {
public:
  COutputPin(CBaseFilter* pFilter, LPCWSTR pszName);

  // IPin
  STDMETHODIMP Connect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt) override;
  STDMETHODIMP ReceiveConnection(IPin* pConnector, const AM_MEDIA_TYPE* pmt) override;
  STDMETHODIMP EndOfStream() override;
  STDMETHODIMP BeginFlush() override;
  STDMETHODIMP EndFlush() override;
  STDMETHODIMP NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) override;

  HRESULT CompleteConnect(IPin* pPeer) override;
  HRESULT BreakConnect() override;
  HRESULT Active() override;
  HRESULT Inactive() override;

  virtual HRESULT DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pRequest) = 0;

  // For the streaming thread (connected, not stopped).
  HRESULT GetDeliveryBuffer(IMediaSample** ppSample);
  HRESULT Deliver(IMediaSample* pSample);
  HRESULT DeliverEndOfStream();
  HRESULT DeliverBeginFlush();
  HRESULT DeliverEndFlush();
  HRESULT DeliverNewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate);
  IMemAllocator* Allocator() const { return m_spAllocator; }

private:
  // *pbAgreed: the peer took the type, whatever failed after.
  HRESULT AttemptConnection(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt, bool* pbAgreed);
  // S_OK when one of the types connected; else *phrAgreed holds the failure
  // after a type both pins agreed on (allocator, transport), if any.
  HRESULT TryTypes(IPin* pReceivePin, const AM_MEDIA_TYPE* pPartial, IEnumMediaTypes* pEnum, HRESULT* phrAgreed);
  HRESULT TryAllocator(IMemAllocator* pAlloc, const ALLOCATOR_PROPERTIES& request);

  CComPtr<IMemInputPin> m_spMemInput;
  CComPtr<IMemAllocator> m_spAllocator;
};

}  // namespace dshow
