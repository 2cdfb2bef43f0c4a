#include "GraphModel.h"

#include <control.h>

#include <atlcomcli.h>

#include "GraphDescCom.h"
#include "MediaType.h"
#include "MediaTypeText.h"

#include <algorithm>

using ATL::CComPtr;
using ATL::CComQIPtr;

namespace {

struct PinEntry {
  CComPtr<IPin> spPin;
  CComPtr<IUnknown> spIdentity;
};

struct FilterEntry {
  CComPtr<IUnknown> spIdentity;
  std::vector<PinEntry> pins;
};

CComPtr<IUnknown> Identity(IUnknown* pUnk) {
  CComPtr<IUnknown> spIdentity;
  if (pUnk) pUnk->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&spIdentity));
  return spIdentity;
}

// What a call answers when it claims success but hands out no object.
const HRESULT kNoObject = E_UNEXPECTED;

// The types a pin prefers, as many as kMaxTypes; a pin that offers none, or refuses, has none.
HRESULT ReadPreferredTypes(IPin* pPin, PinModel* pPinModel) {
  CComPtr<IEnumMediaTypes> spEnum;
  HRESULT hr = pPin->EnumMediaTypes(&spEnum);
  if (IsLostServer(hr)) return hr;
  if (FAILED(hr) || !spEnum) return S_OK;
  while (pPinModel->types.size() < PinModel::kMaxTypes) {
    AM_MEDIA_TYPE* pmt = nullptr;
    ULONG cFetched = 0;
    hr = spEnum->Next(1, &pmt, &cFetched);
    if (IsLostServer(hr)) return hr;
    if (hr != S_OK || cFetched != 1 || !pmt) {
      if (pmt) dshow::DeleteMediaType(pmt);
      return S_OK;
    }
    pPinModel->types.push_back(ToMediaTypeDesc(*pmt));
    dshow::DeleteMediaType(pmt);
  }
  return S_OK;
}

HRESULT ReadPins(IBaseFilter* pFilter, FilterModel* pFilterModel, FilterEntry* pEntry) {
  CComPtr<IEnumPins> spEnum;
  HRESULT hr = pFilter->EnumPins(&spEnum);
  if (FAILED(hr)) return hr;
  if (!spEnum) return kNoObject;
  for (;;) {
    CComPtr<IPin> spPin;
    ULONG cFetched = 0;
    hr = spEnum->Next(1, &spPin, &cFetched);
    if (FAILED(hr)) return hr;
    if (hr != S_OK || cFetched != 1) return S_OK;
    if (!spPin) return kNoObject;
    PIN_INFO info = {};
    if (FAILED(hr = spPin->QueryPinInfo(&info))) return hr;
    if (info.pFilter) info.pFilter->Release();
    info.achName[MAX_PIN_NAME - 1] = L'\0';
    PinModel pin;
    pin.name = info.achName;
    pin.bOutput = info.dir == PINDIR_OUTPUT;
    pFilterModel->pins.push_back(pin);
    pEntry->pins.push_back({spPin, Identity(spPin)});
  }
}

// Finds a pin among those read, by COM identity: proxies of one object share it.
bool FindPin(const std::vector<FilterEntry>& entries, IUnknown* pIdentity, int* pnFilter, int* pnPin) {
  for (size_t f = 0; f < entries.size(); ++f)
    for (size_t p = 0; p < entries[f].pins.size(); ++p)
      if (entries[f].pins[p].spIdentity == pIdentity) {
        *pnFilter = static_cast<int>(f);
        *pnPin = static_cast<int>(p);
        return true;
      }
  return false;
}

