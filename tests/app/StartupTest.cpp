// The start-up sequence's refusals, run on this thread: COM already set up, no dialog resource.
// (This executable carries none of the program's resources.)
#include <gmock/gmock.h>

#include <functional>
#include <string>
#include <vector>

#include "AssertRecorder.h"
#include "LumivarTest.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Class names of the windows created on this thread while fn runs, seen by a CBT hook; the
// apartment window that CoInitialize creates does not count.
std::vector<std::string> WindowsCreatedDuring(const std::function<void()>& fn) {
  static std::vector<std::string>* s_pCreated;
  std::vector<std::string> created;
  s_pCreated = &created;
  HHOOK hHook = ::SetWindowsHookExW(
      WH_CBT,
      [](int nCode, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (nCode == HCBT_CREATEWND) {
          char szClass[256] = {};
          ::GetClassNameA(reinterpret_cast<HWND>(wParam), szClass, 256);
          if (lstrcmpA(szClass, "OleMainThreadWndClass") != 0) s_pCreated->push_back(szClass);
        }
        return ::CallNextHookEx(nullptr, nCode, wParam, lParam);
      },
      nullptr, ::GetCurrentThreadId());
  EXPECT_NE(nullptr, hHook);
  fn();
  ::UnhookWindowsHookEx(hHook);
  return created;
}

TEST(Startup, OnAThreadWithComAlreadyInitialisedExitsWithOneAndShowsNoDialog) {
  ASSERT_EQ(S_OK, ::CoInitialize(nullptr));
  AssertRecorder asserts;
  int nExitCode = -1;
  EXPECT_THAT(WindowsCreatedDuring([&] { nExitCode = RunLumivarTest(); }), IsEmpty());
  EXPECT_EQ(1, nExitCode);
  EXPECT_THAT(asserts.Texts(), ElementsAre("_AtlModule.InitializeCom() FAILED"));
  EXPECT_EQ("LumivarTest.cpp", asserts.Reports()[0].file);
  // The program's answered S_FALSE counts too and is not undone: the process ends with it.
  ::CoUninitialize();
  ::CoUninitialize();
  EXPECT_EQ(S_OK, ::CoInitialize(nullptr)) << "COM initialised more often than two";
  ::CoUninitialize();
}

// Last in this file: the run terminates the module's windowing state for this process.
TEST(Startup, WithoutItsDialogResourceShowsNoWindowAndExitsWithZero) {
  ASSERT_EQ(nullptr, ::FindResourceW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(101), RT_DIALOG));
  AssertRecorder asserts;
  int nExitCode = -1;
  EXPECT_THAT(WindowsCreatedDuring([&] { nExitCode = RunLumivarTest(); }), IsEmpty());
  EXPECT_EQ(0, nExitCode);
  EXPECT_THAT(asserts.Texts(), ::testing::IsEmpty());
  // COM was given back: this thread can start it afresh.
  EXPECT_EQ(S_OK, ::CoInitialize(nullptr));
  ::CoUninitialize();
}

}  // namespace
