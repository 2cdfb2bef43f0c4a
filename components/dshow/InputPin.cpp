#include "InputPin.h"

#include "BaseFilter.h"

namespace dshow {

CInputPin::CInputPin(CBaseFilter* pFilter, LPCWSTR pszName)
    : CBasePin(pFilter, PINDIR_INPUT, pszName) {}

HRESULT CInputPin::GetInterface(REFIID riid, void** ppv) {
  if (riid == IID_IMemInputPin) return GetInterfaceOf(static_cast<IMemInputPin*>(this), ppv);
  return CBasePin::GetInterface(riid, ppv);
}

STDMETHODIMP CInputPin::Connect(IPin*, const AM_MEDIA_TYPE*) { return E_UNEXPECTED; }

STDMETHODIMP CInputPin::ReceiveConnection(IPin* pConnector, const AM_MEDIA_TYPE* pmt) {
  if (!pConnector || !pmt) return E_POINTER;
  CAutoLock lock(m_pLock);
  if (m_spConnected) return VFW_E_ALREADY_CONNECTED;
  if (!m_pFilter->IsStopped()) return VFW_E_NOT_STOPPED;
  PIN_DIRECTION dir;
  if (FAILED(pConnector->QueryDirection(&dir)) || dir != PINDIR_OUTPUT)
    return VFW_E_INVALID_DIRECTION;
  if (CheckMediaType(pmt) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
  HRESULT hr = SetMediaType(pmt);
  if (FAILED(hr)) return hr;
  SetPeer(pConnector);
  hr = CompleteConnect(pConnector);
  if (FAILED(hr)) {
    BreakConnect();
    ClearConnection();
  }
  return hr;
}

HRESULT CInputPin::BreakConnect() {
  m_spAllocator.Release();
  return S_OK;
}

HRESULT CInputPin::Active() {
  m_bActive = true;
  return S_OK;
}

HRESULT CInputPin::Inactive() {
  m_bActive = false;
  m_bFlushing = false;
  // A sample in progress finishes before the allocator goes.
  CAutoLock lock(&m_csStream);
  if (m_spAllocator) m_spAllocator->Decommit();
  return S_OK;
}

STDMETHODIMP CInputPin::GetAllocator(IMemAllocator** ppAllocator) {
  if (!ppAllocator) return E_POINTER;
  *ppAllocator = nullptr;
  CAutoLock lock(m_pLock);
  if (!m_spAllocator) {
    HRESULT hr = m_spAllocator.CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER);
    if (FAILED(hr)) return hr;
  }
  return m_spAllocator.CopyTo(ppAllocator);
}

STDMETHODIMP CInputPin::NotifyAllocator(IMemAllocator* pAllocator, BOOL) {
  if (!pAllocator) return E_POINTER;
  CAutoLock lock(m_pLock);
  m_spAllocator = pAllocator;
  return S_OK;
}

STDMETHODIMP CInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) { return E_NOTIMPL; }

HRESULT CInputPin::CheckStreaming() {
  if (!m_bActive) return VFW_E_WRONG_STATE;
  if (m_bFlushing) return S_FALSE;
  return S_OK;
}

STDMETHODIMP CInputPin::Receive(IMediaSample* pSample) {
  if (!pSample) return E_POINTER;
  CAutoLock lock(&m_csStream);
  HRESULT hr = CheckStreaming();
  if (hr != S_OK) return hr;
  return OnReceive(pSample);
}

STDMETHODIMP CInputPin::ReceiveMultiple(IMediaSample** pSamples, long nSamples, long* nSamplesProcessed) {
  if (!pSamples || !nSamplesProcessed) return E_POINTER;
  *nSamplesProcessed = 0;
  HRESULT hr = S_OK;
  while (*nSamplesProcessed < nSamples) {
    hr = Receive(pSamples[*nSamplesProcessed]);
    if (hr != S_OK) break;
    ++*nSamplesProcessed;
  }
  return hr;
}

STDMETHODIMP CInputPin::ReceiveCanBlock() { return S_OK; }

STDMETHODIMP CInputPin::EndOfStream() {
  CAutoLock lock(&m_csStream);
  HRESULT hr = CheckStreaming();
  if (hr != S_OK) return hr;
  return OnEndOfStream();
}

STDMETHODIMP CInputPin::BeginFlush() {
  // Marked first, so a blocked OnReceive can see it and give the lock up.
  m_bFlushing = true;
  HRESULT hr = OnBeginFlush();
  CAutoLock lock(&m_csStream);
  return hr;
}

STDMETHODIMP CInputPin::EndFlush() {
  CAutoLock lock(&m_csStream);
  HRESULT hr = OnEndFlush();
  m_bFlushing = false;
  return hr;
}

STDMETHODIMP CInputPin::NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) {
  CAutoLock lock(&m_csStream);
  return OnNewSegment(tStart, tStop, dRate);
}

}  // namespace dshow
