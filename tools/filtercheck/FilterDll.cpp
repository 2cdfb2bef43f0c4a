#include "FilterDll.h"

#include "Check.h"
#include "IResizerControl.h"

namespace filtercheck {

namespace {

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

std::string LoadFailure(DWORD dwError) {
  switch (dwError) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_MOD_NOT_FOUND:
      return "the file (or a DLL it needs) was not found";
    case ERROR_BAD_EXE_FORMAT:
      return "it is not a DLL of this bitness (or not a DLL at all)";
    default:
      return "LoadLibrary failed with error " + std::to_string(dwError);
  }
}

}  // namespace

FilterDll::~FilterDll() {
  if (m_bKeepLoaded) return;
  if (m_pFactory) m_pFactory->Release();
  if (m_hModule) ::FreeLibrary(m_hModule);
}

HRESULT FilterDll::Open(const std::wstring& path, std::unique_ptr<FilterDll>* ppDll, std::string* pRefusal) {
  if (!ppDll || !pRefusal) return E_POINTER;
  ppDll->reset();
  std::unique_ptr<FilterDll> spDll(new FilterDll);
  spDll->m_path = path;
  // No error box for a file that is not an image.
  const UINT uMode = ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  spDll->m_hModule = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  const DWORD dwError = ::GetLastError();
  ::SetErrorMode(uMode);
  if (!spDll->m_hModule) {
    *pRefusal = "cannot load it: " + LoadFailure(dwError);
    return HRESULT_FROM_WIN32(dwError ? dwError : ERROR_BAD_EXE_FORMAT);
  }
  auto pfnGetClassObject = reinterpret_cast<GetClassObjectFn>(
      reinterpret_cast<void*>(::GetProcAddress(spDll->m_hModule, "DllGetClassObject")));
  if (!pfnGetClassObject) {
    *pRefusal = "not a COM server: it exports no DllGetClassObject";
    return E_NOINTERFACE;
  }
  HRESULT hr = pfnGetClassObject(CLSID_Resizer, IID_IClassFactory, reinterpret_cast<void**>(&spDll->m_pFactory));
  if (FAILED(hr) || !spDll->m_pFactory) {
    spDll->m_pFactory = nullptr;
    *pRefusal =
        "not a resizer filter: DllGetClassObject(CLSID_Resizer) answered " + FormatHr(FAILED(hr) ? hr : E_POINTER);
    return FAILED(hr) ? hr : E_POINTER;
  }
  IBaseFilter* pFilter = nullptr;
  if (FAILED(hr = spDll->Create(&pFilter))) {
    *pRefusal =
        "its CLSID_Resizer object is not a DirectShow filter: CreateInstance(IBaseFilter) answered " + FormatHr(hr);
    return hr;
  }
  IResizerControl* pControl = nullptr;
  hr = pFilter->QueryInterface(IID_IResizerControl, reinterpret_cast<void**>(&pControl));
  if (SUCCEEDED(hr) && pControl) pControl->Release();
  pFilter->Release();
  if (FAILED(hr) || !pControl) {
    *pRefusal = "its filter has no IResizerControl: QueryInterface answered " + FormatHr(FAILED(hr) ? hr : E_POINTER);
    return FAILED(hr) ? hr : E_NOINTERFACE;
  }
  *ppDll = std::move(spDll);
  return S_OK;
}

HRESULT FilterDll::Create(IBaseFilter** ppFilter) {
  if (!ppFilter) return E_POINTER;
  *ppFilter = nullptr;
  HRESULT hr = m_pFactory->CreateInstance(nullptr, IID_IBaseFilter, reinterpret_cast<void**>(ppFilter));
  if (SUCCEEDED(hr) && !*ppFilter) return E_POINTER;
  return hr;
}

}  // namespace filtercheck
