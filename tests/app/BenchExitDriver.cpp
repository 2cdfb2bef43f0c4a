// Takes a bench started by tests/app/bench-exit-status.sh through the steps before its end,
// then presses Escape; the script reads the bench's own exit status from Linux.
//
//   BenchExitDriver.exe show      build from TestFile.GRF, "Show graph", Escape
//   BenchExitDriver.exe rebuild   the same, "Build graph" once more under the viewer, Escape
//
// Exit code 0 when every step was seen done.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "UiDriver.h"

namespace {

const wchar_t kTestFile[] = L"C:\\CVS\\Dev\\Filters\\Video\\Lumivar\\Graphs\\TestFile.GRF";

int Fail(const char* pszWhat) {
  std::fprintf(stderr, "BenchExitDriver: %s\n", pszWhat);
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2 || (std::wcscmp(argv[1], L"show") != 0 && std::wcscmp(argv[1], L"rebuild") != 0))
    return Fail("usage: BenchExitDriver.exe show|rebuild");
  HWND hDlg = nullptr;
  if (!harness::WaitUntil([&] { return (hDlg = harness::FindTopWindowTitled(L"Resizer Test")) != nullptr; }))
    return Fail("no bench");
  DWORD dwBench = 0;
  ::GetWindowThreadProcessId(hDlg, &dwBench);
  // Posted, like the keys below: the dialog's thread takes them in this order.
  auto click = [&](int id) { ::PostMessageW(::GetDlgItem(hDlg, id), BM_CLICK, 0, 0); };

  click(201);
  harness::SetText(::GetDlgItem(hDlg, 204), kTestFile);
  click(206);
  if (!harness::WaitUntil([&] { return harness::ReadText(hDlg).rfind(L"Test for ", 0) == 0; })) return Fail("no graph");

  // A new Wine process can take longer than the bench's second to become idle on a loaded
  // machine ("Can't show graph"): such a press is made again, twice at most.
  wchar_t szViewer[48];
  std::swprintf(szViewer, 48, L"GraphEdit - pid %x ", static_cast<unsigned>(dwBench));
  bool bShown = false;
  for (int nTry = 1; nTry <= 3 && !bShown; ++nTry) {
    click(207);
    HWND hBox = nullptr;
    harness::WaitUntil([&] {
      bShown = harness::FindTopWindowTitled(szViewer) != nullptr;
      hBox = harness::FindMessageBox(dwBench, L"Resizer Test");
      return bShown || hBox;
    });
    if (hBox) harness::CloseMessageBox(hBox);
  }
  if (!bShown) return Fail("the viewer did not connect to the graph");

  if (std::wcscmp(argv[1], L"rebuild") == 0) click(206);
  // The viewer has the focus now; like a tester, Escape goes to a control of the dialog.
  harness::PressKey(harness::DialogKeyTarget(hDlg), VK_ESCAPE);
  return 0;
}
