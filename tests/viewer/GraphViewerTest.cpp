// Our graph viewer, graphedt.exe, driven as the bench drives it and as a user does: against a
// graph that another process published in Wine's running object table.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>

#include "ComEnvironment.h"
#include "Processes.h"
#include "UiDriver.h"
#include "ViewerProcess.h"
#include "atlcomcli.h"
#include "proppage/resource.h"
#include "resource.h"

using ATL::CComPtr;
using viewer_test::FindConnectDialog;
using viewer_test::FindMainWindow;

namespace {

bool Contains(const std::vector<std::wstring>& items, const std::wstring& item) {
  return std::find(items.begin(), items.end(), item) != items.end();
}

bool StartsWith(const std::wstring& text, const std::wstring& start) {
  return text.compare(0, start.size(), start) == 0;
}

class GraphViewerTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(m_publisher.Start(viewer_test::GraphPublisherPath()));
    ASSERT_TRUE(viewer_test::PublishedGraphOf(m_publisher.ProcessId(), &m_graph));
    ASSERT_TRUE(m_viewer.Start(viewer_test::GraphViewerPath()));
    ASSERT_TRUE(harness::WaitUntil([&] { return (m_hWndMain = FindMainWindow(m_viewer.ProcessId())) != nullptr; }));
  }
  void TearDown() override {
    harness::EndChildProcesses();
    EXPECT_TRUE(harness::ChildProcesses().empty());
  }

  // The connect dialog opened by the bench's command, with its list filled.
  void OpenConnectDialog(HWND* phDialog, HWND* phList) {
    ASSERT_TRUE(::PostMessageW(m_hWndMain, WM_COMMAND, MAKEWPARAM(ID_FILE_CONNECT, 1), 0));
    ASSERT_TRUE(harness::WaitUntil(
        [&] { return FindConnectDialog(m_hWndMain, phDialog, phList) && !harness::ListBoxItems(*phList).empty(); }));
  }

  // Connects to the publisher's graph and waits until its filters are listed.
  void Connect() {
    HWND hDialog = nullptr, hList = nullptr;
    OpenConnectDialog(&hDialog, &hList);
    const std::vector<std::wstring> items = harness::ListBoxItems(hList);
    const auto it = std::find(items.begin(), items.end(), m_graph.text);
    ASSERT_NE(items.end(), it);
    ASSERT_NE(LB_ERR, ::SendMessageW(hList, LB_SETCURSEL, it - items.begin(), 0));
    ASSERT_TRUE(::PostMessageW(hDialog, WM_COMMAND, IDOK, 0));
    ASSERT_TRUE(harness::WaitUntil([&] { return Contains(Elements(), L"Filter: Resizer"); }));
  }

  std::vector<std::wstring> Elements() { return harness::ListBoxItems(::GetDlgItem(m_hWndMain, IDC_ELEMENTS)); }
  std::wstring Status() { return harness::ReadText(::GetDlgItem(m_hWndMain, IDC_STATUS)); }

  harness::Program m_publisher;
  harness::Program m_viewer;
  PublishedGraph m_graph;
  HWND m_hWndMain = nullptr;
};

