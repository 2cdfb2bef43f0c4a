// CResizer's settings surface: IResizerControl, IFilterVersion and IPersistStream.
#include "Resizer.h"

#include "ModuleInfo.h"

namespace lumivar {

template <class F>
HRESULT CResizer::Change(F change) {
  ResizerSettings before;
  ATL::CComPtr<IPin> spPeer;
  {
    // One lock from reading to committing, so that a connection in between is not lost.
    dshow::CAutoLock lock(FilterLock());
    // The reconnection of another change is under way, and may yet bring back the
    // settings it started from.
    if (m_bReconnecting) return VFW_E_WRONG_STATE;
    before = m_settings;
    ResizerSettings next = before;
    HRESULT hr = change(next);
    if (FAILED(hr)) return hr;
    if (!next.SameOutputSize(before) && Output()->IsConnected()) {
      if (!IsStopped()) return VFW_E_WRONG_STATE;
      spPeer = Output()->Connected();
    }
    if (FAILED(hr = Install(next))) return hr;
    m_bDirty = true;
    m_bReconnecting = spPeer != nullptr;
  }
  if (!spPeer) return S_OK;
  // No lock is held across the graph's calls: the graph takes its own lock first, and
  // calls the pins and IPersistStream::Load under it.
  const HRESULT hr = ReconnectOrRestore(before, spPeer);
  dshow::CAutoLock lock(FilterLock());
  m_bReconnecting = false;
  return hr;
}

HRESULT CResizer::ReconnectOrRestore(const ResizerSettings& before, IPin* pPeer) {
  HRESULT hr = Reconnect(pPeer);
  if (SUCCEEDED(hr)) return S_OK;
  {
    dshow::CAutoLock lock(FilterLock());
    // The settings that were connected before; they were configured once already.
    if (FAILED(Install(before))) Commit(before);
  }
  // The old type was connected a moment ago; when even it fails now, the output stays
  // unconnected and the first failure is still the answer.
  Reconnect(pPeer);
  return hr;
}

HRESULT CResizer::Reconnect(IPin* pPeer) {
  IFilterGraph* pGraph = Graph();
  if (!pGraph) return VFW_E_NOT_IN_GRAPH;
  if (Output()->IsConnected()) return pGraph->Reconnect(Output());
  return pGraph->ConnectDirect(Output(), pPeer, nullptr);
}

// IResizerControl

STDMETHODIMP CResizer::SetResizeAlgorithm(ResizeAlgorithm eAlgorithm) {
  return Change([=](ResizerSettings& s) { return s.SetAlgorithm(eAlgorithm); });
}

STDMETHODIMP CResizer::GetResizeAlgorithm(ResizeAlgorithm* peAlgorithm) {
  if (!peAlgorithm) return E_POINTER;
  const ResizerSettings s = Current();
  *peAlgorithm = s.Algorithm();
  return S_OK;
}

STDMETHODIMP CResizer::SetAntialiasing(BOOL bAntialiasing) {
  return Change([=](ResizerSettings& s) {
    s.SetAntialiasing(bAntialiasing != FALSE);
    return S_OK;
  });
}

STDMETHODIMP CResizer::GetAntialiasing(BOOL* pbAntialiasing) {
  if (!pbAntialiasing) return E_POINTER;
  const ResizerSettings s = Current();
  *pbAntialiasing = s.Antialiasing();
  return S_OK;
}

STDMETHODIMP CResizer::SetAutoSupersampling(BOOL bAutoSupersampling) {
  return Change([=](ResizerSettings& s) {
    s.SetAutoSupersampling(bAutoSupersampling != FALSE);
    return S_OK;
  });
}

STDMETHODIMP CResizer::GetAutoSupersampling(BOOL* pbAutoSupersampling) {
  if (!pbAutoSupersampling) return E_POINTER;
  const ResizerSettings s = Current();
  *pbAutoSupersampling = s.AutoSupersampling();
  return S_OK;
}

STDMETHODIMP CResizer::SetClippingRect(const RECT* prcClip) {
  if (!prcClip) return E_POINTER;
  const RECT rc = *prcClip;
  return Change([=](ResizerSettings& s) { return s.SetClip(rc); });
}

STDMETHODIMP CResizer::GetClippingRect(RECT* prcClip) {
  if (!prcClip) return E_POINTER;
  const ResizerSettings s = Current();
  *prcClip = s.Clip();
  return S_OK;
}

STDMETHODIMP CResizer::SetOutputSize(LONG cx, LONG cy) {
  return Change([=](ResizerSettings& s) { return s.SetOutputSize(cx, cy); });
}

STDMETHODIMP CResizer::GetOutputSize(LONG* pcx, LONG* pcy) {
  if (!pcx || !pcy) return E_POINTER;
  const SIZE size = Current().OutputSize();
  *pcx = size.cx;
  *pcy = size.cy;
  return S_OK;
}

STDMETHODIMP CResizer::SetResizingCoeffs(double dX, double dY) {
  return Change([=](ResizerSettings& s) { return s.SetCoefficients(dX, dY); });
}

STDMETHODIMP CResizer::GetResizingCoeffs(double* pdX, double* pdY) {
  if (!pdX || !pdY) return E_POINTER;
  Current().Coefficients(pdX, pdY);
  return S_OK;
}

STDMETHODIMP CResizer::SetFixedOutput(BOOL bFixed) {
  return Change([=](ResizerSettings& s) {
    s.SetFixedOutput(bFixed != FALSE);
    return S_OK;
  });
}

STDMETHODIMP CResizer::GetFixedOutput(BOOL* pbFixed) {
  if (!pbFixed) return E_POINTER;
  const ResizerSettings s = Current();
  *pbFixed = s.FixedOutput();
  return S_OK;
}

STDMETHODIMP CResizer::SetFlip(BOOL bFlip) {
  return Change([=](ResizerSettings& s) {
    s.SetFlip(bFlip != FALSE);
    return S_OK;
  });
}

STDMETHODIMP CResizer::GetFlip(BOOL* pbFlip) {
  if (!pbFlip) return E_POINTER;
  const ResizerSettings s = Current();
  *pbFlip = s.Flip();
  return S_OK;
}

// IFilterVersion

STDMETHODIMP CResizer::GetType(FilterBuildType* peType) {
  if (!peType) return E_POINTER;
#ifdef _DEBUG
  *peType = FILTER_BUILD_DEBUG;
#else
  *peType = FILTER_BUILD_RELEASE;
#endif
  return S_OK;
}

STDMETHODIMP CResizer::GetOS(FilterPlatform* peOS) {
  if (!peOS) return E_POINTER;
  *peOS = sizeof(void*) == 8 ? FILTER_PLATFORM_64BIT : FILTER_PLATFORM_32BIT;
  return S_OK;
}

STDMETHODIMP CResizer::GetName(BSTR* pbstrName) {
  if (!pbstrName) return E_POINTER;
  *pbstrName = ::SysAllocString(L"Resizer");
  return *pbstrName ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CResizer::GetNumber(BSTR* pbstrNumber) {
  return ModuleFileVersion(dshow::ModuleInstance(), pbstrNumber);
}

STDMETHODIMP CResizer::GetDateTime(BSTR* pbstrDateTime) {
  return ModuleLinkTime(dshow::ModuleInstance(), pbstrDateTime);
}

// IPersistStream

STDMETHODIMP CResizer::IsDirty() {
  dshow::CAutoLock lock(FilterLock());
  return m_bDirty ? S_OK : S_FALSE;
}

STDMETHODIMP CResizer::Load(IStream* pStm) {
  if (!pStm) return E_POINTER;
  uint8_t record[ResizerSettings::kPersistSize];
  ULONG cbRead = 0;
  HRESULT hr = pStm->Read(record, sizeof record, &cbRead);
  if (FAILED(hr)) return hr;
  if (cbRead != sizeof record) return E_INVALIDARG;
  hr = Change([&](ResizerSettings& s) {
    const SIZE sizeInput = s.InputSize();
    HRESULT hrLoad = s.Load(record);
    // A connected input's picture is what it is, whatever the record assumed.
    if (SUCCEEDED(hrLoad) && Input()->IsConnected()) hrLoad = s.SetInputSize(sizeInput.cx, sizeInput.cy);
    return hrLoad;
  });
  if (SUCCEEDED(hr)) {
    dshow::CAutoLock lock(FilterLock());
    m_bDirty = false;
  }
  return hr;
}

STDMETHODIMP CResizer::Save(IStream* pStm, BOOL fClearDirty) {
  if (!pStm) return E_POINTER;
  uint8_t record[ResizerSettings::kPersistSize];
  Current().Save(record);
  ULONG cbWritten = 0;
  HRESULT hr = pStm->Write(record, sizeof record, &cbWritten);
  if (FAILED(hr)) return hr;
  if (cbWritten != sizeof record) return STG_E_MEDIUMFULL;
  if (fClearDirty) {
    dshow::CAutoLock lock(FilterLock());
    m_bDirty = false;
  }
  return S_OK;
}

STDMETHODIMP CResizer::GetSizeMax(ULARGE_INTEGER* pcbSize) {
  if (!pcbSize) return E_POINTER;
  pcbSize->QuadPart = ResizerSettings::kPersistSize;
  return S_OK;
}

}  // namespace lumivar
