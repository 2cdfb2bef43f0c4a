// FaultyResizer.dll: our Resizer with one rule broken, so that each of filtercheck's
// checks is shown able to fail. The fault is named by the environment variable
// FAULTY_RESIZER_FAULT when an instance is made (none: the Resizer as it is); the
// names are in kFaults. Faults of a pin's own calls are made by wrapping the pins the
// filter hands out; everything else overrides the filter.
#include <cstring>
#include <new>

#include "ClassFactory.h"
#include "Module.h"
#include "Resizer.h"

namespace {

enum class Fault {
  None,
  MissingInterface,       // no IFilterVersion
  AggregationIgnored,     // an outer object taken with IID_IBaseFilter, and ignored
  LeakedReference,        // FindPin hands out two references
  StaleState,             // GetState says stopped while paused
  EnumSkip,               // IEnumPins::Skip past the end answers S_OK
  PinId,                  // QueryId names an id FindPin does not know
  AcceptsRgb24,           // the input's QueryAccept takes RGB24
  ConnectsWhileRunning,   // the input's ReceiveConnection answers S_OK while running
  DisconnectTwice,        // a second Disconnect answers S_OK
  AllocatorRequirements,  // GetAllocatorRequirements answers E_FAIL
  TimesDropped,           // output samples lose their times
  SegmentSwallowed,       // NewSegment not passed on
  EndOfStreamSwallowed,   // EndOfStream not passed on
  FlushNotPassed,         // BeginFlush and EndFlush not passed on, nor flushing
  SeekingNotPassed,       // no IMediaSeeking on the output pin
  NoQuality,              // no IQualityControl on the output pin
  DeadlockOnTypeQuery,    // the output's type checks take the filter lock
  BoolNotNormalised,      // GetFlip reads TRUE back as 2
  WrongRefusalCode,       // SetResizeAlgorithm out of range answers E_FAIL
  SizeWhileRunning,       // SetOutputSize while running answers S_OK, changing nothing
  SizeOffByOne,           // coefficients giving a half pixel round down
  FlipIgnored,            // frames not flipped
  VersionWrongOs,         // GetOS answers 32-bit in any build
  CutRecordAccepted,      // Load of a cut record answers S_OK
};

const struct {
  const wchar_t* pszName;
  Fault fault;
} kFaults[] = {
    {L"missing-interface", Fault::MissingInterface},
    {L"aggregation-ignored", Fault::AggregationIgnored},
    {L"leaked-reference", Fault::LeakedReference},
    {L"stale-state", Fault::StaleState},
    {L"enum-skip", Fault::EnumSkip},
    {L"pin-id", Fault::PinId},
    {L"accepts-rgb24", Fault::AcceptsRgb24},
    {L"connects-while-running", Fault::ConnectsWhileRunning},
    {L"disconnect-twice", Fault::DisconnectTwice},
    {L"allocator-requirements", Fault::AllocatorRequirements},
    {L"times-dropped", Fault::TimesDropped},
    {L"segment-swallowed", Fault::SegmentSwallowed},
    {L"end-of-stream-swallowed", Fault::EndOfStreamSwallowed},
    {L"flush-not-passed", Fault::FlushNotPassed},
    {L"seeking-not-passed", Fault::SeekingNotPassed},
    {L"no-quality", Fault::NoQuality},
    {L"deadlock-on-type-query", Fault::DeadlockOnTypeQuery},
    {L"bool-not-normalised", Fault::BoolNotNormalised},
    {L"wrong-refusal-code", Fault::WrongRefusalCode},
    {L"size-while-running", Fault::SizeWhileRunning},
    {L"size-off-by-one", Fault::SizeOffByOne},
    {L"flip-ignored", Fault::FlipIgnored},
    {L"version-wrong-os", Fault::VersionWrongOs},
    {L"cut-record-accepted", Fault::CutRecordAccepted},
};

Fault FaultAsked() {
  wchar_t sz[64] = {};
  if (!::GetEnvironmentVariableW(L"FAULTY_RESIZER_FAULT", sz, 64)) return Fault::None;
  for (const auto& row : kFaults)
    if (wcscmp(row.pszName, sz) == 0) return row.fault;
  return Fault::None;
}

bool WrapsPins(Fault fault) {
  switch (fault) {
    case Fault::PinId:
    case Fault::ConnectsWhileRunning:
    case Fault::DisconnectTwice:
    case Fault::AllocatorRequirements:
    case Fault::SegmentSwallowed:
    case Fault::EndOfStreamSwallowed:
    case Fault::FlushNotPassed:
    case Fault::SeekingNotPassed:
    case Fault::NoQuality:
      return true;
    default:
      return false;
  }
}

// The input's IMemInputPin with GetAllocatorRequirements broken.
class CMemInputWrap : public IMemInputPin {
public:
  CMemInputWrap(IBaseFilter* pFilter, IMemInputPin* pReal) : m_pFilter(pFilter), m_pReal(pReal) {}
  virtual ~CMemInputWrap() = default;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (riid == IID_IMemInputPin) return dshow::GetInterfaceOf(static_cast<IMemInputPin*>(this), ppv);
    return m_pReal->QueryInterface(riid, ppv);
  }
  STDMETHODIMP_(ULONG) AddRef() override { return m_pFilter->AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return m_pFilter->Release(); }
  STDMETHODIMP GetAllocator(IMemAllocator** pp) override { return m_pReal->GetAllocator(pp); }
  STDMETHODIMP NotifyAllocator(IMemAllocator* p, BOOL b) override { return m_pReal->NotifyAllocator(p, b); }
  STDMETHODIMP GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) override { return E_FAIL; }
  STDMETHODIMP Receive(IMediaSample* p) override { return m_pReal->Receive(p); }
  STDMETHODIMP ReceiveMultiple(IMediaSample** pp, long c, long* pc) override {
    return m_pReal->ReceiveMultiple(pp, c, pc);
  }
  STDMETHODIMP ReceiveCanBlock() override { return m_pReal->ReceiveCanBlock(); }

