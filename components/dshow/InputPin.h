// CInputPin: an input pin with IMemInputPin — it accepts connections,
// provides or takes the allocator, and receives samples, flushes, the end of
// stream and new segments.
//
// Samples arrive on the upstream streaming thread, which holds the pin's
// stream lock across OnReceive; flushing and stopping take it after they have marked the
// pin, so they wait for a sample in progress. Hooks, none called with the
// filter lock: OnReceive (required), OnEndOfStream, OnEndFlush and
// OnNewSegment with the stream lock held; OnBeginFlush before it is taken, so
// that passing the flush on can release a sample blocked downstream.
#pragma once

#include "BasePin.h"

#include <atomic>

namespace dshow {

class CInputPin : public CBasePin, public IMemInputPin {
public:
  CInputPin(CBaseFilter* pFilter, LPCWSTR pszName);

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override { return CBasePin::QueryInterface(riid, ppv); }
  STDMETHODIMP_(ULONG) AddRef() override { return CBasePin::AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return CBasePin::Release(); }

  // IPin
  STDMETHODIMP Connect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt) override;
  STDMETHODIMP ReceiveConnection(IPin* pConnector, const AM_MEDIA_TYPE* pmt) override;
  STDMETHODIMP EndOfStream() override;
  STDMETHODIMP BeginFlush() override;
  STDMETHODIMP EndFlush() override;
  STDMETHODIMP NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) override;

  // IMemInputPin
  STDMETHODIMP GetAllocator(IMemAllocator** ppAllocator) override;
  STDMETHODIMP NotifyAllocator(IMemAllocator* pAllocator, BOOL bReadOnly) override;
  STDMETHODIMP GetAllocatorRequirements(ALLOCATOR_PROPERTIES* pProps) override;
  STDMETHODIMP Receive(IMediaSample* pSample) override;
  STDMETHODIMP ReceiveMultiple(IMediaSample** pSamples, long nSamples, long* nSamplesProcessed) override;
  STDMETHODIMP ReceiveCanBlock() override;

  HRESULT BreakConnect() override;
  HRESULT Active() override;
  HRESULT Inactive() override;

protected:
  HRESULT GetInterface(REFIID riid, void** ppv) override;

  virtual HRESULT OnReceive(IMediaSample* pSample) = 0;
  virtual HRESULT OnEndOfStream() { return S_OK; }
  virtual HRESULT OnBeginFlush() { return S_OK; }
  virtual HRESULT OnEndFlush() { return S_OK; }
  virtual HRESULT OnNewSegment(REFERENCE_TIME, REFERENCE_TIME, double) { return S_OK; }

private:
  // S_OK when a sample may be taken now.
  HRESULT CheckStreaming();

  CCritSec m_csStream;
  CComPtr<IMemAllocator> m_spAllocator;
  // Set by the application's threads, read by the streaming thread.
  std::atomic<bool> m_bFlushing{false};
  std::atomic<bool> m_bActive{false};
};

}  // namespace dshow
