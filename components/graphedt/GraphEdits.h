// Changes to a filter graph, by the names the viewer shows.
//
//   FindPinByName    a filter's pin found by the filter's and the pin's names
//   RemoveNamedFilter  removes a filter from the graph (its connections go with it)
//   DisconnectOutput   breaks the connection of an output pin, on both sides
//   RenderFileWhole    the graph's RenderFile, all or nothing: on a refusal the filters it
//                      added are removed again
//   ConnectNamedPins   an output pin connected to an input pin, directly or intelligently
//   RenderNamedPin     the graph's Render on a pin
//   SeekGraph          the graph's position set to a part of its duration (a stop pointer
//                      is passed, as its proxy refuses a null one)
//   ReadPosition       the graph's position and duration; false, both 0, where it has none
// Each works on a graph of another process too, through its proxy.
#pragma once

#include <dshow.h>

#include <string>

HRESULT FindPinByName(IFilterGraph* pGraph, const std::wstring& filterName, const std::wstring& pinName, IPin** ppPin);
HRESULT RemoveNamedFilter(IFilterGraph* pGraph, const std::wstring& filterName);
HRESULT DisconnectOutput(IFilterGraph* pGraph, const std::wstring& filterName, const std::wstring& pinName);
HRESULT RenderFileWhole(IGraphBuilder* pGraph, LPCWSTR pszFile);

struct PinName {
  std::wstring filter;
  std::wstring pin;
};
HRESULT ConnectNamedPins(IGraphBuilder* pGraph, const PinName& out, const PinName& in, bool bIntelligent);
HRESULT RenderNamedPin(IGraphBuilder* pGraph, const PinName& pin);
HRESULT SeekGraph(IFilterGraph* pGraph, LONG nPart, LONG nWhole);
bool ReadPosition(IFilterGraph* pGraph, LONGLONG* pllPosition, LONGLONG* pllDuration);
