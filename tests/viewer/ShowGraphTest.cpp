// Showing a graph: the bridge publishes it, starts the viewer, opens its connect dialog and
// selects this process's graph. Item texts, list boxes, our viewer and hostile ones.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <dshow.h>

#include <cwchar>
#include <string>
#include <vector>

#include "AssertRecorder.h"
#include "Graph.h"
#include "GraphEdit.h"
#include "Processes.h"
#include "RegistryScratch.h"
#include "TraceRecorder.h"
#include "UiDriver.h"
#include "ViewerFolders.h"
#include "ViewerProcess.h"
#include "atlcomcli.h"
#include "resource.h"

using ATL::CComPtr;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

// Never dereferenced: the matching reads only the pointer's value.
IUnknown* const kGraph = reinterpret_cast<IUnknown*>(0x1D34A5B6C70ULL);

std::wstring Format(const wchar_t* pszFormat, unsigned uValue) {
  wchar_t sz[256];
  std::swprintf(sz, 256, pszFormat, uValue, uValue);
  return sz;
}

TEST(MatchCookieName, ReadsTheProcessAndGraphNumbersAsTheLibraryDoes) {
  const unsigned uPid = ::GetCurrentProcessId();
  struct Case {
    const wchar_t* format;  // %x and %X: this process's identifier
    bool bMatch;
  } cases[] = {
      {L"pid %x IFilterGraph = 4a5b6c70", true},
      {L"pid 0x%X (8000) IFilterGraph = 0x4A5B6C70", true},
      {L"pid %x (1234) LumivarTest.exe IFilterGraph = 4a5b6c70", true},
      {L"pid   %x IFilterGraph = 4a5b6c70", true},  // leading white space
      {L"pid +%x IFilterGraph = 4A5B6C70", true},   // a sign, digits of either case
      {L"list: pid %x IFilterGraph = 4a5b6c70", true},
      {L"pid %x, IFilterGraph = 4a5b6c70", false},  // a comma after the process number
      {L"pid %x IFilterGraph = 4a5b6c70 ", false},  // the number must end the text
      {L"pid %x IFilterGraph = 4a5b6c70)", false},
      {L"FilterGraph 4a5b6c70 pid %08x", false},   // the cookie name: nothing after the process number
      {L"PID %x IFilterGraph = 4a5b6c70", false},  // exact case
      {L"pid %x ifiltergraph = 4a5b6c70", false},
      {L"pid %x IFilterGraph=4a5b6c70", false},
      {L"pid IFilterGraph = 4a5b6c70", false},  // no digit
      {L"pid %x IFilterGraph = ", false},
      {L"pid %x IFilterGraph = zz", false},
      {L"pid 1%x IFilterGraph = 4a5b6c70", false},                  // another process
      {L"pid %x IFilterGraph = 4a5b6c71", false},                   // another graph
      {L"pid %x IFilterGraph = 1d34a5b6c70", false},                // the whole pointer: more than 32 bits
      {L"pid 1 pid %x IFilterGraph = 4a5b6c70", false},             // the first "pid " counts
      {L"pid %x IFilterGraph = 1 IFilterGraph = 4a5b6c70", false},  // so does the first "IFilterGraph = "
      {L"pid %x", false},
      {L"", false},
  };
  for (const Case& c : cases) {
    const std::wstring text = Format(c.format, uPid);
    SCOPED_TRACE(testing::PrintToString(text));
    AssertRecorder asserts;
    EXPECT_EQ(c.bMatch, CGraphEdit::MatchCookieName(text.c_str(), kGraph));
    EXPECT_THAT(asserts.Texts(), IsEmpty());
  }
  AssertRecorder asserts;
  EXPECT_FALSE(CGraphEdit::MatchCookieName(nullptr, kGraph));
  EXPECT_THAT(asserts.Texts(), ElementsAre("pszCookieName != 0"));
}

