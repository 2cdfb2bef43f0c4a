// Proppage.dll: the viewer's property-page library; the entry point, the class table and the exports.
#include <initguid.h>

#include <DllExports.h>

#include "MediaTypePage.h"
#include "ProppageClasses.h"

namespace {

const dshow::CFactoryTemplate kTemplates[] = {
    {&CLSID_MediaTypePage, L"Media Type Property Page", CMediaTypePage::Create, nullptr},
};

}  // namespace

DSHOW_DLL_EXPORTS(kTemplates)
