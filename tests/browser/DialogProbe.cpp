// Reads the running bench's windows for the browser test, from a process of its own: one command a
// line on its input, one answer a line on its output.
//
//   rect ID   the screen rectangle "left top right bottom" of the dialog's control ID (0: the dialog)
//   text ID   the text of the dialog's control ID (0: the dialog's title), in UTF-8
//   focus     the control id of the dialog's keyboard focus, 0 when it is elsewhere
//   video     the screen rectangle of the video window, or "none" while none is shown
//
// The dialog is the visible "Resizer Test" dialog holding the "Build graph" button, found at start.
#include <windows.h>

#include <cstdio>
#include <iostream>
#include <string>

#include "UiDriver.h"

namespace {

const int idBuildGraph = 206;

HWND FindBench() {
  HWND hDlg = harness::FindTopWindowTitled(L"Resizer Test");
  if (!hDlg || harness::ClassName(hDlg) != L"#32770" || !::GetDlgItem(hDlg, idBuildGraph)) return nullptr;
  return hDlg;
}

void PrintRect(HWND hWnd) {
  RECT rc = {};
  if (!hWnd || !::GetWindowRect(hWnd, &rc)) {
    std::printf("none\n");
    return;
  }
  std::printf("%ld %ld %ld %ld\n", rc.left, rc.top, rc.right, rc.bottom);
}

void PrintText(const std::wstring& text) {
  std::string utf8(text.size() * 4 + 1, '\0');
  const int cb = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &utf8[0],
                                       static_cast<int>(utf8.size()), nullptr, nullptr);
  utf8.resize(cb > 0 ? cb : 0);
  std::printf("%s\n", utf8.c_str());
}

HWND Control(HWND hDlg, int id) { return id == 0 ? hDlg : ::GetDlgItem(hDlg, id); }

}  // namespace

int wmain() {
  HWND hDlg = nullptr;
  if (!harness::WaitUntil([&] { return (hDlg = FindBench()) != nullptr; })) {
    std::fprintf(stderr, "DialogProbe: no bench dialog\n");
    return 1;
  }
  std::string command;
  while (std::cin >> command) {
    if (command == "video") {
      PrintRect(harness::FindTopWindowTitled(L"ActiveMovie Window"));
    } else if (command == "focus") {
      HWND hFocus = harness::FocusedWindow(hDlg);
      std::printf("%d\n", hFocus && ::GetParent(hFocus) == hDlg ? ::GetDlgCtrlID(hFocus) : 0);
    } else {
      int id = -1;
      std::cin >> id;
      HWND hWnd = Control(hDlg, id);
      if (command == "rect")
        PrintRect(hWnd);
      else if (command == "text" && hWnd)
        PrintText(harness::ReadText(hWnd));
      else
        std::printf("none\n");
    }
    std::fflush(stdout);
  }
  return 0;
}
