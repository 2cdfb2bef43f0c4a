// CMainDialog run modally on this thread and driven from another, as a tester's keys drive it.
#include <gmock/gmock.h>

#include <string>

#include "DialogRunner.h"
#include "MainDialog.h"
#include "ProgramIds.h"
#include "UiDriver.h"

class CUiTestModule : public CAtlExeModuleT<CUiTestModule> {};
CUiTestModule _AtlModule;

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

using Command = harness::DialogRunner::Command;

class MainDialog : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_EQ(S_OK, ::CoInitialize(nullptr)); }
  void TearDown() override { ::CoUninitialize(); }

  // Focus and caret in a box that holds pszText, as a tester leaves it after typing.
  static void TypeInto(HWND hDlg, HWND hBox, LPCWSTR pszText) {
    ::EnableWindow(hBox, TRUE);  // a built graph would have enabled it
    ::SendMessageW(hBox, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(pszText));
    ::SendMessageW(hDlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(hBox), TRUE);
    ::SendMessageW(hBox, EM_SETSEL, lstrlenW(pszText), lstrlenW(pszText));
  }

  harness::DialogRunnerOf<CMainDialog> m_runner;
};

TEST_F(MainDialog, TakesTheProgramIconAsItsClassIcon) {
  HICON hClassIcon = nullptr;
  m_runner.Run([&](HWND hDlg) { hClassIcon = reinterpret_cast<HICON>(::GetClassLongPtrW(hDlg, GCLP_HICON)); });
  // Icons loaded from a resource are shared: the same handle for the same image.
  HICON hProgramIcon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_MAIN));
  ASSERT_NE(nullptr, hProgramIcon);
  EXPECT_EQ(hProgramIcon, hClassIcon);
}

struct EnterCase {
  const char* label;
  int idBox;
  std::vector<Command> commands;  // what Enter sends to the dialog
};

class EnterInABox : public MainDialog, public ::testing::WithParamInterface<EnterCase> {};

TEST_P(EnterInABox, SendsItsButtonCommandAndInsertsNothing) {
  const EnterCase& c = GetParam();
  std::wstring afterEnter, afterDigit;
  bool bFocusKept = false;
  m_runner.Run([&](HWND hDlg) {
    HWND hBox = ::GetDlgItem(hDlg, c.idBox);
    TypeInto(hDlg, hBox, L"100,80,640,480");
    harness::PressKey(hBox, VK_RETURN);
    ASSERT_TRUE(m_runner.FlushPosted());
    afterEnter = harness::ReadText(hBox);
    bFocusKept = harness::FocusedWindow(hDlg) == hBox;
    // Every other key is still the edit control's.
    harness::PressKey(hBox, '7');
    ASSERT_TRUE(m_runner.FlushPosted());
    afterDigit = harness::ReadText(hBox);
  });
  EXPECT_EQ(L"100,80,640,480", afterEnter);
  EXPECT_TRUE(bFocusKept);
  EXPECT_EQ(L"100,80,640,4807", afterDigit);
  EXPECT_EQ(c.commands, m_runner.Commands());
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, EnterInABox,
    ::testing::Values(EnterCase{"clipping_rect", IDC_EDIT_CLIP, {{IDC_BTN_SET_CLIP, BN_CLICKED, 0}}},
                      EnterCase{"output_size", IDC_EDIT_OUTSIZE, {{IDC_BTN_SET_OUTSIZE, BN_CLICKED, 0}}},
                      EnterCase{"resizing_coeffs", IDC_EDIT_COEFFS, {{IDC_BTN_SET_COEFFS, BN_CLICKED, 0}}},
                      // Not subclassed: the dialog manager takes Enter as the default button, IDOK.
                      EnterCase{"file_name_is_no_value_box", IDC_EDIT_FILE, {{IDOK, BN_CLICKED, 0}}}),
    [](const ::testing::TestParamInfo<EnterCase>& info) { return std::string(info.param.label); });

TEST_F(MainDialog, TabInAValueBoxMovesTheFocusOn) {
  HWND hFocus = nullptr, hExpected = nullptr, hBox = nullptr;
  std::wstring text;
  m_runner.Run([&](HWND hDlg) {
    hBox = ::GetDlgItem(hDlg, IDC_EDIT_OUTSIZE);
    TypeInto(hDlg, hBox, L"100,200");
    hExpected = ::GetNextDlgTabItem(hDlg, hBox, FALSE);
    harness::PressKey(hBox, VK_TAB);
    ASSERT_TRUE(m_runner.FlushPosted());
    hFocus = harness::FocusedWindow(hDlg);
    text = harness::ReadText(hBox);
  });
  EXPECT_NE(hBox, hFocus);
  EXPECT_EQ(hExpected, hFocus);
  EXPECT_EQ(L"100,200", text) << "no tab character in the box";
  EXPECT_THAT(m_runner.Commands(), IsEmpty());
}

TEST_F(MainDialog, EscapeInAValueBoxEndsTheModalRunWithCancel) {
  bool bClosed = false;
  INT_PTR nResult = m_runner.Run([&](HWND hDlg) {
    HWND hBox = ::GetDlgItem(hDlg, IDC_EDIT_COEFFS);
    TypeInto(hDlg, hBox, L"1.5,2.4");
    harness::PressKey(hBox, VK_ESCAPE);
    bClosed = harness::WaitUntil([&] { return !::IsWindow(hDlg); });
  });
  EXPECT_TRUE(bClosed);
  EXPECT_EQ(IDCANCEL, nResult);
  EXPECT_THAT(m_runner.Commands(), ElementsAre(Command{IDCANCEL, 0, 0}));
}

struct ShowErrorCase {
  const char* label;
  const wchar_t* pszText;
  HRESULT hr;
  std::wstring expectedStart;
  bool bErrorIcon;
};

class ShowErrorOfTheDialog : public MainDialog, public ::testing::WithParamInterface<ShowErrorCase> {};

TEST_P(ShowErrorOfTheDialog, IsOwnedByTheDialogAndCaptioned) {
  const ShowErrorCase& c = GetParam();
  harness::MessageBoxInfo box;
  bool bCaught = false;
  int nResult = 0;
  HWND hWndDialog = nullptr;
  m_runner.Run([&](HWND hDlg) {
    hWndDialog = hDlg;
    harness::MessageBoxCatcher catcher;
    m_runner.OnDialogThread([&] { nResult = m_runner.Dialog().ShowError(c.pszText, c.hr); });
    bCaught = catcher.Take(&box);
  });
  ASSERT_TRUE(bCaught);
  EXPECT_EQ(IDOK, nResult);
  EXPECT_EQ(hWndDialog, box.hWndOwner);
  EXPECT_EQ(L"Resizer Test", box.caption);
  EXPECT_EQ(c.expectedStart, box.text.substr(0, c.expectedStart.size()));
  EXPECT_EQ(c.bErrorIcon, box.bIconShown);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ShowErrorOfTheDialog,
    ::testing::Values(ShowErrorCase{"notice", L"The end", S_OK, L"The end", false},
                      ShowErrorCase{"failure", L".grf file not selected", E_INVALIDARG,
                                    L".grf file not selected\nInvalid parameter.", true}),
    [](const ::testing::TestParamInfo<ShowErrorCase>& info) { return std::string(info.param.label); });

}  // namespace
