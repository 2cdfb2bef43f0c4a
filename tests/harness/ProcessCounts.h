// What this process holds, for leak tests: counted the way Wine lets them be counted.
//
//   OpenHandles     the process's entries in the system handle table (Wine's
//                   GetProcessHandleCount answers 0)
//   LiveThreads     the process's threads in a toolhelp snapshot
//   PrivateBytes    the process's private memory in use
//   ThreadsDownTo   waits, bounded, until no more than n threads are left
#pragma once

#include <windows.h>

namespace harness {

DWORD OpenHandles();
DWORD LiveThreads();
SIZE_T PrivateBytes();
bool ThreadsDownTo(DWORD cThreads, DWORD dwTimeoutMs = 5000);

}  // namespace harness
