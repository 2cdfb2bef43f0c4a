// Test doubles for the DirectShow interfaces the toolkit walks.
//
//   CountedObject      reference count of a double that lives in the test's scope
//   FakeEnum           IEnumFilters / IEnumPins / IEnumMediaTypes over a fixed list
//   FakePin            IPin: direction, connection state, media types
//   FakeFilter         IBaseFilter, optionally ISpecifyPropertyPages (or only that)
//   FakeGraph          IGraphBuilder, optionally IPersistStream
//   FakePropertyPage   IPropertyPage with a window of its own, for the real frame
//   FakeStorage        IStorage whose OpenStream answers what it is told
//
// Every double starts with the one reference its test holds and is never
// deleted by Release, so the test can check that exactly that one is left.
// Each call a double makes can be told to answer another code; the defaults
// behave like a well-mannered object.
#pragma once

#include <dshow.h>
#include <ocidl.h>

#include <string>
#include <vector>

#include "atlcomcli.h"

template <class... Interfaces>
class CountedObject : public Interfaces... {
public:
  CountedObject() = default;
  CountedObject(const CountedObject&) = delete;
  CountedObject& operator=(const CountedObject&) = delete;
  virtual ~CountedObject() = default;

  ULONG Refs() const { return m_cRef; }

  STDMETHODIMP_(ULONG) AddRef() override { return ++m_cRef; }
  STDMETHODIMP_(ULONG) Release() override { return --m_cRef; }

private:
  ULONG m_cRef = 1;
};

// One media type as a pin offers it; delivered as a fresh task-memory record
// with a format block and, when set, a counted pUnk.
struct FakeMediaType {
  GUID majortype;
  IUnknown* pUnk = nullptr;
};

// Next delivers the items in order, then answers S_FALSE. At call number
// nFailAt (0-based) it answers hrFail instead, delivering the current item
// only when bDeliverOnFail is set.
template <class IEnum, class Out, class Item>
class FakeEnum : public CountedObject<IEnum> {
public:
  FakeEnum() = default;
  explicit FakeEnum(std::vector<Item> items) : m_items(std::move(items)) {}

  std::vector<Item> m_items;
  int nFailAt = -1;
  HRESULT hrFail = E_FAIL;
  bool bDeliverOnFail = false;
  int nNextCalls = 0;
  std::vector<void*> blocks;  // task memory handed out with the media types

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (riid == IID_IUnknown || riid == __uuidof(IEnum)) {
      *ppv = static_cast<IEnum*>(this);
      this->AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP Next(ULONG cItems, Out** ppOut, ULONG* pcFetched) override {
    const int nCall = nNextCalls++;
    const bool bFail = nCall == nFailAt;
    const bool bDeliver = m_nPos < m_items.size() && (!bFail || bDeliverOnFail);
    if (pcFetched) *pcFetched = 0;
    if (cItems != 1) return E_INVALIDARG;
    if (bDeliver) {
      *ppOut = Deliver(m_items[m_nPos++]);
      if (pcFetched) *pcFetched = 1;
    }
    if (bFail) return hrFail;
    return bDeliver ? S_OK : S_FALSE;
  }
  STDMETHODIMP Skip(ULONG) override { return E_NOTIMPL; }
  STDMETHODIMP Reset() override {
    m_nPos = 0;
    return S_OK;
  }
  STDMETHODIMP Clone(IEnum**) override { return E_NOTIMPL; }

private:
  template <class T>
  T* Deliver(T* p) {
    p->AddRef();
    return p;
  }
  AM_MEDIA_TYPE* Deliver(const FakeMediaType& mt);

  size_t m_nPos = 0;
};

using FakeEnumFilters = FakeEnum<IEnumFilters, IBaseFilter, IBaseFilter*>;
using FakeEnumPins = FakeEnum<IEnumPins, IPin, IPin*>;
using FakeEnumMediaTypes = FakeEnum<IEnumMediaTypes, AM_MEDIA_TYPE, FakeMediaType>;
template <>
AM_MEDIA_TYPE* FakeEnumMediaTypes::Deliver(const FakeMediaType& mt);

// A plain counted object, to stand in for a pUnk or a peer that must be released.
class FakeUnknown : public CountedObject<IUnknown> {
public:
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
};

class FakePin : public CountedObject<IPin> {
public:
  explicit FakePin(PIN_DIRECTION dir = PINDIR_OUTPUT) : dir(dir) {}

