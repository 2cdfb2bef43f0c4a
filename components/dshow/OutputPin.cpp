#include "OutputPin.h"

#include "BaseFilter.h"

namespace dshow {
namespace {

bool IsComplete(const AM_MEDIA_TYPE* pmt) {
  return pmt && pmt->majortype != GUID_NULL && pmt->subtype != GUID_NULL &&
         pmt->formattype != GUID_NULL;
}

}  // namespace

COutputPin::COutputPin(CBaseFilter* pFilter, LPCWSTR pszName)
    : CBasePin(pFilter, PINDIR_OUTPUT, pszName) {}

STDMETHODIMP COutputPin::Connect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt) {
  if (!pReceivePin) return E_POINTER;
  CAutoLock lock(m_pLock);
  if (m_spConnected) return VFW_E_ALREADY_CONNECTED;
  if (!m_pFilter->IsStopped()) return VFW_E_NOT_STOPPED;
  PIN_DIRECTION dir;
  if (FAILED(pReceivePin->QueryDirection(&dir)) || dir != PINDIR_INPUT)
    return VFW_E_INVALID_DIRECTION;

  bool bAgreed = false;
  if (IsComplete(pmt)) return AttemptConnection(pReceivePin, pmt, &bAgreed);

  HRESULT hrAgreed = VFW_E_NO_ACCEPTABLE_TYPES;
  CComPtr<IEnumMediaTypes> spMine;
  HRESULT hr = EnumMediaTypes(&spMine);
  if (FAILED(hr)) return hr;
  if (TryTypes(pReceivePin, pmt, spMine, &hrAgreed) == S_OK) return S_OK;
  CComPtr<IEnumMediaTypes> spTheirs;
  if (SUCCEEDED(pReceivePin->EnumMediaTypes(&spTheirs)) &&
      TryTypes(pReceivePin, pmt, spTheirs, &hrAgreed) == S_OK)
    return S_OK;
  return hrAgreed;
}

HRESULT COutputPin::TryTypes(IPin* pReceivePin, const AM_MEDIA_TYPE* pPartial,
                             IEnumMediaTypes* pEnum, HRESULT* phrAgreed) {
  for (;;) {
    AM_MEDIA_TYPE* pmt = nullptr;
    ULONG cFetched = 0;
    if (pEnum->Next(1, &pmt, &cFetched) != S_OK || cFetched != 1) return S_FALSE;
    HRESULT hr = S_FALSE;
    if (MatchesPartial(pmt, pPartial)) {
      bool bAgreed = false;
      hr = AttemptConnection(pReceivePin, pmt, &bAgreed);
      if (FAILED(hr) && bAgreed) *phrAgreed = hr;
    }
    DeleteMediaType(pmt);
    if (hr == S_OK) return S_OK;
  }
}

HRESULT COutputPin::AttemptConnection(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt, bool* pbAgreed) {
  if (CheckMediaType(pmt) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
  HRESULT hr = SetMediaType(pmt);
  if (FAILED(hr)) return hr;
  SetPeer(pReceivePin);
  hr = pReceivePin->ReceiveConnection(this, pmt);
  if (SUCCEEDED(hr)) {
    *pbAgreed = true;
    hr = CompleteConnect(pReceivePin);
    if (SUCCEEDED(hr)) return S_OK;
    pReceivePin->Disconnect();
  }
  BreakConnect();
  ClearConnection();
  return hr;
}

HRESULT COutputPin::CompleteConnect(IPin* pPeer) {
  CComQIPtr<IMemInputPin> spMemInput(pPeer);
  if (!spMemInput) return VFW_E_NO_TRANSPORT;
  m_spMemInput = spMemInput;

  ALLOCATOR_PROPERTIES request = {};
  spMemInput->GetAllocatorRequirements(&request);

  CComPtr<IMemAllocator> spAlloc;
  if (SUCCEEDED(spMemInput->GetAllocator(&spAlloc)) && TryAllocator(spAlloc, request) == S_OK)
    return S_OK;
  spAlloc.Release();
  HRESULT hr = spAlloc.CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER);
  if (SUCCEEDED(hr)) hr = TryAllocator(spAlloc, request);
  if (FAILED(hr)) m_spMemInput.Release();
  return hr;
}

HRESULT COutputPin::TryAllocator(IMemAllocator* pAlloc, const ALLOCATOR_PROPERTIES& request) {
  ALLOCATOR_PROPERTIES props = request;
  HRESULT hr = DecideBufferSize(pAlloc, &props);
  if (FAILED(hr)) return hr;
  hr = m_spMemInput->NotifyAllocator(pAlloc, FALSE);
  if (FAILED(hr)) return hr;
  m_spAllocator = pAlloc;
  return S_OK;
}

HRESULT COutputPin::BreakConnect() {
  if (m_spAllocator) m_spAllocator->Decommit();
  m_spAllocator.Release();
  m_spMemInput.Release();
  return S_OK;
}

STDMETHODIMP COutputPin::ReceiveConnection(IPin*, const AM_MEDIA_TYPE*) { return E_UNEXPECTED; }

STDMETHODIMP COutputPin::EndOfStream() { return E_UNEXPECTED; }

STDMETHODIMP COutputPin::BeginFlush() { return E_UNEXPECTED; }

STDMETHODIMP COutputPin::EndFlush() { return E_UNEXPECTED; }

STDMETHODIMP COutputPin::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) { return E_UNEXPECTED; }

HRESULT COutputPin::Active() {
  if (!m_spAllocator) return VFW_E_NO_ALLOCATOR;
  return m_spAllocator->Commit();
}

HRESULT COutputPin::Inactive() {
  if (!m_spAllocator) return VFW_E_NO_ALLOCATOR;
  return m_spAllocator->Decommit();
}

HRESULT COutputPin::GetDeliveryBuffer(IMediaSample** ppSample) {
  if (!ppSample) return E_POINTER;
  *ppSample = nullptr;
  if (!m_spAllocator) return VFW_E_NO_ALLOCATOR;
  return m_spAllocator->GetBuffer(ppSample, nullptr, nullptr, 0);
}

HRESULT COutputPin::Deliver(IMediaSample* pSample) {
  if (!m_spMemInput) return VFW_E_NOT_CONNECTED;
  return m_spMemInput->Receive(pSample);
}

HRESULT COutputPin::DeliverEndOfStream() {
  if (!m_spConnected) return VFW_E_NOT_CONNECTED;
  return m_spConnected->EndOfStream();
}

HRESULT COutputPin::DeliverBeginFlush() {
  if (!m_spConnected) return VFW_E_NOT_CONNECTED;
  return m_spConnected->BeginFlush();
}

HRESULT COutputPin::DeliverEndFlush() {
  if (!m_spConnected) return VFW_E_NOT_CONNECTED;
  return m_spConnected->EndFlush();
}

HRESULT COutputPin::DeliverNewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) {
  if (!m_spConnected) return VFW_E_NOT_CONNECTED;
  return m_spConnected->NewSegment(tStart, tStop, dRate);
}

}  // namespace dshow
