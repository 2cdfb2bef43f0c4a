// Test support for graph files on Wine's real manager.
//
//   NewGraph        CLSID_FilterGraph as the bench creates it (the stand-in, through TreatAs)
//   WinesGraph      Wine's own manager, from the class object that TreatAs leaves alone
//   TempPath        a fresh path in the temporary folder
//   StreamOn        a memory stream holding bytes, positioned at its start
//   SaveToFile      a graph saved into a new compound file's "ActiveMovieGraph" stream
//   LoadFromFile    that stream loaded into a graph
//   FilterNamed     a graph's filter by its name
//   CurrentFile     a source filter's file
//   Topology        what a graph holds, read with the platform's own enumerators only
//   VideoInfoBytes  a VIDEOINFOHEADER of an RGB32 picture, as a format block
#pragma once

#include <dshow.h>

#include <atlcomcli.h>

#include <cstdint>
#include <string>
#include <vector>

ATL::CComPtr<IGraphBuilder> NewGraph();
ATL::CComPtr<IGraphBuilder> WinesGraph();
std::wstring TempPath(const wchar_t* pszSuffix);
ATL::CComPtr<IStream> StreamOn(const std::vector<uint8_t>& bytes);
HRESULT SaveToFile(IUnknown* pGraph, const std::wstring& path);
HRESULT LoadFromFile(IUnknown* pGraph, const std::wstring& path);
// The stream's position, from its start.
ULONGLONG PositionOf(IStream* pStream);

ATL::CComPtr<IBaseFilter> FilterNamed(IFilterGraph* pGraph, LPCWSTR pszName);
std::wstring CurrentFile(IBaseFilter* pSource);

struct Topology {
  // "name {class}", in the order EnumFilters gives them.
  std::vector<std::string> filters;
  // "filter.pin -> filter.pin major subtype formattype cbFormat" with a hash of the block.
  std::vector<std::string> connections;
  // Every filter of the graph, to compare identities before and after a refusal.
  std::vector<ATL::CComPtr<IBaseFilter>> objects;
};
Topology TopologyOf(IFilterGraph* pGraph);

std::vector<uint8_t> VideoInfoBytes(LONG cx, LONG cy);
