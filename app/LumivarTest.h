// The program's module object and its run from COM start-up to COM shutdown.
#pragma once

#include <atlbase.h>

class CLumivarTestModule : public CAtlExeModuleT<CLumivarTestModule> {};

extern CLumivarTestModule _AtlModule;

// Runs the main dialog modally on the calling thread, which must not have COM initialised.
// Returns the exit code: 0, or the answer of a COM initialisation other than S_OK.
int RunLumivarTest();
