// What this process holds, for leak tests: counted the way Wine lets them be counted.
//
//   OpenHandles     a process's entries in the system handle table (Wine's
//                   GetProcessHandleCount answers 0); this process's by default
//   LiveThreads     the process's threads in a toolhelp snapshot
//   PrivateBytes    a process's private memory in use; this process's by default
//   ThreadsDownTo   waits, bounded, until no more than n threads are left
#pragma once

#include <windows.h>

namespace harness {

DWORD OpenHandles(DWORD dwProcessId = ::GetCurrentProcessId());
DWORD LiveThreads();
// hProcess needs PROCESS_QUERY_INFORMATION.
SIZE_T PrivateBytes(HANDLE hProcess = ::GetCurrentProcess());
bool ThreadsDownTo(DWORD cThreads, DWORD dwTimeoutMs = 5000);

}  // namespace harness
