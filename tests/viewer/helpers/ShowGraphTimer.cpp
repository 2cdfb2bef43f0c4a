// ShowGraphTimer.exe: times the bench's "Show graph" until our viewer shows the connected
// graph, the way a tester sees it, for scripts/show-graph.
//
//   ShowGraphTimer.exe BENCH.exe [COUNT [HOLD_MS]]
//
// Starts the bench, builds the generated chain, then COUNT times (default 5) presses "Show
// graph" and waits until a viewer titled for the bench's graph lists the chain's first
// connection; prints one line "show graph: N ms" each (every press after the first also
// closes the viewer before). Then prints READY, holds the picture HOLD_MS (default 0) and
// closes the bench. Exit code 0 when every press was shown within 10 s.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "UiDriver.h"

namespace {

const int kBuildGraph = 206;
const int kShowGraph = 207;
const int kElements = 2001;  // the viewer's list of filters and connections

bool ShowsTheChain(DWORD dwBench, HWND hWndOld) {
  wchar_t szTitle[48];
  std::swprintf(szTitle, 48, L"GraphEdit - pid %x ", static_cast<unsigned>(dwBench));
  const HWND hWndViewer = harness::FindTopWindowTitled(szTitle);
  if (!hWndViewer || hWndViewer == hWndOld) return false;
  for (const std::wstring& item : harness::ListBoxItems(::GetDlgItem(hWndViewer, kElements)))
    if (item == L"Connection: Video Generator.Output -> Resizer.Input") return true;
  return false;
}

double Now() {
  LARGE_INTEGER count, frequency;
  ::QueryPerformanceCounter(&count);
  ::QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: ShowGraphTimer BENCH.exe [COUNT [HOLD_MS]]\n");
    return 2;
  }
  const int nCount = argc > 2 ? std::wcstol(argv[2], nullptr, 10) : 5;
  const DWORD dwHold = argc > 3 ? std::wcstoul(argv[3], nullptr, 10) : 0;
  harness::Program bench;
  if (!bench.Start(argv[1])) return 3;
  HWND hDlg = harness::WaitForTopWindow(bench.ProcessId(), L"#32770", L"Resizer Test");
  if (!hDlg) return 4;
  ::PostMessageW(::GetDlgItem(hDlg, kBuildGraph), BM_CLICK, 0, 0);
  if (!harness::WaitUntil([&] { return harness::ReadText(hDlg).rfind(L"Test for ", 0) == 0; })) return 5;

  int nExit = 0;
  HWND hWndOld = nullptr;
  for (int i = 0; i < nCount && nExit == 0; ++i) {
    const double start = Now();
    ::PostMessageW(::GetDlgItem(hDlg, kShowGraph), BM_CLICK, 0, 0);
    if (!harness::WaitUntil([&] { return ShowsTheChain(bench.ProcessId(), hWndOld); }, 10000)) {
      std::printf("show graph: not shown within 10 s\n");
      nExit = 1;
      break;
    }
    std::printf("show graph: %.0f ms\n", Now() - start);
    std::fflush(stdout);
    hWndOld = harness::FindTopWindowTitled(L"GraphEdit - ");
  }
  std::printf("READY\n");
  std::fflush(stdout);
  ::Sleep(dwHold);
  ::PostMessageW(hDlg, WM_COMMAND, IDCANCEL, 0);
  if (bench.WaitForExit() != 0) nExit = nExit ? nExit : 6;
  return nExit;
}
