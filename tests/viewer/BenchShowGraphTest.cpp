// "Show graph" end to end: the real LumivarTest.exe, our viewer and Wine's running object
// table, with the components that setup registered.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <cwchar>

#include "DSGraph.h"
#include "EditorDriver.h"
#include "GraphFileTestSupport.h"
#include "PublishedGraphs.h"
#include "RunningBench.h"
#include "ViewerProcess.h"
#include "atlbase.h"
#include "atlcomcli.h"
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

// Our viewer editing the bench's graph from its own process.
class BenchGraphEditTest : public BenchShowGraphTest, protected viewer_test::CEditorDriver {
protected:
  using BenchShowGraphTest::Elements;
  using viewer_test::CEditorDriver::Elements;

  // The bench's graph as the test itself reaches it through the running object table.
  CComPtr<IFilterGraph> BenchGraph() const {
    std::vector<PublishedGraph> graphs;
    CComPtr<IFilterGraph> spGraph;
    if (SUCCEEDED(ListPublishedGraphs(&graphs)))
      for (const PublishedGraph& graph : graphs)
        if (graph.dwProcessId == m_program.ProcessId()) BindPublishedGraph(graph.cookieName, &spGraph);
    return spGraph;
  }
};

// Across processes: a connection broken by Delete and made again by dragging, a filter removed,
// Render on a pin, the position bar seeking the paused graph, Render File; a refusal is told in
// the status line and the graph stays as it was.
TEST_F(BenchGraphEditTest, OurViewerEditsTheBenchsGraphWhereThePlatformMarshalsTheCalls) {
  ASSERT_TRUE(Build());
  ASSERT_TRUE(ShowAndWait(&m_hWndMain));
  const std::wstring kFirst = L"Connection: Video Generator.Output -> Resizer.Input";
  SelectElement(kFirst);
  harness::PressKey(m_hWndMain, VK_DELETE);
  ASSERT_TRUE(harness::WaitUntil([&] { return !Contains(Elements(), kFirst); }))
      << std::string(Status().begin(), Status().end());

  PinMap pins =
      PinsWhen([](PinMap& shown) { return shown.count(L"Video Generator.Output") && shown.count(L"Resizer.Input"); });
  Drag(pins[L"Video Generator.Output"], pins[L"Resizer.Input"]);
  EXPECT_TRUE(Shows(kFirst)) << std::string(Status().begin(), Status().end());

  // A filter's own pages cannot reach it in the bench's process: told in a box.
  SelectElement(L"Filter: Video Generator");
  ::PostMessageW(m_hWndMain, WM_COMMAND, MAKEWPARAM(IDC_ELEMENTS, LBN_DBLCLK),
                 reinterpret_cast<LPARAM>(::GetDlgItem(m_hWndMain, IDC_ELEMENTS)));
  DWORD dwViewer = 0;
  ::GetWindowThreadProcessId(m_hWndMain, &dwViewer);
  HWND hBox = nullptr;
  ASSERT_TRUE(harness::WaitUntil([&] { return (hBox = harness::FindMessageBox(dwViewer, L"GraphEdit")) != nullptr; }));
  EXPECT_NE(std::wstring::npos, harness::ReadMessageBox(hBox).text.find(L"runs in another process"));
  harness::CloseMessageBox(hBox);
  ASSERT_TRUE(harness::WaitUntil([&] { return !::IsWindow(hBox); }));

  // An unconnectable pair (an output already connected): refused in the status line, the
  // graph as it was.
  const std::vector<std::wstring> connected = Elements();
  const auto renderer = std::find_if(connected.begin(), connected.end(), [](const std::wstring& e) {
    return e.rfind(L"Filter: ", 0) == 0 && e.find(L"Renderer") != std::wstring::npos;
  });
  ASSERT_NE(connected.end(), renderer);
  const std::wstring rendererItem = *renderer, rendererName = renderer->substr(8);
  pins = PinsWhen([&](PinMap& shown) {
    return std::any_of(shown.begin(), shown.end(),
                       [&](const PinMap::value_type& pin) { return pin.first.rfind(rendererName + L".", 0) == 0; });
  });
  const auto rendererPin = std::find_if(pins.begin(), pins.end(), [&](const PinMap::value_type& pin) {
    return pin.first.rfind(rendererName + L".", 0) == 0;
  });
  ASSERT_NE(pins.end(), rendererPin);
  Drag(pins[L"Video Generator.Output"], rendererPin->second);
  EXPECT_TRUE(harness::WaitUntil([&] {
    return Status().find(L"The pins cannot be connected (0x") != std::wstring::npos;
  })) << std::string(Status().begin(), Status().end());
  EXPECT_EQ(connected, Elements());

  // The renderer removed (Delete on its filter), then Render on the resizer's output adds one.
  SelectElement(rendererItem);
  harness::PressKey(m_hWndMain, VK_DELETE);
  ASSERT_TRUE(harness::WaitUntil([&] { return !Contains(Elements(), rendererItem); }))
      << std::string(Status().begin(), Status().end());
  const std::wstring kFromResizer = L"Connection: Resizer.Output -> ";
  const auto fromResizer = [&] {
    const std::vector<std::wstring> elements = Elements();
    return std::any_of(elements.begin(), elements.end(),
                       [&](const std::wstring& e) { return e.rfind(kFromResizer, 0) == 0; });
  };
  EXPECT_FALSE(fromResizer());
  pins = PinsWhen([](PinMap& shown) { return shown.count(L"Resizer.Output") != 0; });
  Mouse(WM_LBUTTONDOWN, pins[L"Resizer.Output"], MK_LBUTTON);
  Mouse(WM_LBUTTONUP, pins[L"Resizer.Output"], 0);
  ::PostMessageW(m_hWndMain, WM_COMMAND, ID_GRAPH_RENDERPIN, 0);
  EXPECT_TRUE(harness::WaitUntil(fromResizer)) << std::string(Status().begin(), Status().end());

  // Paused, and sought half-way with the bar: the bench's graph stands there.
  ::PostMessageW(m_hWndMain, WM_COMMAND, ID_GRAPH_PAUSE, 0);
  ASSERT_TRUE(harness::WaitUntil([&] { return Status().find(L"state: Paused.") != std::wstring::npos; }));
  HWND hBar = ::GetDlgItem(m_hWndMain, IDC_POSITION);
  ASSERT_TRUE(harness::WaitUntil([&] { return ::IsWindowEnabled(hBar) != FALSE; }));
  ::SendMessageW(hBar, TBM_SETPOS, TRUE, 500);
  ::PostMessageW(m_hWndMain, WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(hBar));
  CComPtr<IFilterGraph> spGraph = BenchGraph();
  CComQIPtr<IMediaSeeking, &IID_IMediaSeeking> spSeeking(spGraph);
  ASSERT_TRUE(spSeeking);
  LONGLONG llDuration = 0, llPosition = 0;
  ASSERT_EQ(S_OK, spSeeking->GetDuration(&llDuration));
  EXPECT_TRUE(harness::WaitUntil([&] {
    return SUCCEEDED(spSeeking->GetCurrentPosition(&llPosition)) &&
           std::llabs(llPosition - llDuration / 2) < llDuration / 50;
  })) << llPosition
      << " of " << llDuration << "; " << std::string(Status().begin(), Status().end());

  // Stopped, saved as a file that builds the edited chain.
  ::PostMessageW(m_hWndMain, WM_COMMAND, ID_GRAPH_STOP, 0);
  ASSERT_TRUE(harness::WaitUntil([&] { return Status().find(L"state: Stopped.") != std::wstring::npos; }));
  const std::wstring saved = TempPath(L"BenchEdited.grf");
  AnswerFileDialog(ID_FILE_SAVEAS, L"Save Graph As", saved);
  EXPECT_TRUE(harness::WaitUntil([&] { return ::GetFileAttributesW(saved.c_str()) != INVALID_FILE_ATTRIBUTES; }))
      << std::string(Status().begin(), Status().end());
  {
    CComPtr<IGraphBuilder> spBuilt = NewGraph();
    ASSERT_TRUE(spBuilt);
    EXPECT_EQ(S_OK, BuildFromGRF(spBuilt, saved.c_str()));
    CComPtr<IBaseFilter> spResizer;
    EXPECT_EQ(S_OK, spBuilt->FindFilterByName(L"Resizer", &spResizer));
  }
  ::DeleteFileW(saved.c_str());

  // Render File adds the platform's source, splitter and renderer for the sample video.
  const auto countFilters = [&] {
    const std::vector<std::wstring> elements = Elements();
    return std::count_if(elements.begin(), elements.end(),
                         [](const std::wstring& e) { return e.rfind(L"Filter: ", 0) == 0; });
  };
  const auto nFilters = countFilters();
  AnswerFileDialog(ID_FILE_RENDER, L"Render Media File",
                   L"C:\\CVS\\Dev\\Filters\\Video\\Lumivar\\Graphs\\TestFile.avi");
  EXPECT_TRUE(harness::WaitUntil([&] { return countFilters() == nFilters + 3; }))
      << std::string(Status().begin(), Status().end());
  EXPECT_EQ(0u, harness::ReadText(m_hWndMain).find(L"GraphEdit - pid ")) << "still the bench's graph";
}

}  // namespace
