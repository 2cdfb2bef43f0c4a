// LumivarTest.exe started as a process and driven from this one, as a tester drives it.
//
//   RunningBench            fixture: the started bench and its dialog, closed as a tester would
//   RunningBench::Click     BM_CLICK posted to a control of the dialog
//   RunningBench::Enter     a text put into a box and Enter pressed in it
//   RunningBench::Build     "Build graph", waited for until the title shows the built graph
//   RunningBench::TakeBox   the next "Resizer Test" box of the bench, read and closed
//   RunningBench::CloseBy   the dialog closed by one of a tester's ways (CloseRoute)
#pragma once

#include <gmock/gmock.h>

#include <string>

#include "UiDriver.h"

const std::wstring exePath = harness::WindowsPath(LUMIVAR_EXE);

enum class CloseRoute { Escape, CloseBox, SystemMenuClose, CloseMessage };
inline const char* CloseRouteName(CloseRoute route) {
  const char* rgNames[] = {"Escape", "CloseBox", "SystemMenuClose", "CloseMessage"};
  return rgNames[static_cast<int>(route)];
}

// The bench's dialog is a #32770 titled "Resizer Test" without a message box's text static.
class RunningBench : public ::testing::Test {
protected:
  void SetUp() override { StartBench(); }

  void StartBench(const std::wstring& errorFile = std::wstring()) {
    ASSERT_TRUE(m_program.Start(exePath, errorFile)) << "cannot start " << std::string(exePath.begin(), exePath.end());
    m_hDlg = harness::WaitForTopWindow(m_program.ProcessId(), L"#32770", L"Resizer Test");
    ASSERT_NE(nullptr, m_hDlg) << "no dialog";
  }

  // A bench that a test left open is closed as a tester would, not killed.
  void TearDown() override {
    if (m_hDlg && m_program.WaitForExit(0) == STILL_ACTIVE) {
      if (HWND hBox = harness::FindMessageBox(m_program.ProcessId(), L"Resizer Test")) harness::CloseMessageBox(hBox);
      ::PostMessageW(m_hDlg, WM_COMMAND, IDCANCEL, 0);
      EXPECT_EQ(0u, m_program.WaitForExit());
    }
  }

  HWND Item(int id) const { return ::GetDlgItem(m_hDlg, id); }
  std::wstring Text(int id) const { return harness::ReadText(Item(id)); }
  bool Checked(int id) const { return ::SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

  void Click(int id) const { ::PostMessageW(Item(id), BM_CLICK, 0, 0); }
  bool CloseBy(CloseRoute route) const {
    switch (route) {
      case CloseRoute::Escape:
        harness::PressKey(harness::DialogKeyTarget(m_hDlg), VK_ESCAPE);
        return true;
      case CloseRoute::CloseBox:
        return harness::ClickCloseBox(m_hDlg);
      case CloseRoute::SystemMenuClose:
        return harness::ChooseSystemMenuClose(m_hDlg);
      case CloseRoute::CloseMessage:
        // A dialog under a message box takes no input: only a WM_CLOSE from outside reaches it.
        return ::PostMessageW(m_hDlg, WM_CLOSE, 0, 0) != FALSE;
    }
    return false;
  }
  void SetText(int id, LPCWSTR pszText) const {
    ::SendMessageW(Item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(pszText));
  }
  void Enter(int id, LPCWSTR pszText) const {
    SetText(id, pszText);
    ::SendMessageW(m_hDlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(id)), TRUE);
    harness::PressKey(Item(id), VK_RETURN);
  }
  // Waits until the dialog's thread has handled everything posted to it so far: a text limit
  // posted behind it to the file box (any limit above its 259 characters), and seen there.
  bool Settle() { return harness::HandlesPostedMark(Item(204), 1000 + ++m_nMark); }
  bool Build() const {
    Click(206);
    return harness::WaitUntil([&] { return harness::ReadText(m_hDlg).rfind(L"Test for ", 0) == 0; });
  }
  bool TakeBox(harness::MessageBoxInfo* pBox) const {
    HWND hBox = nullptr;
    if (!harness::WaitUntil(
            [&] { return (hBox = harness::FindMessageBox(m_program.ProcessId(), L"Resizer Test")) != nullptr; }))
      return false;
    *pBox = harness::ReadMessageBox(hBox);
    harness::CloseMessageBox(hBox);
    return harness::WaitUntil([&] { return !::IsWindow(hBox); });
  }
  HWND VideoWindow() const { return harness::FindTopWindow(m_program.ProcessId(), nullptr, L"ActiveMovie Window"); }

  harness::Program m_program;
  HWND m_hDlg = nullptr;
  WPARAM m_nMark = 0;
};