private:
  IBaseFilter* m_pFilter;  // counts for it
  IMemInputPin* m_pReal;
};

// A pin handed out in place of the real one, breaking one of its rules.
class CPinWrap : public IPin {
public:
  CPinWrap(dshow::CBaseFilter* pFilter, dshow::CBasePin* pReal, IMemInputPin* pRealMem, Fault fault)
      : m_pFilter(pFilter), m_pReal(pReal), m_mem(pFilter, pRealMem), m_fault(fault) {}
  virtual ~CPinWrap() = default;

  dshow::CBasePin* Real() const { return m_pReal; }

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == IID_IPin) return dshow::GetInterfaceOf(static_cast<IPin*>(this), ppv);
    if (riid == IID_IMemInputPin && m_fault == Fault::AllocatorRequirements && IsInput())
      return dshow::GetInterfaceOf(static_cast<IMemInputPin*>(&m_mem), ppv);
    if ((riid == IID_IMediaSeeking && m_fault == Fault::SeekingNotPassed) ||
        (riid == IID_IQualityControl && m_fault == Fault::NoQuality))
      return E_NOINTERFACE;
    return m_pReal->QueryInterface(riid, ppv);
  }
  STDMETHODIMP_(ULONG) AddRef() override { return m_pFilter->AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return m_pFilter->Release(); }

  STDMETHODIMP Connect(IPin* p, const AM_MEDIA_TYPE* pmt) override { return m_pReal->Connect(p, pmt); }
  STDMETHODIMP ReceiveConnection(IPin* p, const AM_MEDIA_TYPE* pmt) override {
    if (m_fault == Fault::ConnectsWhileRunning && !m_pFilter->IsStopped()) return S_OK;
    return m_pReal->ReceiveConnection(p, pmt);
  }
  STDMETHODIMP Disconnect() override {
    const HRESULT hr = m_pReal->Disconnect();
    return m_fault == Fault::DisconnectTwice && hr == S_FALSE ? S_OK : hr;
  }
  STDMETHODIMP ConnectedTo(IPin** pp) override { return m_pReal->ConnectedTo(pp); }
  STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* pmt) override { return m_pReal->ConnectionMediaType(pmt); }
  STDMETHODIMP QueryPinInfo(PIN_INFO* p) override { return m_pReal->QueryPinInfo(p); }
  STDMETHODIMP QueryDirection(PIN_DIRECTION* p) override { return m_pReal->QueryDirection(p); }
  STDMETHODIMP QueryId(LPWSTR* pp) override {
    if (m_fault != Fault::PinId) return m_pReal->QueryId(pp);
    if (!pp) return E_POINTER;
    const wchar_t kId[] = L"Pin 1";
    *pp = static_cast<LPWSTR>(::CoTaskMemAlloc(sizeof kId));
    if (!*pp) return E_OUTOFMEMORY;
    memcpy(*pp, kId, sizeof kId);
    return S_OK;
  }
  STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE* pmt) override { return m_pReal->QueryAccept(pmt); }
  STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** pp) override { return m_pReal->EnumMediaTypes(pp); }
  STDMETHODIMP QueryInternalConnections(IPin** pp, ULONG* pc) override {
    return m_pReal->QueryInternalConnections(pp, pc);
  }
  STDMETHODIMP EndOfStream() override { return m_fault == Fault::EndOfStreamSwallowed ? S_OK : m_pReal->EndOfStream(); }
  STDMETHODIMP BeginFlush() override { return m_fault == Fault::FlushNotPassed ? S_OK : m_pReal->BeginFlush(); }
  STDMETHODIMP EndFlush() override { return m_fault == Fault::FlushNotPassed ? S_OK : m_pReal->EndFlush(); }
  STDMETHODIMP NewSegment(REFERENCE_TIME t0, REFERENCE_TIME t1, double d) override {
    return m_fault == Fault::SegmentSwallowed ? S_OK : m_pReal->NewSegment(t0, t1, d);
  }

