// DSGraph: stateless free functions over DirectShow filter graphs.
//
//   BuildFromGRF       fills a graph from a .grf file's "ActiveMovieGraph" stream
//   InsertFilter       creates a filter by class and adds it to a graph under a name
//   FindFilter         finds a graph's first filter of a class
//   GetPin             finds a filter's first pin by direction, connection and media type
//   CheckPin           tests the major type of a pin's first media type
//   RenderFilter       renders a filter's first unconnected output pin
//   ShowPropertyPages  shows a filter's property pages in the platform's frame
//
// An output argument must be free on entry; it is cleared before any work and
// receives one reference, which passes to the caller, only on S_OK.
#pragma once

#include <dshow.h>

HRESULT BuildFromGRF(IGraphBuilder* pGraph, LPCWSTR pszFile);

HRESULT InsertFilter(IGraphBuilder* pGraph, REFCLSID rclsid, LPCWSTR pszFilterName, IBaseFilter** ppFilter);
// S_FALSE when the graph holds no filter of that class.
HRESULT FindFilter(IGraphBuilder* pGraph, REFCLSID rclsid, IBaseFilter** ppFilter);

// majorType GUID_NULL makes no media-type test. S_FALSE when no pin qualifies.
HRESULT GetPin(IBaseFilter* pFilter, bool bInput, bool bConnected, REFGUID majorType, IPin** ppPin);
// S_FALSE when the pin's first media type has another major type.
HRESULT CheckPin(IPin* pPin, REFGUID majorType);
// IGraphBuilder::Render's result; S_FALSE when every output is connected.
HRESULT RenderFilter(IGraphBuilder* pGraph, IBaseFilter* pFilter);

// Returns once the frame is closed; S_FALSE for an object without pages.
HRESULT ShowPropertyPages(IUnknown* pUnknown, HWND hWndOwner);