// A list box of this process stands in for the viewer's.
class FindGraphItemTest : public ::testing::Test {
protected:
  void SetUp() override {
    m_hWndList = ::CreateWindowExW(0, L"ListBox", L"", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, m_hWndList);
    m_edit.m_hWndList = m_hWndList;
  }
  void TearDown() override { ::DestroyWindow(m_hWndList); }
  void Add(const std::wstring& text) {
    ::SendMessageW(m_hWndList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  std::wstring Item(const std::wstring& middle = L" ") {
    return Format((L"pid %x" + middle + L"IFilterGraph = 4a5b6c70").c_str(), ::GetCurrentProcessId());
  }

  HWND m_hWndList = nullptr;
  CGraphEdit m_edit{true};
};

TEST_F(FindGraphItemTest, TheFirstMatchingItemWins) {
  Add(L"pid 1 IFilterGraph = 4a5b6c70");
  Add(Item());
  Add(Item());
  EXPECT_EQ(1, m_edit.FindGraphItem(kGraph));
}

TEST_F(FindGraphItemTest, AnItemTooLongForTheBufferIsSkipped) {
  const std::wstring longItem = Item(L" " + std::wstring(40, L'x') + L" ");
  ASSERT_GE(longItem.size(), 64u);
  const std::wstring justFits = Item(L" " + std::wstring(63 - Item().size() - 1, L'x') + L" ");
  ASSERT_EQ(63u, justFits.size());
  Add(longItem);
  EXPECT_EQ(-1, m_edit.FindGraphItem(kGraph));
  Add(justFits);
  EXPECT_EQ(1, m_edit.FindGraphItem(kGraph));
}

TEST_F(FindGraphItemTest, NoListOrNoItemFindsNothing) {
  EXPECT_EQ(-1, m_edit.FindGraphItem(kGraph));
  Add(Item());
  m_edit.m_hWndList = nullptr;
  EXPECT_EQ(-1, m_edit.FindGraphItem(kGraph));
}

TEST(SelectRemoteGraph, AViewerWindowThatVanishedEndsItAtOnce) {
  HWND hWnd = ::CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(::DestroyWindow(hWnd));
  CGraphEdit edit(true);
  edit.m_hWndGraphEdit = hWnd;
  edit.m_hWndList = ::GetDesktopWindow();  // a sentinel: not even cleared
  const DWORD dwStart = ::GetTickCount();
  edit.SelectRemoteGraph(kGraph);
  EXPECT_LT(::GetTickCount() - dwStart, 90u) << "no tries";
  EXPECT_EQ(::GetDesktopWindow(), edit.m_hWndList);
}

// Lets the viewer's calls into this thread's graph through while waiting.
bool WaitPumping(const std::function<bool()>& fnDone, DWORD dwTimeoutMs = harness::dwDefaultTimeout) {
  return harness::WaitUntil(
      [&] {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
        return fnDone();
      },
      dwTimeoutMs);
}

class ShowGraphTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(m_folders.Ready());
    ASSERT_EQ(S_OK, m_spGraph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER));
    CComPtr<IBaseFilter> spRenderer;
    ASSERT_EQ(S_OK, spRenderer.CoCreateInstance(CLSID_VideoRenderer, nullptr, CLSCTX_INPROC_SERVER));
    ASSERT_EQ(S_OK, m_spGraph->AddFilter(spRenderer, L"Renderer"));
  }
  void TearDown() override {
    m_edit.Reset();
    harness::EndChildProcesses();
  }

  // ShowGraph with the registry mapped to scratch keys naming this viewer. The mapping ends
  // with the call: COM in this process reads the real classes when it serves the viewer.
  HRESULT ShowWith(const std::wstring& viewer, bool bProppage = true) {
    RegistryScratch reg;
    EXPECT_TRUE(reg.Active());
    if (bProppage) reg.RegisterProppage(m_folders.Library() + L"\\Proppage.dll");
    reg.SetViewerPath(viewer);
    return m_edit.ShowGraph(m_spGraph);
  }

  // Our viewer shown. A new Wine process can take longer than the bench's second to become
  // idle on a loaded machine; such a start is tried again, twice at most.
  HRESULT ShowOurViewer(bool bProppage = true) {
    for (int nTry = 1;; ++nTry) {
      TraceRecorder traces(L"2");
      const HRESULT hr = ShowWith(viewer_test::GraphViewerPath(), bProppage);
      const bool bSlowStart = hr == E_FAIL && !traces.Texts().empty() &&
                              traces.Texts().back().find(L"WaitForInputIdle()=258") != std::wstring::npos;
      if (!bSlowStart || nTry == 3) return hr;
      harness::EndChildProcesses();
    }
  }

  // The hostile dialog's caption once every message posted to it before has been handled.
  std::wstring DialogCounts() {
    HWND hDialog = ::GetParent(m_edit.m_hWndList);
    ::PostMessageW(hDialog, WM_APP, 0, 0);
    std::wstring counts;
    harness::WaitUntil([&] { return (counts = harness::ReadText(hDialog)).find(L"sync=1") != std::wstring::npos; });
    return counts;
  }

  bool ViewerShowsThisGraph(HWND hWndMain) {
    wchar_t szPid[32];
    std::swprintf(szPid, 32, L"GraphEdit - pid %x ", static_cast<unsigned>(::GetCurrentProcessId()));
    return harness::ReadText(hWndMain).rfind(szPid, 0) == 0 &&
           !harness::ListBoxItems(::GetDlgItem(hWndMain, IDC_ELEMENTS)).empty();
  }

  ViewerFolders m_folders;
  CComPtr<IGraphBuilder> m_spGraph;
  CGraphEdit m_edit{true};
};