private:
  bool IsInput() const {
    PIN_DIRECTION dir = PINDIR_OUTPUT;
    m_pReal->QueryDirection(&dir);
    return dir == PINDIR_INPUT;
  }

  dshow::CBaseFilter* m_pFilter;  // counts for it
  dshow::CBasePin* m_pReal;
  CMemInputWrap m_mem;
  Fault m_fault;
};

class CFaultyResizer;

// The filter's pin enumerator, handing out the wrapped pins; Skip broken when asked.
class CEnumWrap : public IEnumPins {
public:
  CEnumWrap(CFaultyResizer* pFilter, IEnumPins* pReal, Fault fault);
  virtual ~CEnumWrap();

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid != IID_IUnknown && riid != IID_IEnumPins) return E_NOINTERFACE;
    return dshow::GetInterfaceOf(static_cast<IEnumPins*>(this), ppv);
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ::InterlockedIncrement(&m_cRef); }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG c = ::InterlockedDecrement(&m_cRef);
    if (c == 0) delete this;
    return c;
  }
  STDMETHODIMP Next(ULONG c, IPin** pp, ULONG* pcFetched) override;
  STDMETHODIMP Skip(ULONG c) override {
    const HRESULT hr = m_pReal->Skip(c);
    return m_fault == Fault::EnumSkip ? S_OK : hr;
  }
  STDMETHODIMP Reset() override { return m_pReal->Reset(); }
  STDMETHODIMP Clone(IEnumPins** pp) override;

private:
  LONG m_cRef = 1;
  CFaultyResizer* m_pFilter;  // referenced
  IEnumPins* m_pReal;         // owned
  Fault m_fault;
};

class CFaultyResizer : public lumivar::CResizer {
public:
  static HRESULT Create(IUnknown** ppUnk) {
    if (!ppUnk) return E_POINTER;
    auto* p = new (std::nothrow) CFaultyResizer(FaultAsked());
    *ppUnk = p ? static_cast<IBaseFilter*>(p) : nullptr;
    return p ? S_OK : E_OUTOFMEMORY;
  }

  explicit CFaultyResizer(Fault fault)
      : m_fault(fault),
        m_wrapIn(this, Input(), static_cast<IMemInputPin*>(Input()), fault),
        m_wrapOut(this, Output(), nullptr, fault) {}

  // The pin handed out for a real one.
  IPin* Outward(IPin* pReal) {
    if (!WrapsPins(m_fault)) return pReal;
    if (pReal == static_cast<IPin*>(Input())) return &m_wrapIn;
    if (pReal == static_cast<IPin*>(Output())) return &m_wrapOut;
    return pReal;
  }

