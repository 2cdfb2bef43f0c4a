#include "GraphFileTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

using ATL::CComPtr;

namespace {

std::string Narrow(const wchar_t* psz) {
  std::string text;
  for (; *psz; ++psz) text += *psz < 0x80 ? static_cast<char>(*psz) : '?';
  return text;
}

std::string GuidString(REFGUID guid) {
  wchar_t sz[40] = {};
  ::StringFromGUID2(guid, sz, 40);
  return Narrow(sz);
}

std::string FilterName(IBaseFilter* pFilter) {
  FILTER_INFO info = {};
  if (FAILED(pFilter->QueryFilterInfo(&info))) return "?";
  if (info.pGraph) info.pGraph->Release();
  return Narrow(info.achName);
}

std::string PinText(IPin* pPin) {
  PIN_INFO info = {};
  if (FAILED(pPin->QueryPinInfo(&info))) return "?";
  CComPtr<IBaseFilter> spFilter;
  spFilter.Attach(info.pFilter);
  return FilterName(spFilter) + "." + Narrow(info.achName);
}

std::string TypeText(const AM_MEDIA_TYPE& mt) {
  unsigned hash = 2166136261u;
  for (ULONG i = 0; i < mt.cbFormat; ++i) hash = (hash ^ mt.pbFormat[i]) * 16777619u;
  char sz[64];
  std::snprintf(sz, sizeof sz, " fixed %d sample %lu format %lu bytes %08X", mt.bFixedSizeSamples,
                static_cast<unsigned long>(mt.lSampleSize), static_cast<unsigned long>(mt.cbFormat), hash);
  return " " + GuidString(mt.majortype) + " " + GuidString(mt.subtype) + " " + GuidString(mt.formattype) + sz;
}

}  // namespace

CComPtr<IGraphBuilder> NewGraph() {
  CComPtr<IGraphBuilder> spGraph;
  EXPECT_EQ(S_OK, spGraph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER));
  return spGraph;
}

CComPtr<IGraphBuilder> WinesGraph() {
  CComPtr<IClassFactory> spFactory;
  EXPECT_EQ(S_OK, ::CoGetClassObject(CLSID_FilterGraph, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                     reinterpret_cast<void**>(&spFactory)));
  CComPtr<IGraphBuilder> spGraph;
  if (spFactory) {
    EXPECT_EQ(S_OK, spFactory->CreateInstance(nullptr, IID_IGraphBuilder, reinterpret_cast<void**>(&spGraph)));
  }
  return spGraph;
}

std::wstring TempPath(const wchar_t* pszSuffix) {
  wchar_t szDir[MAX_PATH] = {};
  wchar_t szFile[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, szDir);
  ::GetTempFileNameW(szDir, L"gf", 0, szFile);
  ::DeleteFileW(szFile);
  return std::wstring(szFile) + pszSuffix;
}

CComPtr<IStream> StreamOn(const std::vector<uint8_t>& bytes) {
  CComPtr<IStream> spStream;
  EXPECT_EQ(S_OK, ::CreateStreamOnHGlobal(nullptr, TRUE, &spStream));
  ULONG cbWritten = 0;
  EXPECT_EQ(S_OK, spStream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &cbWritten));
  LARGE_INTEGER zero = {};
  EXPECT_EQ(S_OK, spStream->Seek(zero, STREAM_SEEK_SET, nullptr));
  return spStream;
}

