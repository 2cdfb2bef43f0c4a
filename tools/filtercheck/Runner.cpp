#include "Runner.h"

#include <algorithm>

namespace filtercheck {

namespace {

struct CheckThread {
  const CheckInfo* pInfo;
  CCheck* pCheck;
};

DWORD WINAPI RunOne(void* pv) {
  auto* pThread = static_cast<CheckThread*>(pv);
  HRESULT hr = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  if (FAILED(hr)) {
    pThread->pCheck->Setup(hr, "CoInitializeEx");
    return 0;
  }
  pThread->pInfo->pfnRun(*pThread->pCheck);
  ::CoUninitialize();
  return 0;
}

bool Wanted(const RunOptions& options, const char* pszName) {
  return options.only.empty() || std::find(options.only.begin(), options.only.end(), pszName) != options.only.end();
}

}  // namespace

std::vector<CheckResult> RunChecks(FilterDll* pDll, const RunOptions& options) {
  std::vector<CheckResult> results;
  for (const CheckInfo& info : AllChecks()) {
    if (!Wanted(options, info.pszName)) continue;
    CheckResult result;
    result.name = info.pszName;
    // A hung check keeps its thread and findings: both are left behind.
    auto* pCheck = new CCheck(pDll);
    auto* pThread = new CheckThread{&info, pCheck};
    LARGE_INTEGER freq, t0, t1;
    ::QueryPerformanceFrequency(&freq);
    ::QueryPerformanceCounter(&t0);
    HANDLE hThread = ::CreateThread(nullptr, 0, RunOne, pThread, 0, nullptr);
    DWORD dwWait = hThread ? ::WaitForSingleObject(hThread, info.dwBoundMs) : WAIT_FAILED;
    ::QueryPerformanceCounter(&t1);
    result.seconds = static_cast<double>(t1.QuadPart - t0.QuadPart) / freq.QuadPart;
    if (dwWait == WAIT_OBJECT_0) {
      result.findings = pCheck->Failed() ? pCheck->Failures() : pCheck->Skipped() ? pCheck->Skips() : pCheck->Notes();
      result.outcome = pCheck->Failed()    ? CheckOutcome::Fail
                       : pCheck->Skipped() ? CheckOutcome::Skip
                                           : CheckOutcome::Ok;
      delete pThread;
      delete pCheck;
    } else {
      result.outcome = CheckOutcome::Fail;
      result.findings.push_back(hThread ? "did not finish within " + std::to_string(info.dwBoundMs / 1000) +
                                              " s: the filter hangs (a deadlock?)"
                                        : "could not start its thread");
      pDll->KeepLoaded();
    }
    if (hThread) ::CloseHandle(hThread);
    results.push_back(std::move(result));
  }
  return results;
}

}  // namespace filtercheck
