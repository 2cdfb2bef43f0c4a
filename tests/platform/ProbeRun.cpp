#include "ProbeRun.h"

#include "atlbase.h"

namespace {

const DWORD kWaitMs = 10000;

// Runs the debug loop until the probe exits; false when it stops answering within the bound.
bool Debug(const PROCESS_INFORMATION& pi, ProbeRun* pRun) {
  bool bLoaderBreak = true;
  DEBUG_EVENT ev = {};
  while (::WaitForDebugEvent(&ev, kWaitMs)) {
    DWORD dwContinue = DBG_CONTINUE;
    switch (ev.dwDebugEventCode) {
      case CREATE_PROCESS_DEBUG_EVENT:
        CHandle(ev.u.CreateProcessInfo.hFile);
        break;
      case LOAD_DLL_DEBUG_EVENT:
        CHandle(ev.u.LoadDll.hFile);
        break;
      case OUTPUT_DEBUG_STRING_EVENT: {
        std::string text(ev.u.DebugString.nDebugStringLength, '\0');
        SIZE_T cbRead = 0;
        ::ReadProcessMemory(pi.hProcess, ev.u.DebugString.lpDebugStringData, &text[0], text.size(), &cbRead);
        text.resize(cbRead);
        // The reported length counts the terminating zero.
        if (!text.empty() && text.back() == '\0') text.pop_back();
        pRun->debugEvents.push_back("output: " + text);
        break;
      }
      case EXCEPTION_DEBUG_EVENT:
        if (ev.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT)
          dwContinue = DBG_EXCEPTION_NOT_HANDLED;
        else if (bLoaderBreak)
          bLoaderBreak = false;
        else
          pRun->debugEvents.push_back("break");
        break;
      case EXIT_PROCESS_DEBUG_EVENT:
        pRun->dwExitCode = ev.u.ExitProcess.dwExitCode;
        ::ContinueDebugEvent(ev.dwProcessId, ev.dwThreadId, DBG_CONTINUE);
        return true;
    }
    ::ContinueDebugEvent(ev.dwProcessId, ev.dwThreadId, dwContinue);
  }
  return false;
}

}  // namespace

ProbeRun RunReportProbe(LPCWSTR pszArgument, bool bDebugged) {
  ProbeRun run;
  wchar_t szPath[MAX_PATH];
  const DWORD cch = ::GetModuleFileNameW(NULL, szPath, ARRAYSIZE(szPath));
  if (cch == 0 || cch >= ARRAYSIZE(szPath)) {
    run.errorOutput = "(no module path)";
    return run;
  }
  std::wstring path(szPath);
  path = path.substr(0, path.find_last_of(L"\\/") + 1) + L"report_probe.exe";
  std::wstring commandLine = L"\"" + path + L"\"";
  if (pszArgument) commandLine += std::wstring(L" ") + pszArgument;

  SECURITY_ATTRIBUTES sa = {};
  sa.nLength = sizeof sa;
  sa.bInheritHandle = TRUE;
  HANDLE hRead = NULL;
  HANDLE hWrite = NULL;
  if (!::CreatePipe(&hRead, &hWrite, &sa, 0)) {
    run.errorOutput = "(no pipe)";
    return run;
  }
  CHandle read(hRead);
  CHandle write(hWrite);
  ::SetHandleInformation(hRead, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
  si.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
  si.hStdError = hWrite;
  PROCESS_INFORMATION pi = {};
  const BOOL bStarted = ::CreateProcessW(path.c_str(), &commandLine[0], NULL, NULL, TRUE,
                                         bDebugged ? DEBUG_ONLY_THIS_PROCESS : 0, NULL, NULL, &si, &pi);
  // Only the probe holds the write end now: its exit ends the reads.
  write.Close();
  if (!bStarted) {
    run.errorOutput = "(not started)";
    return run;
  }
  CHandle hProcess(pi.hProcess);
  CHandle hThread(pi.hThread);
  const bool bEnded = bDebugged ? Debug(pi, &run) : ::WaitForSingleObject(hProcess, kWaitMs) == WAIT_OBJECT_0;
  if (!bEnded) {
    ::TerminateProcess(hProcess, 1);
    run.errorOutput = "(timed out)";
    return run;
  }
  ::WaitForSingleObject(hProcess, kWaitMs);
  ::GetExitCodeProcess(hProcess, &run.dwExitCode);
  char buffer[512];
  DWORD cbRead = 0;
  while (::ReadFile(hRead, buffer, sizeof buffer, &cbRead, NULL) && cbRead > 0) run.errorOutput.append(buffer, cbRead);
  return run;
}
