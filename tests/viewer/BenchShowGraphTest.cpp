// "Show graph" end to end: the real LumivarTest.exe, our viewer and Wine's running object
// table, with the components that setup registered.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>

#include "RunningBench.h"
#include "ViewerProcess.h"
#include "atlbase.h"
#include "resource.h"

namespace {

const int kShowGraph = 207;

bool Contains(const std::vector<std::wstring>& items, const std::wstring& item) {
  return std::find(items.begin(), items.end(), item) != items.end();
}

class BenchShowGraphTest : public RunningBench {
protected:
  // A viewer of any process, connected to the bench's graph.
  HWND ConnectedViewer() const {
    wchar_t szTitle[48];
    std::swprintf(szTitle, 48, L"GraphEdit - pid %x ", static_cast<unsigned>(m_program.ProcessId()));
    return harness::FindTopWindowTitled(szTitle);
  }
  std::vector<std::wstring> Elements(HWND hWndViewer) const {
    return harness::ListBoxItems(::GetDlgItem(hWndViewer, IDC_ELEMENTS));
  }
  // "Show graph" pressed until a viewer connected to the bench's graph, other than hWndOld,
  // shows the chain. A new Wine process can take longer
  // than the bench's second to become idle on a loaded machine ("Can't show graph", E_FAIL):
  // such a press is made again, twice at most.
  bool ShowAndWait(HWND* phWndViewer, HWND hWndOld = nullptr) {
    for (int nTry = 1; nTry <= 3; ++nTry) {
      Click(kShowGraph);
      HWND hBox = nullptr;
      harness::WaitUntil([&] {
        *phWndViewer = ConnectedViewer();
        hBox = harness::FindMessageBox(m_program.ProcessId(), L"Resizer Test");
        return hBox || (*phWndViewer && *phWndViewer != hWndOld &&
                        Contains(Elements(*phWndViewer), L"Connection: Video Generator.Output -> Resizer.Input"));
      });
      if (!hBox) return *phWndViewer != nullptr && *phWndViewer != hWndOld;
      const std::wstring text = harness::ReadMessageBox(hBox).text;
      harness::CloseMessageBox(hBox);
      harness::WaitUntil([&] { return !::IsWindow(hBox); });
      if (text.find(L"Error 0x80004005") == std::wstring::npos) return false;
    }
    return false;
  }
  bool IsPublished() const {
    std::vector<PublishedGraph> graphs;
    if (FAILED(ListPublishedGraphs(&graphs))) return true;
    for (const PublishedGraph& graph : graphs)
      if (graph.dwProcessId == m_program.ProcessId()) return true;
    return false;
  }
  void ExpectBox(const std::wstring& code) {
    harness::MessageBoxInfo box;
    ASSERT_TRUE(TakeBox(&box));
    EXPECT_EQ(0u, box.text.find(L"Can't show graph\n")) << box.text;
    EXPECT_NE(std::wstring::npos, box.text.find(L"Error 0x" + code)) << box.text;
  }
};

TEST_F(BenchShowGraphTest, WithoutAGraphItCannotShowOne) {
  Click(kShowGraph);
  ExpectBox(L"80004005");
  EXPECT_FALSE(IsPublished());
}

TEST_F(BenchShowGraphTest, OurViewerShowsTheGeneratedChainAndASecondShowReplacesIt) {
  ASSERT_TRUE(Build());
  HWND hWndFirst = nullptr;
  ASSERT_TRUE(ShowAndWait(&hWndFirst));
  const std::vector<std::wstring> elements = Elements(hWndFirst);
  EXPECT_TRUE(Contains(elements, L"Filter: Video Generator"));
  EXPECT_TRUE(Contains(elements, L"Filter: Resizer"));
  EXPECT_EQ(3, std::count_if(elements.begin(), elements.end(),
                             [](const std::wstring& e) { return e.rfind(L"Filter: ", 0) == 0; }))
      << "and the renderer";
  EXPECT_TRUE(std::any_of(elements.begin(), elements.end(),
                          [](const std::wstring& e) { return e.rfind(L"Connection: Resizer.Output -> ", 0) == 0; }));
  EXPECT_TRUE(IsPublished());

  HWND hWndSecond = nullptr;
  EXPECT_TRUE(ShowAndWait(&hWndSecond, hWndFirst));
  EXPECT_FALSE(::IsWindow(hWndFirst)) << "the first viewer ended before the second was started";

  // Rebuilding revokes the registration and ends the viewer.
  ASSERT_TRUE(Build());
  EXPECT_TRUE(harness::WaitUntil([&] { return !IsPublished(); }));
  EXPECT_TRUE(harness::WaitUntil([&] { return !::IsWindow(hWndSecond); }));
}

// Every top-level window of a process with that title, shown or not.
int CountWindows(DWORD dwProcessId, const std::wstring& title) {
  struct Search {
    DWORD dwProcessId;
    const std::wstring* title;
    int nFound;
  } search = {dwProcessId, &title, 0};
  ::EnumWindows(
      [](HWND hWnd, LPARAM lParam) -> BOOL {
        Search* pSearch = reinterpret_cast<Search*>(lParam);
        DWORD dwProcessId = 0;
        ::GetWindowThreadProcessId(hWnd, &dwProcessId);
        if (dwProcessId == pSearch->dwProcessId && harness::ReadText(hWnd) == *pSearch->title) ++pSearch->nFound;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.nFound;
}

// Each rebuild releases the graph the viewer has read, its video window with it.
TEST_F(BenchShowGraphTest, RebuildsUnderTheViewerLeaveOneVideoWindow) {
  ASSERT_TRUE(Build());
  for (int nRound = 1; nRound <= 3; ++nRound) {
    SCOPED_TRACE(nRound);
    HWND hWndViewer = nullptr;
    ASSERT_TRUE(ShowAndWait(&hWndViewer));
    Click(206);
    ASSERT_TRUE(Settle());
  }
  EXPECT_EQ(1, CountWindows(m_program.ProcessId(), L"ActiveMovie Window"));
}

TEST_F(BenchShowGraphTest, ClosingTheDialogRevokesTheGraphAndEndsTheViewer) {
  ASSERT_TRUE(Build());
  HWND hWndViewer = nullptr;
  ASSERT_TRUE(ShowAndWait(&hWndViewer));
  ::PostMessageW(m_hDlg, WM_COMMAND, IDCANCEL, 0);
  EXPECT_EQ(0u, m_program.WaitForExit());
  EXPECT_FALSE(IsPublished());
  EXPECT_TRUE(harness::WaitUntil([&] { return !::IsWindow(hWndViewer); }));
}

// The prefix's registration of Proppage.dll taken away for the test, and put back.
class ProppageUnregistered {
public:
  ProppageUnregistered() {
    HKEY hKey = nullptr;
    if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, L"CLSID\\{29E07010-BD27-11CE-AB59-00AA00577DA1}\\InprocServer32", 0,
                        KEY_READ, &hKey) != ERROR_SUCCESS)
      return;
    wchar_t szPath[MAX_PATH] = {};
    DWORD cb = sizeof szPath - sizeof(wchar_t);
    ::RegQueryValueExW(hKey, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(szPath), &cb);
    ::RegCloseKey(hKey);
    m_path = szPath;
    m_bTaken = ::RegDeleteTreeW(HKEY_CLASSES_ROOT, L"CLSID\\{29E07010-BD27-11CE-AB59-00AA00577DA1}") == ERROR_SUCCESS;
  }
  ~ProppageUnregistered() {
    if (!m_bTaken) return;
    // What Proppage.dll's own registration writes.
    std::wstring line = L"regsvr32 /s \"" + m_path + L"\"";
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (::CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
      const CHandle hThread(pi.hThread), hProcess(pi.hProcess);
      ::WaitForSingleObject(hProcess, harness::dwDefaultTimeout);
    }
  }
  bool Taken() const { return m_bTaken; }

private:
  std::wstring m_path;
  bool m_bTaken = false;
};

TEST_F(BenchShowGraphTest, WithoutProppageTheClassIsNotRegistered) {
  ASSERT_TRUE(Build());
  {
    ProppageUnregistered unregistered;
    ASSERT_TRUE(unregistered.Taken());
    Click(kShowGraph);
    ExpectBox(L"80040154");
  }
  EXPECT_FALSE(IsPublished());
  EXPECT_EQ(nullptr, ConnectedViewer());
  // Registered again: shown.
  HWND hWndViewer = nullptr;
  EXPECT_TRUE(ShowAndWait(&hWndViewer));
}

}  // namespace
