// Describing a graph: its filters as they were added, each with the data its own
// persistence writes, and its connections ordered so that inputs come before outputs.
#include <atlcomcli.h>

#include <algorithm>
#include <vector>

#include "GraphDescCom.h"

using ATL::CComPtr;
using ATL::CComQIPtr;

namespace {

std::u16string Text(LPCWSTR psz) {
  return psz ? std::u16string(reinterpret_cast<const char16_t*>(psz)) : std::u16string();
}

struct TaskMemText {
  LPWSTR psz = nullptr;
  ~TaskMemText() { ::CoTaskMemFree(psz); }
};

void FreeMediaType(AM_MEDIA_TYPE& mt) {
  ::CoTaskMemFree(mt.pbFormat);
  if (mt.pUnk) mt.pUnk->Release();
  mt = AM_MEDIA_TYPE();
}

HRESULT ReadFilters(IFilterGraph* pGraph, std::vector<CComPtr<IBaseFilter>>* pFilters) {
  CComPtr<IEnumFilters> spEnum;
  HRESULT hr = pGraph->EnumFilters(&spEnum);
  if (FAILED(hr)) return hr;
  for (;;) {
    CComPtr<IBaseFilter> spFilter;
    ULONG cFetched = 0;
    hr = spEnum->Next(1, &spFilter, &cFetched);
    if (FAILED(hr)) return hr;
    if (hr != S_OK || !spFilter) break;
    pFilters->push_back(spFilter);
  }
  // The graph lists the most recently added filter first.
  std::reverse(pFilters->begin(), pFilters->end());
  return S_OK;
}

HRESULT SaveData(IBaseFilter* pFilter, std::vector<uint8_t>* pData) {
  CComQIPtr<IPersistStream> spPersist(pFilter);
  CComQIPtr<IPersistStreamInit> spPersistInit(pFilter);
  if (!spPersist && !spPersistInit) return S_OK;
  CComPtr<IStream> spStream;
  HRESULT hr = ::CreateStreamOnHGlobal(nullptr, TRUE, &spStream);
  if (FAILED(hr)) return hr;
  hr = spPersist ? spPersist->Save(spStream, FALSE) : spPersistInit->Save(spStream, FALSE);
  if (hr == E_NOTIMPL) return S_OK;  // persistence offered but nothing to keep
  if (FAILED(hr)) return hr;
  STATSTG stat = {};
  hr = spStream->Stat(&stat, STATFLAG_NONAME);
  if (FAILED(hr)) return hr;
  HGLOBAL hGlobal = nullptr;
  hr = ::GetHGlobalFromStream(spStream, &hGlobal);
  if (FAILED(hr)) return hr;
  const auto* pb = static_cast<const uint8_t*>(::GlobalLock(hGlobal));
  if (!pb && stat.cbSize.QuadPart > 0) return E_OUTOFMEMORY;
  if (pb) pData->assign(pb, pb + static_cast<size_t>(stat.cbSize.QuadPart));
  ::GlobalUnlock(hGlobal);
  return S_OK;
}

HRESULT DescribeFilter(IBaseFilter* pFilter, uint32_t id, graphfile::FilterDesc* pDesc) {
  pDesc->id = id;
  FILTER_INFO info = {};
  HRESULT hr = pFilter->QueryFilterInfo(&info);
  if (FAILED(hr)) return hr;
  if (info.pGraph) info.pGraph->Release();
  pDesc->name = Text(info.achName);
  CLSID clsid = GUID_NULL;
  hr = pFilter->GetClassID(&clsid);
  if (FAILED(hr)) return hr;
  pDesc->clsid = ToGuid(clsid);

  TaskMemText file;
  AM_MEDIA_TYPE mt = {};
  if (CComQIPtr<IFileSourceFilter> spSource(pFilter); spSource) {
    if (SUCCEEDED(spSource->GetCurFile(&file.psz, &mt)) && file.psz) pDesc->fileKind = graphfile::FileKind::Source;
  } else if (CComQIPtr<IFileSinkFilter> spSink(pFilter); spSink) {
    if (SUCCEEDED(spSink->GetCurFile(&file.psz, &mt)) && file.psz) pDesc->fileKind = graphfile::FileKind::Sink;
  }
  FreeMediaType(mt);
  pDesc->file = Text(file.psz);
  return SaveData(pFilter, &pDesc->data);
}

// COM identity: the IUnknown that every interface of an object answers.
CComPtr<IUnknown> Identity(IUnknown* pUnk) {
  CComPtr<IUnknown> spUnk;
  if (pUnk) pUnk->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&spUnk));
  return spUnk;
}

uint32_t IdOf(const std::vector<CComPtr<IBaseFilter>>& filters, IUnknown* pObject) {
  const CComPtr<IUnknown> spUnk = Identity(pObject);
  for (size_t i = 0; i < filters.size(); ++i)
    if (spUnk && Identity(filters[i]) == spUnk) return static_cast<uint32_t>(i + 1);
  return 0;
}