TEST_F(ShowGraphTest, OurViewerConnectsAndASecondShowReplacesIt) {
  ASSERT_EQ(S_OK, ShowOurViewer());
  ASSERT_NE(nullptr, m_edit.m_hWndList);
  HWND hWndFirst = m_edit.m_hWndGraphEdit;
  ASSERT_TRUE(WaitPumping([&] { return ViewerShowsThisGraph(hWndFirst); }));
  EXPECT_EQ(std::vector<std::wstring>{L"Filter: Renderer"},
            harness::ListBoxItems(::GetDlgItem(hWndFirst, IDC_ELEMENTS)));
  ATL::CHandle hFirst(::OpenProcess(SYNCHRONIZE, FALSE, m_edit.m_rgPI.dwProcessId));

  ASSERT_EQ(S_OK, ShowOurViewer());
  EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(hFirst, harness::dwDefaultTimeout));
  EXPECT_NE(hWndFirst, m_edit.m_hWndGraphEdit);
  EXPECT_TRUE(WaitPumping([&] { return ViewerShowsThisGraph(m_edit.m_hWndGraphEdit); }));
}

TEST_F(ShowGraphTest, WithoutProppageTheEarlierViewerIsStillAskedToQuit) {
  ASSERT_EQ(S_OK, ShowOurViewer());
  ATL::CHandle hFirst(::OpenProcess(SYNCHRONIZE, FALSE, m_edit.m_rgPI.dwProcessId));

  AssertRecorder asserts;
  EXPECT_EQ(REGDB_E_CLASSNOTREG, ShowOurViewer(false));
  EXPECT_THAT(asserts.Texts(), ElementsAre("!L\"CGraphEdit::ShowGraph(): Proppage.dll is not registered\""));
  EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(hFirst, harness::dwDefaultTimeout));
  EXPECT_EQ(0u, m_edit.m_dwCookie);
}

