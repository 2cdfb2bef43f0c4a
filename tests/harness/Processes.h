// The processes a test starts, found and ended by their parent, so that no test leaves one behind.
//
//   ChildProcesses      identifiers of the running processes this process started
//   EndChildProcesses   terminates each of them and waits until it has gone
#pragma once

#include <windows.h>

#include <vector>

namespace harness {

std::vector<DWORD> ChildProcesses();
// The number of processes ended.
size_t EndChildProcesses();

}  // namespace harness
