// What every DirectShow filter must do: its interfaces, aggregation, reference counts,
// its pins, media types and states.
#include "Checks.h"

#include <cwchar>

namespace filtercheck {

namespace {

struct InterfaceRow {
  const IID* piid;
  const char* pszName;
};

const InterfaceRow kMustShow[] = {
    {&IID_IUnknown, "IUnknown"},
    {&IID_IPersist, "IPersist"},
    {&IID_IMediaFilter, "IMediaFilter"},
    {&IID_IBaseFilter, "IBaseFilter"},
    {&IID_IResizerControl, "IResizerControl"},
    {&IID_IFilterVersion, "IFilterVersion"},
    {&IID_IPersistStream, "IPersistStream"},
};

// A filter is not a pin, a clock or a renderer; seeking belongs on its output pin.
const InterfaceRow kMustNotShow[] = {
    {&IID_IPin, "IPin"},
    {&IID_IMemInputPin, "IMemInputPin"},
    {&IID_IMediaSeeking, "IMediaSeeking"},
    {&IID_IMediaPosition, "IMediaPosition"},
    {&IID_IReferenceClock, "IReferenceClock"},
    {&IID_IVideoWindow, "IVideoWindow"},
    {&IID_IBasicVideo, "IBasicVideo"},
    {&IID_IEnumPins, "IEnumPins"},
};

}  // namespace

void CheckInterfaces(CCheck& check) {
  CComPtr<IBaseFilter> spFilter;
  if (!check.Setup(check.Filters().Create(&spFilter), "creating the filter")) return;
  CComPtr<IUnknown> spIdentity;
  check.ExpectOk(spFilter->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&spIdentity)),
                 "QueryInterface(IUnknown)");
  check.ExpectHr(E_POINTER, spFilter->QueryInterface(IID_IBaseFilter, nullptr), "QueryInterface(IBaseFilter, null)");
  for (const InterfaceRow& row : kMustShow) {
    IUnknown* p = nullptr;
    HRESULT hr = spFilter->QueryInterface(*row.piid, reinterpret_cast<void**>(&p));
    if (!check.Expect(hr == S_OK && p, "QueryInterface(%s) answered %s: the filter must show it", row.pszName,
                      FormatHr(hr).c_str()))
      continue;
    CComPtr<IUnknown> spUnk;
    p->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&spUnk));
    check.Expect(spUnk == spIdentity, "%s answers IUnknown with another object: one identity is required", row.pszName);
    // Each interface answers for all the others.
    CComPtr<IBaseFilter> spBack;
    check.Expect(SUCCEEDED(p->QueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(&spBack))),
                 "%s does not lead back to IBaseFilter", row.pszName);
    p->Release();
  }
  for (const InterfaceRow& row : kMustNotShow) {
    IUnknown* p = reinterpret_cast<IUnknown*>(1);
    HRESULT hr = spFilter->QueryInterface(*row.piid, reinterpret_cast<void**>(&p));
    if (SUCCEEDED(hr) && p) p->Release();
    check.Expect(hr == E_NOINTERFACE && !p, "QueryInterface(%s) answered %s: a resizer filter must not show it",
                 row.pszName, FormatHr(hr).c_str());
  }
}

namespace {

// An outer object for aggregation: its own identity, and a count of what reaches it.
class COuter : public IUnknown {
public:
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (riid == IID_IUnknown) {
      *ppv = this;
      AddRef();
      return S_OK;
    }
    ++m_cDelegated;
    // Anything but IUnknown is the inner object's to answer.
    return m_pInner ? m_pInner->QueryInterface(riid, ppv) : (*ppv = nullptr, E_NOINTERFACE);
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++m_cRef; }
  STDMETHODIMP_(ULONG) Release() override { return --m_cRef; }

  LONG m_cRef = 1;
  int m_cDelegated = 0;
  IUnknown* m_pInner = nullptr;  // not owned
};

}  // namespace