HRESULT SaveToFile(IUnknown* pGraph, const std::wstring& path) {
  ATL::CComQIPtr<IPersistStream> spPersist(pGraph);
  if (!spPersist) return E_NOINTERFACE;
  CComPtr<IStorage> spStorage;
  HRESULT hr = ::StgCreateDocfile(path.c_str(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, &spStorage);
  if (FAILED(hr)) return hr;
  CComPtr<IStream> spStream;
  hr = spStorage->CreateStream(L"ActiveMovieGraph", STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &spStream);
  if (FAILED(hr)) return hr;
  hr = spPersist->Save(spStream, TRUE);
  if (FAILED(hr)) return hr;
  return spStorage->Commit(STGC_DEFAULT);
}

HRESULT LoadFromFile(IUnknown* pGraph, const std::wstring& path) {
  ATL::CComQIPtr<IPersistStream> spPersist(pGraph);
  if (!spPersist) return E_NOINTERFACE;
  CComPtr<IStorage> spStorage;
  HRESULT hr = ::StgOpenStorage(path.c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, &spStorage);
  if (FAILED(hr)) return hr;
  CComPtr<IStream> spStream;
  hr = spStorage->OpenStream(L"ActiveMovieGraph", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &spStream);
  if (FAILED(hr)) return hr;
  return spPersist->Load(spStream);
}

ULONGLONG PositionOf(IStream* pStream) {
  LARGE_INTEGER zero = {};
  ULARGE_INTEGER pos = {};
  EXPECT_EQ(S_OK, pStream->Seek(zero, STREAM_SEEK_CUR, &pos));
  return pos.QuadPart;
}

CComPtr<IBaseFilter> FilterNamed(IFilterGraph* pGraph, LPCWSTR pszName) {
  CComPtr<IBaseFilter> spFilter;
  pGraph->FindFilterByName(pszName, &spFilter);
  return spFilter;
}

std::wstring CurrentFile(IBaseFilter* pSource) {
  ATL::CComQIPtr<IFileSourceFilter> spSource(pSource);
  LPOLESTR pszFile = nullptr;
  AM_MEDIA_TYPE mt = {};
  if (!spSource || FAILED(spSource->GetCurFile(&pszFile, &mt)) || !pszFile) return std::wstring();
  const std::wstring file = pszFile;
  ::CoTaskMemFree(pszFile);
  ::CoTaskMemFree(mt.pbFormat);
  if (mt.pUnk) mt.pUnk->Release();
  return file;
}

Topology TopologyOf(IFilterGraph* pGraph) {
  Topology t;
  CComPtr<IEnumFilters> spFilters;
  if (FAILED(pGraph->EnumFilters(&spFilters))) return t;
  for (;;) {
    CComPtr<IBaseFilter> spFilter;
    ULONG cFetched = 0;
    if (spFilters->Next(1, &spFilter, &cFetched) != S_OK) break;
    CLSID clsid = GUID_NULL;
    spFilter->GetClassID(&clsid);
    t.filters.push_back(FilterName(spFilter) + " " + GuidString(clsid));
    t.objects.push_back(spFilter);
    CComPtr<IEnumPins> spPins;
    if (FAILED(spFilter->EnumPins(&spPins))) continue;
    for (;;) {
      CComPtr<IPin> spPin, spPeer;
      if (spPins->Next(1, &spPin, &cFetched) != S_OK) break;
      PIN_DIRECTION dir = PINDIR_INPUT;
      spPin->QueryDirection(&dir);
      if (dir != PINDIR_OUTPUT || FAILED(spPin->ConnectedTo(&spPeer))) continue;
      AM_MEDIA_TYPE mt = {};
      if (FAILED(spPin->ConnectionMediaType(&mt))) continue;
      t.connections.push_back(PinText(spPin) + " -> " + PinText(spPeer) + TypeText(mt));
      ::CoTaskMemFree(mt.pbFormat);
      if (mt.pUnk) mt.pUnk->Release();
    }
  }
  std::sort(t.connections.begin(), t.connections.end());
  return t;
}

std::vector<uint8_t> VideoInfoBytes(LONG cx, LONG cy) {
  VIDEOINFOHEADER vih = {};
  vih.AvgTimePerFrame = 400000;
  vih.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  vih.bmiHeader.biWidth = cx;
  vih.bmiHeader.biHeight = cy;
  vih.bmiHeader.biPlanes = 1;
  vih.bmiHeader.biBitCount = 32;
  vih.bmiHeader.biCompression = BI_RGB;
  vih.bmiHeader.biSizeImage = static_cast<DWORD>(cx * cy * 4);
  const auto* pb = reinterpret_cast<const uint8_t*>(&vih);
  return std::vector<uint8_t>(pb, pb + sizeof vih);
}
