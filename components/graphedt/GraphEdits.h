// Changes to a filter graph, by the names the viewer shows.
//
//   FindPinByName    a filter's pin found by the filter's and the pin's names
//   RemoveNamedFilter  removes a filter from the graph (its connections go with it)
//   DisconnectOutput   breaks the connection of an output pin, on both sides
//   RenderFileWhole    the graph's RenderFile, all or nothing: on a refusal the filters it
//                      added are removed again
#pragma once

#include <dshow.h>

#include <string>

HRESULT FindPinByName(IFilterGraph* pGraph, const std::wstring& filterName, const std::wstring& pinName, IPin** ppPin);
HRESULT RemoveNamedFilter(IFilterGraph* pGraph, const std::wstring& filterName);
HRESULT DisconnectOutput(IFilterGraph* pGraph, const std::wstring& filterName, const std::wstring& pinName);
HRESULT RenderFileWhole(IGraphBuilder* pGraph, LPCWSTR pszFile);
