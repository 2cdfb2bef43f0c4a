#include "DSGraph.h"

#include <olectl.h>

#include <memory>

#include "atlcomcli.h"

using ATL::CComPtr;
using ATL::CComQIPtr;

namespace {

// Both the root storage and the stream: read-only, direct, denying every other opener.
const DWORD kGrfOpenMode = STGM_READ | STGM_SHARE_EXCLUSIVE;

struct TaskMemFree {
  void operator()(void* pv) const { ::CoTaskMemFree(pv); }
};

// A media type record as an enumerator hands it out: format block, pUnk, record.
struct MediaTypeFree {
  void operator()(AM_MEDIA_TYPE* pmt) const {
    if (pmt->pbFormat) ::CoTaskMemFree(pmt->pbFormat);
    if (pmt->pUnk) pmt->pUnk->Release();
    ::CoTaskMemFree(pmt);
  }
};

}  // namespace

HRESULT BuildFromGRF(IGraphBuilder* pGraph, LPCWSTR pszFile) {
  ATLASSERT(pGraph != 0);
  if (pGraph == 0) return E_INVALIDARG;
  ATLASSERT(pszFile != 0);
  if (pszFile == 0) return E_INVALIDARG;

  CComQIPtr<IPersistStream> spPersistStream(pGraph);
  ATLASSERT(spPersistStream != 0);
  // Nothing could be loaded into it, so the file is not even opened.
  if (spPersistStream == 0) return E_NOINTERFACE;

  CComPtr<IStorage> spStorage;
  HRESULT hr = ::StgOpenStorage(pszFile, 0, kGrfOpenMode, 0, 0, &spStorage);
  if (hr != S_OK) {
    ATLASSERT(!L"BuildFromGRF(): Can't open .grf file");
    return hr;
  }

  CComPtr<IStream> spStream;
  hr = spStorage->OpenStream(L"ActiveMovieGraph", 0, kGrfOpenMode, 0, &spStream);
  if (hr != S_OK) {
    ATLASSERT(!L"BuildFromGRF(): Invalid .grf file");
    return hr;
  }

  hr = spPersistStream->Load(spStream);
  if (FAILED(hr)) {
    ATLASSERT(!L"BuildFromGRF(): Can't load data from .grf file");
    return hr;
  }
  return S_OK;
}

HRESULT InsertFilter(IGraphBuilder* pGraph, REFCLSID rclsid, LPCWSTR pszFilterName, IBaseFilter** ppFilter) {
  ATLASSERT(pGraph != 0);
  if (pGraph == 0) return E_INVALIDARG;
  ATLASSERT(pszFilterName != 0);
  if (pszFilterName == 0) return E_INVALIDARG;
  ATLASSERT(ppFilter != 0);
  if (ppFilter == 0) return E_POINTER;
  ATLASSERT(*ppFilter == 0 && L"The filter pointer must be free");
  *ppFilter = 0;

  CComPtr<IBaseFilter> spFilter;
  HRESULT hr = spFilter.CoCreateInstance(rclsid, 0, CLSCTX_INPROC_SERVER);
  if (hr != S_OK) {
    ATLASSERT(!L"InsertFilter(): CoCreateInstance() FAILED");
    return hr;
  }

  hr = pGraph->AddFilter(spFilter, pszFilterName);
  if (hr != S_OK) {
    ATLASSERT(!L"InsertFilter(): pGraph->AddFilter() FAILED");
    return hr;
  }

  *ppFilter = spFilter.Detach();
  return S_OK;
}

HRESULT FindFilter(IGraphBuilder* pGraph, REFCLSID rclsid, IBaseFilter** ppFilter) {
  ATLASSERT(ppFilter != 0);
  if (ppFilter == 0) return E_POINTER;
  ATLASSERT(*ppFilter == 0 && L"The filter pointer must be free");
  *ppFilter = 0;
  ATLASSERT(pGraph != 0);
  if (pGraph == 0) return E_INVALIDARG;

  CComPtr<IEnumFilters> spEnumFilters;
  HRESULT hr = pGraph->EnumFilters(&spEnumFilters);
  if (hr != S_OK) {
    ATLASSERT(!L"FindFilter(): pGraph->EnumFilters() FAILED");
    return hr;
  }

  ULONG cFetched = 0;
  for (;;) {
    CComPtr<IBaseFilter> spFilter;
    hr = spEnumFilters->Next(1, &spFilter, &cFetched);
    if (hr == S_FALSE) return S_FALSE;
    if (hr != S_OK) {
      ATLASSERT(!L"FindFilter(): spEnumFilters->Next() FAILED");
      return hr;
    }
    ATLASSERT(cFetched == 1);
    // An enumerator that claims success without a filter must not crash us.
    if (spFilter == 0) return E_FAIL;

    CLSID clsid = GUID_NULL;
    hr = spFilter->GetClassID(&clsid);
    if (hr != S_OK) {
      ATLASSERT(!L"FindFilter(): spFilter->GetClassID() FAILED");
      return hr;
    }
    if (clsid == rclsid) {
      *ppFilter = spFilter.Detach();
      return S_OK;
    }
  }
}

