// VideoGenerator.dll: the entry point, the class table and the exports.
#include <DllExports.h>

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

}  // namespace

DSHOW_DLL_EXPORTS(kTemplates)