void CheckAggregation(CCheck& check) {
  IClassFactory* pFactory = check.Filters().Factory();
  COuter outer;
  IUnknown* p = reinterpret_cast<IUnknown*>(1);
  HRESULT hr = pFactory->CreateInstance(&outer, IID_IBaseFilter, reinterpret_cast<void**>(&p));
  if (SUCCEEDED(hr) && p) p->Release();
  check.Expect(FAILED(hr) && !p,
               "CreateInstance with an outer object and IID_IBaseFilter answered %s: aggregation must be refused "
               "unless IUnknown is asked for, with the out-pointer null",
               FormatHr(hr).c_str());
  IUnknown* pInner = nullptr;
  hr = pFactory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&pInner));
  if (hr == CLASS_E_NOAGGREGATION) {
    check.Expect(!pInner, "CLASS_E_NOAGGREGATION with the out-pointer set");
    check.Note("aggregation refused (CLASS_E_NOAGGREGATION), which COM allows");
    return;
  }
  if (!check.Expect(hr == S_OK && pInner, "CreateInstance(outer, IID_IUnknown) answered %s", FormatHr(hr).c_str()))
    return;
  outer.m_pInner = pInner;
  IBaseFilter* pFilter = nullptr;
  if (check.ExpectOk(pInner->QueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(&pFilter)),
                     "the inner object's QueryInterface(IBaseFilter)")) {
    const LONG cOuter = outer.m_cRef;
    IUnknown* pUnk = nullptr;
    pFilter->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&pUnk));
    check.Expect(pUnk == &outer,
                 "an aggregated filter's IBaseFilter answers IUnknown with something but the outer object");
    if (pUnk) pUnk->Release();
    CComPtr<IResizerControl> spControl;
    pFilter->QueryInterface(IID_IResizerControl, reinterpret_cast<void**>(&spControl));
    check.Expect(outer.m_cDelegated > 0, "an aggregated filter's QueryInterface does not go to the outer object");
    spControl.Release();
    check.Expect(outer.m_cRef == cOuter, "an aggregated filter's references are not counted on the outer object");
    pFilter->Release();
  }
  outer.m_pInner = nullptr;
  check.Expect(pInner->Release() == 0, "the inner object is not freed by its last release");
}

void CheckRefCounts(CCheck& check) {
  CRig rig(check);
  if (!rig.Make(64, 48)) return;
  IBaseFilter* pFilter = rig.m_spFilter;
  const ULONG c0 = RefCount(pFilter);
  auto back = [&](const char* pszAfter) {
    const ULONG c = RefCount(pFilter);
    check.Expect(c == c0, "the filter's count is %lu after %s, %lu before", c, pszAfter, c0);
  };
  {
    IUnknown* p = nullptr;
    pFilter->QueryInterface(IID_IResizerControl, reinterpret_cast<void**>(&p));
    check.Expect(!p || RefCount(pFilter) == c0 + 1, "QueryInterface added %ld references",
                 static_cast<long>(RefCount(pFilter)) - static_cast<long>(c0));
    if (p) p->Release();
    back("QueryInterface and its release");
  }
  // Pins may count on their own or with the filter: each is measured on the pin.
  for (PIN_DIRECTION dir : {PINDIR_INPUT, PINDIR_OUTPUT}) {
    CComPtr<IPin> spPin;
    FindPinByDirection(pFilter, dir, &spPin);
    if (!spPin) continue;
    const ULONG cPin = RefCount(spPin);
    LPWSTR pszPinId = nullptr;
    if (SUCCEEDED(spPin->QueryId(&pszPinId))) {
      IPin* pFound = nullptr;
      pFilter->FindPin(pszPinId, &pFound);
      ::CoTaskMemFree(pszPinId);
      check.Expect(!pFound || RefCount(spPin) == cPin + 1, "FindPin added %ld references to the pin",
                   static_cast<long>(RefCount(spPin)) - static_cast<long>(cPin));
      if (pFound) pFound->Release();
      check.Expect(RefCount(spPin) == cPin, "the pin's count is %lu after FindPin and its release, %lu before",
                   RefCount(spPin), cPin);
    }
    PIN_INFO info = {};
    if (SUCCEEDED(spPin->QueryPinInfo(&info)) && info.pFilter) info.pFilter->Release();
    check.Expect(RefCount(spPin) == cPin, "the pin's count changed across QueryPinInfo and its release");
  }
  back("FindPin and QueryPinInfo");
  {
    CComPtr<IEnumPins> spEnum;
    if (SUCCEEDED(pFilter->EnumPins(&spEnum))) {
      check.Expect(RefCount(spEnum) == 1, "a new pin enumerator counts %lu references, not 1", RefCount(spEnum));
      IPin* pPins[2] = {};
      ULONG c = 0;
      spEnum->Next(2, pPins, &c);
      for (ULONG i = 0; i < c; ++i) pPins[i]->Release();
      CComPtr<IEnumPins> spClone;
      spEnum->Clone(&spClone);
      check.Expect(!spClone || RefCount(spClone) == 1, "a cloned enumerator counts %lu references, not 1",
                   spClone ? RefCount(spClone) : 0);
    }
  }
  back("EnumPins, Next and Clone and their releases");
  {
    FILTER_INFO info = {};
    if (SUCCEEDED(pFilter->QueryFilterInfo(&info)) && info.pGraph) info.pGraph->Release();
  }
  back("QueryFilterInfo");
  // Connections hold the peers, and give them back when they go.
  const ULONG cSource = RefCount(rig.m_spSource), cSink = RefCount(rig.m_spSink);
  if (rig.ConnectInput() && rig.ConnectOutput()) {
    CComPtr<IPin> spPeer;
    rig.m_spIn->ConnectedTo(&spPeer);
    spPeer.Release();
    rig.SetState(State_Running);
    rig.Push(NoisePicture(64, 48, 1), 0);
    rig.SetState(State_Stopped);
    rig.m_spOut->Disconnect();
    rig.m_spSink->Input()->Disconnect();
    rig.m_spIn->Disconnect();
    rig.m_spSource->Output()->Disconnect();
    back("connecting both pins, streaming a frame and disconnecting");
    check.Expect(RefCount(rig.m_spSource) == cSource && RefCount(rig.m_spSink) == cSink,
                 "the source or sink keeps references from the filter after it was disconnected");
  }
  // The last release frees the filter: nothing of its own holds it.
  rig.m_spControl.Release();
  rig.m_spIn.Release();
  rig.m_spOut.Release();
  const ULONG cLast = rig.m_spFilter.Detach()->Release();
  check.Expect(cLast == 0, "the filter's last release answered %lu, not 0: a reference leaked", cLast);
}

