// CTestSink: the checker's sink filter — one input pin that takes RGB32 video (or, when
// told, nothing), offers an allocator of its own so that it sees the upstream pin's
// buffer request and the moment the allocator is decommitted, and records every sample
// (times, length, picture), segment, end of stream and flush, in arrival order.
// A probe, when set, runs on the streaming thread at each sample before it is recorded.
#pragma once

#include <BaseFilter.h>
#include <InputPin.h>
#include <atlhandle.h>

#include <functional>
#include <string>
#include <vector>

#include "Video.h"

namespace filtercheck {

// {6A1E0C52-3F4B-4C8E-9F61-2D7B8A3C5E11}: for the graph's sake only, never registered.
inline constexpr CLSID CLSID_CheckSink = {0x6a1e0c52, 0x3f4b, 0x4c8e, {0x9f, 0x61, 0x2d, 0x7b, 0x8a, 0x3c, 0x5e, 0x11}};

// The platform's memory allocator with a record of what it is asked.
class CRecordingAllocator : public IMemAllocator {
public:
  static HRESULT Create(CRecordingAllocator** ppAllocator);
  virtual ~CRecordingAllocator();

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override { return ::InterlockedIncrement(&m_cRef); }
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP SetProperties(ALLOCATOR_PROPERTIES* pRequest, ALLOCATOR_PROPERTIES* pActual) override;
  STDMETHODIMP GetProperties(ALLOCATOR_PROPERTIES* pProps) override { return m_pInner->GetProperties(pProps); }
  STDMETHODIMP Commit() override { return m_pInner->Commit(); }
  STDMETHODIMP Decommit() override;
  STDMETHODIMP GetBuffer(IMediaSample** ppBuffer, REFERENCE_TIME* ptStart, REFERENCE_TIME* ptEnd,
                         DWORD dwFlags) override {
    return m_pInner->GetBuffer(ppBuffer, ptStart, ptEnd, dwFlags);
  }
  STDMETHODIMP ReleaseBuffer(IMediaSample* pBuffer) override { return m_pInner->ReleaseBuffer(pBuffer); }

  long RequestedBuffer() const { return m_cbRequested; }
  // Signalled at each Decommit (auto reset).
  HANDLE DecommitEvent() const { return m_hDecommit; }

private:
  CRecordingAllocator() = default;

  LONG m_cRef = 1;
  IMemAllocator* m_pInner = nullptr;  // owned
  volatile long m_cbRequested = 0;
  ATL::CHandle m_hDecommit;
};

struct SinkEvent {
  enum Kind { Sample, Segment, EndOfStream, BeginFlush, EndFlush } kind;
  explicit SinkEvent(Kind k) : kind(k) {}
  bool bHasTime = false;
  REFERENCE_TIME tStart = 0, tStop = 0;
  double dRate = 0;
  long cbData = 0;
  Picture picture;  // as the connection type lays it out
};

class CTestSinkPin : public dshow::CInputPin {
public:
  explicit CTestSinkPin(dshow::CBaseFilter* pFilter);

  STDMETHODIMP GetAllocator(IMemAllocator** ppAllocator) override;
  STDMETHODIMP NotifyAllocator(IMemAllocator* pAllocator, BOOL bReadOnly) override;

  HRESULT CheckMediaType(const AM_MEDIA_TYPE* pmt) override;
  HRESULT GetMediaType(int iPosition, AM_MEDIA_TYPE* pmt) override;

  void AcceptNothing(bool bNothing) { m_bAcceptNothing = bNothing; }
  // Off: samples are recorded without their pictures (for timing).
  void KeepPictures(bool bKeep) { m_bKeepPictures = bKeep; }
  void SetProbe(std::function<void()> probe);
  std::vector<SinkEvent> Events();
  size_t SampleCount();
  void ClearEvents();
  // Waits, at most dwTimeout ms, until an event of that kind has come cCount times.
  bool WaitFor(SinkEvent::Kind kind, size_t cCount, DWORD dwTimeout);

  CRecordingAllocator* OwnAllocator() const { return m_pOwnAllocator; }
  bool NotifiedOwnAllocator() const { return m_bNotifiedOwn; }
  bool Notified() const { return m_bNotified; }

protected:
  HRESULT OnReceive(IMediaSample* pSample) override;
  HRESULT OnEndOfStream() override;
  HRESULT OnBeginFlush() override;
  HRESULT OnEndFlush() override;
  HRESULT OnNewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) override;

private:
  void Record(SinkEvent event);

  dshow::CCritSec m_csRecord;
  std::vector<SinkEvent> m_events;
  std::function<void()> m_probe;
  volatile bool m_bAcceptNothing = false;
  volatile bool m_bKeepPictures = true;
  volatile bool m_bNotified = false, m_bNotifiedOwn = false;
  CRecordingAllocator* m_pOwnAllocator = nullptr;  // owned, made at the first GetAllocator
  ATL::CHandle m_hChanged;                         // auto reset: something was recorded
};

class CTestSink : public dshow::CBaseFilter {
public:
  static HRESULT Create(CTestSink** ppSink);
  ~CTestSink() override;

  int GetPinCount() override { return 1; }
  dshow::CBasePin* GetPin(int n) override { return n == 0 ? &m_input : nullptr; }
  CTestSinkPin* Input() { return &m_input; }

private:
  CTestSink();

  CTestSinkPin m_input;
};

}  // namespace filtercheck
