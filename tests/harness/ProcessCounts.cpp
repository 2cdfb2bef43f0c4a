#include "ProcessCounts.h"

// After windows.h, which they need.
#include <tlhelp32.h>
#include <winternl.h>

#include <vector>

#include "UiDriver.h"
#include "atlhandle.h"

namespace harness {

DWORD OpenHandles(DWORD dwProcessId) {
  const NTSTATUS kLengthMismatch = static_cast<NTSTATUS>(0xC0000004L);
  std::vector<BYTE> table(1 << 17);
  NTSTATUS status;
  ULONG cbNeeded = 0;
  while ((status = ::NtQuerySystemInformation(SystemHandleInformation, table.data(), static_cast<ULONG>(table.size()),
                                              &cbNeeded)) == kLengthMismatch)
    table.resize(table.size() * 2);
  if (status != 0) return 0;
  const auto& info = *reinterpret_cast<const SYSTEM_HANDLE_INFORMATION*>(table.data());
  DWORD cOwn = 0;
  for (ULONG i = 0; i < info.Count; ++i) cOwn += info.Handle[i].OwnerPid == dwProcessId ? 1 : 0;
  return cOwn;
}

DWORD LiveThreads() {
  ATL::CHandle hSnapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  if (!hSnapshot) return 0;
  THREADENTRY32 thread = {};
  thread.dwSize = sizeof thread;
  DWORD cOwn = 0;
  for (BOOL bMore = ::Thread32First(hSnapshot, &thread); bMore; bMore = ::Thread32Next(hSnapshot, &thread))
    cOwn += thread.th32OwnerProcessID == ::GetCurrentProcessId() ? 1 : 0;
  return cOwn;
}

SIZE_T PrivateBytes(HANDLE hProcess) {
  // Wine's GetProcessMemoryInfo leaves PrivateUsage 0: the committed private regions, summed.
  SIZE_T cb = 0;
  MEMORY_BASIC_INFORMATION region = {};
  for (const BYTE* p = nullptr; ::VirtualQueryEx(hProcess, p, &region, sizeof region) == sizeof region;
       p = static_cast<const BYTE*>(region.BaseAddress) + region.RegionSize) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) cb += region.RegionSize;
  }
  return cb;
}

bool ThreadsDownTo(DWORD cThreads, DWORD dwTimeoutMs) {
  return WaitUntil([&] { return LiveThreads() <= cThreads; }, dwTimeoutMs);
}

}  // namespace harness
