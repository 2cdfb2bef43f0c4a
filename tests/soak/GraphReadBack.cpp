#include "GraphReadBack.h"

#include "atlcomcli.h"

namespace soak {

std::vector<PublishedGraph> PublishedBy(DWORD dwProcessId) {
  std::vector<PublishedGraph> graphs, mine;
  if (FAILED(ListPublishedGraphs(&graphs))) return mine;
  for (const PublishedGraph& graph : graphs)
    if (graph.dwProcessId == dwProcessId) mine.push_back(graph);
  return mine;
}

namespace {

HRESULT ReadRecord(IBaseFilter* pFilter, lumivar::ResizerSettings* pSettings) {
  ATL::CComQIPtr<IPersistStream> spPersist(pFilter);
  if (!spPersist) return E_NOINTERFACE;
  ATL::CComPtr<IStream> spStream;
  HRESULT hr = ::CreateStreamOnHGlobal(nullptr, TRUE, &spStream);
  if (FAILED(hr)) return hr;
  if (FAILED(hr = spPersist->Save(spStream, FALSE))) return hr;
  const LARGE_INTEGER zero = {};
  if (FAILED(hr = spStream->Seek(zero, STREAM_SEEK_SET, nullptr))) return hr;
  uint8_t record[lumivar::ResizerSettings::kPersistSize] = {};
  ULONG cbRead = 0;
  if (FAILED(hr = spStream->Read(record, sizeof record, &cbRead))) return hr;
  if (cbRead != sizeof record) return E_UNEXPECTED;
  return pSettings->Load(record);
}

}  // namespace

HRESULT ReadResizerSettings(const PublishedGraph& graph, lumivar::ResizerSettings* pSettings) {
  ATL::CComPtr<IFilterGraph> spGraph;
  HRESULT hr = BindPublishedGraph(graph.cookieName, &spGraph);
  if (FAILED(hr)) return hr;
  ATL::CComPtr<IEnumFilters> spFilters;
  if (FAILED(hr = spGraph->EnumFilters(&spFilters))) return hr;
  // Across processes Next takes one filter at a time, with a count to fill.
  for (;;) {
    ATL::CComPtr<IBaseFilter> spFilter;
    ULONG cFetched = 0;
    if (spFilters->Next(1, &spFilter, &cFetched) != S_OK || cFetched != 1) return S_FALSE;
    CLSID clsid = {};
    if (SUCCEEDED(spFilter->GetClassID(&clsid)) && clsid == CLSID_Resizer) return ReadRecord(spFilter, pSettings);
  }
}

}  // namespace soak
