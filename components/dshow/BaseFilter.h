// CBaseFilter: IBaseFilter (and IMediaFilter, IPersist) with states, the
// reference clock, graph membership and pin enumeration.
//
// A filter derives from it, owns its pins as members and answers
// GetPinCount/GetPin. The pins' reference counts are the filter's.
// Hooks: GetInterface (add interfaces, then call the base), OnStop/OnPause/
// OnRun (after the pins changed state; a failure is returned to the graph, and
// a failed OnPause from stopped leaves the pins inactive again).
// Several COM interfaces on one object: DSHOW_FORWARD_IUNKNOWN(CBaseFilter)
// in the derived class answers IUnknown for all of them.
#pragma once

#include <dshow.h>

#include <atomic>

#include "CritSec.h"
#include "Module.h"

namespace dshow {

class CBasePin;

class CBaseFilter : public IBaseFilter {
public:
  explicit CBaseFilter(REFCLSID clsid);
  virtual ~CBaseFilter();
  CBaseFilter(const CBaseFilter&) = delete;
  CBaseFilter& operator=(const CBaseFilter&) = delete;

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IPersist
  STDMETHODIMP GetClassID(CLSID* pClsid) override;

  // IMediaFilter
  STDMETHODIMP Stop() override;
  STDMETHODIMP Pause() override;
  STDMETHODIMP Run(REFERENCE_TIME tStart) override;
  STDMETHODIMP GetState(DWORD dwMilliSecsTimeout, FILTER_STATE* pState) override;
  STDMETHODIMP SetSyncSource(IReferenceClock* pClock) override;
  STDMETHODIMP GetSyncSource(IReferenceClock** ppClock) override;

  // IBaseFilter
  STDMETHODIMP EnumPins(IEnumPins** ppEnum) override;
  STDMETHODIMP FindPin(LPCWSTR pszId, IPin** ppPin) override;
  STDMETHODIMP QueryFilterInfo(FILTER_INFO* pInfo) override;
  STDMETHODIMP JoinFilterGraph(IFilterGraph* pGraph, LPCWSTR pszName) override;
  STDMETHODIMP QueryVendorInfo(LPWSTR* ppszVendorInfo) override;

  virtual int GetPinCount() = 0;
  virtual CBasePin* GetPin(int n) = 0;

  // For the pins and derived classes (the order is in CritSec.h).
  CCritSec* FilterLock() { return &m_csFilter; }
  CCritSec* InnerLock() { return &m_csInner; }
  // Without a lock: changed under the filter lock, read from any thread.
  FILTER_STATE State() const { return m_state.load(); }
  bool IsStopped() const { return State() == State_Stopped; }
  // The graph the filter is in, not referenced (the graph holds the filter).
  IFilterGraph* Graph();
  // Sends an event to the graph manager; S_FALSE outside a graph.
  HRESULT NotifyEvent(long lCode, LONG_PTR lParam1, LONG_PTR lParam2);

protected:
  virtual HRESULT GetInterface(REFIID riid, void** ppv);
  virtual HRESULT OnStop() { return S_OK; }
  virtual HRESULT OnPause() { return S_OK; }
  virtual HRESULT OnRun(REFERENCE_TIME) { return S_OK; }

private:
  CModuleRef m_moduleRef;
  LONG m_cRef = 1;
  CLSID m_clsid;
  CCritSec m_csFilter;
  CCritSec m_csInner;  // guards the clock, the graph and the name
  std::atomic<FILTER_STATE> m_state{State_Stopped};
  IReferenceClock* m_pClock = nullptr;  // owned
  IFilterGraph* m_pGraph = nullptr;     // not owned
  IMediaEventSink* m_pEventSink = nullptr;  // not owned: it is the graph
  WCHAR m_szName[MAX_FILTER_NAME] = {};
};

// Answers all of a derived class's IUnknown slots with the base's.
#define DSHOW_FORWARD_IUNKNOWN(Base)                                                     \
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {                       \
    return Base::QueryInterface(riid, ppv);                                              \
  }                                                                                      \
  STDMETHODIMP_(ULONG) AddRef() override { return Base::AddRef(); }                     \
  STDMETHODIMP_(ULONG) Release() override { return Base::Release(); }

// Hands out pI as the requested interface, with one reference.
template <class I>
HRESULT GetInterfaceOf(I* pI, void** ppv) {
  *ppv = pI;
  pI->AddRef();
  return S_OK;
}

}  // namespace dshow
