#include "TestSupport.h"

#include <gtest/gtest.h>

const CLSID kNullRenderer = {
    0xC1F400A4, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};
const CLSID kSampleGrabber = {
    0xC1F400A0, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};
const CLSID kUnregistered = {
    0x5D0C7C3E, 0x0B2B, 0x4A51, {0x9C, 0x61, 0x27, 0x4F, 0x11, 0xA8, 0x03, 0x6B}};

namespace {

// The main thread is a single-threaded apartment, as in the program.
class ComEnvironment : public ::testing::Environment {
public:
  void SetUp() override { ASSERT_EQ(S_OK, ::CoInitialize(nullptr)); }
  void TearDown() override { ::CoUninitialize(); }
};

const auto* g_pComEnvironment = ::testing::AddGlobalTestEnvironment(new ComEnvironment);

}  // namespace

CComPtr<IGraphBuilder> NewGraph() {
  CComPtr<IGraphBuilder> spGraph;
  EXPECT_EQ(S_OK, spGraph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER));
  return spGraph;
}

std::vector<CComPtr<IBaseFilter>> FiltersOf(IGraphBuilder* pGraph) {
  std::vector<CComPtr<IBaseFilter>> filters;
  CComPtr<IEnumFilters> spEnum;
  if (FAILED(pGraph->EnumFilters(&spEnum))) return filters;
  for (;;) {
    CComPtr<IBaseFilter> spFilter;
    ULONG cFetched = 0;
    if (spEnum->Next(1, &spFilter, &cFetched) != S_OK) return filters;
    filters.push_back(spFilter);
  }
}

std::wstring TempPath(const wchar_t* pszSuffix) {
  wchar_t szDir[MAX_PATH] = {};
  wchar_t szFile[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, szDir);
  ::GetTempFileNameW(szDir, L"tk", 0, szFile);
  // GetTempFileName creates the file; the tests make their own.
  ::DeleteFileW(szFile);
  return std::wstring(szFile) + pszSuffix;
}

STDMETHODIMP FakeClassFactory::QueryInterface(REFIID riid, void** ppv) {
  if (riid == IID_IUnknown || riid == IID_IClassFactory) {
    *ppv = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP FakeClassFactory::CreateInstance(IUnknown* pOuter, REFIID riid, void** ppv) {
  *ppv = nullptr;
  if (pOuter) return CLASS_E_NOAGGREGATION;
  ++nCreated;
  return pInstance->QueryInterface(riid, ppv);
}

ScopedClassObject::ScopedClassObject(REFCLSID rclsid, IClassFactory* pFactory) {
  m_hr = ::CoRegisterClassObject(rclsid, pFactory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                 &m_dwCookie);
}

ScopedClassObject::~ScopedClassObject() { Revoke(); }

void ScopedClassObject::Revoke() {
  if (SUCCEEDED(m_hr)) ::CoRevokeClassObject(m_dwCookie);
  m_hr = E_UNEXPECTED;
}