  PIN_DIRECTION dir;
  HRESULT hrQueryDirection = S_OK;
  IPin* pPeer = nullptr;  // connected to this peer when set
  HRESULT hrConnectedTo = S_OK;  // used when pPeer is set
  FakeEnumMediaTypes* pMediaTypes = nullptr;  // none offered when not set
  HRESULT hrEnumMediaTypes = S_OK;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP Connect(IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  STDMETHODIMP ReceiveConnection(IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  STDMETHODIMP Disconnect() override { return E_NOTIMPL; }
  STDMETHODIMP ConnectedTo(IPin** ppPin) override;
  STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  STDMETHODIMP QueryPinInfo(PIN_INFO*) override { return E_NOTIMPL; }
  STDMETHODIMP QueryDirection(PIN_DIRECTION* pPinDir) override;
  STDMETHODIMP QueryId(LPWSTR*) override { return E_NOTIMPL; }
  STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** ppEnum) override;
  STDMETHODIMP QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }
  STDMETHODIMP EndOfStream() override { return E_NOTIMPL; }
  STDMETHODIMP BeginFlush() override { return E_NOTIMPL; }
  STDMETHODIMP EndFlush() override { return E_NOTIMPL; }
  STDMETHODIMP NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return E_NOTIMPL; }
};

class FakeFilter : public CountedObject<IBaseFilter, ISpecifyPropertyPages> {
public:
  explicit FakeFilter(const CLSID& clsid = GUID_NULL) : clsid(clsid) {}

  CLSID clsid;
  HRESULT hrGetClassID = S_OK;
  FakeEnumPins* pPins = nullptr;  // no enumerator when not set
  HRESULT hrEnumPins = S_OK;
  std::wstring name = L"Fake";
  IFilterGraph* pGraph = nullptr;  // handed out (AddRef'd) by QueryFilterInfo
  HRESULT hrQueryFilterInfo = S_OK;
  bool bFullName = false;  // a name that fills achName with no terminator

  bool bIsFilter = true;  // answers QueryInterface for IBaseFilter
  bool bHasPages = false;  // answers QueryInterface for ISpecifyPropertyPages
  std::vector<GUID> pages;
  bool bNullPageArray = false;  // an empty page list comes without an array
  HRESULT hrGetPages = S_OK;
  GUID* pPageArray = nullptr;  // the last array handed out

  // Its ISpecifyPropertyPages, an IUnknown at another address than the filter.
  IUnknown* PagesUnknown() { return static_cast<ISpecifyPropertyPages*>(this); }

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP GetClassID(CLSID* pClsid) override;
  STDMETHODIMP Stop() override { return S_OK; }
  STDMETHODIMP Pause() override { return S_OK; }
  STDMETHODIMP Run(REFERENCE_TIME) override { return S_OK; }
  STDMETHODIMP GetState(DWORD, FILTER_STATE* pState) override;
  STDMETHODIMP SetSyncSource(IReferenceClock*) override { return S_OK; }
  STDMETHODIMP GetSyncSource(IReferenceClock** ppClock) override;
  STDMETHODIMP EnumPins(IEnumPins** ppEnum) override;
  STDMETHODIMP FindPin(LPCWSTR, IPin**) override { return E_NOTIMPL; }
  STDMETHODIMP QueryFilterInfo(FILTER_INFO* pInfo) override;
  STDMETHODIMP JoinFilterGraph(IFilterGraph*, LPCWSTR) override { return S_OK; }
  STDMETHODIMP QueryVendorInfo(LPWSTR*) override { return E_NOTIMPL; }
  STDMETHODIMP GetPages(CAUUID* pPages) override;
};

class FakeGraph : public CountedObject<IGraphBuilder, IPersistStream> {
public:
  bool bHasPersistStream = false;
  HRESULT hrLoad = S_OK;
  int nLoadCalls = 0;
  std::string loadedBytes;  // everything Load read from its stream

  FakeEnumFilters* pFilters = nullptr;  // no enumerator when not set
  HRESULT hrEnumFilters = S_OK;

  HRESULT hrAddFilter = S_OK;
  std::vector<ATL::CComPtr<IBaseFilter>> added;  // held like a graph holds its filters

