// CSinkFilter: a renderer-like sink for tests — one input pin that takes
// samples as fast as they come and records them (CSinkInputPin), and
// IMediaSeeking passed up to the source, so the graph's seeking reaches it.
//
//   CComPtr<CSinkFilter> spSink;  CSinkFilter::Create(&spSink);
//   spGraph->AddFilter(spSink, L"Sink");  ... ConnectDirect(out, spSink->Input(), nullptr)
#pragma once

#include <BaseFilter.h>
#include <SeekingPassThru.h>

#include "SinkInputPin.h"

// {2C2E5A0B-55D4-4D8B-9E0E-5E1C2B7C1A01}: a class id for the graph's sake, never registered.
inline constexpr CLSID CLSID_TestSink = {0x2c2e5a0b, 0x55d4, 0x4d8b, {0x9e, 0x0e, 0x5e, 0x1c, 0x2b, 0x7c, 0x1a, 0x01}};

class CSinkFilter : public dshow::CBaseFilter {
public:
  // A new sink with one reference.
  static HRESULT Create(CSinkFilter** ppSink);

  int GetPinCount() override { return 1; }
  dshow::CBasePin* GetPin(int n) override { return n == 0 ? &m_input : nullptr; }
  CSinkInputPin* Input() { return &m_input; }

protected:
  HRESULT GetInterface(REFIID riid, void** ppv) override;

private:
  CSinkFilter();

  CSinkInputPin m_input;
  dshow::CSeekingPassThru m_seeking;
};
