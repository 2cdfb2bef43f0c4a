#include "BaseFilter.h"

#include "BasePin.h"
#include "EnumPins.h"

#include <cwchar>

namespace dshow {

CBaseFilter::CBaseFilter(REFCLSID clsid) : m_clsid(clsid) {}

CBaseFilter::~CBaseFilter() {
  if (m_pClock) m_pClock->Release();
}

STDMETHODIMP CBaseFilter::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  return GetInterface(riid, ppv);
}

HRESULT CBaseFilter::GetInterface(REFIID riid, void** ppv) {
  if (riid == IID_IUnknown || riid == IID_IBaseFilter || riid == IID_IMediaFilter ||
      riid == IID_IPersist)
    return GetInterfaceOf(static_cast<IBaseFilter*>(this), ppv);
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CBaseFilter::AddRef() { return ::InterlockedIncrement(&m_cRef); }

STDMETHODIMP_(ULONG) CBaseFilter::Release() {
  ULONG cRef = ::InterlockedDecrement(&m_cRef);
  if (cRef == 0) delete this;
  return cRef;
}

STDMETHODIMP CBaseFilter::GetClassID(CLSID* pClsid) {
  if (!pClsid) return E_POINTER;
  *pClsid = m_clsid;
  return S_OK;
}

STDMETHODIMP CBaseFilter::Stop() {
  CAutoLock lock(&m_csFilter);
  HRESULT hrFirst = S_OK;
  if (m_state != State_Stopped) {
    // Every pin is stopped even when one fails, so no thread outlives Stop.
    for (int i = 0; i < GetPinCount(); ++i) {
      CBasePin* pPin = GetPin(i);
      if (!pPin->IsConnected()) continue;
      HRESULT hr = pPin->Inactive();
      if (FAILED(hr) && SUCCEEDED(hrFirst)) hrFirst = hr;
    }
  }
  m_state = State_Stopped;
  HRESULT hr = OnStop();
  return FAILED(hrFirst) ? hrFirst : hr;
}

STDMETHODIMP CBaseFilter::Pause() {
  CAutoLock lock(&m_csFilter);
  const bool bFromStopped = m_state == State_Stopped;
  int cActive = 0;
  HRESULT hr = S_OK;
  if (bFromStopped) {
    for (; cActive < GetPinCount() && SUCCEEDED(hr); ++cActive) {
      CBasePin* pPin = GetPin(cActive);
      if (pPin->IsConnected()) hr = pPin->Active();
    }
    // The pin that failed is not active.
    if (FAILED(hr)) --cActive;
  }
  if (SUCCEEDED(hr)) hr = OnPause();
  if (FAILED(hr)) {
    // Stopped it was, and stopped it stays: no pin left streaming.
    for (int i = 0; i < cActive; ++i)
      if (GetPin(i)->IsConnected()) GetPin(i)->Inactive();
    return hr;
  }
  m_state = State_Paused;
  return S_OK;
}

STDMETHODIMP CBaseFilter::Run(REFERENCE_TIME tStart) {
  CAutoLock lock(&m_csFilter);
  if (m_state == State_Stopped) {
    HRESULT hr = Pause();
    if (FAILED(hr)) return hr;
  }
  for (int i = 0; i < GetPinCount(); ++i) {
    CBasePin* pPin = GetPin(i);
    if (!pPin->IsConnected()) continue;
    HRESULT hr = pPin->Run(tStart);
    if (FAILED(hr)) return hr;
  }
  HRESULT hr = OnRun(tStart);
  if (FAILED(hr)) return hr;
  m_state = State_Running;
  return S_OK;
}

STDMETHODIMP CBaseFilter::GetState(DWORD, FILTER_STATE* pState) {
  if (!pState) return E_POINTER;
  *pState = State();
  return S_OK;
}

STDMETHODIMP CBaseFilter::SetSyncSource(IReferenceClock* pClock) {
  CAutoLock lock(&m_csInner);
  if (pClock) pClock->AddRef();
  if (m_pClock) m_pClock->Release();
  m_pClock = pClock;
  return S_OK;
}

STDMETHODIMP CBaseFilter::GetSyncSource(IReferenceClock** ppClock) {
  if (!ppClock) return E_POINTER;
  CAutoLock lock(&m_csInner);
  *ppClock = m_pClock;
  if (m_pClock) m_pClock->AddRef();
  return S_OK;
}

STDMETHODIMP CBaseFilter::EnumPins(IEnumPins** ppEnum) {
  if (!ppEnum) return E_POINTER;
  *ppEnum = nullptr;
  CAutoLock lock(&m_csFilter);
  return CEnumPins::Create(this, ppEnum);
}

STDMETHODIMP CBaseFilter::FindPin(LPCWSTR pszId, IPin** ppPin) {
  if (!pszId || !ppPin) return E_POINTER;
  *ppPin = nullptr;
  CAutoLock lock(&m_csFilter);
  for (int i = 0; i < GetPinCount(); ++i) {
    CBasePin* pPin = GetPin(i);
    if (std::wcscmp(pPin->Name(), pszId) == 0) return GetInterfaceOf<IPin>(pPin, reinterpret_cast<void**>(ppPin));
  }
  return VFW_E_NOT_FOUND;
}

STDMETHODIMP CBaseFilter::QueryFilterInfo(FILTER_INFO* pInfo) {
  if (!pInfo) return E_POINTER;
  CAutoLock lock(&m_csInner);
  std::wcsncpy(pInfo->achName, m_szName, MAX_FILTER_NAME - 1);
  pInfo->achName[MAX_FILTER_NAME - 1] = 0;
  pInfo->pGraph = m_pGraph;
  if (m_pGraph) m_pGraph->AddRef();
  return S_OK;
}

STDMETHODIMP CBaseFilter::JoinFilterGraph(IFilterGraph* pGraph, LPCWSTR pszName) {
  // Held without a reference: the graph holds the filter, not the other way.
  IMediaEventSink* pEventSink = nullptr;
  if (pGraph && SUCCEEDED(pGraph->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&pEventSink))))
    pEventSink->Release();
  CAutoLock lock(&m_csInner);
  m_pGraph = pGraph;
  m_pEventSink = pEventSink;
  m_szName[0] = 0;
  if (pszName) {
    std::wcsncpy(m_szName, pszName, MAX_FILTER_NAME - 1);
    m_szName[MAX_FILTER_NAME - 1] = 0;
  }
  return S_OK;
}

STDMETHODIMP CBaseFilter::QueryVendorInfo(LPWSTR* ppszVendorInfo) {
  if (!ppszVendorInfo) return E_POINTER;
  *ppszVendorInfo = nullptr;
  return E_NOTIMPL;
}

IFilterGraph* CBaseFilter::Graph() {
  CAutoLock lock(&m_csInner);
  return m_pGraph;
}

HRESULT CBaseFilter::NotifyEvent(long lCode, LONG_PTR lParam1, LONG_PTR lParam2) {
  IMediaEventSink* pSink;
  {
    CAutoLock lock(&m_csInner);
    pSink = m_pEventSink;
  }
  if (!pSink) return S_FALSE;
  return pSink->Notify(lCode, lParam1, lParam2);
}

}  // namespace dshow
