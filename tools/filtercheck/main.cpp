// filtercheck: holds a resizer filter DLL to the rules of a DirectShow filter and the
// promises of IResizerControl, and reports ok / FAIL / SKIP a check.
//
//   filtercheck.exe FILTER.dll [--junit FILE] [--beside OTHER.dll] [--no-speed] [--only NAME[,NAME...]]
//
// --beside measures another resizer's speed in the same run (our stand-in, by the script).
// Exit code: 0 every check passed, 1 a check failed, 2 the DLL was refused or the
// arguments were wrong.
#include <cstdio>
#include <cwchar>

#include "Checks.h"
#include "Report.h"
#include "Runner.h"

namespace {

using namespace filtercheck;

struct Arguments {
  std::wstring dll, junit, beside;
  bool bSpeed = true;
  RunOptions run;
};

std::string Narrow(const std::wstring& text) {
  std::string out;
  const int cb = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (cb <= 1) return out;
  out.resize(static_cast<size_t>(cb));
  ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], cb, nullptr, nullptr);
  out.resize(static_cast<size_t>(cb - 1));
  return out;
}

bool Parse(int argc, wchar_t** argv, Arguments* pArgs) {
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    const bool bHasValue = i + 1 < argc;
    if (arg == L"--junit" && bHasValue) {
      pArgs->junit = argv[++i];
    } else if (arg == L"--beside" && bHasValue) {
      pArgs->beside = argv[++i];
    } else if (arg == L"--no-speed") {
      pArgs->bSpeed = false;
    } else if (arg == L"--only" && bHasValue) {
      std::string names = Narrow(argv[++i]);
      for (size_t start = 0; start <= names.size();) {
        const size_t end = names.find(',', start);
        pArgs->run.only.push_back(names.substr(start, end - start));
        start = end == std::string::npos ? names.size() + 1 : end + 1;
      }
    } else if (arg.rfind(L"--", 0) != 0 && pArgs->dll.empty()) {
      pArgs->dll = arg;
    } else {
      return false;
    }
  }
  return !pArgs->dll.empty();
}

// Speed, for the record: one line an algorithm, for each DLL measured.
void PrintSpeed(FilterDll* pDll) {
  CCheck check(pDll);
  MeasureSpeed(check);
  printf("speed at 1080p -> 720p, %s:\n", Narrow(pDll->Path()).c_str());
  for (const std::string& line : check.Failed() ? check.Failures() : check.Notes()) printf("  %s\n", line.c_str());
}

int Run(const Arguments& args) {
  std::unique_ptr<FilterDll> spDll;
  std::string refusal;
  if (FAILED(FilterDll::Open(args.dll, &spDll, &refusal))) {
    fprintf(stderr, "filtercheck: %s: refused, %s\n", Narrow(args.dll).c_str(), refusal.c_str());
    return 2;
  }
  printf("filtercheck: %s (%d-bit)\n", Narrow(args.dll).c_str(), static_cast<int>(sizeof(void*) * 8));
  fflush(stdout);
  const std::vector<CheckResult> results = RunChecks(spDll.get(), args.run);
  PrintResults(stdout, results);
  int status = 0;
  for (const CheckResult& r : results) status |= r.outcome == CheckOutcome::Fail;
  if (!args.junit.empty()) {
    FILE* f = _wfopen(args.junit.c_str(), L"wb");
    const std::string xml = JUnitXml(Narrow(args.dll), results);
    if (!f || fwrite(xml.data(), 1, xml.size(), f) != xml.size()) {
      fprintf(stderr, "filtercheck: cannot write %s\n", Narrow(args.junit).c_str());
      status = 2;
    }
    if (f) fclose(f);
  }
  if (args.bSpeed) {
    PrintSpeed(spDll.get());
    std::unique_ptr<FilterDll> spBeside;
    if (!args.beside.empty() && FilterDll::Open(args.beside, &spBeside, &refusal) == S_OK) PrintSpeed(spBeside.get());
  }
  fflush(stdout);
  return status;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Arguments args;
  if (!Parse(argc, argv, &args)) {
    fprintf(stderr,
            "usage: filtercheck FILTER.dll [--junit FILE] [--beside OTHER.dll] [--no-speed] [--only NAME,...]\n");
    return 2;
  }
  if (FAILED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 2;
  const int status = Run(args);
  ::CoUninitialize();
  // A hung check's threads may still be inside the filter: end without waiting for them.
  fflush(stdout);
  ::ExitProcess(static_cast<UINT>(status));
}
