#include "Processes.h"

#include <atlhandle.h>
#include <tlhelp32.h>

namespace harness {

std::vector<DWORD> ChildProcesses() {
  std::vector<DWORD> children;
  ATL::CHandle hSnapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!hSnapshot) return children;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  const DWORD dwSelf = ::GetCurrentProcessId();
  for (BOOL bMore = ::Process32FirstW(hSnapshot, &entry); bMore; bMore = ::Process32NextW(hSnapshot, &entry))
    if (entry.th32ParentProcessID == dwSelf && entry.th32ProcessID != dwSelf) children.push_back(entry.th32ProcessID);
  return children;
}

size_t EndChildProcesses() {
  size_t cEnded = 0;
  for (DWORD dwProcessId : ChildProcesses()) {
    ATL::CHandle hProcess(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, dwProcessId));
    if (!hProcess) continue;
    if (::TerminateProcess(hProcess, 255)) ++cEnded;
    ::WaitForSingleObject(hProcess, 5000);
  }
  return cEnded;
}

}  // namespace harness
