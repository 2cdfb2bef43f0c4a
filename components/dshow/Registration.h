// Self-registration over the DLL's class table: each class's CLSID key with
// its InprocServer32 (this module, ThreadingModel Both), and each filter
// listed with the filter mapper in the DirectShow filter category.
#pragma once

#include "ClassFactory.h"

namespace dshow {

HRESULT RegisterServer(const CFactoryTemplate* pTemplates, int cTemplates);
// Removes what RegisterServer wrote; a class that was not there is no failure.
HRESULT UnregisterServer(const CFactoryTemplate* pTemplates, int cTemplates);

}  // namespace dshow
