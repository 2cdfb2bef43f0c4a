// report_probe.exe, started beside this executable with this process's environment, and read
// back: what it wrote to standard error, its exit code and, when this thread debugs it, what
// reached the debugger.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct ProbeRun {
  std::string errorOutput;  // standard error, or "(why the probe did not run)"
  DWORD dwExitCode = STILL_ACTIVE;
  // Under the debugger, in order: "output: <text>" for each debug string, "break" for each
  // breakpoint after the loader's initial one.
  std::vector<std::string> debugEvents;
};

ProbeRun RunReportProbe(LPCWSTR pszArgument, bool bDebugged);
