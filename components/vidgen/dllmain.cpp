// VideoGenerator.dll: the entry point, the class table and the exports.
#include <ClassFactory.h>
#include <Registration.h>

#include "VideoGenerator.h"
#include "VideoGeneratorFilter.h"
#include "VideoGeneratorPage.h"

namespace {

const REGPINTYPES kOutputTypes[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_RGB32}};

const REGFILTERPINS kPins[] = {{const_cast<LPWSTR>(L"Output"), FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, nullptr,
                                1, kOutputTypes}};

REGFILTER2 MakeFilterRegistration() {
  REGFILTER2 rf = {};
  rf.dwVersion = 1;
  // Inserted by class id only, never picked by intelligent connection.
  rf.dwMerit = MERIT_DO_NOT_USE;
  rf.cPins = 1;
  rf.rgPins = kPins;
  return rf;
}

const REGFILTER2 kFilter = MakeFilterRegistration();

const dshow::CFactoryTemplate kTemplates[] = {
    {&CLSID_VideoGenerator, L"Video Generator", CVideoGenerator::Create, &kFilter},
    {&CLSID_VideoGeneratorPage, L"Video Generator Property Page", CVideoGeneratorPage::Create, nullptr},
};
const int kTemplateCount = sizeof kTemplates / sizeof kTemplates[0];

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
