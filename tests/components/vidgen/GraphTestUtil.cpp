#include "GraphTestUtil.h"

#include "ComEnvironment.h"

HRESULT CreateGenerator(IBaseFilter** ppFilter, const VideoGeneratorSettings* pSettings) {
  CComPtr<IBaseFilter> spFilter;
  HRESULT hr = spFilter.CoCreateInstance(CLSID_VideoGenerator, nullptr, CLSCTX_INPROC_SERVER);
  if (FAILED(hr)) return hr;
  if (pSettings) {
    CComQIPtr<IVideoGeneratorSettings, &IID_IVideoGeneratorSettings> spSettings(spFilter);
    if (!spSettings) return E_NOINTERFACE;
    hr = spSettings->SetSettings(pSettings);
    if (FAILED(hr)) return hr;
  }
  *ppFilter = spFilter.Detach();
  return S_OK;
}
