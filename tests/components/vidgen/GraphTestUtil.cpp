#include "GraphTestUtil.h"

#include <gtest/gtest.h>

namespace {

// COM for the whole run, on the test's thread.
class CComEnvironment : public ::testing::Environment {
public:
  void SetUp() override { ASSERT_EQ(S_OK, ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)); }
  void TearDown() override { ::CoUninitialize(); }
};

const auto* g_pComEnvironment = ::testing::AddGlobalTestEnvironment(new CComEnvironment);

}  // namespace

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