HRESULT GetPin(IBaseFilter* pFilter, bool bInput, bool bConnected, REFGUID majorType, IPin** ppPin) {
  ATLASSERT(ppPin != 0);
  if (ppPin == 0) return E_POINTER;
  ATLASSERT(*ppPin == 0 && L"The pin pointer must be free");
  *ppPin = 0;
  ATLASSERT(pFilter != 0);
  if (pFilter == 0) return E_FAIL;

  CComPtr<IEnumPins> spEnumPins;
  HRESULT hr = pFilter->EnumPins(&spEnumPins);
  if (hr != S_OK) {
    ATLASSERT(hr == S_OK);
    return hr;
  }

  for (;;) {
    CComPtr<IPin> spPin;
    ULONG cFetched = 0;
    hr = spEnumPins->Next(1, &spPin, &cFetched);
    if (hr == S_FALSE) return S_FALSE;
    if (hr != S_OK) {
      ATLASSERT(hr == S_OK);
      return hr;
    }
    ATLASSERT(cFetched == 1);
    // An enumerator that claims success without a pin must not crash us.
    if (spPin == 0) return E_FAIL;

    PIN_DIRECTION ePinDir = PINDIR_INPUT;
    hr = spPin->QueryDirection(&ePinDir);
    if (hr != S_OK) {
      ATLASSERT(!L"GetPin(): spPin->QueryDirection() FAILED");
      return hr;
    }
    if ((ePinDir == PINDIR_INPUT) != bInput) continue;

    // Only the answer counts; the peer is released unused.
    CComPtr<IPin> spConnectedPin;
    hr = spPin->ConnectedTo(&spConnectedPin);
    const bool bQualifies = bConnected ? hr == S_OK : hr == VFW_E_NOT_CONNECTED;
    if (!bQualifies) continue;

    // A pin whose media types cannot be read is skipped, not fatal.
    hr = majorType != GUID_NULL ? CheckPin(spPin, majorType) : S_OK;
    if (hr == S_OK) {
      *ppPin = spPin.Detach();
      return S_OK;
    }
  }
}

HRESULT CheckPin(IPin* pPin, REFGUID majorType) {
  ATLASSERT(pPin != 0);
  if (pPin == 0) return E_INVALIDARG;

  CComPtr<IEnumMediaTypes> spEnumMT;
  HRESULT hr = pPin->EnumMediaTypes(&spEnumMT);
  if (hr != S_OK) {
    ATLASSERT(!L"CheckPin(): pPin->EnumMediaTypes() FAILED");
    return hr;
  }

  // Only the first, most preferred type counts.
  AM_MEDIA_TYPE* pmt = 0;
  ULONG cFetched = 0;
  hr = spEnumMT->Next(1, &pmt, &cFetched);
  // Owns whatever was delivered, also alongside an odd result.
  std::unique_ptr<AM_MEDIA_TYPE, MediaTypeFree> spRecord(pmt);
  if (hr != S_OK) {
    ATLASSERT(!L"CheckPin(): spEnumMT->Next() FAILED");
    return hr;
  }
  if (pmt == 0) {
    ATLASSERT(!L"CheckPin(): pmt = NULL");
    return E_FAIL;
  }
  return pmt->majortype == majorType ? S_OK : S_FALSE;
}

HRESULT RenderFilter(IGraphBuilder* pGraph, IBaseFilter* pFilter) {
  ATLASSERT(pGraph != 0);
  if (pGraph == 0) return E_INVALIDARG;
  ATLASSERT(pFilter != 0);
  if (pFilter == 0) return E_INVALIDARG;

  CComPtr<IPin> spPin;
  HRESULT hr = GetPin(pFilter, false, false, GUID_NULL, &spPin);
  if (hr != S_OK) {
    ATLASSERT(hr == S_OK);
    ATLASSERT(!L"RenderFilter(): Can't find disconnected output pin");
    return hr;
  }

  hr = pGraph->Render(spPin);
  if (hr != S_OK) ATLASSERT(!L"RenderFilter(): pGraph->Render() FAILED");
  return hr;
}

HRESULT ShowPropertyPages(IUnknown* pUnknown, HWND hWndOwner) {
  ATLASSERT(pUnknown != 0);
  if (pUnknown == 0) return E_INVALIDARG;

  CComQIPtr<IBaseFilter> spFilter(pUnknown);
  ATLASSERT(spFilter != 0);
  if (spFilter == 0) return E_FAIL;

  CComQIPtr<ISpecifyPropertyPages> spPropertyPages(pUnknown);
  if (spPropertyPages == 0) return S_FALSE;

  CAUUID pages = {0, 0};
  HRESULT hr = spPropertyPages->GetPages(&pages);
  // Freed on every path, also when an odd result came with an array.
  std::unique_ptr<GUID, TaskMemFree> spPageArray(pages.pElems);
  if (hr != S_OK) {
    ATLASSERT(!L"CGraph::ShowPropertyPages(): spPropertyPages->GetPages() FAILED");
    return hr;
  }

  LPCOLESTR pszCaption = L"Properties";
  FILTER_INFO rgInfo;
  ::ZeroMemory(&rgInfo, sizeof rgInfo);
  hr = spFilter->QueryFilterInfo(&rgInfo);
  // The graph reference is never used; whatever came back is released.
  if (rgInfo.pGraph) rgInfo.pGraph->Release();
  if (hr == S_OK) {
    // A name that fills the whole buffer comes without its terminator.
    rgInfo.achName[MAX_FILTER_NAME - 1] = 0;
    pszCaption = rgInfo.achName;
  }

  IUnknown* rgObjects[] = {pUnknown};
  hr = ::OleCreatePropertyFrame(hWndOwner, 0, 0, pszCaption, 1, rgObjects, pages.cElems, pages.pElems, 0, 0, 0);
  if (hr != S_OK) ATLASSERT(!L"ShowPropertyPages(): OleCreatePropertyFrame() FAILED");
  return hr;
}
