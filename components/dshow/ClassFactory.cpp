#include "ClassFactory.h"

#include <new>

namespace dshow {

STDMETHODIMP CClassFactory::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (riid != IID_IUnknown && riid != IID_IClassFactory) {
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  *ppv = static_cast<IClassFactory*>(this);
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) CClassFactory::AddRef() { return ::InterlockedIncrement(&m_cRef); }

STDMETHODIMP_(ULONG) CClassFactory::Release() {
  ULONG cRef = ::InterlockedDecrement(&m_cRef);
  if (cRef == 0) delete this;
  return cRef;
}

STDMETHODIMP CClassFactory::CreateInstance(IUnknown* pOuter, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (pOuter) return CLASS_E_NOAGGREGATION;
  IUnknown* pUnk = nullptr;
  HRESULT hr = m_pTemplate->pfnCreate(&pUnk);
  if (FAILED(hr)) return hr;
  hr = pUnk->QueryInterface(riid, ppv);
  pUnk->Release();
  return hr;
}

STDMETHODIMP CClassFactory::LockServer(BOOL bLock) {
  if (bLock)
    ModuleLock();
  else
    ModuleUnlock();
  return S_OK;
}

HRESULT GetClassObject(const CFactoryTemplate* pTemplates, int cTemplates, REFCLSID rclsid,
                       REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  for (int i = 0; i < cTemplates; ++i) {
    if (*pTemplates[i].pClsid != rclsid) continue;
    auto* pFactory = new (std::nothrow) CClassFactory(&pTemplates[i]);
    if (!pFactory) return E_OUTOFMEMORY;
    HRESULT hr = pFactory->QueryInterface(riid, ppv);
    pFactory->Release();
    return hr;
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

}  // namespace dshow
