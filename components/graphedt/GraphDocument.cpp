#include "GraphDocument.h"

#include <control.h>

#include "GraphPersist.h"

using ATL::CComPtr;
using ATL::CComQIPtr;

namespace {

const wchar_t kStreamName[] = L"ActiveMovieGraph";

HRESULT NewGraph(IGraphBuilder** ppGraph) {
  return ::CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                            reinterpret_cast<void**>(ppGraph));
}

HRESULT WriteFile(IFilterGraph* pGraph, LPCWSTR pszPath, std::vector<uint8_t>* pBytes) {
  HRESULT hr = GraphStreamBytes(pGraph, pBytes);
  if (FAILED(hr)) return hr;
  CComPtr<IStorage> spStorage;
  hr = ::StgCreateDocfile(pszPath, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, &spStorage);
  if (FAILED(hr)) return hr;
  CComPtr<IStream> spStream;
  hr = spStorage->CreateStream(kStreamName, STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &spStream);
  if (FAILED(hr)) return hr;
  if (FAILED(hr = WriteAll(spStream, *pBytes))) return hr;
  return spStorage->Commit(STGC_DEFAULT);
}

}  // namespace

HRESULT CGraphDocument::New() {
  CComPtr<IGraphBuilder> spGraph;
  const HRESULT hr = NewGraph(&spGraph);
  if (FAILED(hr)) return hr;
  return Replace(spGraph, std::wstring());
}

HRESULT CGraphDocument::Open(LPCWSTR pszPath) {
  if (!pszPath) return E_POINTER;
  CComPtr<IStorage> spStorage;
  HRESULT hr = ::StgOpenStorage(pszPath, nullptr, STGM_READ | STGM_SHARE_DENY_WRITE, nullptr, 0, &spStorage);
  if (FAILED(hr)) return hr;
  CComPtr<IStream> spStream;
  if (FAILED(hr = spStorage->OpenStream(kStreamName, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &spStream)))
    return hr;
  CComPtr<IGraphBuilder> spGraph;
  if (FAILED(hr = NewGraph(&spGraph))) return hr;
  if (FAILED(hr = LoadGraphStream(spGraph, spStream))) return hr;
  return Replace(spGraph, pszPath);
}

HRESULT CGraphDocument::Save(LPCWSTR pszPath) {
  if (!pszPath) return E_POINTER;
  if (!m_spGraph) return E_UNEXPECTED;
  std::vector<uint8_t> bytes;
  const HRESULT hr = SaveGraphFile(m_spGraph, pszPath, &bytes);
  if (FAILED(hr)) return hr;
  m_path = pszPath;
  m_clean.swap(bytes);
  return S_OK;
}

void CGraphDocument::Close() {
  CComQIPtr<IMediaControl, &IID_IMediaControl> spControl(m_spGraph);
  if (spControl) spControl->Stop();
  m_spGraph.Release();
  m_path.clear();
  m_clean.clear();
}

bool CGraphDocument::IsChanged() const {
  if (!m_spGraph) return false;
  std::vector<uint8_t> bytes;
  // A graph that cannot be described cannot be saved either: it counts as changed.
  return FAILED(GraphStreamBytes(m_spGraph, &bytes)) || bytes != m_clean;
}

std::wstring CGraphDocument::Title() const {
  if (m_path.empty()) return L"Untitled";
  const size_t nSlash = m_path.find_last_of(L"\\/");
  return nSlash == std::wstring::npos ? m_path : m_path.substr(nSlash + 1);
}

HRESULT CGraphDocument::Replace(IGraphBuilder* pGraph, const std::wstring& path) {
  std::vector<uint8_t> clean;
  const HRESULT hr = GraphStreamBytes(pGraph, &clean);
  if (FAILED(hr)) return hr;
  Close();
  m_spGraph = pGraph;
  m_path = path;
  m_clean.swap(clean);
  return S_OK;
}

HRESULT SaveGraphFile(IFilterGraph* pGraph, LPCWSTR pszPath, std::vector<uint8_t>* pBytes) {
  if (!pGraph || !pszPath || !pBytes) return E_POINTER;
  const std::wstring part = std::wstring(pszPath) + L".saving";
  HRESULT hr = WriteFile(pGraph, part.c_str(), pBytes);
  if (SUCCEEDED(hr) && !::MoveFileExW(part.c_str(), pszPath, MOVEFILE_REPLACE_EXISTING))
    hr = HRESULT_FROM_WIN32(::GetLastError());
  if (FAILED(hr)) ::DeleteFileW(part.c_str());
  return hr;
}