  STDMETHODIMP EnumPins(IEnumPins** ppEnum) override {
    HRESULT hr = CResizer::EnumPins(ppEnum);
    if (FAILED(hr) || (m_fault != Fault::EnumSkip && !WrapsPins(m_fault))) return hr;
    auto* pWrap = new (std::nothrow) CEnumWrap(this, *ppEnum, m_fault);
    if (!pWrap) {
      (*ppEnum)->Release();
      *ppEnum = nullptr;
      return E_OUTOFMEMORY;
    }
    *ppEnum = pWrap;
    return S_OK;
  }
  STDMETHODIMP FindPin(LPCWSTR pszId, IPin** ppPin) override {
    HRESULT hr = CResizer::FindPin(pszId, ppPin);
    if (hr != S_OK) return hr;
    if (m_fault == Fault::LeakedReference) (*ppPin)->AddRef();
    IPin* pOut = Outward(*ppPin);
    if (pOut != *ppPin) {
      pOut->AddRef();
      (*ppPin)->Release();
      *ppPin = pOut;
    }
    return S_OK;
  }
  STDMETHODIMP GetState(DWORD dwMs, FILTER_STATE* pState) override {
    HRESULT hr = CResizer::GetState(dwMs, pState);
    if (m_fault == Fault::StaleState && SUCCEEDED(hr) && *pState == State_Paused) *pState = State_Stopped;
    return hr;
  }
  STDMETHODIMP SetResizeAlgorithm(ResizeAlgorithm e) override {
    if (m_fault == Fault::WrongRefusalCode && (e < 1 || e > 8)) return E_FAIL;
    return CResizer::SetResizeAlgorithm(e);
  }
  STDMETHODIMP GetFlip(BOOL* pb) override {
    HRESULT hr = CResizer::GetFlip(pb);
    if (m_fault == Fault::BoolNotNormalised && hr == S_OK && *pb) *pb = 2;
    return hr;
  }
  STDMETHODIMP SetOutputSize(LONG cx, LONG cy) override {
    if (m_fault == Fault::SizeWhileRunning && !IsStopped()) return S_OK;
    return CResizer::SetOutputSize(cx, cy);
  }
  STDMETHODIMP SetResizingCoeffs(double dX, double dY) override {
    HRESULT hr = CResizer::SetResizingCoeffs(dX, dY);
    if (m_fault != Fault::SizeOffByOne || hr != S_OK) return hr;
    LONG cx = 0, cy = 0;
    double dXNow = 0, dYNow = 0;
    GetOutputSize(&cx, &cy);
    GetResizingCoeffs(&dXNow, &dYNow);
    // A half pixel rounds down instead of up.
    const double xExact = dX * (cx / dXNow);
    return xExact + 0.5 == cx ? CResizer::SetOutputSize(cx - 1, cy) : hr;
  }
  STDMETHODIMP GetOS(FilterPlatform* peOS) override {
    HRESULT hr = CResizer::GetOS(peOS);
    if (m_fault == Fault::VersionWrongOs && hr == S_OK) *peOS = FILTER_PLATFORM_32BIT;
    return hr;
  }
  STDMETHODIMP Load(IStream* pStm) override {
    HRESULT hr = CResizer::Load(pStm);
    return m_fault == Fault::CutRecordAccepted && FAILED(hr) ? S_OK : hr;
  }

  HRESULT CheckInputType(const AM_MEDIA_TYPE* pmt) override {
    if (m_fault == Fault::AcceptsRgb24 && pmt->subtype == MEDIASUBTYPE_RGB24) return S_OK;
    return CResizer::CheckInputType(pmt);
  }
  HRESULT CheckTransform(const AM_MEDIA_TYPE* pmtIn, const AM_MEDIA_TYPE* pmtOut) override {
    if (m_fault != Fault::DeadlockOnTypeQuery) return CResizer::CheckTransform(pmtIn, pmtOut);
    dshow::CAutoLock lock(FilterLock());
    return CResizer::CheckTransform(pmtIn, pmtOut);
  }
  HRESULT Transform(IMediaSample* pIn, IMediaSample* pOut) override {
    HRESULT hr = CResizer::Transform(pIn, pOut);
    if (FAILED(hr)) return hr;
    if (m_fault == Fault::TimesDropped) pOut->SetTime(nullptr, nullptr);
    BOOL bFlip = FALSE;
    if (m_fault == Fault::FlipIgnored && CResizer::GetFlip(&bFlip) == S_OK && bFlip) Unflip(pOut);
    return hr;
  }

protected:
  HRESULT GetInterface(REFIID riid, void** ppv) override {
    if (m_fault == Fault::MissingInterface && riid == IID_IFilterVersion) {
      *ppv = nullptr;
      return E_NOINTERFACE;
    }
    return CResizer::GetInterface(riid, ppv);
  }

private:
  // The rows of an output frame put back in their unflipped order.
  void Unflip(IMediaSample* pOut) {
    LONG cx = 0, cy = 0;
    BYTE* pb = nullptr;
    if (FAILED(GetOutputSize(&cx, &cy)) || FAILED(pOut->GetPointer(&pb)) || cy < 2) return;
    const long cbRow = pOut->GetActualDataLength() / cy;
    for (LONG y = 0; y < cy / 2; ++y)
      for (long i = 0; i < cbRow; ++i) std::swap(pb[y * cbRow + i], pb[(cy - 1 - y) * cbRow + i]);
  }

