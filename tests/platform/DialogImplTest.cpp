// Modal dialogs with CDialogImpl, driven from a second thread as UI automation drives them.
#include <gmock/gmock.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "AssertRecorder.h"
#include "FailingAllocations.h"
#include "PlatformTestResources.h"
#include "atlbase.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

constexpr UINT kQuery = WM_APP + 1;     // answered 1234
constexpr UINT kDeclined = WM_APP + 2;  // seen, then declined
constexpr UINT kNested = WM_APP + 3;    // DoModal again while running
constexpr DWORD kWaitMs = 10000;

// Claims Enter from the dialog manager and turns it into the Finish command.
class CEnterEdit : public CWindowImpl<CEnterEdit> {
public:
  BEGIN_MSG_MAP(CEnterEdit)
    MESSAGE_HANDLER(WM_GETDLGCODE, OnGetDlgCode)
    MESSAGE_HANDLER(WM_CHAR, OnChar)
  END_MSG_MAP()

  void OnFinalMessage(HWND) override { ++nFinal; }

  int nFinal = 0;

private:
  LRESULT OnGetDlgCode(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
    if (wParam != VK_RETURN) bHandled = FALSE;
    return DLGC_WANTALLKEYS;
  }
  LRESULT OnChar(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
    if (wParam != VK_RETURN) {
      bHandled = FALSE;
      return 0;
    }
    ::SendMessageW(GetParent(), WM_COMMAND, MAKEWPARAM(IDC_FINISH, BN_CLICKED), 0);
    return 0;
  }
};

class CProbeDialog : public CDialogImpl<CProbeDialog> {
public:
  enum { IDD = IDD_PROBE };

  CProbeDialog() : hInit(::CreateEventW(NULL, TRUE, FALSE, NULL)) {}

  BEGIN_MSG_MAP(CProbeDialog)
    MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
    MESSAGE_HANDLER(kQuery, OnQuery)
    MESSAGE_HANDLER(kDeclined, OnDeclined)
    MESSAGE_HANDLER(kNested, OnNested)
    COMMAND_ID_HANDLER(IDC_FINISH, OnFinishFirst)
    COMMAND_HANDLER(IDC_FINISH, BN_CLICKED, OnFinish)
    COMMAND_RANGE_HANDLER(IDC_RANGE_FIRST, IDC_RANGE_LAST, OnRange)
    COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
  END_MSG_MAP()

  void OnFinalMessage(HWND hWnd) override {
    ++nFinal;
    hWndFinal = hWnd;
  }

  CHandle hInit;  // set once WM_INITDIALOG has been handled
  CEnterEdit value;  // the edit box, subclassed at WM_INITDIALOG
  std::vector<std::string> log;
  HWND hWndAtInit = NULL;
  LPARAM lInitParam = 0;
  int nFinal = 0;
  HWND hWndFinal = NULL;

private:
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM lParam, BOOL&) {
    log.push_back("init");
    hWndAtInit = m_hWnd;
    lInitParam = lParam;
    if (!value.SubclassWindow(GetDlgItem(IDC_VALUE))) log.push_back("edit not subclassed");
    // FALSE: the focus is set here, and must stay where it was put.
    ::SetFocus(GetDlgItem(IDC_RANGE_SECOND));
    ::SetEvent(hInit);
    return FALSE;
  }
  LRESULT OnQuery(UINT, WPARAM, LPARAM, BOOL&) {
    log.push_back("query");
    return 1234;
  }
  LRESULT OnDeclined(UINT, WPARAM, LPARAM, BOOL& bHandled) {
    log.push_back("declined");
    bHandled = FALSE;
    return 99;
  }
  LRESULT OnNested(UINT, WPARAM, LPARAM, BOOL&) {
    const INT_PTR nRet = DoModal();
    log.push_back("nested " + std::to_string(nRet) + " error " + std::to_string(::GetLastError()));
    return 0;
  }
  LRESULT OnFinishFirst(WORD, WORD, HWND, BOOL& bHandled) {
    log.push_back("finish declined");
    bHandled = FALSE;
    return 0;
  }
  LRESULT OnFinish(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL&) {
    log.push_back("finish " + std::to_string(wID) + " code " + std::to_string(wNotifyCode) +
                  (hWndCtl == GetDlgItem(IDC_FINISH) ? " from button" : " from elsewhere"));
    EndDialog(42);
    return 0;
  }
  LRESULT OnRange(WORD, WORD wID, HWND, BOOL&) {
    log.push_back("range " + std::to_string(wID));
    return 0;
  }
  LRESULT OnCancel(WORD, WORD, HWND, BOOL&) {
    log.push_back("cancel");
    EndDialog(IDCANCEL);
    return 0;
  }
};

class CMissingDialog : public CDialogImpl<CMissingDialog> {
public:
  enum { IDD = IDD_MISSING };
  BEGIN_MSG_MAP(CMissingDialog)
  END_MSG_MAP()
};

// Runs dlg modally on this thread while drive(hDlg) acts on it from another. A dialog that
// is still up once the driver is done is closed, so a fault cannot hang the run.
INT_PTR RunDriven(CProbeDialog& dlg, LPARAM lInitParam, const std::function<void(HWND)>& drive) {
  CHandle hDone(::CreateEventW(NULL, TRUE, FALSE, NULL));
  std::thread driver([&] {
    if (::WaitForSingleObject(dlg.hInit, kWaitMs) != WAIT_OBJECT_0) return;
    const HWND hDlg = dlg.hWndAtInit;
    drive(hDlg);
    if (::WaitForSingleObject(hDone, kWaitMs) != WAIT_OBJECT_0) ::PostMessageW(hDlg, WM_CLOSE, 0, 0);
  });
  const INT_PTR nRet = dlg.DoModal(NULL, lInitParam);
  ::SetEvent(hDone);
  driver.join();
  return nRet;
}

