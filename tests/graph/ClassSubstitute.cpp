#include "ClassSubstitute.h"

#include <memory>

#include "ImportPatch.h"

namespace {

// One substitute at a time: the patch owns the import slot.
CLSID g_clsidSubstituted = GUID_NULL;
ClassSubstitute::Create g_fnCreate;
std::unique_ptr<ImportPatch> g_pPatch;

HRESULT WINAPI SubstitutingCoCreateInstance(REFCLSID rclsid, LPUNKNOWN pOuter, DWORD dwContext, REFIID riid,
                                            LPVOID* ppv) {
  if (rclsid == g_clsidSubstituted) return g_fnCreate(riid, ppv);
  return reinterpret_cast<decltype(&::CoCreateInstance)>(g_pPatch->Original())(rclsid, pOuter, dwContext, riid, ppv);
}

}  // namespace

ClassSubstitute::ClassSubstitute(REFCLSID clsid, Create fnCreate) {
  g_clsidSubstituted = clsid;
  g_fnCreate = std::move(fnCreate);
  g_pPatch = std::make_unique<ImportPatch>("ole32.dll", "CoCreateInstance",
                                           reinterpret_cast<void*>(&SubstitutingCoCreateInstance));
}

ClassSubstitute::~ClassSubstitute() {
  g_pPatch.reset();
  g_clsidSubstituted = GUID_NULL;
  g_fnCreate = nullptr;
}

bool ClassSubstitute::Active() const { return g_pPatch && g_pPatch->Active(); }

HRESULT ClassSubstitute::CreateReal(REFCLSID clsid, IUnknown* pOuter, REFIID riid, void** ppv) {
  auto pfnCreate =
      g_pPatch ? reinterpret_cast<decltype(&::CoCreateInstance)>(g_pPatch->Original()) : &::CoCreateInstance;
  return pfnCreate(clsid, pOuter, CLSCTX_INPROC_SERVER, riid, ppv);
}
