#include "FakeFilterClass.h"

#include <cstring>
#include <cwchar>

namespace {

// An object of its own count, freed at zero, that notes its life in the behaviour.
template <class... Interfaces>
class CHeapObject : public Interfaces... {
public:
  STDMETHODIMP_(ULONG) AddRef() override { return ++m_cRef; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG cRef = --m_cRef;
    if (cRef == 0) delete this;
    return cRef;
  }
  virtual ~CHeapObject() = default;

private:
  ULONG m_cRef = 1;
};

class CNoPins : public CHeapObject<IEnumPins> {
public:
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (riid != IID_IUnknown && riid != IID_IEnumPins) {
      *ppv = nullptr;
      return E_NOINTERFACE;
    }
    *ppv = static_cast<IEnumPins*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHODIMP Next(ULONG, IPin** ppPins, ULONG* pcFetched) override {
    if (ppPins) *ppPins = nullptr;
    if (pcFetched) *pcFetched = 0;
    return S_FALSE;
  }
  STDMETHODIMP Skip(ULONG) override { return S_FALSE; }
  STDMETHODIMP Reset() override { return S_OK; }
  STDMETHODIMP Clone(IEnumPins** ppEnum) override {
    *ppEnum = new CNoPins();
    return S_OK;
  }
};

class CFakeFilter : public CHeapObject<IBaseFilter, IPersistStreamInit> {
public:
  CFakeFilter(REFCLSID clsid, FakeFilterBehaviour* pBehaviour) : m_clsid(clsid), m_pBehaviour(pBehaviour) {
    ++m_pBehaviour->cLive;
  }
  ~CFakeFilter() override { --m_pBehaviour->cLive; }

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (riid == IID_IUnknown || riid == IID_IPersist || riid == IID_IMediaFilter || riid == IID_IBaseFilter) {
      *ppv = static_cast<IBaseFilter*>(this);
    } else if (riid == IID_IPersistStreamInit && m_pBehaviour->bPersistStreamInit) {
      *ppv = static_cast<IPersistStreamInit*>(this);
    } else {
      *ppv = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return CHeapObject::AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return CHeapObject::Release(); }

  STDMETHODIMP GetClassID(CLSID* pClsid) override {
    *pClsid = m_clsid;
    return S_OK;
  }
  STDMETHODIMP Stop() override { return S_OK; }
  STDMETHODIMP Pause() override { return S_OK; }
  STDMETHODIMP Run(REFERENCE_TIME) override { return S_OK; }
  STDMETHODIMP GetState(DWORD, FILTER_STATE* pState) override {
    *pState = State_Stopped;
    return S_OK;
  }
  STDMETHODIMP SetSyncSource(IReferenceClock*) override { return S_OK; }
  STDMETHODIMP GetSyncSource(IReferenceClock** ppClock) override {
    *ppClock = nullptr;
    return S_OK;
  }
  STDMETHODIMP EnumPins(IEnumPins** ppEnum) override {
    *ppEnum = new CNoPins();
    return S_OK;
  }
  STDMETHODIMP FindPin(LPCWSTR, IPin** ppPin) override {
    *ppPin = nullptr;
    return VFW_E_NOT_FOUND;
  }
  STDMETHODIMP QueryFilterInfo(FILTER_INFO* pInfo) override {
    std::wcsncpy(pInfo->achName, m_szName, MAX_FILTER_NAME);
    pInfo->pGraph = m_pGraph;
    if (m_pGraph) m_pGraph->AddRef();
    return S_OK;
  }
  STDMETHODIMP JoinFilterGraph(IFilterGraph* pGraph, LPCWSTR pszName) override {
    if (pGraph && FAILED(m_pBehaviour->hrJoinFilterGraph)) return m_pBehaviour->hrJoinFilterGraph;
    m_pGraph = pGraph;  // not counted: the graph holds the filter
    m_szName[0] = 0;
    if (pszName) std::wcsncpy(m_szName, pszName, MAX_FILTER_NAME - 1);
    return S_OK;
  }
  STDMETHODIMP QueryVendorInfo(LPWSTR*) override { return E_NOTIMPL; }

  STDMETHODIMP IsDirty() override { return S_FALSE; }
  STDMETHODIMP Load(IStream* pStream) override {
    uint8_t buffer[256];
    ULONG cbRead = 0;
    m_pBehaviour->loaded.clear();
    while (SUCCEEDED(pStream->Read(buffer, sizeof buffer, &cbRead)) && cbRead > 0)
      m_pBehaviour->loaded.insert(m_pBehaviour->loaded.end(), buffer, buffer + cbRead);
    return S_OK;
  }
  STDMETHODIMP Save(IStream*, BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }
  STDMETHODIMP InitNew() override { return S_OK; }

private:
  CLSID m_clsid;
  FakeFilterBehaviour* m_pBehaviour;
  IFilterGraph* m_pGraph = nullptr;
  WCHAR m_szName[MAX_FILTER_NAME] = {};
};

class CFactory : public CHeapObject<IClassFactory> {
public:
  CFactory(REFCLSID clsid, FakeFilterBehaviour* pBehaviour) : m_clsid(clsid), m_pBehaviour(pBehaviour) {}

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (riid != IID_IUnknown && riid != IID_IClassFactory) {
      *ppv = nullptr;
      return E_NOINTERFACE;
    }
    *ppv = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHODIMP CreateInstance(IUnknown* pOuter, REFIID riid, void** ppv) override {
    *ppv = nullptr;
    if (pOuter) return CLASS_E_NOAGGREGATION;
    auto* pFilter = new CFakeFilter(m_clsid, m_pBehaviour);
    const HRESULT hr = pFilter->QueryInterface(riid, ppv);
    pFilter->Release();
    return hr;
  }
  STDMETHODIMP LockServer(BOOL) override { return S_OK; }

private:
  CLSID m_clsid;
  FakeFilterBehaviour* m_pBehaviour;
};

}  // namespace

CFakeFilterClass::CFakeFilterClass(REFCLSID clsid, FakeFilterBehaviour* pBehaviour) {
  auto* pFactory = new CFactory(clsid, pBehaviour);
  if (FAILED(::CoRegisterClassObject(clsid, static_cast<IClassFactory*>(pFactory), CLSCTX_INPROC_SERVER,
                                     REGCLS_MULTIPLEUSE, &m_dwCookie)))
    m_dwCookie = 0;
  pFactory->Release();
}

CFakeFilterClass::~CFakeFilterClass() {
  if (m_dwCookie) ::CoRevokeClassObject(m_dwCookie);
}