TEST_F(ShowGraphTest, HostileViewersEndWithinTheBoundsAndTheGraphStaysRegistered) {
  struct Case {
    const wchar_t* viewer;
    HRESULT hr;
    bool bList;             // the connect dialog's list was found
    const wchar_t* counts;  // what reached that dialog
    DWORD dwMinMs;          // the waits and tries it must have spent
  } cases[] = {
      {L"NeverIdle", E_FAIL, false, nullptr, 1000},
      {L"WrongStyles", S_FALSE, false, nullptr, 0},
      {L"HiddenMain", S_FALSE, false, nullptr, 0},
      {L"NoDialog", S_OK, false, nullptr, 90},
      {L"LateDialog", S_OK, false, nullptr, 90},
      {L"OthersOnly", S_OK, true, L"idok=0 setcursel=0", 90},
      {L"RefusesSelection", S_OK, true, L"idok=0 setcursel=1", 0},
      // Each item read far longer than announced: skipped, and nothing overrun.
      {L"LengthensItems", S_OK, true, L"idok=0 setcursel=0", 90},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.viewer)));
    TraceRecorder traces(L"2");
    const DWORD dwStart = ::GetTickCount();
    EXPECT_EQ(c.hr, ShowWith(viewer_test::HostilePath(c.viewer)));
    const DWORD dwElapsed = ::GetTickCount() - dwStart;
    EXPECT_GE(dwElapsed, c.dwMinMs);
    EXPECT_LT(dwElapsed, 10000u);
    EXPECT_NE(0u, m_edit.m_dwCookie) << "registered until the next Reset";
    EXPECT_EQ(c.bList, m_edit.m_hWndList != nullptr);
    if (c.counts) {
      EXPECT_EQ(0u, DialogCounts().find(c.counts));
    }
    if (c.hr == S_FALSE) {
      ASSERT_FALSE(traces.Texts().empty());
      EXPECT_EQ(L"atlTraceGeneral - ###Err### CGraphEdit::FindMainWindow(): GraphEdit window not found\n",
                traces.Texts().back());
    }
    if (c.hr == S_OK) {
      EXPECT_THAT(traces.Texts(), IsEmpty());
    }
    m_edit.Reset();
    EXPECT_EQ(0u, m_edit.m_dwCookie);
    harness::EndChildProcesses();
  }
}

// The graph published already under its name (MK_S_MONIKERALREADYREGISTERED): a success, so
// the show goes on to start the viewer (one that never shows its window: S_FALSE).
TEST_F(ShowGraphTest, AGraphPublishedAlreadyIsShownAllTheSame) {
  DWORD dwFirst = 0;
  ASSERT_EQ(S_OK, CGraphEdit::RegisterGraph(m_spGraph, &dwFirst));
  EXPECT_EQ(S_FALSE, ShowWith(viewer_test::HostilePath(L"HiddenMain")));
  EXPECT_NE(0u, m_edit.m_dwCookie);
  EXPECT_NE(dwFirst, m_edit.m_dwCookie);
  EXPECT_NE(nullptr, m_edit.m_rgPI.hProcess) << "the viewer was started";
  CGraphEdit::RevokeGraph(dwFirst);
}

TEST_F(ShowGraphTest, AViewerHangingInItsConnectDialogCostsASelectionItsBudgetOnly) {
  ASSERT_EQ(S_OK, ShowWith(viewer_test::HostilePath(L"HangsInDialog")));
  ASSERT_NE(nullptr, m_edit.m_hWndList) << "the dialog was open before the viewer hung";
  const DWORD dwStart = ::GetTickCount();
  m_edit.SelectRemoteGraph(m_spGraph);
  EXPECT_LT(::GetTickCount() - dwStart, 250u) << "nine tries of 10 ms, the list's answers awaited within them";
}

TEST_F(ShowGraphTest, AViewerIgnoringQuitCostsTheNextShowItsBoundAndKeepsRunning) {
  ASSERT_EQ(S_OK, ShowWith(viewer_test::HostilePath(L"IgnoresQuit")));
  ATL::CHandle hFirst(::OpenProcess(SYNCHRONIZE, FALSE, m_edit.m_rgPI.dwProcessId));
  const DWORD dwStart = ::GetTickCount();
  ASSERT_EQ(S_OK, ShowWith(viewer_test::HostilePath(L"IgnoresQuit")));
  const DWORD dwElapsed = ::GetTickCount() - dwStart;
  EXPECT_GE(dwElapsed, 990u);
  EXPECT_LT(dwElapsed, 10000u);
  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), ::WaitForSingleObject(hFirst, 0));
  EXPECT_EQ(2u, harness::ChildProcesses().size());
}

}  // namespace

