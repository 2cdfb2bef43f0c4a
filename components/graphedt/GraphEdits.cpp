#include "GraphEdits.h"

#include <atlcomcli.h>

#include <algorithm>
#include <vector>

using ATL::CComPtr;
using ATL::CComQIPtr;

namespace {

HRESULT ListFilters(IFilterGraph* pGraph, std::vector<CComPtr<IBaseFilter>>* pFilters) {
  CComPtr<IEnumFilters> spEnum;
  HRESULT hr = pGraph->EnumFilters(&spEnum);
  if (FAILED(hr)) return hr;
  if (!spEnum) return E_UNEXPECTED;
  for (;;) {
    CComPtr<IBaseFilter> spFilter;
    ULONG cFetched = 0;
    hr = spEnum->Next(1, &spFilter, &cFetched);
    if (FAILED(hr)) return hr;
    if (hr != S_OK || cFetched != 1 || !spFilter) return S_OK;
    pFilters->push_back(spFilter);
  }
}

}  // namespace

HRESULT FindPinByName(IFilterGraph* pGraph, const std::wstring& filterName, const std::wstring& pinName, IPin** ppPin) {
  if (!pGraph || !ppPin) return E_POINTER;
  *ppPin = nullptr;
  CComPtr<IBaseFilter> spFilter;
  HRESULT hr = pGraph->FindFilterByName(filterName.c_str(), &spFilter);
  if (FAILED(hr)) return hr;
  if (!spFilter) return VFW_E_NOT_FOUND;
  CComPtr<IEnumPins> spEnum;
  if (FAILED(hr = spFilter->EnumPins(&spEnum))) return hr;
  if (!spEnum) return VFW_E_NOT_FOUND;
  for (;;) {
    CComPtr<IPin> spPin;
    ULONG cFetched = 0;
    if (spEnum->Next(1, &spPin, &cFetched) != S_OK || cFetched != 1 || !spPin) return VFW_E_NOT_FOUND;
    PIN_INFO info = {};
    if (FAILED(spPin->QueryPinInfo(&info))) continue;
    if (info.pFilter) info.pFilter->Release();
    info.achName[MAX_PIN_NAME - 1] = L'\0';
    if (pinName == info.achName) {
      *ppPin = spPin.Detach();
      return S_OK;
    }
  }
}

HRESULT RemoveNamedFilter(IFilterGraph* pGraph, const std::wstring& filterName) {
  if (!pGraph) return E_POINTER;
  CComPtr<IBaseFilter> spFilter;
  HRESULT hr = pGraph->FindFilterByName(filterName.c_str(), &spFilter);
  if (FAILED(hr)) return hr;
  if (!spFilter) return VFW_E_NOT_FOUND;
  return pGraph->RemoveFilter(spFilter);
}

// The graph's Disconnect on each side: a pin's own Disconnect would leave its peer connected.
HRESULT DisconnectOutput(IFilterGraph* pGraph, const std::wstring& filterName, const std::wstring& pinName) {
  CComPtr<IPin> spOut, spIn;
  HRESULT hr = FindPinByName(pGraph, filterName, pinName, &spOut);
  if (FAILED(hr)) return hr;
  if (FAILED(hr = spOut->ConnectedTo(&spIn))) return hr;
  if (!spIn) return VFW_E_NOT_CONNECTED;
  if (FAILED(hr = pGraph->Disconnect(spOut))) return hr;
  return pGraph->Disconnect(spIn);
}

HRESULT RenderFileWhole(IGraphBuilder* pGraph, LPCWSTR pszFile) {
  if (!pGraph || !pszFile) return E_POINTER;
  std::vector<CComPtr<IBaseFilter>> before;
  HRESULT hr = ListFilters(pGraph, &before);
  if (FAILED(hr)) return hr;
  const HRESULT hrRender = pGraph->RenderFile(pszFile, nullptr);
  if (SUCCEEDED(hrRender)) return hrRender;
  std::vector<CComPtr<IBaseFilter>> after;
  if (SUCCEEDED(ListFilters(pGraph, &after)))
    for (const CComPtr<IBaseFilter>& spFilter : after)
      if (std::find(before.begin(), before.end(), spFilter) == before.end()) pGraph->RemoveFilter(spFilter);
  return hrRender;
}

HRESULT ConnectNamedPins(IGraphBuilder* pGraph, const PinName& out, const PinName& in, bool bIntelligent) {
  if (!pGraph) return E_POINTER;
  CComPtr<IPin> spOut, spIn;
  HRESULT hr = FindPinByName(pGraph, out.filter, out.pin, &spOut);
  if (FAILED(hr)) return hr;
  if (FAILED(hr = FindPinByName(pGraph, in.filter, in.pin, &spIn))) return hr;
  return bIntelligent ? pGraph->Connect(spOut, spIn) : pGraph->ConnectDirect(spOut, spIn, nullptr);
}

HRESULT RenderNamedPin(IGraphBuilder* pGraph, const PinName& pin) {
  if (!pGraph) return E_POINTER;
  CComPtr<IPin> spPin;
  const HRESULT hr = FindPinByName(pGraph, pin.filter, pin.pin, &spPin);
  return FAILED(hr) ? hr : pGraph->Render(spPin);
}

HRESULT SeekGraph(IFilterGraph* pGraph, LONG nPart, LONG nWhole) {
  if (nWhole <= 0) return E_INVALIDARG;
  CComQIPtr<IMediaSeeking, &IID_IMediaSeeking> spSeeking(pGraph);
  if (!spSeeking) return E_NOINTERFACE;
  LONGLONG llDuration = 0;
  const HRESULT hr = spSeeking->GetDuration(&llDuration);
  if (FAILED(hr)) return hr;
  LONGLONG llPosition = llDuration * nPart / nWhole, llStop = 0;
  return spSeeking->SetPositions(&llPosition, AM_SEEKING_AbsolutePositioning, &llStop, AM_SEEKING_NoPositioning);
}

bool ReadPosition(IFilterGraph* pGraph, LONGLONG* pllPosition, LONGLONG* pllDuration) {
  CComQIPtr<IMediaSeeking, &IID_IMediaSeeking> spSeeking(pGraph);
  const bool bKnown = spSeeking && SUCCEEDED(spSeeking->GetDuration(pllDuration)) && *pllDuration > 0 &&
                      SUCCEEDED(spSeeking->GetCurrentPosition(pllPosition));
  if (!bKnown) *pllDuration = *pllPosition = 0;
  return bKnown;
}