TEST_F(GraphViewerTest, ConnectDialogListsPublishedGraphInBenchForm) {
  HWND hDialog = nullptr, hList = nullptr;
  OpenConnectDialog(&hDialog, &hList);
  // Owned by the main window, which GetParent reports for an owned pop-up.
  EXPECT_EQ(m_hWndMain, ::GetParent(hDialog));
  const std::vector<std::wstring> items = harness::ListBoxItems(hList);
  ASSERT_TRUE(Contains(items, m_graph.text));
  wchar_t szPid[32], szGraph[48];
  std::swprintf(szPid, 32, L"pid %x ", static_cast<unsigned>(m_publisher.ProcessId()));
  std::swprintf(szGraph, 48, L"IFilterGraph = %x", static_cast<unsigned>(m_graph.dwGraph));
  for (const std::wstring& item : items) {
    EXPECT_LT(item.size(), 64u) << "the bench reads items into 64 characters";
    EXPECT_EQ(0u, item.find(L"pid "));
  }
  EXPECT_TRUE(StartsWith(m_graph.text, szPid)) << m_graph.text;
  EXPECT_EQ(m_graph.text.size() - std::wcslen(szGraph), m_graph.text.rfind(szGraph)) << m_graph.text;
  // The viewer does not list graphs of its own process, nor entries of another form.
  for (const std::wstring& item : items) EXPECT_NE(std::wstring::npos, item.find(L"IFilterGraph = "));
  ::PostMessageW(hDialog, WM_COMMAND, IDCANCEL, 0);
  EXPECT_TRUE(harness::WaitUntil([&] { return !::IsWindow(hDialog); }));
}

TEST_F(GraphViewerTest, ConnectedGraphShowsFiltersConnectionsAndMediaType) {
  Connect();
  const std::vector<std::wstring> elements = Elements();
  EXPECT_TRUE(Contains(elements, L"Filter: Video Generator"));
  EXPECT_TRUE(Contains(elements, L"Connection: Video Generator.Output -> Resizer.Input"));
  const auto itRenderer = std::find_if(elements.begin(), elements.end(), [](const std::wstring& e) {
    return StartsWith(e, L"Connection: Resizer.Output -> ");
  });
  ASSERT_NE(elements.end(), itRenderer) << "the renderer's connection";
  EXPECT_EQ(L"GraphEdit - " + m_graph.text, harness::ReadText(m_hWndMain));

  // Choosing the first connection shows its media type.
  HWND hElements = ::GetDlgItem(m_hWndMain, IDC_ELEMENTS);
  const auto itFirst =
      std::find(elements.begin(), elements.end(), L"Connection: Video Generator.Output -> Resizer.Input");
  ::SendMessageW(hElements, LB_SETCURSEL, itFirst - elements.begin(), 0);
  ::SendMessageW(m_hWndMain, WM_COMMAND, MAKEWPARAM(IDC_ELEMENTS, LBN_SELCHANGE), reinterpret_cast<LPARAM>(hElements));
  const std::wstring detail = harness::ReadText(::GetDlgItem(m_hWndMain, IDC_DETAIL));
  EXPECT_NE(std::wstring::npos, detail.find(L"Major type: Video")) << detail;
  EXPECT_NE(std::wstring::npos, detail.find(L"Subtype: RGB32")) << detail;
  EXPECT_NE(std::wstring::npos, detail.find(L"Format: VideoInfo, ")) << detail;
}

TEST_F(GraphViewerTest, RunPauseAndStopCrossProcessesAndTheStateIsShown) {
  Connect();
  EXPECT_TRUE(harness::WaitUntil([&] { return Status() == L"Connected, state: Stopped."; })) << Status();
  const struct {
    WORD wCommand;
    const wchar_t* status;
  } steps[] = {{ID_GRAPH_PAUSE, L"Connected, state: Paused."},
               {ID_GRAPH_RUN, L"Connected, state: Running."},
               {ID_GRAPH_STOP, L"Connected, state: Stopped."}};
  for (const auto& step : steps) {
    ::PostMessageW(m_hWndMain, WM_COMMAND, step.wCommand, 0);
    EXPECT_TRUE(harness::WaitUntil([&] { return Status() == step.status; })) << Status();
  }
}

TEST_F(GraphViewerTest, AChangedGraphIsShownAgain) {
  Connect();
  // This process changes the publisher's graph through the table, as any client may.
  CComPtr<IFilterGraph> spGraph;
  ASSERT_EQ(S_OK, BindPublishedGraph(m_graph.cookieName, &spGraph));
  CComPtr<IBaseFilter> spResizer;
  ASSERT_EQ(S_OK, spGraph->FindFilterByName(L"Resizer", &spResizer));
  ASSERT_EQ(S_OK, spGraph->RemoveFilter(spResizer));
  EXPECT_TRUE(harness::WaitUntil([&] { return !Contains(Elements(), L"Filter: Resizer"); }));
  EXPECT_TRUE(Contains(Elements(), L"Filter: Video Generator"));
  EXPECT_FALSE(Contains(Elements(), L"Connection: Video Generator.Output -> Resizer.Input"));
}

