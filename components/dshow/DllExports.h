// DSHOW_DLL_EXPORTS: a component DLL's entry point and COM exports over its class table.
//
//   const dshow::CFactoryTemplate kTemplates[] = {...};
//   DSHOW_DLL_EXPORTS(kTemplates)
#pragma once

#include "ClassFactory.h"
#include "Module.h"
#include "Registration.h"

// Defines DllMain, DllGetClassObject, DllCanUnloadNow, DllRegisterServer and
// DllUnregisterServer of a component DLL whose class table is `templates`.
#define DSHOW_DLL_EXPORTS(templates)                                                     \
  extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID) {          \
    if (dwReason == DLL_PROCESS_ATTACH) {                                                 \
      ::dshow::SetModuleInstance(hInstance);                                              \
      ::DisableThreadLibraryCalls(hInstance);                                             \
    }                                                                                     \
    return TRUE;                                                                          \
  }                                                                                       \
  STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {                    \
    return ::dshow::GetClassObject(templates, sizeof templates / sizeof templates[0],     \
                                   rclsid, riid, ppv);                                    \
  }                                                                                       \
  STDAPI DllCanUnloadNow() { return ::dshow::ModuleCanUnloadNow(); }                     \
  STDAPI DllRegisterServer() {                                                            \
    return ::dshow::RegisterServer(templates, sizeof templates / sizeof templates[0]);   \
  }                                                                                       \
  STDAPI DllUnregisterServer() {                                                          \
    return ::dshow::UnregisterServer(templates, sizeof templates / sizeof templates[0]); \
  }