HRESULT ReadConnections(const std::vector<FilterEntry>& entries, GraphModel* pModel) {
  for (size_t f = 0; f < entries.size(); ++f) {
    for (size_t p = 0; p < entries[f].pins.size(); ++p) {
      IPin* pPin = entries[f].pins[p].spPin;
      PinModel& pin = pModel->filters[f].pins[p];
      CComPtr<IPin> spPeer;
      HRESULT hr = pPin->ConnectedTo(&spPeer);
      if (IsLostServer(hr)) return hr;
      // A peer that went away, or one outside the graph, leaves the pin shown unconnected.
      const CComPtr<IUnknown> spPeerIdentity = SUCCEEDED(hr) ? Identity(spPeer) : nullptr;
      if (!spPeerIdentity || !FindPin(entries, spPeerIdentity, &pin.nPeerFilter, &pin.nPeerPin)) {
        if (FAILED(hr = ReadPreferredTypes(pPin, &pin))) return hr;
        continue;
      }
      AM_MEDIA_TYPE mt = {};
      hr = pPin->ConnectionMediaType(&mt);
      if (IsLostServer(hr)) return hr;
      if (SUCCEEDED(hr)) {
        if (pin.bOutput) pin.mediaType = DescribeMediaType(mt);
        pin.types.push_back(ToMediaTypeDesc(mt));
        FreeMediaTypeBlock(&mt);
      }
    }
  }
  return S_OK;
}

}  // namespace

std::vector<ConnectionRef> GraphModel::Connections() const {
  std::vector<ConnectionRef> connections;
  for (size_t f = 0; f < filters.size(); ++f)
    for (size_t p = 0; p < filters[f].pins.size(); ++p)
      if (filters[f].pins[p].bOutput && filters[f].pins[p].nPeerFilter >= 0)
        connections.push_back({static_cast<int>(f), static_cast<int>(p)});
  return connections;
}

std::wstring GraphModel::ConnectionName(const ConnectionRef& connection) const {
  const FilterModel& filter = filters[connection.nFilter];
  const PinModel& pin = filter.pins[connection.nPin];
  const FilterModel& peerFilter = filters[pin.nPeerFilter];
  return filter.name + L"." + pin.name + L" -> " + peerFilter.name + L"." + peerFilter.pins[pin.nPeerPin].name;
}

bool IsLostServer(HRESULT hr) {
  switch (hr) {
    case RPC_E_DISCONNECTED:
    case RPC_E_SERVER_DIED:
    case RPC_E_SERVER_DIED_DNE:
    case CO_E_OBJNOTCONNECTED:
    case HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE):
    case HRESULT_FROM_WIN32(RPC_S_CALL_FAILED):
    case HRESULT_FROM_WIN32(RPC_S_CALL_FAILED_DNE):
      return true;
    default:
      return false;
  }
}

HRESULT ReadGraph(IFilterGraph* pGraph, GraphModel* pModel) {
  if (!pGraph || !pModel) return E_POINTER;
  GraphModel model;
  std::vector<FilterEntry> entries;
  CComPtr<IEnumFilters> spEnum;
  HRESULT hr = pGraph->EnumFilters(&spEnum);
  if (FAILED(hr)) return hr;
  if (!spEnum) return kNoObject;
  for (;;) {
    // One at a time with a count of fetched filters: the only form that crosses processes.
    CComPtr<IBaseFilter> spFilter;
    ULONG cFetched = 0;
    hr = spEnum->Next(1, &spFilter, &cFetched);
    if (FAILED(hr)) return hr;
    if (hr != S_OK || cFetched != 1) break;
    if (!spFilter) return kNoObject;
    FILTER_INFO info = {};
    if (FAILED(hr = spFilter->QueryFilterInfo(&info))) return hr;
    if (info.pGraph) info.pGraph->Release();
    info.achName[MAX_FILTER_NAME - 1] = L'\0';
    FilterModel filter;
    filter.name = info.achName;
    hr = spFilter->GetClassID(&filter.clsid);
    if (IsLostServer(hr)) return hr;
    if (FAILED(hr)) filter.clsid = CLSID_NULL;
    FilterEntry entry;
    entry.spIdentity = Identity(spFilter);
    if (FAILED(hr = ReadPins(spFilter, &filter, &entry))) return hr;
    model.filters.push_back(filter);
    entries.push_back(std::move(entry));
  }
  // The graph lists the filter added last first; the copy keeps the order of adding.
  std::reverse(model.filters.begin(), model.filters.end());
  std::reverse(entries.begin(), entries.end());
  if (FAILED(hr = ReadConnections(entries, &model))) return hr;

  CComQIPtr<IMediaControl, &IID_IMediaControl> spControl(pGraph);
  if (spControl) {
    OAFilterState state = State_Stopped;
    hr = spControl->GetState(0, &state);
    if (IsLostServer(hr)) return hr;
    model.bHasState = SUCCEEDED(hr);
    model.state = state;
  }
  *pModel = std::move(model);
  return S_OK;
}