void Click(HWND hDlg, int nID) { ::SendMessageW(::GetDlgItem(hDlg, nID), BM_CLICK, 0, 0); }

HWND FocusOfThread(HWND hWnd) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  ::GetGUIThreadInfo(::GetWindowThreadProcessId(hWnd, NULL), &info);
  return info.hwndFocus;
}

TEST(DialogImpl, RunsFromInitDialogToEndDialog) {
  AssertRecorder asserts;
  CProbeDialog dlg;
  HWND hWndFocus = NULL;
  HWND hWndSecond = NULL;

  const INT_PTR nRet = RunDriven(dlg, 0x5150, [&](HWND hDlg) {
    hWndFocus = FocusOfThread(hDlg);
    hWndSecond = ::GetDlgItem(hDlg, IDC_RANGE_SECOND);
    Click(hDlg, IDC_FINISH);
  });

  EXPECT_EQ(42, nRet);
  EXPECT_THAT(dlg.log, ElementsAre("init", "finish declined", "finish 1001 code 0 from button"));
  EXPECT_TRUE(dlg.hWndAtInit != NULL);
  EXPECT_EQ(0x5150, dlg.lInitParam);
  EXPECT_EQ(hWndSecond, hWndFocus);
  EXPECT_EQ(1, dlg.nFinal);
  EXPECT_EQ(dlg.hWndAtInit, dlg.hWndFinal);
  EXPECT_EQ(nullptr, dlg.m_hWnd);
  EXPECT_FALSE(::IsWindow(dlg.hWndAtInit));
  EXPECT_THAT(asserts.Texts(), IsEmpty());
}

TEST(DialogImpl, AnswersThroughTheMessageResultAndDeclinesToTheDefault) {
  CProbeDialog dlg;
  LRESULT lQuery = 0;
  LRESULT lDeclined = -1;

  const INT_PTR nRet = RunDriven(dlg, 0, [&](HWND hDlg) {
    lQuery = ::SendMessageW(hDlg, kQuery, 0, 0);
    lDeclined = ::SendMessageW(hDlg, kDeclined, 0, 0);
    Click(hDlg, IDC_RANGE_SECOND);
    Click(hDlg, IDC_RANGE_LAST);
    Click(hDlg, IDC_FINISH);
  });

  EXPECT_EQ(42, nRet);
  EXPECT_EQ(1234, lQuery);
  // The default dialog handling's answer, not the declining handler's 99.
  EXPECT_EQ(0, lDeclined);
  EXPECT_THAT(dlg.log, ElementsAre("init", "query", "declined", "range 1011", "range 1012",
                                   "finish declined", "finish 1001 code 0 from button"));
}

TEST(DialogImpl, SubclassedEditClaimsEnterFromTheDialogManager) {
  CProbeDialog dlg;

  const INT_PTR nRet = RunDriven(dlg, 0, [](HWND hDlg) {
    const HWND hWndValue = ::GetDlgItem(hDlg, IDC_VALUE);
    ::SendMessageW(hDlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(hWndValue), TRUE);
    // As the keyboard delivers it, through the modal loop's dialog-message handling.
    ::PostMessageW(hWndValue, WM_KEYDOWN, VK_RETURN, 0x001C0001);
  });

  EXPECT_EQ(42, nRet);
  EXPECT_THAT(dlg.log, ElementsAre("init", "finish declined", "finish 1001 code 0 from elsewhere"));
}

TEST(DialogImpl, SecondRunWhileRunningIsRefused) {
  AssertRecorder asserts;
  CProbeDialog dlg;

  const INT_PTR nRet = RunDriven(dlg, 0, [&](HWND hDlg) {
    ::SendMessageW(hDlg, kNested, 0, 0);
    Click(hDlg, IDC_FINISH);
  });

  EXPECT_EQ(42, nRet);
  EXPECT_THAT(dlg.log, ElementsAre("init", "nested -1 error 5023", "finish declined",
                                   "finish 1001 code 0 from button"));
  EXPECT_THAT(asserts.Texts(), ElementsAre("m_hWnd == 0"));
  EXPECT_EQ(1, dlg.nFinal);
}

TEST(DialogImpl, NoMemoryForTheRoutingShowsNothing) {
  CProbeDialog dlg;
  FailingAllocations noMemory(1);
  ::SetLastError(ERROR_SUCCESS);

  EXPECT_EQ(-1, dlg.DoModal(NULL));

  EXPECT_EQ(static_cast<DWORD>(ERROR_OUTOFMEMORY), ::GetLastError());
  EXPECT_EQ(0, noMemory.Remaining());
  EXPECT_THAT(dlg.log, IsEmpty());
  EXPECT_EQ(nullptr, _AtlWinModule.ExtractCreateWndData());
}

TEST(DialogImpl, MissingTemplateFailsAndLeavesNothingWaiting) {
  AssertRecorder asserts;
  {
    CMissingDialog missing;
    EXPECT_EQ(-1, missing.DoModal(NULL));
    EXPECT_EQ(nullptr, missing.m_hWnd);
  }
  // A registration left behind would point at the object just destroyed.
  EXPECT_EQ(nullptr, _AtlWinModule.ExtractCreateWndData());
  CProbeDialog dlg;
  EXPECT_EQ(42, RunDriven(dlg, 0, [](HWND hDlg) { Click(hDlg, IDC_FINISH); }));
  EXPECT_THAT(asserts.Texts(), IsEmpty());
}

}  // namespace
