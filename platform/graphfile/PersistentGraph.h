// CPersistentGraph: the filter graph manager with graph files. It stands in for the
// manager's class (CLSID_FilterGraph's TreatAs in the Wine prefix), aggregates the
// platform's own manager, reached through the class object that TreatAs does not
// redirect, and adds IPersistStream for the "ActiveMovieGraph" stream. Every other
// interface is the inner manager's, answered through this object's IUnknown.
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
  // A new aggregate with one reference; fails when the platform's manager cannot be made.
  static HRESULT Create(IUnknown** ppUnk);

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // The class it stands for: CLSID_FilterGraph.
  STDMETHODIMP GetClassID(CLSID* pClassID) override;
  // S_OK when the graph differs from what was last loaded or saved (with bClearDirty).
  STDMETHODIMP IsDirty() override;
  STDMETHODIMP Load(IStream* pStream) override;
  STDMETHODIMP Save(IStream* pStream, BOOL bClearDirty) override;
  STDMETHODIMP GetSizeMax(ULARGE_INTEGER* pcbSize) override;

private:
  CPersistentGraph();
  virtual ~CPersistentGraph();
  CPersistentGraph(const CPersistentGraph&) = delete;
  CPersistentGraph& operator=(const CPersistentGraph&) = delete;

  HRESULT Init();
  // The bytes of the graph as it is now; every call releases what it took of the aggregate.
  HRESULT CurrentBytes(std::vector<uint8_t>* pBytes);

  dshow::CModuleRef m_moduleRef;
  LONG m_cRef = 1;
  IUnknown* m_pInner = nullptr;
  CRITICAL_SECTION m_cs;
  std::vector<uint8_t> m_clean;  // the graph as last loaded or saved; guarded by m_cs
};
