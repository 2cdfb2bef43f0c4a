// Applying a description: every filter added is remembered, so that a refusal at any step
// removes them all again (which also breaks the connections made between them).
#include <atlcomcli.h>

#include <map>
#include <vector>

#include "GraphDescCom.h"
#include "GraphFileErrors.h"

using ATL::CComPtr;
using ATL::CComQIPtr;

namespace {

LPCWSTR Wide(const std::u16string& text) { return reinterpret_cast<LPCWSTR>(text.c_str()); }


class CGraphApplier {
public:
  explicit CGraphApplier(IFilterGraph* pGraph) : m_pGraph(pGraph) {}
  ~CGraphApplier() {
    if (m_bCommitted) return;
    for (auto it = m_added.rbegin(); it != m_added.rend(); ++it) m_pGraph->RemoveFilter(*it);
  }
  CGraphApplier(const CGraphApplier&) = delete;
  CGraphApplier& operator=(const CGraphApplier&) = delete;

  HRESULT AddFilter(const graphfile::FilterDesc& desc);
  HRESULT Connect(const graphfile::ConnectionDesc& desc);
  HRESULT SetClock(const graphfile::ClockDesc& desc);
  void Commit() { m_bCommitted = true; }

private:
  IBaseFilter* Filter(uint32_t id) const;

  IFilterGraph* m_pGraph;
  std::vector<CComPtr<IBaseFilter>> m_added;  // in the order added
  std::map<uint32_t, IBaseFilter*> m_byId;    // borrowed from m_added
  bool m_bCommitted = false;
};

HRESULT LoadData(IBaseFilter* pFilter, const std::vector<uint8_t>& data) {
  if (data.empty()) return S_OK;
  CComPtr<IStream> spStream;
  HRESULT hr = ::CreateStreamOnHGlobal(nullptr, TRUE, &spStream);
  if (FAILED(hr)) return hr;
  ULONG cbWritten = 0;
  hr = spStream->Write(data.data(), static_cast<ULONG>(data.size()), &cbWritten);
  if (FAILED(hr)) return hr;
  LARGE_INTEGER zero = {};
  hr = spStream->Seek(zero, STREAM_SEEK_SET, nullptr);
  if (FAILED(hr)) return hr;
  if (CComQIPtr<IPersistStream> spPersist(pFilter); spPersist)
    return FAILED(spPersist->Load(spStream)) ? GRAPHFILE_E_FILTERDATA : S_OK;
  if (CComQIPtr<IPersistStreamInit> spPersistInit(pFilter); spPersistInit)
    return FAILED(spPersistInit->Load(spStream)) ? GRAPHFILE_E_FILTERDATA : S_OK;
  return GRAPHFILE_E_FILTERDATA;
}

HRESULT LoadFile(IBaseFilter* pFilter, const graphfile::FilterDesc& desc) {
  HRESULT hr = GRAPHFILE_E_FILE;
  if (desc.fileKind == graphfile::FileKind::Source) {
    if (CComQIPtr<IFileSourceFilter> spSource(pFilter); spSource) hr = spSource->Load(Wide(desc.file), nullptr);
  } else if (desc.fileKind == graphfile::FileKind::Sink) {
    if (CComQIPtr<IFileSinkFilter> spSink(pFilter); spSink) hr = spSink->SetFileName(Wide(desc.file), nullptr);
  } else {
    return S_OK;
  }
  return FAILED(hr) ? GRAPHFILE_E_FILE : S_OK;
}

HRESULT CGraphApplier::AddFilter(const graphfile::FilterDesc& desc) {
  CComPtr<IBaseFilter> spFilter;
  if (FAILED(spFilter.CoCreateInstance(ToGUID(desc.clsid), nullptr, CLSCTX_INPROC_SERVER))) return GRAPHFILE_E_CLASS;
  HRESULT hr = LoadData(spFilter, desc.data);
  if (FAILED(hr)) return hr;
  if (FAILED(m_pGraph->AddFilter(spFilter, Wide(desc.name)))) return GRAPHFILE_E_ADDFILTER;
  m_added.push_back(spFilter);
  m_byId[desc.id] = spFilter;
  return LoadFile(spFilter, desc);
}

IBaseFilter* CGraphApplier::Filter(uint32_t id) const {
  const auto it = m_byId.find(id);
  return it == m_byId.end() ? nullptr : it->second;
}

HRESULT CGraphApplier::Connect(const graphfile::ConnectionDesc& desc) {
  IBaseFilter* pOut = Filter(desc.outFilter);
  IBaseFilter* pIn = Filter(desc.inFilter);
  CComPtr<IPin> spOut, spIn;
  if (!pOut || !pIn || FAILED(pOut->FindPin(Wide(desc.outPin), &spOut)) || !spOut ||
      FAILED(pIn->FindPin(Wide(desc.inPin), &spIn)) || !spIn)
    return GRAPHFILE_E_PIN;
  const AM_MEDIA_TYPE mt = MediaTypeView(desc.mediaType);
  return FAILED(m_pGraph->ConnectDirect(spOut, spIn, &mt)) ? GRAPHFILE_E_CONNECT : S_OK;
}

HRESULT CGraphApplier::SetClock(const graphfile::ClockDesc& desc) {
  CComQIPtr<IMediaFilter> spMediaFilter(m_pGraph);
  CComPtr<IReferenceClock> spClock;
  if (desc.bByClass) {
    spClock.CoCreateInstance(ToGUID(desc.clsid), nullptr, CLSCTX_INPROC_SERVER);
  } else if (desc.filterId != 0) {
    if (IBaseFilter* pFilter = Filter(desc.filterId))
      pFilter->QueryInterface(IID_IReferenceClock, reinterpret_cast<void**>(&spClock));
  } else if (!desc.bRequired) {
    return S_OK;  // the graph's own default
  }
  const bool bWanted = spClock || (!desc.bByClass && desc.filterId == 0);
  if (bWanted && spMediaFilter && SUCCEEDED(spMediaFilter->SetSyncSource(spClock))) return S_OK;
  // A clock that is only preferred gives way to the graph's default.
  return desc.bRequired ? GRAPHFILE_E_CLOCK : S_OK;
}

}  // namespace

HRESULT ApplyGraphDesc(IFilterGraph* pGraph, const graphfile::GraphDesc& desc) {
  if (!pGraph) return E_POINTER;
  CGraphApplier applier(pGraph);
  HRESULT hr = S_OK;
  for (const graphfile::FilterDesc& filter : desc.filters)
    if (FAILED(hr = applier.AddFilter(filter))) return hr;
  for (const graphfile::ConnectionDesc& connection : desc.connections)
    if (FAILED(hr = applier.Connect(connection))) return hr;
  if (desc.bHasClock && FAILED(hr = applier.SetClock(desc.clock))) return hr;
  applier.Commit();
  return S_OK;
}
