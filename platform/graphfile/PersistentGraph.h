// CPersistentGraph: the filter graph manager with graph files. It stands in for the
// manager's class (CLSID_FilterGraph's TreatAs in the Wine prefix), aggregates the
// platform's own manager, reached through the class object that TreatAs does not
// redirect, and adds IPersistStream for the "ActiveMovieGraph" stream. Every other
// interface is the inner manager's. Like the manager it stands for, it can itself be
// aggregated: then every interface answers the outer object's IUnknown.
#pragma once

#include <dshow.h>

#include <cstdint>
#include <vector>

#include "Module.h"

// {5B0E2B53-3C1D-4E8A-9F6B-7A2D41C8E90F}
inline constexpr CLSID CLSID_PersistentFilterGraph = {
    0x5b0e2b53, 0x3c1d, 0x4e8a, {0x9f, 0x6b, 0x7a, 0x2d, 0x41, 0xc8, 0xe9, 0x0f}};

class CPersistentGraph : public IPersistStream {
public:
  // A new object's own (non-delegating) IUnknown with one reference. pOuter: the object
  // that aggregates it, or null. Fails when the platform's manager cannot be made.
  static HRESULT Create(IUnknown* pOuter, IUnknown** ppUnk);

  // IUnknown of IPersistStream: the controlling object's.
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override { return m_pOuter->QueryInterface(riid, ppv); }
  STDMETHODIMP_(ULONG) AddRef() override { return m_pOuter->AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return m_pOuter->Release(); }

  // The class it stands for: CLSID_FilterGraph.
  STDMETHODIMP GetClassID(CLSID* pClassID) override;
  // S_OK when the graph differs from what was last loaded or saved (with bClearDirty), or
  // for a new graph from an empty one.
  STDMETHODIMP IsDirty() override;
  STDMETHODIMP Load(IStream* pStream) override;
  STDMETHODIMP Save(IStream* pStream, BOOL bClearDirty) override;
  STDMETHODIMP GetSizeMax(ULARGE_INTEGER* pcbSize) override;

private:
  // The object's own IUnknown: answers IPersistStream itself and the rest from the inner manager.
  class COwnUnknown : public IUnknown {
  public:
    explicit COwnUnknown(CPersistentGraph* pOwner) : m_pOwner(pOwner) {}
    virtual ~COwnUnknown() = default;
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

  private:
    CPersistentGraph* m_pOwner;
  };

  explicit CPersistentGraph(IUnknown* pOuter);
  virtual ~CPersistentGraph();
  CPersistentGraph(const CPersistentGraph&) = delete;
  CPersistentGraph& operator=(const CPersistentGraph&) = delete;

  HRESULT Init();
  // The bytes of the graph as it is now.
  HRESULT CurrentBytes(std::vector<uint8_t>* pBytes);

  dshow::CModuleRef m_moduleRef;
  COwnUnknown m_own;
  LONG m_cRef = 1;
  IUnknown* m_pOuter;            // the controlling IUnknown: the aggregating object's or m_own
  IUnknown* m_pInner = nullptr;  // the platform manager's own IUnknown
  CRITICAL_SECTION m_cs;
  std::vector<uint8_t> m_clean;  // the graph as last loaded or saved; guarded by m_cs
};
