// Drives the bench into the states the README shows, for scripts/screenshot-bench: at each
// state it prints "READY <name>" and waits for a line on its input before it goes on.
//
//   BenchShots.exe <path of LumivarTest.exe>
//
//   playing       the generated chain built and playing in the video window above the dialog
//   vidgen-page   the Video Generator's page opened from the bench
//   the-end       "The end" over the bench, the stream played out
#include <windows.h>

#include <cstdio>
#include <iostream>
#include <string>

#include "UiDriver.h"

namespace {

bool Ready(const char* pszName) {
  std::printf("READY %s\n", pszName);
  std::fflush(stdout);
  std::string line;
  return static_cast<bool>(std::getline(std::cin, line));
}

int Fail(const char* pszWhat) {
  std::fprintf(stderr, "BenchShots: %s\n", pszWhat);
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return Fail("usage: BenchShots.exe LumivarTest.exe");
  harness::Program bench;
  if (!bench.Start(argv[1])) return Fail("cannot start the bench");
  const DWORD pid = bench.ProcessId();
  HWND hDlg = harness::WaitForTopWindow(pid, L"#32770", L"Resizer Test");
  if (!hDlg) return Fail("no dialog");
  auto click = [&](int id) { ::PostMessageW(::GetDlgItem(hDlg, id), BM_CLICK, 0, 0); };

  click(206);
  if (!harness::WaitUntil([&] { return harness::ReadText(hDlg).rfind(L"Test for ", 0) == 0; })) return Fail("no graph");
  click(230);
  // A second of pictures in the window.
  ::Sleep(1500);
  if (!Ready("playing")) return 0;
  click(232);

  click(205);
  HWND hFrame = harness::WaitForTopWindow(pid, L"#32770", L"Properties for Video Generator");
  if (!hFrame) return Fail("no property frame");
  HWND hDuration = nullptr;
  harness::WaitUntil([&] {
    hDuration = harness::FindDescendant(hFrame, 1004);
    return hDuration && ::SendMessageW(hDuration, WM_GETTEXTLENGTH, 0, 0) > 0;
  });
  if (!Ready("vidgen-page")) return 0;
  // A short stream for the end.
  ::SendMessageW(hDuration, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"1000"));
  ::PostMessageW(::GetDlgItem(hFrame, IDOK), BM_CLICK, 0, 0);
  harness::WaitUntil([&] { return !::IsWindow(hFrame); });

  click(230);
  HWND hBox = nullptr;
  if (!harness::WaitUntil([&] { return (hBox = harness::FindMessageBox(pid, L"Resizer Test")) != nullptr; }))
    return Fail("no end");
  if (!Ready("the-end")) return 0;
  harness::CloseMessageBox(hBox);
  harness::WaitUntil([&] { return !::IsWindow(hBox); });
  ::PostMessageW(hDlg, WM_COMMAND, IDCANCEL, 0);
  return bench.WaitForExit() == 0 ? 0 : Fail("the bench did not end with 0");
}