HRESULT PinId(IPin* pPin, std::u16string* pId) {
  TaskMemText id;
  HRESULT hr = pPin->QueryId(&id.psz);
  if (FAILED(hr)) return hr;
  *pId = Text(id.psz);
  return S_OK;
}

// The connections of one filter's output pins.
HRESULT DescribeOutputs(const std::vector<CComPtr<IBaseFilter>>& filters, size_t iFilter,
                        std::vector<graphfile::ConnectionDesc>* pConnections) {
  CComPtr<IEnumPins> spEnum;
  HRESULT hr = filters[iFilter]->EnumPins(&spEnum);
  if (FAILED(hr)) return hr;
  for (;;) {
    CComPtr<IPin> spPin;
    ULONG cFetched = 0;
    hr = spEnum->Next(1, &spPin, &cFetched);
    if (FAILED(hr)) return hr;
    if (hr != S_OK || !spPin) return S_OK;
    PIN_DIRECTION dir = PINDIR_INPUT;
    CComPtr<IPin> spPeer;
    if (FAILED(spPin->QueryDirection(&dir)) || dir != PINDIR_OUTPUT || FAILED(spPin->ConnectedTo(&spPeer)) || !spPeer)
      continue;
    PIN_INFO peerInfo = {};
    hr = spPeer->QueryPinInfo(&peerInfo);
    if (FAILED(hr)) return hr;
    CComPtr<IBaseFilter> spPeerFilter;
    spPeerFilter.Attach(peerInfo.pFilter);
    const uint32_t peerId = IdOf(filters, spPeerFilter);
    if (peerId == 0) continue;  // a peer outside the graph cannot be written
    graphfile::ConnectionDesc c;
    c.outFilter = static_cast<uint32_t>(iFilter + 1);
    c.inFilter = peerId;
    if (FAILED(hr = PinId(spPin, &c.outPin)) || FAILED(hr = PinId(spPeer, &c.inPin))) return hr;
    AM_MEDIA_TYPE mt = {};
    hr = spPin->ConnectionMediaType(&mt);
    if (FAILED(hr)) return hr;
    c.mediaType = ToMediaTypeDesc(mt);
    FreeMediaType(mt);
    pConnections->push_back(std::move(c));
  }
}

// Upstream first: a connection goes once every connection into its output filter has gone.
std::vector<graphfile::ConnectionDesc> UpstreamFirst(std::vector<graphfile::ConnectionDesc> pending) {
  std::vector<graphfile::ConnectionDesc> ordered, blocked;
  while (!pending.empty()) {
    blocked.clear();
    for (const graphfile::ConnectionDesc& c : pending) {
      const bool bBlocked = std::any_of(pending.begin(), pending.end(),
                                        [&c](const graphfile::ConnectionDesc& d) { return d.inFilter == c.outFilter; });
      (bBlocked ? blocked : ordered).push_back(c);
    }
    // A cycle has no first connection: the rest goes as found.
    if (blocked.size() == pending.size()) {
      ordered.insert(ordered.end(), blocked.begin(), blocked.end());
      break;
    }
    pending.swap(blocked);
  }
  return ordered;
}

HRESULT DescribeClock(IFilterGraph* pGraph, const std::vector<CComPtr<IBaseFilter>>& filters,
                      graphfile::ClockDesc* pClock) {
  *pClock = graphfile::ClockDesc();
  CComQIPtr<IMediaFilter> spMediaFilter(pGraph);
  CComPtr<IReferenceClock> spClock;
  if (!spMediaFilter || FAILED(spMediaFilter->GetSyncSource(&spClock)) || !spClock) return S_OK;
  if ((pClock->filterId = IdOf(filters, spClock)) != 0) {
    pClock->bRequired = true;
    return S_OK;
  }
  CComQIPtr<IPersist> spPersist(spClock.p);
  CLSID clsid = GUID_NULL;
  if (spPersist && SUCCEEDED(spPersist->GetClassID(&clsid))) {
    pClock->bRequired = true;
    pClock->bByClass = true;
    pClock->clsid = ToGuid(clsid);
  }
  return S_OK;
}

}  // namespace

HRESULT ReadGraphDesc(IFilterGraph* pGraph, graphfile::GraphDesc* pDesc) {
  if (!pGraph || !pDesc) return E_POINTER;
  std::vector<CComPtr<IBaseFilter>> filters;
  HRESULT hr = ReadFilters(pGraph, &filters);
  if (FAILED(hr)) return hr;
  graphfile::GraphDesc desc;
  desc.filters.resize(filters.size());
  std::vector<graphfile::ConnectionDesc> connections;
  for (size_t i = 0; i < filters.size(); ++i) {
    if (FAILED(hr = DescribeFilter(filters[i], static_cast<uint32_t>(i + 1), &desc.filters[i]))) return hr;
    if (FAILED(hr = DescribeOutputs(filters, i, &connections))) return hr;
  }
  desc.connections = UpstreamFirst(std::move(connections));
  if (FAILED(hr = DescribeClock(pGraph, filters, &desc.clock))) return hr;
  *pDesc = std::move(desc);
  return S_OK;
}