void CheckPinEnumeration(CCheck& check) {
  CComPtr<IBaseFilter> spFilter;
  if (!check.Setup(check.Filters().Create(&spFilter), "creating the filter")) return;
  check.ExpectHr(E_POINTER, spFilter->EnumPins(nullptr), "EnumPins(null)");
  CComPtr<IEnumPins> spEnum;
  if (!check.ExpectOk(spFilter->EnumPins(&spEnum), "EnumPins")) return;
  IPin* pins[3] = {};
  ULONG c = 99;
  check.ExpectHr(S_OK, spEnum->Next(1, pins, &c), "Next(1) at the start");
  check.Expect(c == 1 && pins[0], "Next(1) fetched %lu pins", c);
  CComPtr<IPin> spFirst;
  spFirst.Attach(pins[0]);
  pins[0] = nullptr;
  check.ExpectHr(S_OK, spEnum->Next(1, pins, nullptr), "Next(1, null count) for the second pin");
  CComPtr<IPin> spSecond;
  spSecond.Attach(pins[0]);
  pins[0] = nullptr;
  c = 99;
  check.ExpectHr(S_FALSE, spEnum->Next(1, pins, &c), "Next(1) past the last pin");
  check.Expect(c == 0 && !pins[0], "Next past the last pin fetched %lu", c);
  check.ExpectHr(E_INVALIDARG, spEnum->Next(2, pins, nullptr), "Next(2) without a count pointer");
  check.ExpectHr(S_OK, spEnum->Reset(), "Reset");
  c = 0;
  check.ExpectHr(S_FALSE, spEnum->Next(3, pins, &c), "Next(3) of a two-pin filter");
  check.Expect(c == 2, "Next(3) fetched %lu pins, the filter has 2", c);
  for (ULONG i = 0; i < c && i < 3; ++i) {
    check.Expect(SameObject(pins[i], i == 0 ? spFirst : spSecond), "Next after Reset gave pin %lu in another order", i);
    pins[i]->Release();
    pins[i] = nullptr;
  }
  spEnum->Reset();
  check.ExpectHr(S_OK, spEnum->Skip(1), "Skip(1) at the start");
  if (check.ExpectHr(S_OK, spEnum->Next(1, pins, nullptr), "Next after Skip(1)")) {
    check.Expect(SameObject(pins[0], spSecond), "Skip(1) did not move past the first pin");
    pins[0]->Release();
    pins[0] = nullptr;
  }
  check.ExpectHr(S_FALSE, spEnum->Skip(1), "Skip(1) at the end");
  spEnum->Reset();
  check.ExpectHr(S_FALSE, spEnum->Skip(3), "Skip(3) of a two-pin filter");
  spEnum->Reset();
  spEnum->Skip(1);
  CComPtr<IEnumPins> spClone;
  if (check.ExpectOk(spEnum->Clone(&spClone), "Clone") && spClone) {
    if (check.ExpectHr(S_OK, spClone->Next(1, pins, nullptr), "Next of a clone made after the first pin")) {
      check.Expect(SameObject(pins[0], spSecond), "a clone does not start where its original was");
      pins[0]->Release();
      pins[0] = nullptr;
    }
    if (check.ExpectHr(S_OK, spEnum->Next(1, pins, nullptr), "Next of the original after its clone moved")) {
      check.Expect(SameObject(pins[0], spSecond), "moving a clone moved its original");
      pins[0]->Release();
      pins[0] = nullptr;
    }
  }
  // The pins never change: no enumerator of this filter may fall out of step.
  check.Expect(spEnum->Reset() != VFW_E_ENUM_OUT_OF_SYNC, "VFW_E_ENUM_OUT_OF_SYNC though no pin changed");
}

