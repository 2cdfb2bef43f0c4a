#include "Registration.h"

#include <atlcomcli.h>

#include <cwchar>

namespace dshow {

using ATL::CComPtr;

namespace {

// Runs with COM ready: regsvr32 makes no promise about the caller's apartment.
class CComScope {
public:
  CComScope() : m_hr(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~CComScope() {
    if (SUCCEEDED(m_hr)) ::CoUninitialize();
  }
  CComScope(const CComScope&) = delete;
  CComScope& operator=(const CComScope&) = delete;

private:
  HRESULT m_hr;
};

void ClassKeyName(REFCLSID clsid, WCHAR (&szKey)[64]) {
  WCHAR szClsid[40];
  ::StringFromGUID2(clsid, szClsid, 40);
  _snwprintf(szKey, 63, L"CLSID\\%ls", szClsid);
  szKey[63] = 0;
}

HRESULT SetValue(HKEY hKeyRoot, LPCWSTR pszSubKey, LPCWSTR pszName, LPCWSTR pszValue) {
  HKEY hKey = nullptr;
  LONG lr = ::RegCreateKeyExW(hKeyRoot, pszSubKey, 0, nullptr, 0, KEY_WRITE, nullptr, &hKey, nullptr);
  if (lr != ERROR_SUCCESS) return HRESULT_FROM_WIN32(lr);
  lr = ::RegSetValueExW(hKey, pszName, 0, REG_SZ, reinterpret_cast<const BYTE*>(pszValue),
                        static_cast<DWORD>((std::wcslen(pszValue) + 1) * sizeof(WCHAR)));
  ::RegCloseKey(hKey);
  return HRESULT_FROM_WIN32(lr);
}

HRESULT RegisterClassKey(const CFactoryTemplate& t, LPCWSTR pszModule) {
  WCHAR szKey[64];
  ClassKeyName(*t.pClsid, szKey);
  HRESULT hr = SetValue(HKEY_CLASSES_ROOT, szKey, nullptr, t.pszName);
  if (FAILED(hr)) return hr;
  WCHAR szServer[96];
  _snwprintf(szServer, 95, L"%ls\\InprocServer32", szKey);
  szServer[95] = 0;
  hr = SetValue(HKEY_CLASSES_ROOT, szServer, nullptr, pszModule);
  if (FAILED(hr)) return hr;
  return SetValue(HKEY_CLASSES_ROOT, szServer, L"ThreadingModel", L"Both");
}

HRESULT UnregisterClassKey(const CFactoryTemplate& t) {
  WCHAR szKey[64];
  ClassKeyName(*t.pClsid, szKey);
  LONG lr = ::RegDeleteTreeW(HKEY_CLASSES_ROOT, szKey);
  return lr == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(lr);
}

}  // namespace

HRESULT RegisterServer(const CFactoryTemplate* pTemplates, int cTemplates) {
  WCHAR szModule[MAX_PATH];
  DWORD cch = ::GetModuleFileNameW(ModuleInstance(), szModule, MAX_PATH);
  if (cch == 0 || cch >= MAX_PATH) return E_FAIL;

  CComScope com;
  CComPtr<IFilterMapper2> spMapper;
  HRESULT hr = spMapper.CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER);
  if (FAILED(hr)) return hr;
  for (int i = 0; i < cTemplates; ++i) {
    const CFactoryTemplate& t = pTemplates[i];
    hr = RegisterClassKey(t, szModule);
    if (FAILED(hr)) return hr;
    if (!t.pFilter) continue;
    hr = spMapper->RegisterFilter(*t.pClsid, t.pszName, nullptr, &CLSID_LegacyAmFilterCategory,
                                  nullptr, t.pFilter);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT UnregisterServer(const CFactoryTemplate* pTemplates, int cTemplates) {
  CComScope com;
  CComPtr<IFilterMapper2> spMapper;
  HRESULT hr = spMapper.CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER);
  if (FAILED(hr)) return hr;
  HRESULT hrFirst = S_OK;
  for (int i = 0; i < cTemplates; ++i) {
    const CFactoryTemplate& t = pTemplates[i];
    if (t.pFilter) {
      hr = spMapper->UnregisterFilter(&CLSID_LegacyAmFilterCategory, nullptr, *t.pClsid);
      if (FAILED(hr) && hr != HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) && SUCCEEDED(hrFirst)) hrFirst = hr;
    }
    hr = UnregisterClassKey(t);
    if (FAILED(hr) && SUCCEEDED(hrFirst)) hrFirst = hr;
  }
  return hrFirst;
}

}  // namespace dshow
