// The DirectShow codes the settings code answers.
#pragma once

#include "windows.h"

#define VFW_E_INVALID_FILE_FORMAT ((HRESULT)0x8004022F)
#define VFW_E_INVALID_FILE_VERSION ((HRESULT)0x80040244)