void CheckPinIdentity(CCheck& check) {
  CComPtr<IBaseFilter> spFilter;
  if (!check.Setup(check.Filters().Create(&spFilter), "creating the filter")) return;
  CComPtr<IEnumPins> spEnum;
  if (!check.ExpectOk(spFilter->EnumPins(&spEnum), "EnumPins")) return;
  int cIn = 0, cOut = 0;
  CComPtr<IPin> spPin;
  while (spEnum->Next(1, &spPin, nullptr) == S_OK) {
    PIN_INFO info = {};
    if (check.ExpectOk(spPin->QueryPinInfo(&info), "QueryPinInfo")) {
      check.Expect(SameObject(info.pFilter, spFilter), "QueryPinInfo names another filter as the pin's owner");
      if (info.pFilter) info.pFilter->Release();
      check.Expect(info.achName[0] != 0, "a pin without a name");
      (info.dir == PINDIR_INPUT ? cIn : cOut)++;
      PIN_DIRECTION dir = static_cast<PIN_DIRECTION>(-1);
      check.ExpectOk(spPin->QueryDirection(&dir), "QueryDirection");
      check.Expect(dir == info.dir, "QueryDirection answers %d, QueryPinInfo %d", dir, info.dir);
    }
    check.ExpectHr(E_POINTER, spPin->QueryDirection(nullptr), "QueryDirection(null)");
    LPWSTR pszId = nullptr;
    if (check.ExpectOk(spPin->QueryId(&pszId), "QueryId") && pszId) {
      CComPtr<IPin> spFound;
      HRESULT hr = spFilter->FindPin(pszId, &spFound);
      check.Expect(hr == S_OK && SameObject(spFound, spPin), "FindPin(\"%ls\"), the pin's own id, answered %s with %s",
                   pszId, FormatHr(hr).c_str(), spFound ? "another pin" : "no pin");
      ::CoTaskMemFree(pszId);
    }
    spPin.Release();
  }
  check.Expect(cIn == 1 && cOut == 1, "%d input and %d output pins; a resizer has one of each", cIn, cOut);
  IPin* pSentinel = reinterpret_cast<IPin*>(1);
  HRESULT hr = spFilter->FindPin(L"No such pin", &pSentinel);
  check.Expect(hr == VFW_E_NOT_FOUND && !pSentinel, "FindPin of an unknown id answered %s%s", FormatHr(hr).c_str(),
               pSentinel ? " and left the out-pointer set" : "");
}

