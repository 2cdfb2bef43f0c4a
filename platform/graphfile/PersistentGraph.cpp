#include "PersistentGraph.h"

#include <atlcomcli.h>

#include <new>

#include "GraphPersist.h"
#include "GraphStream.h"

using ATL::CComQIPtr;

namespace {

// Where TreatAs also redirected the class object, making the inner manager would make
// this class again, without end: the second level refuses.
thread_local bool t_bCreating = false;

class CLockScope {
public:
  explicit CLockScope(CRITICAL_SECTION* pcs) : m_pcs(pcs) { ::EnterCriticalSection(m_pcs); }
  ~CLockScope() { ::LeaveCriticalSection(m_pcs); }
  CLockScope(const CLockScope&) = delete;
  CLockScope& operator=(const CLockScope&) = delete;

private:
  CRITICAL_SECTION* m_pcs;
};

}  // namespace

CPersistentGraph::CPersistentGraph(IUnknown* pOuter) : m_own(this), m_pOuter(pOuter ? pOuter : &m_own) {
  ::InitializeCriticalSection(&m_cs);
}

CPersistentGraph::~CPersistentGraph() {
  if (m_pInner) m_pInner->Release();
  ::DeleteCriticalSection(&m_cs);
}

HRESULT CPersistentGraph::Create(IUnknown* pOuter, IUnknown** ppUnk) {
  if (!ppUnk) return E_POINTER;
  *ppUnk = nullptr;
  if (t_bCreating) return CO_E_CLASS_CREATE_FAILED;
  auto* pGraph = new (std::nothrow) CPersistentGraph(pOuter);
  if (!pGraph) return E_OUTOFMEMORY;
  t_bCreating = true;
  const HRESULT hr = pGraph->Init();
  t_bCreating = false;
  if (FAILED(hr)) {
    pGraph->m_own.Release();
    return hr;
  }
  *ppUnk = &pGraph->m_own;
  return S_OK;
}

// Nothing here calls the controlling object: an aggregating object is still being made.
HRESULT CPersistentGraph::Init() {
  IClassFactory* pFactory = nullptr;
  HRESULT hr = ::CoGetClassObject(CLSID_FilterGraph, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                  reinterpret_cast<void**>(&pFactory));
  if (FAILED(hr)) return hr;
  hr = pFactory->CreateInstance(m_pOuter, IID_IUnknown, reinterpret_cast<void**>(&m_pInner));
  pFactory->Release();
  if (FAILED(hr)) return hr;
  // A new graph is as clean as an empty one.
  graphfile::WriteGraphStream(graphfile::GraphDesc(), &m_clean);
  return S_OK;
}

STDMETHODIMP CPersistentGraph::COwnUnknown::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (riid == IID_IUnknown) {
    *ppv = static_cast<IUnknown*>(this);
    AddRef();
    return S_OK;
  }
  if (riid == IID_IPersist || riid == IID_IPersistStream) {
    *ppv = static_cast<IPersistStream*>(m_pOwner);
    m_pOwner->AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return m_pOwner->m_pInner ? m_pOwner->m_pInner->QueryInterface(riid, ppv) : E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CPersistentGraph::COwnUnknown::AddRef() { return ::InterlockedIncrement(&m_pOwner->m_cRef); }

STDMETHODIMP_(ULONG) CPersistentGraph::COwnUnknown::Release() {
  const ULONG cRef = ::InterlockedDecrement(&m_pOwner->m_cRef);
  if (cRef == 0) {
    // The inner object may hand itself back to us while it goes: keep the count off zero.
    m_pOwner->m_cRef = 1;
    delete m_pOwner;
  }
  return cRef;
}

STDMETHODIMP CPersistentGraph::GetClassID(CLSID* pClassID) {
  if (!pClassID) return E_POINTER;
  *pClassID = CLSID_FilterGraph;
  return S_OK;
}

// The inner manager's interfaces, asked of it directly: an aggregating object need not
// answer them.
HRESULT CPersistentGraph::CurrentBytes(std::vector<uint8_t>* pBytes) {
  CComQIPtr<IFilterGraph> spGraph(m_pInner);
  if (!spGraph) return E_NOINTERFACE;
  return GraphStreamBytes(spGraph, pBytes);
}

STDMETHODIMP CPersistentGraph::IsDirty() {
  std::vector<uint8_t> bytes;
  const HRESULT hr = CurrentBytes(&bytes);
  if (FAILED(hr)) return hr;
  CLockScope lock(&m_cs);
  return bytes == m_clean ? S_FALSE : S_OK;
}

STDMETHODIMP CPersistentGraph::Load(IStream* pStream) {
  if (!pStream) return E_POINTER;
  CComQIPtr<IFilterGraph> spGraph(m_pInner);
  if (!spGraph) return E_NOINTERFACE;
  HRESULT hr = LoadGraphStream(spGraph, pStream);
  if (FAILED(hr)) return hr;
  std::vector<uint8_t> bytes;
  if (SUCCEEDED(CurrentBytes(&bytes))) {
    CLockScope lock(&m_cs);
    m_clean.swap(bytes);
  }
  return S_OK;
}

STDMETHODIMP CPersistentGraph::Save(IStream* pStream, BOOL bClearDirty) {
  if (!pStream) return E_POINTER;
  std::vector<uint8_t> bytes;
  HRESULT hr = CurrentBytes(&bytes);
  if (FAILED(hr)) return hr;
  hr = WriteAll(pStream, bytes);
  if (FAILED(hr)) return hr;
  if (bClearDirty) {
    CLockScope lock(&m_cs);
    m_clean.swap(bytes);
  }
  return S_OK;
}

STDMETHODIMP CPersistentGraph::GetSizeMax(ULARGE_INTEGER* pcbSize) {
  if (!pcbSize) return E_POINTER;
  std::vector<uint8_t> bytes;
  const HRESULT hr = CurrentBytes(&bytes);
  if (FAILED(hr)) return hr;
  pcbSize->QuadPart = bytes.size();
  return S_OK;
}
