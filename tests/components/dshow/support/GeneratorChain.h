// Video Generator -> Resizer, and then the test sink or whatever the graph manager renders the
// Resizer's output with: the registered components in a real graph manager (Wine's), for any test
// that plays the chain.
//
//   GeneratorChain::Build        the graph, both filters, the generator's settings and their connection
//   GeneratorChain::AddSink      the test sink after the Resizer, keeping each sample's data
//   GeneratorChain::Render       the graph manager's renderer after the Resizer; spRendererIn its input
//   GeneratorChain::RunToEnd     runs until the sink has seen the end of the stream, then stops
//   GeneratorChain::ExpectReleased  the graph released first, then every object of ours, each to zero
#pragma once

#include <dshow.h>

#include <atlcomcli.h>

#include "IResizerControl.h"
#include "SinkFilter.h"
#include "VideoGenerator.h"

struct GeneratorChain {
  static constexpr DWORD kTimeout = 15000;  // ms, for anything the graph has to do

  ATL::CComPtr<IGraphBuilder> spGraph;
  ATL::CComPtr<IBaseFilter> spGenerator;
  ATL::CComPtr<IBaseFilter> spResizer;
  ATL::CComQIPtr<IResizerControl> spControl;
  ATL::CComPtr<CSinkFilter> spSink;
  ATL::CComPtr<IPin> spRendererIn;

  HRESULT Build(const VideoGeneratorSettings& settings);
  HRESULT AddSink();
  HRESULT Render();

  ATL::CComPtr<IPin> ResizerPin(PIN_DIRECTION dir);
  HRESULT Control(HRESULT (STDMETHODCALLTYPE IMediaControl::*pfn)());
  bool RunToEnd(DWORD dwTimeoutMs = kTimeout);
  // The renderer's video size (IBasicVideo); {0, 0} when it has none.
  SIZE VideoSize();
  void ExpectReleased();
};
