// Our class framework, all of it: the names the program is written against.
//
//   atldef.h     ATLASSERT, ATLASSERT_TEXT and their report hook
//   atltrace.h   ATLTRACE, trace categories (atlTraceGeneral) and the trace filter
//   atlcomcli.h  CComPtr, CComQIPtr, CComBSTR
//   atlhandle.h  CHandle
//   atlmodule.h  CAtlExeModuleT and the module objects (_AtlBaseModule, _AtlWinModule)
//   atlreg.h     CRegKey
//   atlwin.h     CWindow, message maps, CWindowImpl, CDialogImpl
#pragma once

#include "atldef.h"
#include "atltrace.h"
#include "atlcomcli.h"
#include "atlhandle.h"
#include "atlmodule.h"
#include "atlreg.h"
#include "atlwin.h"

using namespace ATL;
