// CTransformFilter: a filter with one input and one output pin that turns
// each input sample into one output sample.
//
// Hooks for a transform (called with the locks noted; the order is in CritSec.h):
//   CheckInputType(pmt)            S_OK if the input may take pmt (filter lock
//                                  or inner lock)
//   GetOutputType(i, pmt)          the i-th output type to offer for the
//                                  connected input; VFW_S_NO_MORE_ITEMS past
//                                  the end (filter lock or inner lock)
//   CheckTransform(pmtIn, pmtOut)  S_OK if pmtIn can become pmtOut (filter lock
//                                  or inner lock)
//   DecideBufferSize(alloc, req)   the output allocator's properties for the
//                                  output type (filter lock)
//   Transform(pIn, pOut)           fills pOut from pIn; times, sync point and
//                                  discontinuity are copied already; S_FALSE
//                                  drops the sample (input's stream lock)
//   InputConnected(pmt)            the input connected with pmt; a failure
//                                  refuses the connection (filter lock)
//   AfterInputConnected()          then, with no lock held: the place for
//                                  graph calls (ReconnectOutput); a failure
//                                  undoes the input's connection and is
//                                  returned from ReceiveConnection
//   InputDisconnected()            the input's connection went (filter lock)
//   OutputTypeChosen(pmt)          the output's type, before the peer is asked;
//                                  a failure refuses it (filter lock)
// The three type hooks run under the inner lock when a peer asks (QueryAccept,
// EnumMediaTypes), maybe on its streaming thread: what they read is changed
// under both the filter lock and the inner lock.
// The output connects only once the input is connected, and stays connected
// when the input reconnects. A new output format (a new size, or an input
// that came back with a new type) is taken with ReconnectOutput while
// stopped: the graph disconnects the output and connects it again with the
// type offered now.
// A failed Transform ends the stream: EC_ERRORABORT with its code goes to the
// graph once, that sample and every later one until the next start from
// stopped is refused with the code, and the source, refused, stops sending.
// Seeking asked of the output pin goes to the pin upstream of the input;
// quality messages that reach the output go upstream too (or to a sink set on
// the output pin).
#pragma once

#include <atomic>

#include "BaseFilter.h"
#include "TransformInputPin.h"
#include "TransformOutputPin.h"

namespace dshow {

class CTransformFilter : public CBaseFilter {
public:
  explicit CTransformFilter(REFCLSID clsid);

  int GetPinCount() override { return 2; }
  CBasePin* GetPin(int n) override;

  virtual HRESULT CheckInputType(const AM_MEDIA_TYPE* pmt) = 0;
  virtual HRESULT GetOutputType(int iPosition, AM_MEDIA_TYPE* pmt) = 0;
  virtual HRESULT CheckTransform(const AM_MEDIA_TYPE* pmtIn, const AM_MEDIA_TYPE* pmtOut) = 0;
  virtual HRESULT DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pRequest) = 0;
  virtual HRESULT Transform(IMediaSample* pIn, IMediaSample* pOut) = 0;
  virtual HRESULT InputConnected(const AM_MEDIA_TYPE*) { return S_OK; }
  virtual HRESULT AfterInputConnected() { return S_OK; }
  virtual void InputDisconnected() {}
  virtual HRESULT OutputTypeChosen(const AM_MEDIA_TYPE*) { return S_OK; }

  // Reconnects a connected output with the first type GetOutputType offers
  // now, through the graph (IFilterGraph2::ReconnectEx). S_FALSE when the
  // output is not connected; VFW_E_NOT_STOPPED unless stopped. Call it
  // without holding the filter lock: the graph takes its own first.
  HRESULT ReconnectOutput();

  CTransformInputPin* Input() { return &m_input; }
  CTransformOutputPin* Output() { return &m_output; }

  // From the input pin, on the streaming thread.
  HRESULT Receive(IMediaSample* pSample);
  // From the input pin, as it becomes active: a new stream, no failure yet.
  void StreamStarting() { m_hrStream = S_OK; }

private:
  CTransformInputPin m_input;
  CTransformOutputPin m_output;
  // The failure that ended the stream, or S_OK; written and read on the streaming
  // thread, reset while no stream runs.
  std::atomic<HRESULT> m_hrStream{S_OK};
};

}  // namespace dshow