  HRESULT hrRender = S_OK;
  std::vector<IPin*> rendered;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  // IFilterGraph
  STDMETHODIMP AddFilter(IBaseFilter* pFilter, LPCWSTR pName) override;
  STDMETHODIMP RemoveFilter(IBaseFilter*) override { return E_NOTIMPL; }
  STDMETHODIMP EnumFilters(IEnumFilters** ppEnum) override;
  STDMETHODIMP FindFilterByName(LPCWSTR, IBaseFilter**) override { return E_NOTIMPL; }
  STDMETHODIMP ConnectDirect(IPin*, IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  STDMETHODIMP Reconnect(IPin*) override { return E_NOTIMPL; }
  STDMETHODIMP Disconnect(IPin*) override { return E_NOTIMPL; }
  STDMETHODIMP SetDefaultSyncSource() override { return E_NOTIMPL; }
  // IGraphBuilder
  STDMETHODIMP Connect(IPin*, IPin*) override { return E_NOTIMPL; }
  STDMETHODIMP Render(IPin* pPin) override;
  STDMETHODIMP RenderFile(LPCWSTR, LPCWSTR) override { return E_NOTIMPL; }
  STDMETHODIMP AddSourceFilter(LPCWSTR, LPCWSTR, IBaseFilter**) override { return E_NOTIMPL; }
  STDMETHODIMP SetLogFile(DWORD_PTR) override { return E_NOTIMPL; }
  STDMETHODIMP Abort() override { return E_NOTIMPL; }
  STDMETHODIMP ShouldOperationContinue() override { return S_OK; }
  // IPersistStream
  STDMETHODIMP GetClassID(CLSID* pClsid) override;
  STDMETHODIMP IsDirty() override { return S_FALSE; }
  STDMETHODIMP Load(IStream* pStream) override;
  STDMETHODIMP Save(IStream*, BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }
};

// Records what the frame hands it; keeps no reference to the objects.
class FakePropertyPage : public CountedObject<IPropertyPage> {
public:
  std::vector<IUnknown*> objects;  // from the last SetObjects with objects
  HWND hWnd = nullptr;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP SetPageSite(IPropertyPageSite*) override { return S_OK; }
  STDMETHODIMP Activate(HWND hWndParent, LPCRECT pRect, BOOL) override;
  STDMETHODIMP Deactivate() override;
  STDMETHODIMP GetPageInfo(PROPPAGEINFO* pInfo) override;
  STDMETHODIMP SetObjects(ULONG cObjects, IUnknown** ppUnk) override;
  STDMETHODIMP Show(UINT nCmdShow) override;
  STDMETHODIMP Move(LPCRECT) override { return S_OK; }
  STDMETHODIMP IsPageDirty() override { return S_FALSE; }
  STDMETHODIMP Apply() override { return S_OK; }
  STDMETHODIMP Help(LPCOLESTR) override { return E_NOTIMPL; }
  STDMETHODIMP TranslateAccelerator(MSG*) override { return S_FALSE; }
};

// Hands out pStream (when set) with every OpenStream answer, and notes the request.
class FakeStorage : public CountedObject<IStorage> {
public:
  IStream* pStream = nullptr;
  HRESULT hrOpenStream = S_OK;
  std::wstring streamName;
  void* pReserved1 = nullptr;
  DWORD grfMode = 0;
  DWORD dwReserved2 = 0;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP CreateStream(const OLECHAR*, DWORD, DWORD, DWORD, IStream**) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP OpenStream(const OLECHAR* pwcsName, void* reserved1, DWORD grfMode,
                          DWORD reserved2, IStream** ppstm) override;
  STDMETHODIMP CreateStorage(const OLECHAR*, DWORD, DWORD, DWORD, IStorage**) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP OpenStorage(const OLECHAR*, IStorage*, DWORD, SNB, DWORD, IStorage**) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP CopyTo(DWORD, const IID*, SNB, IStorage*) override { return E_NOTIMPL; }
  STDMETHODIMP MoveElementTo(const OLECHAR*, IStorage*, const OLECHAR*, DWORD) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP Commit(DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP Revert() override { return E_NOTIMPL; }
  STDMETHODIMP EnumElements(DWORD, void*, DWORD, IEnumSTATSTG**) override { return E_NOTIMPL; }
  STDMETHODIMP DestroyElement(const OLECHAR*) override { return E_NOTIMPL; }
  STDMETHODIMP RenameElement(const OLECHAR*, const OLECHAR*) override { return E_NOTIMPL; }
  STDMETHODIMP SetElementTimes(const OLECHAR*, const FILETIME*, const FILETIME*,
                               const FILETIME*) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP SetClass(REFCLSID) override { return E_NOTIMPL; }
  STDMETHODIMP SetStateBits(DWORD, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP Stat(STATSTG*, DWORD) override { return E_NOTIMPL; }
};
