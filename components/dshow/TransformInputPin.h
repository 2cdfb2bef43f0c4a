// CTransformInputPin: a transform's input. Types are the filter's to judge
// (CheckInputType); samples go to CTransformFilter::Receive, and the end of
// stream, flushes and segments are passed on to the output's peer.
#pragma once

#include "InputPin.h"

namespace dshow {

class CTransformFilter;

class CTransformInputPin : public CInputPin {
public:
  CTransformInputPin(CTransformFilter* pFilter, LPCWSTR pszName);

  // IPin
  STDMETHODIMP ReceiveConnection(IPin* pConnector, const AM_MEDIA_TYPE* pmt) override;

  HRESULT CheckMediaType(const AM_MEDIA_TYPE* pmt) override;
  HRESULT CompleteConnect(IPin* pPeer) override;
  HRESULT BreakConnect() override;
  HRESULT Active() override;
  HRESULT Inactive() override;

protected:
  HRESULT OnReceive(IMediaSample* pSample) override;
  HRESULT OnEndOfStream() override;
  HRESULT OnBeginFlush() override;
  HRESULT OnEndFlush() override;
  HRESULT OnNewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) override;

private:
  CTransformFilter* m_pTransform;
};

}  // namespace dshow
