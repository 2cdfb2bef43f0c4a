#include "Module.h"

namespace dshow {
namespace {
HINSTANCE g_hInstance = nullptr;
LONG g_cLocks = 0;
}  // namespace

void SetModuleInstance(HINSTANCE hInstance) { g_hInstance = hInstance; }

HINSTANCE ModuleInstance() { return g_hInstance; }

void ModuleLock() { ::InterlockedIncrement(&g_cLocks); }

void ModuleUnlock() { ::InterlockedDecrement(&g_cLocks); }

HRESULT ModuleCanUnloadNow() { return g_cLocks == 0 ? S_OK : S_FALSE; }

}  // namespace dshow
