// What a module says about its own build, as BSTRs for IFilterVersion.
//
//   ModuleFileVersion   "major.minor.build.revision" from the version resource
//   ModuleLinkTime      the link time in the PE header, UTC, "Dec 10 2026 11:05:00"
//
// Both set *pbstr to null first and fill it only on S_OK.
#pragma once

#include <windows.h>
#include <oleauto.h>

namespace lumivar {

HRESULT ModuleFileVersion(HMODULE hModule, BSTR* pbstr);
HRESULT ModuleLinkTime(HMODULE hModule, BSTR* pbstr);

}  // namespace lumivar
