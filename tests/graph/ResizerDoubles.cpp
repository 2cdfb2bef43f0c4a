#include "ResizerDoubles.h"

#include "ClassSubstitute.h"

STDMETHODIMP FakeResizer::QueryInterface(REFIID riid, void** ppv) {
  if (riid == IID_IUnknown || riid == IID_IResizerControl) {
    *ppv = static_cast<IResizerControl*>(this);
  } else if (riid == IID_IFilterVersion && bHasVersion) {
    *ppv = static_cast<IFilterVersion*>(this);
  } else {
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

STDMETHODIMP FakeResizer::GetType(FilterBuildType* peType) {
  if (FAILED(hrTypes)) return hrTypes;
  *peType = eType;
  return S_OK;
}
STDMETHODIMP FakeResizer::GetOS(FilterPlatform* peOS) {
  if (FAILED(hrTypes)) return hrTypes;
  *peOS = eOS;
  return S_OK;
}

HRESULT FakeResizer::Deliver(const wchar_t* psz, BSTR* pbstr) {
  *pbstr = psz ? ::SysAllocString(psz) : nullptr;
  return S_OK;
}

ResizerStandIn::ResizerStandIn(IResizerControl* pControls) : m_pControls(pControls) {
  ClassSubstitute::CreateReal(CLSID_Resizer, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&m_spInner));
}

STDMETHODIMP ResizerStandIn::QueryInterface(REFIID riid, void** ppv) {
  if (riid == IID_IUnknown || riid == IID_IBaseFilter || riid == IID_IMediaFilter || riid == IID_IPersist) {
    *ppv = static_cast<IBaseFilter*>(this);
    AddRef();
    return S_OK;
  }
  if (riid == IID_IResizerControl || riid == IID_IFilterVersion) {
    if (m_pControls) return m_pControls->QueryInterface(riid, ppv);
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  return m_spInner->QueryInterface(riid, ppv);
}