void CheckMediaTypes(CCheck& check) {
  CRig rig(check);
  if (!rig.Make(64, 48)) return;
  // The input's own offer, if any, is what it takes.
  CComPtr<IEnumMediaTypes> spTypes;
  if (check.ExpectOk(rig.m_spIn->EnumMediaTypes(&spTypes), "the input's EnumMediaTypes")) {
    AM_MEDIA_TYPE* pmt = nullptr;
    while (spTypes->Next(1, &pmt, nullptr) == S_OK) {
      check.Expect(rig.m_spIn->QueryAccept(pmt) == S_OK, "the input offers a type it does not accept");
      dshow::DeleteMediaType(pmt);
    }
  }
  dshow::CMediaType mt;
  for (bool bTopDown : {false, true}) {
    MakeVideoType(64, 48, bTopDown, &mt);
    check.ExpectHr(S_OK, rig.m_spIn->QueryAccept(&mt),
                   bTopDown ? "the input's QueryAccept(top-down RGB32)" : "the input's QueryAccept(bottom-up RGB32)");
  }
  const struct {
    OtherType type;
    const char* pszName;
  } others[] = {{OtherType::Rgb24, "RGB24"}, {OtherType::Yuy2, "YUY2"}, {OtherType::Audio, "PCM audio"}};
  for (const auto& other : others) {
    MakeOtherType(other.type, 64, 48, &mt);
    check.Expect(rig.m_spIn->QueryAccept(&mt) != S_OK, "the input accepts %s", other.pszName);
  }
  // Unconnected, the output has nothing to offer.
  spTypes.Release();
  HRESULT hr = rig.m_spOut->EnumMediaTypes(&spTypes);
  if (SUCCEEDED(hr)) {
    AM_MEDIA_TYPE* pmt = nullptr;
    check.Expect(spTypes->Next(1, &pmt, nullptr) != S_OK, "the output offers a type before the input is connected");
    if (pmt) dshow::DeleteMediaType(pmt);
  } else {
    check.ExpectHr(VFW_E_NOT_CONNECTED, hr, "the unconnected output's EnumMediaTypes");
  }
  if (!rig.ConnectInput()) return;
  LONG cx = 0, cy = 0;
  rig.m_spControl->GetOutputSize(&cx, &cy);
  spTypes.Release();
  int cOffered = 0;
  if (check.ExpectOk(rig.m_spOut->EnumMediaTypes(&spTypes), "the connected output's EnumMediaTypes")) {
    AM_MEDIA_TYPE* pmt = nullptr;
    while (spTypes->Next(1, &pmt, nullptr) == S_OK) {
      ++cOffered;
      SIZE size = {};
      check.Expect(pmt->subtype == MEDIASUBTYPE_RGB32 && TypeSize(pmt, &size) && size.cx == cx && size.cy == cy,
                   "the output offers a type that is not RGB32 of its output size %ldx%ld", cx, cy);
      check.ExpectHr(S_OK, rig.m_spOut->QueryAccept(pmt), "the output's QueryAccept of a type it offers");
      dshow::DeleteMediaType(pmt);
    }
  }
  check.Expect(cOffered > 0, "the output offers no type once the input is connected");
  // Wider rows may hold the picture; a smaller bitmap cannot.
  MakeVideoType(cx - 1, cy - 1, false, &mt);
  check.Expect(rig.m_spOut->QueryAccept(&mt) != S_OK,
               "the output accepts RGB32 one pixel smaller than its output size");
  MakeOtherType(OtherType::Yuy2, cx, cy, &mt);
  check.Expect(rig.m_spOut->QueryAccept(&mt) != S_OK, "the output accepts YUY2");
}

void CheckStates(CCheck& check) {
  CRig rig(check);
  if (!rig.Make(64, 48)) return;
  IBaseFilter* pFilter = rig.m_spFilter;
  check.ExpectHr(E_POINTER, pFilter->GetState(0, nullptr), "GetState(null)");
  auto expectState = [&](FILTER_STATE want, const char* pszWhen) {
    FILTER_STATE state = static_cast<FILTER_STATE>(-1);
    HRESULT hr = pFilter->GetState(1000, &state);
    check.Expect(SUCCEEDED(hr) && state == want, "GetState %s answered %s with state %d, expected %d", pszWhen,
                 FormatHr(hr).c_str(), state, want);
  };
  for (bool bConnected : {false, true}) {
    if (bConnected && !(rig.ConnectInput() && rig.ConnectOutput())) return;
    const char* pszStep = bConnected ? "(connected)" : "(unconnected)";
    expectState(State_Stopped, pszStep);
    const FILTER_STATE steps[] = {State_Paused,  State_Running, State_Paused, State_Stopped, State_Running,
                                  State_Stopped, State_Stopped, State_Paused, State_Paused,  State_Stopped};
    for (FILTER_STATE step : steps) {
      if (!rig.SetState(step)) return;
      expectState(step, pszStep);
    }
  }
}

}  // namespace filtercheck