TEST_F(GraphViewerTest, APublisherThatDiesLeavesTheViewerShowingTheLoss) {
  Connect();
  ASSERT_TRUE(::TerminateProcess(m_publisher.ProcessHandle(), 1));
  EXPECT_TRUE(harness::WaitUntil([&] { return Status().rfind(L"Lost the graph (0x", 0) == 0; })) << Status();
  EXPECT_TRUE(Elements().empty());
  // Still answering, and still ending on WM_QUIT.
  EXPECT_EQ(L"GraphEdit", harness::ReadText(m_hWndMain));
  ASSERT_TRUE(::PostThreadMessageW(m_viewer.ThreadId(), WM_QUIT, 0, 0));
  EXPECT_EQ(0u, m_viewer.WaitForExit());
}

TEST_F(GraphViewerTest, QuitEndsTheViewerWithinTheBridgesBound) {
  Connect();
  const DWORD dwStart = ::GetTickCount();
  ASSERT_TRUE(::PostThreadMessageW(m_viewer.ThreadId(), WM_QUIT, 0, 0));
  EXPECT_EQ(0u, m_viewer.WaitForExit());
  EXPECT_LT(::GetTickCount() - dwStart, 1000u);
}

TEST_F(GraphViewerTest, TheMediaTypePageShowsTheConnectionsType) {
  Connect();
  const std::vector<std::wstring> elements = Elements();
  const auto it = std::find(elements.begin(), elements.end(), L"Connection: Video Generator.Output -> Resizer.Input");
  ASSERT_NE(elements.end(), it);
  HWND hElements = ::GetDlgItem(m_hWndMain, IDC_ELEMENTS);
  ::SendMessageW(hElements, LB_SETCURSEL, it - elements.begin(), 0);
  ::SendMessageW(m_hWndMain, WM_COMMAND, MAKEWPARAM(IDC_ELEMENTS, LBN_SELCHANGE), reinterpret_cast<LPARAM>(hElements));
  ::PostMessageW(m_hWndMain, WM_COMMAND, ID_GRAPH_MEDIATYPE, 0);

  // Proppage.dll's page, in the platform's property frame.
  HWND hFrame = nullptr, hText = nullptr;
  ASSERT_TRUE(harness::WaitUntil([&] {
    hFrame = nullptr;
    for (HWND h = ::GetTopWindow(nullptr); h; h = ::GetWindow(h, GW_HWNDNEXT)) {
      DWORD dwProcessId = 0;
      ::GetWindowThreadProcessId(h, &dwProcessId);
      if (dwProcessId == m_viewer.ProcessId() && harness::ReadText(h).find(L"Media Type") != std::wstring::npos)
        hFrame = h;
    }
    hText = hFrame ? harness::FindDescendant(hFrame, IDC_MEDIATYPE_TEXT) : nullptr;
    return hText != nullptr && !harness::ReadText(hText).empty();
  }));
  const std::wstring text = harness::ReadText(hText);
  EXPECT_NE(std::wstring::npos, text.find(L"Major type: Video")) << text;
  EXPECT_NE(std::wstring::npos, text.find(L"Subtype: RGB32")) << text;
  EXPECT_EQ(L"Video Generator.Output", harness::ReadText(harness::FindDescendant(hFrame, IDC_MEDIATYPE_PIN)));
  ::PostMessageW(hFrame, WM_COMMAND, IDCANCEL, 0);
  EXPECT_TRUE(harness::WaitUntil([&] { return !::IsWindow(hFrame); }));
}

}  // namespace
