// The harness's dialog runner with a dialog of the bench's template that is not the bench's.
#include <gmock/gmock.h>

#include "DialogRunner.h"
#include "atlbase.h"
#include "resource.h"

namespace {

using ::testing::ElementsAre;

using Command = harness::DialogRunner::Command;

// Sends itself a command while it initialises, before a driver thread could have found it.
class CSelfCommandingDialog : public CDialogImpl<CSelfCommandingDialog> {
public:
  enum { IDD = IDD_MAIN };

  BEGIN_MSG_MAP(CSelfCommandingDialog)
  MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
  COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
  END_MSG_MAP()

  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
    SendMessageW(WM_COMMAND, MAKEWPARAM(IDC_BTN_PLAY, BN_CLICKED), 0);
    return TRUE;
  }
  LRESULT OnCancel(WORD, WORD, HWND, BOOL&) {
    EndDialog(IDCANCEL);
    return 0;
  }
};

TEST(DialogRunner, ObservesTheDialogFromItsFirstMessage) {
  ASSERT_EQ(S_OK, ::CoInitialize(nullptr));
  harness::DialogRunnerOf<CSelfCommandingDialog> runner;
  HWND hDriven = nullptr;
  // The cancel that ends an abandoned dialog is sent unobserved.
  EXPECT_EQ(IDCANCEL, runner.Run([&](HWND hDlg) { hDriven = hDlg; }));
  EXPECT_NE(nullptr, hDriven);
  EXPECT_THAT(runner.Commands(), ElementsAre(Command{IDC_BTN_PLAY, BN_CLICKED, 0}));
  ::CoUninitialize();
}

}  // namespace
