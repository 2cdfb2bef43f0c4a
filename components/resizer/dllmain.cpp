// Resizer.dll: the class table, its registration and the DLL entry points.
#include <olectl.h>

#include "ClassFactory.h"
#include "Registration.h"
#include "Resizer.h"

namespace {

const REGPINTYPES kVideoRgb32 = {&MEDIATYPE_Video, &MEDIASUBTYPE_RGB32};

const REGFILTERPINS kPins[] = {
    {const_cast<LPWSTR>(L"Input"), FALSE, FALSE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, &kVideoRgb32},
    {const_cast<LPWSTR>(L"Output"), FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, &kVideoRgb32},
};

// Never picked by intelligent connect: the resizer goes only where it is put.
const REGFILTER2 kFilter = {1, MERIT_DO_NOT_USE, {{static_cast<ULONG>(sizeof kPins / sizeof kPins[0]), kPins}}};

const dshow::CFactoryTemplate kTemplates[] = {
    {&CLSID_Resizer, L"Resizer", &lumivar::CResizer::Create, &kFilter},
};
constexpr int kTemplateCount = sizeof kTemplates / sizeof kTemplates[0];

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID) {
  if (dwReason == DLL_PROCESS_ATTACH) {
    dshow::SetModuleInstance(hInstance);
    ::DisableThreadLibraryCalls(hInstance);
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
  return dshow::GetClassObject(kTemplates, kTemplateCount, rclsid, riid, ppv);
}

STDAPI DllCanUnloadNow() { return dshow::ModuleCanUnloadNow(); }

STDAPI DllRegisterServer() { return dshow::RegisterServer(kTemplates, kTemplateCount); }

STDAPI DllUnregisterServer() { return dshow::UnregisterServer(kTemplates, kTemplateCount); }
