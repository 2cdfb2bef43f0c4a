#include "TestSink.h"

#include <new>

namespace filtercheck {

HRESULT CRecordingAllocator::Create(CRecordingAllocator** ppAllocator) {
  *ppAllocator = nullptr;
  auto* p = new (std::nothrow) CRecordingAllocator;
  if (!p) return E_OUTOFMEMORY;
  p->m_hDecommit.Attach(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
  HRESULT hr = ::CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                                  reinterpret_cast<void**>(&p->m_pInner));
  if (SUCCEEDED(hr) && !p->m_hDecommit) hr = HRESULT_FROM_WIN32(::GetLastError());
  if (FAILED(hr)) {
    p->Release();
    return hr;
  }
  *ppAllocator = p;
  return S_OK;
}

CRecordingAllocator::~CRecordingAllocator() {
  if (m_pInner) m_pInner->Release();
}

STDMETHODIMP CRecordingAllocator::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (riid != IID_IUnknown && riid != IID_IMemAllocator) {
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  *ppv = static_cast<IMemAllocator*>(this);
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) CRecordingAllocator::Release() {
  const ULONG cRef = ::InterlockedDecrement(&m_cRef);
  if (cRef == 0) delete this;
  return cRef;
}

STDMETHODIMP CRecordingAllocator::SetProperties(ALLOCATOR_PROPERTIES* pRequest, ALLOCATOR_PROPERTIES* pActual) {
  if (pRequest) m_cbRequested = pRequest->cbBuffer;
  return m_pInner->SetProperties(pRequest, pActual);
}

STDMETHODIMP CRecordingAllocator::Decommit() {
  ::SetEvent(m_hDecommit);
  return m_pInner->Decommit();
}

CTestSinkPin::CTestSinkPin(dshow::CBaseFilter* pFilter)
    : CInputPin(pFilter, L"Input"), m_hChanged(::CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

HRESULT CTestSinkPin::CheckMediaType(const AM_MEDIA_TYPE* pmt) {
  SIZE size;
  if (m_bAcceptNothing || pmt->majortype != MEDIATYPE_Video || pmt->subtype != MEDIASUBTYPE_RGB32) return S_FALSE;
  return TypeSize(pmt, &size) ? S_OK : S_FALSE;
}

HRESULT CTestSinkPin::GetMediaType(int iPosition, AM_MEDIA_TYPE*) {
  return iPosition < 0 ? E_INVALIDARG : VFW_S_NO_MORE_ITEMS;
}

STDMETHODIMP CTestSinkPin::GetAllocator(IMemAllocator** ppAllocator) {
  if (!ppAllocator) return E_POINTER;
  *ppAllocator = nullptr;
  dshow::CAutoLock lock(m_pLock);
  if (!m_pOwnAllocator) {
    HRESULT hr = CRecordingAllocator::Create(&m_pOwnAllocator);
    if (FAILED(hr)) return hr;
  }
  *ppAllocator = m_pOwnAllocator;
  m_pOwnAllocator->AddRef();
  return S_OK;
}

STDMETHODIMP CTestSinkPin::NotifyAllocator(IMemAllocator* pAllocator, BOOL bReadOnly) {
  m_bNotified = pAllocator != nullptr;
  m_bNotifiedOwn = pAllocator && pAllocator == static_cast<IMemAllocator*>(m_pOwnAllocator);
  return CInputPin::NotifyAllocator(pAllocator, bReadOnly);
}

void CTestSinkPin::SetProbe(std::function<void()> probe) {
  dshow::CAutoLock lock(&m_csRecord);
  m_probe = std::move(probe);
}

void CTestSinkPin::Record(SinkEvent event) {
  {
    dshow::CAutoLock lock(&m_csRecord);
    m_events.push_back(std::move(event));
  }
  ::SetEvent(m_hChanged);
}

std::vector<SinkEvent> CTestSinkPin::Events() {
  dshow::CAutoLock lock(&m_csRecord);
  return m_events;
}

size_t CTestSinkPin::SampleCount() {
  dshow::CAutoLock lock(&m_csRecord);
  size_t c = 0;
  for (const SinkEvent& e : m_events) c += e.kind == SinkEvent::Sample;
  return c;
}

void CTestSinkPin::ClearEvents() {
  dshow::CAutoLock lock(&m_csRecord);
  m_events.clear();
}

bool CTestSinkPin::WaitFor(SinkEvent::Kind kind, size_t cCount, DWORD dwTimeout) {
  const DWORD dwStart = ::GetTickCount();
  for (;;) {
    size_t c = 0;
    for (const SinkEvent& e : Events()) c += e.kind == kind;
    if (c >= cCount) return true;
    const DWORD dwSpent = ::GetTickCount() - dwStart;
    if (dwSpent >= dwTimeout || ::WaitForSingleObject(m_hChanged, dwTimeout - dwSpent) != WAIT_OBJECT_0) {
      for (const SinkEvent& e : Events()) c += e.kind == kind;
      return false;
    }
  }
}

HRESULT CTestSinkPin::OnReceive(IMediaSample* pSample) {
  std::function<void()> probe;
  {
    dshow::CAutoLock lock(&m_csRecord);
    probe = m_probe;
  }
  if (probe) probe();
  SinkEvent event{SinkEvent::Sample};
  event.bHasTime = SUCCEEDED(pSample->GetTime(&event.tStart, &event.tStop));
  event.cbData = pSample->GetActualDataLength();
  BYTE* pb = nullptr;
  AM_MEDIA_TYPE* pmtSample = nullptr;
  // A type on the sample replaces the connection's from there on; the record reads this one.
  const bool bOwnType = pSample->GetMediaType(&pmtSample) == S_OK && pmtSample;
  if (m_bKeepPictures && SUCCEEDED(pSample->GetPointer(&pb)))
    ReadPicture(bOwnType ? pmtSample : &m_mt, pb, event.cbData > 0 ? static_cast<size_t>(event.cbData) : 0,
                &event.picture);
  if (bOwnType) dshow::DeleteMediaType(pmtSample);
  Record(std::move(event));
  return S_OK;
}

HRESULT CTestSinkPin::OnEndOfStream() {
  Record(SinkEvent{SinkEvent::EndOfStream});
  return S_OK;
}

HRESULT CTestSinkPin::OnBeginFlush() {
  Record(SinkEvent{SinkEvent::BeginFlush});
  return S_OK;
}

HRESULT CTestSinkPin::OnEndFlush() {
  Record(SinkEvent{SinkEvent::EndFlush});
  return S_OK;
}

HRESULT CTestSinkPin::OnNewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) {
  SinkEvent event{SinkEvent::Segment};
  event.tStart = tStart;
  event.tStop = tStop;
  event.dRate = dRate;
  Record(std::move(event));
  return S_OK;
}

CTestSink::CTestSink() : CBaseFilter(CLSID_CheckSink), m_input(this) {}

CTestSink::~CTestSink() {
  if (CRecordingAllocator* p = m_input.OwnAllocator()) p->Release();
}

HRESULT CTestSink::Create(CTestSink** ppSink) {
  if (!ppSink) return E_POINTER;
  *ppSink = new (std::nothrow) CTestSink;
  return *ppSink ? S_OK : E_OUTOFMEMORY;
}

}  // namespace filtercheck
