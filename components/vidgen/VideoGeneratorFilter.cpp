#include "VideoGeneratorFilter.h"

#include <cstring>
#include <new>

#include "VideoGeneratorRecord.h"

namespace {

bool SameFormat(const VideoGeneratorSettings& a, const VideoGeneratorSettings& b) {
  return a.lWidth == b.lWidth && a.lHeight == b.lHeight && a.lFrameRate == b.lFrameRate;
}

}  // namespace

CVideoGenerator::CVideoGenerator() : CBaseFilter(CLSID_VideoGenerator), m_pin(this) {}

HRESULT CVideoGenerator::Create(IUnknown** ppUnk) {
  if (!ppUnk) return E_POINTER;
  auto* pFilter = new (std::nothrow) CVideoGenerator();
  *ppUnk = static_cast<IBaseFilter*>(pFilter);
  return pFilter ? S_OK : E_OUTOFMEMORY;
}

HRESULT CVideoGenerator::GetInterface(REFIID riid, void** ppv) {
  if (riid == IID_IPersistStream) return dshow::GetInterfaceOf(static_cast<IPersistStream*>(this), ppv);
  if (riid == IID_ISpecifyPropertyPages)
    return dshow::GetInterfaceOf(static_cast<ISpecifyPropertyPages*>(this), ppv);
  if (riid == IID_IVideoGeneratorSettings)
    return dshow::GetInterfaceOf(static_cast<IVideoGeneratorSettings*>(this), ppv);
  return CBaseFilter::GetInterface(riid, ppv);
}

VideoGeneratorSettings CVideoGenerator::Settings() {
  dshow::CAutoLock lock(&m_csSettings);
  return m_settings;
}

void CVideoGenerator::Store(const VideoGeneratorSettings& settings) {
  dshow::CAutoLock lock(&m_csSettings);
  m_settings = settings;
}

STDMETHODIMP CVideoGenerator::GetSettings(VideoGeneratorSettings* pSettings) {
  if (!pSettings) return E_POINTER;
  *pSettings = Settings();
  return S_OK;
}

STDMETHODIMP CVideoGenerator::SetSettings(const VideoGeneratorSettings* pSettings) {
  if (!pSettings) return E_POINTER;
  if (!SettingsInRange(*pSettings)) return E_INVALIDARG;
  VideoGeneratorSettings old;
  {
    dshow::CAutoLock lock(FilterLock());
    old = Settings();
    if (std::memcmp(&old, pSettings, sizeof old) == 0) return S_OK;
    if (!IsStopped()) return VFW_E_NOT_STOPPED;
    Store(*pSettings);
    m_bDirty = true;
  }
  ATL::CComPtr<IPin> spPeer;
  if (m_pin.ConnectedTo(&spPeer) != S_OK || SameFormat(old, *pSettings)) return S_OK;
  // Through the graph, which takes its own lock first: not under ours.
  HRESULT hr = ReconnectOutput(spPeer);
  if (SUCCEEDED(hr)) return S_OK;
  // Refused downstream: back to the old format on the old connection.
  Store(old);
  if (!m_pin.IsConnected()) ReconnectOutput(spPeer);
  return hr;
}

HRESULT CVideoGenerator::ReconnectOutput(IPin* pPeer) {
  ATL::CComQIPtr<IFilterGraph2> spGraph(Graph());
  if (!spGraph) return VFW_E_NOT_IN_GRAPH;
  dshow::CMediaType mt;
  HRESULT hr = CVideoGeneratorPin::BuildMediaType(Settings(), &mt);
  if (FAILED(hr)) return hr;
  if (m_pin.IsConnected()) return spGraph->ReconnectEx(&m_pin, &mt);
  return spGraph->ConnectDirect(&m_pin, pPeer, &mt);
}

STDMETHODIMP CVideoGenerator::IsDirty() {
  dshow::CAutoLock lock(FilterLock());
  return m_bDirty ? S_OK : S_FALSE;
}

STDMETHODIMP CVideoGenerator::Load(IStream* pStream) {
  if (!pStream) return E_POINTER;
  BYTE record[kSettingsRecordSize] = {};
  ULONG cbRead = 0;
  HRESULT hr = pStream->Read(record, sizeof record, &cbRead);
  if (FAILED(hr)) return hr;
  VideoGeneratorSettings settings;
  if (FAILED(hr = ReadSettingsRecord(record, cbRead, &settings))) return hr;
  hr = SetSettings(&settings);
  if (FAILED(hr)) return hr;
  dshow::CAutoLock lock(FilterLock());
  m_bDirty = false;
  return S_OK;
}

STDMETHODIMP CVideoGenerator::Save(IStream* pStream, BOOL bClearDirty) {
  if (!pStream) return E_POINTER;
  BYTE record[kSettingsRecordSize];
  WriteSettingsRecord(Settings(), record);
  ULONG cbWritten = 0;
  HRESULT hr = pStream->Write(record, sizeof record, &cbWritten);
  if (FAILED(hr)) return hr;
  if (cbWritten != sizeof record) return STG_E_MEDIUMFULL;
  if (bClearDirty) {
    dshow::CAutoLock lock(FilterLock());
    m_bDirty = false;
  }
  return S_OK;
}

STDMETHODIMP CVideoGenerator::GetSizeMax(ULARGE_INTEGER* pcbSize) {
  if (!pcbSize) return E_POINTER;
  pcbSize->QuadPart = kSettingsRecordSize;
  return S_OK;
}

STDMETHODIMP CVideoGenerator::GetPages(CAUUID* pPages) {
  if (!pPages) return E_POINTER;
  pPages->pElems = static_cast<GUID*>(::CoTaskMemAlloc(sizeof(GUID)));
  if (!pPages->pElems) {
    pPages->cElems = 0;
    return E_OUTOFMEMORY;
  }
  pPages->cElems = 1;
  pPages->pElems[0] = CLSID_VideoGeneratorPage;
  return S_OK;
}
