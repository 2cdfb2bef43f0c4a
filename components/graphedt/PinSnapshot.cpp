#include "PinSnapshot.h"

#include <atlcomcli.h>

#include <new>

#include "EnumBase.h"
#include "GraphDescCom.h"
#include "MediaType.h"

using ATL::CComPtr;

namespace {

// COM reference counting and QueryInterface for one interface.
template <class I, const IID* piid>
class CSnapshotObject : public I {
public:
  virtual ~CSnapshotObject() = default;
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid != IID_IUnknown && riid != *piid) return E_NOINTERFACE;
    *ppv = static_cast<I*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ::InterlockedIncrement(&m_cRef); }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG cRef = ::InterlockedDecrement(&m_cRef);
    if (cRef == 0) delete this;
    return cRef;
  }

private:
  LONG m_cRef = 1;
};

HRESULT CopyText(const std::wstring& text, LPWSTR* ppsz) {
  if (!ppsz) return E_POINTER;
  const size_t cb = (text.size() + 1) * sizeof(wchar_t);
  *ppsz = static_cast<LPWSTR>(::CoTaskMemAlloc(cb));
  if (!*ppsz) return E_OUTOFMEMORY;
  ::memcpy(*ppsz, text.c_str(), cb);
  return S_OK;
}

class CFilterSnapshot : public CSnapshotObject<IBaseFilter, &IID_IBaseFilter> {
public:
  explicit CFilterSnapshot(const std::wstring& name) : m_name(name) {}

  STDMETHODIMP GetClassID(CLSID*) override { return E_NOTIMPL; }
  STDMETHODIMP Stop() override { return E_NOTIMPL; }
  STDMETHODIMP Pause() override { return E_NOTIMPL; }
  STDMETHODIMP Run(REFERENCE_TIME) override { return E_NOTIMPL; }
  STDMETHODIMP GetState(DWORD, FILTER_STATE*) override { return E_NOTIMPL; }
  STDMETHODIMP SetSyncSource(IReferenceClock*) override { return E_NOTIMPL; }
  STDMETHODIMP GetSyncSource(IReferenceClock**) override { return E_NOTIMPL; }
  STDMETHODIMP EnumPins(IEnumPins**) override { return E_NOTIMPL; }
  STDMETHODIMP FindPin(LPCWSTR, IPin**) override { return E_NOTIMPL; }
  STDMETHODIMP QueryFilterInfo(FILTER_INFO* pInfo) override {
    if (!pInfo) return E_POINTER;
    ::lstrcpynW(pInfo->achName, m_name.c_str(), MAX_FILTER_NAME);
    pInfo->pGraph = nullptr;
    return S_OK;
  }
  STDMETHODIMP JoinFilterGraph(IFilterGraph*, LPCWSTR) override { return E_NOTIMPL; }
  STDMETHODIMP QueryVendorInfo(LPWSTR*) override { return E_NOTIMPL; }

private:
  const std::wstring m_name;
};

struct TypeTraits {
  static HRESULT Out(const graphfile::MediaTypeDesc& desc, AM_MEDIA_TYPE** ppmt) {
    const AM_MEDIA_TYPE view = MediaTypeView(desc);
    *ppmt = dshow::CreateMediaType(&view);
    return *ppmt ? S_OK : E_OUTOFMEMORY;
  }
  static void Free(AM_MEDIA_TYPE** ppmt) {
    dshow::DeleteMediaType(*ppmt);
    *ppmt = nullptr;
  }
};

using CTypeEnumerator =
    dshow::CEnumSnapshot<IEnumMediaTypes, &IID_IEnumMediaTypes, graphfile::MediaTypeDesc, AM_MEDIA_TYPE*, TypeTraits>;

class CPinSnapshot : public CSnapshotObject<IPin, &IID_IPin> {
public:
  CPinSnapshot(IBaseFilter* pFilter, const PinModel& pin) : m_spFilter(pFilter), m_pin(pin) {}

  STDMETHODIMP Connect(IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  STDMETHODIMP ReceiveConnection(IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  STDMETHODIMP Disconnect() override { return E_NOTIMPL; }
  STDMETHODIMP ConnectedTo(IPin** ppPin) override {
    if (!ppPin) return E_POINTER;
    *ppPin = nullptr;
    return Connected() ? E_NOTIMPL : VFW_E_NOT_CONNECTED;
  }
  STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* pmt) override {
    if (!pmt) return E_POINTER;
    *pmt = AM_MEDIA_TYPE();
    if (!Connected()) return VFW_E_NOT_CONNECTED;
    if (m_pin.types.empty()) return E_FAIL;
    const AM_MEDIA_TYPE view = MediaTypeView(m_pin.types.front());
    return dshow::CopyMediaType(pmt, &view);
  }
  STDMETHODIMP QueryPinInfo(PIN_INFO* pInfo) override {
    if (!pInfo) return E_POINTER;
    ::lstrcpynW(pInfo->achName, m_pin.name.c_str(), MAX_PIN_NAME);
    pInfo->dir = m_pin.bOutput ? PINDIR_OUTPUT : PINDIR_INPUT;
    pInfo->pFilter = m_spFilter;
    pInfo->pFilter->AddRef();
    return S_OK;
  }
  STDMETHODIMP QueryDirection(PIN_DIRECTION* pDir) override {
    if (!pDir) return E_POINTER;
    *pDir = m_pin.bOutput ? PINDIR_OUTPUT : PINDIR_INPUT;
    return S_OK;
  }
  STDMETHODIMP QueryId(LPWSTR* ppszId) override { return CopyText(m_pin.name, ppszId); }
  STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** ppEnum) override {
    if (!ppEnum) return E_POINTER;
    *ppEnum = nullptr;
    if (Connected()) return E_NOTIMPL;  // only the connection's type was read
    try {
      *ppEnum = new CTypeEnumerator(m_pin.types);
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
    return S_OK;
  }
  STDMETHODIMP QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }
  STDMETHODIMP EndOfStream() override { return E_NOTIMPL; }
  STDMETHODIMP BeginFlush() override { return E_NOTIMPL; }
  STDMETHODIMP EndFlush() override { return E_NOTIMPL; }
  STDMETHODIMP NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return E_NOTIMPL; }

private:
  bool Connected() const { return m_pin.nPeerFilter >= 0; }

  CComPtr<IBaseFilter> m_spFilter;
  const PinModel m_pin;
};

}  // namespace

HRESULT CreatePinSnapshot(const FilterModel& filter, const PinModel& pin, IPin** ppPin) {
  if (!ppPin) return E_POINTER;
  *ppPin = nullptr;
  try {
    CComPtr<IBaseFilter> spFilter;
    spFilter.Attach(new CFilterSnapshot(filter.name));
    *ppPin = new CPinSnapshot(spFilter, pin);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}