  Fault m_fault;
  CPinWrap m_wrapIn, m_wrapOut;
};

CEnumWrap::CEnumWrap(CFaultyResizer* pFilter, IEnumPins* pReal, Fault fault)
    : m_pFilter(pFilter), m_pReal(pReal), m_fault(fault) {
  m_pFilter->AddRef();
}

CEnumWrap::~CEnumWrap() {
  m_pReal->Release();
  m_pFilter->Release();
}

STDMETHODIMP CEnumWrap::Next(ULONG c, IPin** pp, ULONG* pcFetched) {
  const HRESULT hr = m_pReal->Next(c, pp, pcFetched);
  if (FAILED(hr) || !pp) return hr;
  // Without a count pointer only one pin may be asked for.
  const ULONG cGot = pcFetched ? *pcFetched : hr == S_OK ? c : 0;
  for (ULONG i = 0; i < cGot; ++i) {
    IPin* pOut = m_pFilter->Outward(pp[i]);
    if (pOut == pp[i]) continue;
    pOut->AddRef();
    pp[i]->Release();
    pp[i] = pOut;
  }
  return hr;
}

STDMETHODIMP CEnumWrap::Clone(IEnumPins** pp) {
  if (!pp) return E_POINTER;
  IEnumPins* pRealClone = nullptr;
  HRESULT hr = m_pReal->Clone(&pRealClone);
  if (FAILED(hr)) return hr;
  *pp = new (std::nothrow) CEnumWrap(m_pFilter, pRealClone, m_fault);
  if (*pp) return S_OK;
  pRealClone->Release();
  return E_OUTOFMEMORY;
}

// A class factory that takes an outer object when it must not, and ignores it.
class CCarelessFactory : public dshow::CClassFactory {
public:
  using CClassFactory::CClassFactory;
  STDMETHODIMP CreateInstance(IUnknown* pOuter, REFIID riid, void** ppv) override {
    if (pOuter && FaultAsked() == Fault::AggregationIgnored) pOuter = nullptr;
    return CClassFactory::CreateInstance(pOuter, riid, ppv);
  }
};

const REGFILTERPINS kPins[] = {
    {const_cast<LPWSTR>(L"Input"), FALSE, FALSE, FALSE, FALSE, &CLSID_NULL, nullptr, 0, nullptr},
    {const_cast<LPWSTR>(L"Output"), FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, nullptr, 0, nullptr},
};
const REGFILTER2 kFilter = {1, MERIT_DO_NOT_USE, {{2, kPins}}};
const dshow::CFactoryTemplate kTemplate = {&CLSID_Resizer, L"Faulty Resizer", &CFaultyResizer::Create, &kFilter};

}  // namespace

// Never registered: filtercheck loads it by path.
extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID) {
  if (dwReason == DLL_PROCESS_ATTACH) {
    dshow::SetModuleInstance(hInstance);
    ::DisableThreadLibraryCalls(hInstance);
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (rclsid != CLSID_Resizer) return CLASS_E_CLASSNOTAVAILABLE;
  auto* pFactory = new (std::nothrow) CCarelessFactory(&kTemplate);
  if (!pFactory) return E_OUTOFMEMORY;
  HRESULT hr = pFactory->QueryInterface(riid, ppv);
  pFactory->Release();
  return hr;
}

STDAPI DllCanUnloadNow() { return dshow::ModuleCanUnloadNow(); }
