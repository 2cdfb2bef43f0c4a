// Doubles of the resizer under test, for answers our Resizer never gives on demand. Both
// start with the test's one reference and are never deleted by Release.
//
//   FakeResizer     IResizerControl and IFilterVersion answering as the test says; the
//                   setters note what they were sent
//   ResizerStandIn  the registered Resizer filter whose two interfaces are answered by a
//                   double, or refused
#pragma once

#include <dshow.h>

#include <string>
#include <utility>
#include <vector>

#include "ComDoubles.h"
#include "IResizerControl.h"

class FakeResizer : public IResizerControl, public IFilterVersion {
public:
  bool bHasVersion = true;
  FilterBuildType eType = FILTER_BUILD_RELEASE;
  FilterPlatform eOS = FILTER_PLATFORM_64BIT;
  HRESULT hrTypes = S_OK;               // a failing GetType and GetOS deliver nothing
  const wchar_t* pszName = L"Resizer";  // null: the call delivers a null BSTR
  const wchar_t* pszNumber = L"1.0";
  const wchar_t* pszDateTime = L"Jan 1 2000";

  HRESULT hrSet = E_NOTIMPL;                       // every setter's answer
  std::vector<std::pair<std::string, LONG>> sent;  // setter and value, flags and algorithm only

  ULONG Refs() const { return m_cRef; }

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override { return ++m_cRef; }
  STDMETHODIMP_(ULONG) Release() override { return --m_cRef; }

  // The getters deliver the values of a newly made resizer on a 640 x 480 input.
  STDMETHODIMP SetResizeAlgorithm(ResizeAlgorithm eAlgorithm) override {
    return Note("SetResizeAlgorithm", eAlgorithm);
  }
  STDMETHODIMP GetResizeAlgorithm(ResizeAlgorithm* peAlgorithm) override { return Give(peAlgorithm, RESIZE_LINEAR); }
  STDMETHODIMP SetAntialiasing(BOOL b) override { return Note("SetAntialiasing", b); }
  STDMETHODIMP GetAntialiasing(BOOL* pb) override { return Give(pb, TRUE); }
  STDMETHODIMP SetAutoSupersampling(BOOL b) override { return Note("SetAutoSupersampling", b); }
  STDMETHODIMP GetAutoSupersampling(BOOL* pb) override { return Give(pb, FALSE); }
  STDMETHODIMP SetClippingRect(const RECT*) override { return hrSet; }
  STDMETHODIMP GetClippingRect(RECT* prc) override { return Give(prc, RECT{}); }
  STDMETHODIMP SetOutputSize(LONG, LONG) override { return hrSet; }
  STDMETHODIMP GetOutputSize(LONG* pcx, LONG* pcy) override {
    Give(pcx, LONG{640});
    return Give(pcy, LONG{480});
  }
  STDMETHODIMP SetResizingCoeffs(double, double) override { return hrSet; }
  STDMETHODIMP GetResizingCoeffs(double* pdX, double* pdY) override {
    Give(pdX, 1.0);
    return Give(pdY, 1.0);
  }
  STDMETHODIMP SetFixedOutput(BOOL b) override { return Note("SetFixedOutput", b); }
  STDMETHODIMP GetFixedOutput(BOOL* pb) override { return Give(pb, TRUE); }
  STDMETHODIMP SetFlip(BOOL b) override { return Note("SetFlip", b); }
  STDMETHODIMP GetFlip(BOOL* pb) override { return Give(pb, FALSE); }

  STDMETHODIMP GetType(FilterBuildType* peType) override;
  STDMETHODIMP GetOS(FilterPlatform* peOS) override;
  STDMETHODIMP GetName(BSTR* pbstr) override { return Deliver(pszName, pbstr); }
  STDMETHODIMP GetNumber(BSTR* pbstr) override { return Deliver(pszNumber, pbstr); }
  STDMETHODIMP GetDateTime(BSTR* pbstr) override { return Deliver(pszDateTime, pbstr); }

private:
  HRESULT Note(const char* pszSetter, LONG lValue) {
    sent.emplace_back(pszSetter, lValue);
    return hrSet;
  }
  static HRESULT Deliver(const wchar_t* psz, BSTR* pbstr);
  template <class T>
  static HRESULT Give(T* p, T value) {
    *p = value;
    return S_OK;
  }

  ULONG m_cRef = 1;
};

class ResizerStandIn : public CountedObject<IBaseFilter> {
public:
  // pControls answers IResizerControl and IFilterVersion; null refuses both.
  explicit ResizerStandIn(IResizerControl* pControls);
  bool Created() const { return m_spInner != 0; }

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP GetClassID(CLSID* pClsid) override { return m_spInner->GetClassID(pClsid); }
  STDMETHODIMP Stop() override { return m_spInner->Stop(); }
  STDMETHODIMP Pause() override { return m_spInner->Pause(); }
  STDMETHODIMP Run(REFERENCE_TIME tStart) override { return m_spInner->Run(tStart); }
  STDMETHODIMP GetState(DWORD dwMs, FILTER_STATE* pState) override { return m_spInner->GetState(dwMs, pState); }
  STDMETHODIMP SetSyncSource(IReferenceClock* pClock) override { return m_spInner->SetSyncSource(pClock); }
  STDMETHODIMP GetSyncSource(IReferenceClock** ppClock) override { return m_spInner->GetSyncSource(ppClock); }
  STDMETHODIMP EnumPins(IEnumPins** ppEnum) override { return m_spInner->EnumPins(ppEnum); }
  STDMETHODIMP FindPin(LPCWSTR pszId, IPin** ppPin) override { return m_spInner->FindPin(pszId, ppPin); }
  STDMETHODIMP QueryFilterInfo(FILTER_INFO* pInfo) override { return m_spInner->QueryFilterInfo(pInfo); }
  STDMETHODIMP JoinFilterGraph(IFilterGraph* pGraph, LPCWSTR pszName) override {
    return m_spInner->JoinFilterGraph(pGraph, pszName);
  }
  STDMETHODIMP QueryVendorInfo(LPWSTR* ppszInfo) override { return m_spInner->QueryVendorInfo(ppszInfo); }

private:
  IResizerControl* const m_pControls;
  ATL::CComPtr<IBaseFilter> m_spInner;
};
