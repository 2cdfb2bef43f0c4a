#include "BasePin.h"

#include "BaseFilter.h"
#include "EnumMediaTypes.h"

#include <cstring>
#include <cwchar>

namespace dshow {

CBasePin::CBasePin(CBaseFilter* pFilter, PIN_DIRECTION dir, LPCWSTR pszName)
    : m_pFilter(pFilter), m_pLock(pFilter->FilterLock()), m_pInnerLock(pFilter->InnerLock()), m_dir(dir) {
  std::wcsncpy(m_szName, pszName, MAX_PIN_NAME - 1);
}

CBasePin::~CBasePin() = default;

STDMETHODIMP CBasePin::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  return GetInterface(riid, ppv);
}

HRESULT CBasePin::GetInterface(REFIID riid, void** ppv) {
  if (riid == IID_IUnknown || riid == IID_IPin) return GetInterfaceOf(static_cast<IPin*>(this), ppv);
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CBasePin::AddRef() { return m_pFilter->AddRef(); }

STDMETHODIMP_(ULONG) CBasePin::Release() { return m_pFilter->Release(); }

STDMETHODIMP CBasePin::Disconnect() {
  CAutoLock lock(m_pLock);
  if (!m_pFilter->IsStopped()) return VFW_E_NOT_STOPPED;
  if (!m_spConnected) return S_FALSE;
  HRESULT hr = BreakConnect();
  ClearConnection();
  return hr;
}

void CBasePin::ClearConnection() {
  // The peer is released outside the lock: its last reference may go with it.
  CComPtr<IPin> spPeer;
  CAutoLock lock(m_pInnerLock);
  spPeer.Attach(m_spConnected.Detach());
  m_mt.Clear();
}

void CBasePin::SetPeer(IPin* pPeer) {
  CAutoLock lock(m_pInnerLock);
  m_spConnected = pPeer;
}

// Under the inner lock alone: a renderer asks for seeking, and so for this peer, from
// the streaming thread, which must never wait for the filter lock.
STDMETHODIMP CBasePin::ConnectedTo(IPin** ppPin) {
  if (!ppPin) return E_POINTER;
  CAutoLock lock(m_pInnerLock);
  *ppPin = m_spConnected;
  if (!m_spConnected) return VFW_E_NOT_CONNECTED;
  m_spConnected->AddRef();
  return S_OK;
}

STDMETHODIMP CBasePin::ConnectionMediaType(AM_MEDIA_TYPE* pmt) {
  if (!pmt) return E_POINTER;
  CAutoLock lock(m_pInnerLock);
  if (!m_spConnected) {
    *pmt = AM_MEDIA_TYPE();
    return VFW_E_NOT_CONNECTED;
  }
  return CopyMediaType(pmt, &m_mt);
}

STDMETHODIMP CBasePin::QueryPinInfo(PIN_INFO* pInfo) {
  if (!pInfo) return E_POINTER;
  pInfo->pFilter = m_pFilter;
  m_pFilter->AddRef();
  pInfo->dir = m_dir;
  std::wcsncpy(pInfo->achName, m_szName, MAX_PIN_NAME - 1);
  pInfo->achName[MAX_PIN_NAME - 1] = 0;
  return S_OK;
}

STDMETHODIMP CBasePin::QueryDirection(PIN_DIRECTION* pDir) {
  if (!pDir) return E_POINTER;
  *pDir = m_dir;
  return S_OK;
}

STDMETHODIMP CBasePin::QueryId(LPWSTR* ppszId) {
  if (!ppszId) return E_POINTER;
  size_t cb = (std::wcslen(m_szName) + 1) * sizeof(WCHAR);
  *ppszId = static_cast<LPWSTR>(::CoTaskMemAlloc(cb));
  if (!*ppszId) return E_OUTOFMEMORY;
  std::memcpy(*ppszId, m_szName, cb);
  return S_OK;
}

STDMETHODIMP CBasePin::QueryAccept(const AM_MEDIA_TYPE* pmt) {
  if (!pmt) return E_POINTER;
  CAutoLock lock(m_pInnerLock);
  HRESULT hr = CheckMediaType(pmt);
  return hr == S_OK ? S_OK : S_FALSE;
}

STDMETHODIMP CBasePin::EnumMediaTypes(IEnumMediaTypes** ppEnum) {
  if (!ppEnum) return E_POINTER;
  *ppEnum = nullptr;
  CAutoLock lock(m_pInnerLock);
  return CEnumMediaTypes::Create(this, ppEnum);
}

STDMETHODIMP CBasePin::QueryInternalConnections(IPin**, ULONG*) { return E_NOTIMPL; }

HRESULT CBasePin::GetMediaType(int, AM_MEDIA_TYPE*) { return VFW_S_NO_MORE_ITEMS; }

HRESULT CBasePin::SetMediaType(const AM_MEDIA_TYPE* pmt) {
  CAutoLock lock(m_pInnerLock);
  return m_mt.Set(pmt);
}

HRESULT CBasePin::CompleteConnect(IPin*) { return S_OK; }

HRESULT CBasePin::BreakConnect() { return S_OK; }

}  // namespace dshow
