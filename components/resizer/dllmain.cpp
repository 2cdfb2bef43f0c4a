// Resizer.dll: the class table, its registration and the DLL entry points.
#include <olectl.h>

#include "DllExports.h"
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

}  // namespace

DSHOW_DLL_EXPORTS(kTemplates)
