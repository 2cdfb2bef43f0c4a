// The DLL's module state: its instance handle (for resources) and the count
// of live objects and server locks that DllCanUnloadNow reports.
//
//   CModuleRef   held by every COM object of the DLL for its whole life
#pragma once

#include <windows.h>

namespace dshow {

void SetModuleInstance(HINSTANCE hInstance);
HINSTANCE ModuleInstance();

void ModuleLock();
void ModuleUnlock();
// S_OK when nothing holds the module, S_FALSE otherwise.
HRESULT ModuleCanUnloadNow();

class CModuleRef {
public:
  CModuleRef() { ModuleLock(); }
  ~CModuleRef() { ModuleUnlock(); }
  CModuleRef(const CModuleRef&) { ModuleLock(); }
  CModuleRef& operator=(const CModuleRef&) = default;
};

}  // namespace dshow
