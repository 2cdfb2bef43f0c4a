#include "ComDoubles.h"

#include <algorithm>

namespace {

// Hands out one more reference to an interface of the double.
template <class I, class T>
HRESULT Give(T* pThis, void** ppv) {
  *ppv = static_cast<I*>(pThis);
  pThis->AddRef();
  return S_OK;
}

}  // namespace

template <>
AM_MEDIA_TYPE* FakeEnumMediaTypes::Deliver(const FakeMediaType& mt) {
  auto* pmt = static_cast<AM_MEDIA_TYPE*>(::CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
  ::ZeroMemory(pmt, sizeof *pmt);
  pmt->majortype = mt.majortype;
  pmt->formattype = FORMAT_None;
  pmt->cbFormat = 16;
  pmt->pbFormat = static_cast<BYTE*>(::CoTaskMemAlloc(pmt->cbFormat));
  pmt->pUnk = mt.pUnk;
  if (pmt->pUnk) pmt->pUnk->AddRef();
  blocks.push_back(pmt);
  blocks.push_back(pmt->pbFormat);
  return pmt;
}

STDMETHODIMP FakeUnknown::QueryInterface(REFIID riid, void** ppv) {
  if (riid == IID_IUnknown) return Give<IUnknown>(this, ppv);
  *ppv = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP FakePin::QueryInterface(REFIID riid, void** ppv) {
  if (riid == IID_IUnknown || riid == IID_IPin) return Give<IPin>(this, ppv);
  *ppv = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP FakePin::ConnectedTo(IPin** ppPin) {
  *ppPin = nullptr;
  if (!pPeer) return VFW_E_NOT_CONNECTED;
  // The peer comes along with every answer, to show it is released whatever was said.
  *ppPin = pPeer;
  pPeer->AddRef();
  return hrConnectedTo;
}

STDMETHODIMP FakePin::QueryDirection(PIN_DIRECTION* pPinDir) {
  if (FAILED(hrQueryDirection)) return hrQueryDirection;
  *pPinDir = dir;
  return hrQueryDirection;
}

STDMETHODIMP FakePin::EnumMediaTypes(IEnumMediaTypes** ppEnum) {
  *ppEnum = nullptr;
  if (FAILED(hrEnumMediaTypes)) return hrEnumMediaTypes;
  if (!pMediaTypes) return E_NOTIMPL;
  pMediaTypes->AddRef();
  *ppEnum = pMediaTypes;
  return hrEnumMediaTypes;
}

STDMETHODIMP FakeFilter::QueryInterface(REFIID riid, void** ppv) {
  if (riid == IID_IUnknown) return Give<IUnknown>(static_cast<IBaseFilter*>(this), ppv);
  if (bIsFilter && (riid == IID_IBaseFilter || riid == IID_IMediaFilter ||
                    riid == IID_IPersist))
    return Give<IBaseFilter>(this, ppv);
  if (bHasPages && riid == IID_ISpecifyPropertyPages)
    return Give<ISpecifyPropertyPages>(this, ppv);
  *ppv = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP FakeFilter::GetClassID(CLSID* pClsid) {
  if (FAILED(hrGetClassID)) return hrGetClassID;
  *pClsid = clsid;
  return hrGetClassID;
}

STDMETHODIMP FakeFilter::GetState(DWORD, FILTER_STATE* pState) {
  *pState = State_Stopped;
  return S_OK;
}

STDMETHODIMP FakeFilter::GetSyncSource(IReferenceClock** ppClock) {
  *ppClock = nullptr;
  return S_OK;
}

STDMETHODIMP FakeFilter::EnumPins(IEnumPins** ppEnum) {
  *ppEnum = nullptr;
  if (FAILED(hrEnumPins)) return hrEnumPins;
  if (!pPins) return E_NOTIMPL;
  pPins->AddRef();
  *ppEnum = pPins;
  return hrEnumPins;
}

STDMETHODIMP FakeFilter::QueryFilterInfo(FILTER_INFO* pInfo) {
  // The graph reference comes along with every answer, to show it is released.
  if (bFullName) {
    std::fill(pInfo->achName, pInfo->achName + MAX_FILTER_NAME, L'N');
  } else {
    lstrcpynW(pInfo->achName, name.c_str(), MAX_FILTER_NAME);
  }
  pInfo->pGraph = pGraph;
  if (pGraph) pGraph->AddRef();
  return hrQueryFilterInfo;
}

STDMETHODIMP FakeFilter::GetPages(CAUUID* pPages) {
  pPages->cElems = 0;
  pPages->pElems = nullptr;
  if (FAILED(hrGetPages)) return hrGetPages;
  if (!pages.empty() || !bNullPageArray) {
    // Never a zero-byte block, so that the array is always a real allocation.
    const size_t cb = std::max<size_t>(1, pages.size()) * sizeof(GUID);
    pPageArray = static_cast<GUID*>(::CoTaskMemAlloc(cb));
    std::copy(pages.begin(), pages.end(), pPageArray);
    pPages->cElems = static_cast<ULONG>(pages.size());
    pPages->pElems = pPageArray;
  }
  return hrGetPages;
}

STDMETHODIMP FakeGraph::QueryInterface(REFIID riid, void** ppv) {
  if (riid == IID_IUnknown || riid == IID_IFilterGraph || riid == IID_IGraphBuilder)
    return Give<IGraphBuilder>(this, ppv);
  if (bHasPersistStream && (riid == IID_IPersistStream || riid == IID_IPersist))
    return Give<IPersistStream>(this, ppv);
  *ppv = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP FakeGraph::AddFilter(IBaseFilter* pFilter, LPCWSTR) {
  // Like the real manager it keeps the filter even when it answers a success code.
  if (SUCCEEDED(hrAddFilter)) added.emplace_back(pFilter);
  return hrAddFilter;
}

STDMETHODIMP FakeGraph::EnumFilters(IEnumFilters** ppEnum) {
  *ppEnum = nullptr;
  if (FAILED(hrEnumFilters)) return hrEnumFilters;
  if (!pFilters) return E_NOTIMPL;
  pFilters->AddRef();
  *ppEnum = pFilters;
  return hrEnumFilters;
}

STDMETHODIMP FakeGraph::Render(IPin* pPin) {
  rendered.push_back(pPin);
  return hrRender;
}

STDMETHODIMP FakeGraph::GetClassID(CLSID* pClsid) {
  *pClsid = CLSID_FilterGraph;
  return S_OK;
}

STDMETHODIMP FakeGraph::Load(IStream* pStream) {
  ++nLoadCalls;
  char buf[256];
  ULONG cbRead = 0;
  while (SUCCEEDED(pStream->Read(buf, sizeof buf, &cbRead)) && cbRead > 0)
    loadedBytes.append(buf, cbRead);
  return hrLoad;
}

STDMETHODIMP FakePropertyPage::QueryInterface(REFIID riid, void** ppv) {
  if (riid == IID_IUnknown || riid == IID_IPropertyPage) return Give<IPropertyPage>(this, ppv);
  *ppv = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP FakePropertyPage::Activate(HWND hWndParent, LPCRECT pRect, BOOL) {
  hWnd = ::CreateWindowExW(0, L"STATIC", L"Fake page", WS_CHILD, pRect->left, pRect->top,
                           pRect->right - pRect->left, pRect->bottom - pRect->top, hWndParent,
                           nullptr, nullptr, nullptr);
  return hWnd ? S_OK : E_FAIL;
}

STDMETHODIMP FakePropertyPage::Deactivate() {
  ::DestroyWindow(hWnd);
  hWnd = nullptr;
  return S_OK;
}

STDMETHODIMP FakePropertyPage::GetPageInfo(PROPPAGEINFO* pInfo) {
  static const wchar_t kTitle[] = L"Fake";
  pInfo->cb = sizeof *pInfo;
  pInfo->pszTitle = static_cast<LPOLESTR>(::CoTaskMemAlloc(sizeof kTitle));
  if (!pInfo->pszTitle) return E_OUTOFMEMORY;
  ::CopyMemory(pInfo->pszTitle, kTitle, sizeof kTitle);
  pInfo->size.cx = 200;
  pInfo->size.cy = 100;
  pInfo->pszDocString = nullptr;
  pInfo->pszHelpFile = nullptr;
  pInfo->dwHelpContext = 0;
  return S_OK;
}

STDMETHODIMP FakePropertyPage::SetObjects(ULONG cObjects, IUnknown** ppUnk) {
  if (cObjects) objects.assign(ppUnk, ppUnk + cObjects);
  return S_OK;
}

STDMETHODIMP FakePropertyPage::Show(UINT nCmdShow) {
  ::ShowWindow(hWnd, nCmdShow);
  return S_OK;
}

STDMETHODIMP FakeStorage::QueryInterface(REFIID riid, void** ppv) {
  if (riid == IID_IUnknown || riid == IID_IStorage) return Give<IStorage>(this, ppv);
  *ppv = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP FakeStorage::OpenStream(const OLECHAR* pwcsName, void* reserved1, DWORD grfMode,
                                     DWORD reserved2, IStream** ppstm) {
  streamName = pwcsName ? pwcsName : L"";
  pReserved1 = reserved1;
  this->grfMode = grfMode;
  dwReserved2 = reserved2;
  *ppstm = pStream;
  if (pStream) pStream->AddRef();
  return hrOpenStream;
}
