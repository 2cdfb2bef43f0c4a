// FilterDll: the filter under test, loaded straight from its DLL.
//
// No registration: LoadLibrary, DllGetClassObject(CLSID_Resizer), and a new instance
// from the class factory for each use, so a checked DLL leaves no trace in any
// registry. Open refuses, with a sentence saying why, a file that is not a DLL, a DLL
// that is not a COM server, one that does not serve CLSID_Resizer, and an object that
// is not a DirectShow filter with IResizerControl.
#pragma once

#include <dshow.h>

#include <memory>
#include <string>

namespace filtercheck {

class FilterDll {
public:
  ~FilterDll();
  FilterDll(const FilterDll&) = delete;
  FilterDll& operator=(const FilterDll&) = delete;

  // S_OK with the DLL loaded; else a failure and *pRefusal saying why.
  static HRESULT Open(const std::wstring& path, std::unique_ptr<FilterDll>* ppDll, std::string* pRefusal);

  // A new instance with one reference.
  HRESULT Create(IBaseFilter** ppFilter);
  IClassFactory* Factory() const { return m_pFactory; }
  const std::wstring& Path() const { return m_path; }
  // After a check hung: the DLL stays loaded (its threads may still run in it).
  void KeepLoaded() { m_bKeepLoaded = true; }

private:
  FilterDll() = default;

  std::wstring m_path;
  HMODULE m_hModule = nullptr;
  IClassFactory* m_pFactory = nullptr;  // owned
  bool m_bKeepLoaded = false;
};

}  // namespace filtercheck
