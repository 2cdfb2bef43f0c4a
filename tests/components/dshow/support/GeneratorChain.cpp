#include "GeneratorChain.h"

#include <gtest/gtest.h>

#include "PinUtil.h"

using ATL::CComPtr;
using ATL::CComQIPtr;

HRESULT GeneratorChain::Build(const VideoGeneratorSettings& settings) {
  HRESULT hr = spGraph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER);
  if (FAILED(hr)) return hr;
  if (FAILED(hr = spGenerator.CoCreateInstance(CLSID_VideoGenerator, nullptr, CLSCTX_INPROC_SERVER))) return hr;
  CComQIPtr<IVideoGeneratorSettings> spSettings(spGenerator);
  if (!spSettings) return E_NOINTERFACE;
  if (FAILED(hr = spSettings->SetSettings(&settings))) return hr;
  if (FAILED(hr = spResizer.CoCreateInstance(CLSID_Resizer, nullptr, CLSCTX_INPROC_SERVER))) return hr;
  spControl = spResizer;
  if (!spControl) return E_NOINTERFACE;
  if (FAILED(hr = spGraph->AddFilter(spGenerator, L"Video Generator"))) return hr;
  if (FAILED(hr = spGraph->AddFilter(spResizer, L"Resizer"))) return hr;
  return spGraph->ConnectDirect(FirstPin(spGenerator, PINDIR_OUTPUT), ResizerPin(PINDIR_INPUT), nullptr);
}

HRESULT GeneratorChain::AddSink() {
  HRESULT hr = CSinkFilter::Create(&spSink);
  if (FAILED(hr)) return hr;
  spSink->Input()->KeepData(true);
  if (FAILED(hr = spGraph->AddFilter(spSink, L"Sink"))) return hr;
  return spGraph->ConnectDirect(ResizerPin(PINDIR_OUTPUT), spSink->Input(), nullptr);
}

HRESULT GeneratorChain::Render() {
  CComPtr<IPin> spOut = ResizerPin(PINDIR_OUTPUT);
  HRESULT hr = spGraph->Render(spOut);
  if (FAILED(hr)) return hr;
  return spOut->ConnectedTo(&spRendererIn);
}

CComPtr<IPin> GeneratorChain::ResizerPin(PIN_DIRECTION dir) { return FirstPin(spResizer, dir); }

HRESULT GeneratorChain::Control(HRESULT (STDMETHODCALLTYPE IMediaControl::*pfn)()) {
  CComQIPtr<IMediaControl> spMediaControl(spGraph);
  return spMediaControl ? (spMediaControl->*pfn)() : E_NOINTERFACE;
}

bool GeneratorChain::RunToEnd(DWORD dwTimeoutMs) {
  if (FAILED(Control(&IMediaControl::Run))) return false;
  const bool bEnded = spSink->Input()->WaitForEndOfStream(dwTimeoutMs);
  return SUCCEEDED(Control(&IMediaControl::Stop)) && bEnded;
}

SIZE GeneratorChain::VideoSize() {
  CComQIPtr<IBasicVideo, &IID_IBasicVideo> spBasicVideo(spGraph);
  long cx = 0, cy = 0;
  if (!spBasicVideo || FAILED(spBasicVideo->GetVideoSize(&cx, &cy))) return SIZE{0, 0};
  return SIZE{cx, cy};
}

void GeneratorChain::ExpectReleased() {
  spRendererIn.Release();
  spGraph.Release();
  spControl.Release();
  if (spSink) {
    EXPECT_EQ(0u, spSink.Detach()->Release());
  }
  EXPECT_EQ(0u, spResizer.Detach()->Release());
  EXPECT_EQ(0u, spGenerator.Detach()->Release());
}