namespace {

TEST(CGraphShowGraph, WithoutAGraphFailsAfterResettingTheBridge) {
  CGraph graph;
  DWORD dwCookie = 0;
  CComPtr<IGraphBuilder> spOther;
  ASSERT_EQ(S_OK, spOther.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER));
  ASSERT_EQ(S_OK, CGraphEdit::RegisterGraph(spOther, &dwCookie));
  graph.m_GraphEdit.m_dwCookie = dwCookie;
  graph.m_GraphEdit.m_hWndList = ::GetDesktopWindow();
  EXPECT_EQ(E_FAIL, graph.ShowGraph());
  EXPECT_EQ(0u, graph.m_GraphEdit.m_dwCookie);
  EXPECT_EQ(nullptr, graph.m_GraphEdit.m_hWndList);
  wchar_t szName[64];
  std::swprintf(szName, 64, L"FilterGraph %08x pid %08x", static_cast<unsigned>(reinterpret_cast<DWORD_PTR>(spOther.p)),
                static_cast<unsigned>(::GetCurrentProcessId()));
  CComPtr<IFilterGraph> spFound;
  EXPECT_EQ(MK_E_UNAVAILABLE, BindPublishedGraph(szName, &spFound)) << "revoked";
}

}  // namespace

namespace {

// Whatever a viewer does with its proxies, Close leaves nothing of the graph alive: references
// of the test's own to the manager and to each filter are the last ones afterwards, and the
// renderer's window goes with the renderer.
TEST(CGraphClose, AViewerThatNeverReleasesItsProxiesKeepsNoPartOfTheGraphAlive) {
  ViewerFolders folders;
  ASSERT_TRUE(folders.Ready());
  HWND hWnd = ::CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, hWnd);
  CGraph graph;
  ASSERT_EQ(S_OK, graph.BuildVidGenGraph(hWnd, WM_APP));
  HWND hVideo = harness::FindTopWindow(::GetCurrentProcessId(), nullptr, L"ActiveMovie Window");
  ASSERT_NE(nullptr, hVideo);

  IGraphBuilder* pManager = graph.m_spGraph;
  pManager->AddRef();
  std::vector<IBaseFilter*> filters;
  CComPtr<IEnumFilters> spEnum;
  ASSERT_EQ(S_OK, pManager->EnumFilters(&spEnum));
  IBaseFilter* pFilter = nullptr;
  ULONG cFetched = 0;
  while (spEnum->Next(1, &pFilter, &cFetched) == S_OK) filters.push_back(pFilter);
  spEnum.Release();
  EXPECT_EQ(3u, filters.size()) << "generator, resizer, renderer";

  {
    RegistryScratch reg;
    ASSERT_TRUE(reg.Active());
    reg.RegisterProppage(folders.Library() + L"\\Proppage.dll");
    reg.SetViewerPath(viewer_test::HostilePath(L"HoldsProxies"));
    ASSERT_EQ(S_OK, graph.ShowGraph());
  }
  HWND hViewer = graph.m_GraphEdit.m_hWndGraphEdit;
  std::wstring held;
  ASSERT_TRUE(WaitPumping([&] { return (held = harness::ReadText(hViewer)).rfind(L"held=", 0) == 0; }));
  EXPECT_NE(L"held=0", held);

  graph.Close();
  EXPECT_EQ(0u, pManager->Release()) << "the manager's last reference";
  for (IBaseFilter* p : filters) EXPECT_EQ(0u, p->Release()) << "a filter's last reference";
  EXPECT_FALSE(::IsWindow(hVideo));
  ::DestroyWindow(hWnd);
  harness::EndChildProcesses();
}

}  // namespace
