// GraphFile.dll: the entry point, the class table, and registration as the stand-in for
// the filter graph manager's class (its TreatAs key), which only a Wine prefix accepts.
#include <ClassFactory.h>
#include <Module.h>
#include <Registration.h>

#include <new>

#include "PersistentGraph.h"

namespace {

// For registration only: the class is made by CGraphFactory, which, unlike the kit's
// factory, lets an outer object aggregate it, as the manager it stands for does.
const dshow::CFactoryTemplate kTemplates[] = {
    {&CLSID_PersistentFilterGraph, L"Filter Graph with graph files", nullptr, nullptr},
};
const int kTemplateCount = sizeof kTemplates / sizeof kTemplates[0];

class CGraphFactory : public IClassFactory {
public:
  virtual ~CGraphFactory() = default;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (riid != IID_IUnknown && riid != IID_IClassFactory) {
      *ppv = nullptr;
      return E_NOINTERFACE;
    }
    *ppv = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ::InterlockedIncrement(&m_cRef); }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG cRef = ::InterlockedDecrement(&m_cRef);
    if (cRef == 0) delete this;
    return cRef;
  }
  STDMETHODIMP CreateInstance(IUnknown* pOuter, REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    // An aggregating object asks for the inner object's own IUnknown and nothing else.
    if (pOuter && riid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
    IUnknown* pUnk = nullptr;
    HRESULT hr = CPersistentGraph::Create(pOuter, &pUnk);
    if (FAILED(hr)) return hr;
    hr = pUnk->QueryInterface(riid, ppv);
    pUnk->Release();
    return hr;
  }
  STDMETHODIMP LockServer(BOOL bLock) override {
    if (bLock)
      dshow::ModuleLock();
    else
      dshow::ModuleUnlock();
    return S_OK;
  }

private:
  dshow::CModuleRef m_moduleRef;
  LONG m_cRef = 1;
};

const wchar_t kTreatAsKey[] = L"CLSID\\{E436EBB3-524F-11CE-9F53-0020AF0BA770}\\TreatAs";

// Windows has a manager that loads graph files: the stand-in belongs in a Wine prefix only.
bool RunsUnderWine() {
  HMODULE hNtdll = ::GetModuleHandleW(L"ntdll.dll");
  return hNtdll && ::GetProcAddress(hNtdll, "wine_get_version");
}

bool TreatAsIsOurs() {
  wchar_t szValue[64] = {};
  LONG cb = sizeof szValue;
  if (::RegQueryValueW(HKEY_CLASSES_ROOT, kTreatAsKey, szValue, &cb) != ERROR_SUCCESS) return false;
  wchar_t szOurs[40];
  ::StringFromGUID2(CLSID_PersistentFilterGraph, szOurs, 40);
  return ::lstrcmpiW(szValue, szOurs) == 0;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID) {
  if (dwReason == DLL_PROCESS_ATTACH) {
    dshow::SetModuleInstance(hInstance);
    ::DisableThreadLibraryCalls(hInstance);
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (rclsid != CLSID_PersistentFilterGraph) return CLASS_E_CLASSNOTAVAILABLE;
  auto* pFactory = new (std::nothrow) CGraphFactory();
  if (!pFactory) return E_OUTOFMEMORY;
  const HRESULT hr = pFactory->QueryInterface(riid, ppv);
  pFactory->Release();
  return hr;
}

STDAPI DllCanUnloadNow() { return dshow::ModuleCanUnloadNow(); }

STDAPI DllRegisterServer() {
  if (!RunsUnderWine()) return HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED);
  HRESULT hr = dshow::RegisterServer(kTemplates, kTemplateCount);
  if (FAILED(hr)) return hr;
  wchar_t szOurs[40];
  ::StringFromGUID2(CLSID_PersistentFilterGraph, szOurs, 40);
  const LONG lr = ::RegSetValueW(HKEY_CLASSES_ROOT, kTreatAsKey, REG_SZ, szOurs, 0);
  return HRESULT_FROM_WIN32(lr);
}

STDAPI DllUnregisterServer() {
  // The platform's manager is itself again; a TreatAs of someone else's stays.
  if (TreatAsIsOurs()) {
    const LONG lr = ::RegDeleteKeyW(HKEY_CLASSES_ROOT, kTreatAsKey);
    if (lr != ERROR_SUCCESS) return HRESULT_FROM_WIN32(lr);
  }
  return dshow::UnregisterServer(kTemplates, kTemplateCount);
}
