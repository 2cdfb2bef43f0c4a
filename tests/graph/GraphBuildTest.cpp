// CGraph's builds and teardown with Wine's graph manager and renderer and our registered
// Resizer and Video Generator.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AssertRecorder.h"
#include "Graph.h"
#include "GraphTestSupport.h"
#include "VideoGenerator.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

namespace {

std::vector<std::wstring> FilterNames(IGraphBuilder* pGraph) {
  std::vector<std::wstring> names;
  CComPtr<IEnumFilters> spEnum;
  if (pGraph->EnumFilters(&spEnum) != S_OK) return names;
  for (;;) {
    CComPtr<IBaseFilter> spFilter;
    if (spEnum->Next(1, &spFilter, nullptr) != S_OK) break;
    FILTER_INFO info = {};
    if (spFilter->QueryFilterInfo(&info) == S_OK) {
      names.push_back(info.achName);
      if (info.pGraph) info.pGraph->Release();
    }
  }
  return names;
}

// Plays the held graph to its end and takes its events itself: true once EC_COMPLETE came.
bool PlayToEnd(IGraphBuilder* pGraph) {
  CComQIPtr<IMediaControl, &IID_IMediaControl> spControl(pGraph);
  CComQIPtr<IMediaEvent, &IID_IMediaEvent> spEvent(pGraph);
  if (!spControl || !spEvent || FAILED(spControl->Run())) return false;
  const DWORD dwStart = ::GetTickCount();
  while (::GetTickCount() - dwStart < 20000) {
    long lCode = 0;
    LONG_PTR lParam1 = 0, lParam2 = 0;
    if (spEvent->GetEvent(&lCode, &lParam1, &lParam2, 100) == S_OK) {
      spEvent->FreeEventParams(lCode, lParam1, lParam2);
      if (lCode == EC_COMPLETE) return SUCCEEDED(spControl->Stop());
    }
  }
  return false;
}

}  // namespace

TEST(BuildVidGenGraph, ChainsGeneratorResizerAndRendererAndRoutesEventsToTheWindow) {
  NotifyWindow window;
  CGraph graph;
  AssertRecorder asserts;
  ASSERT_EQ(S_OK, graph.BuildVidGenGraph(window.Handle(), kGraphNotify));
  EXPECT_THAT(asserts.Texts(), IsEmpty());
  EXPECT_FALSE(graph.IsEmpty());
  EXPECT_TRUE(graph.HasResizer());
  EXPECT_TRUE(graph.HasVideoGenerator());

  // Wine renders the resizer's output into its default video renderer.
  const std::vector<std::wstring> names = FilterNames(graph.m_spGraph);
  ASSERT_EQ(3u, names.size());
  EXPECT_THAT(std::vector<std::wstring>(names.begin() + 1, names.end()),
              UnorderedElementsAre(L"Resizer", L"Video Generator"));

  CComQIPtr<IVideoWindow, &IID_IVideoWindow> spVideoWindow(graph.m_spGraph);
  ASSERT_TRUE(spVideoWindow);
  long lVisible = OAFALSE;
  EXPECT_EQ(S_OK, spVideoWindow->get_Visible(&lVisible));
  EXPECT_EQ(OATRUE, lVisible);

  ASSERT_EQ(S_OK, SetStreamLength(graph.m_spVidGen, 200));
  ASSERT_TRUE(SUCCEEDED(graph.Run()));
  EXPECT_TRUE(window.PumpUntil([&] { return window.Notifications() > 0; }));
  graph.Stop();
  graph.Close();
}

// Rebuilding and closing: the first graph's notifications detached, the viewer bridge reset
// and the graph manager's last reference gone, a rebuild's before its new manager exists.
TEST(Close, DetachesResetsAndReleasesTheGraphByRebuildOrClose) {
  for (const bool bRebuild : {true, false}) {
    SCOPED_TRACE(bRebuild ? "rebuild" : "Close");
    NotifyWindow first;
    NotifyWindow second;
    CGraph graph;
    ASSERT_EQ(S_OK, graph.BuildVidGenGraph(first.Handle(), kGraphNotify));
    ASSERT_EQ(S_OK, SetStreamLength(graph.m_spVidGen, 200));
    CComPtr<IGraphBuilder> spFirst = graph.m_spGraph;
    ASSERT_EQ(S_OK, CGraphEdit::RegisterGraph(spFirst, &graph.m_GraphEdit.m_dwCookie));

    if (bRebuild) {
      ULONG cFirstGraphRefsAtCreation = 0;
      ClassSubstitute watch(CLSID_FilterGraph, [&](REFIID riid, void** ppv) {
        cFirstGraphRefsAtCreation = RefsOf(spFirst);
        return ClassSubstitute::CreateReal(CLSID_FilterGraph, nullptr, riid, ppv);
      });
      ASSERT_TRUE(watch.Active());
      ASSERT_EQ(S_OK, graph.BuildVidGenGraph(second.Handle(), kGraphNotify));
      // Only this test's own reference was left when the second manager was made.
      EXPECT_EQ(1u, cFirstGraphRefsAtCreation);
      EXPECT_NE(spFirst.p, graph.m_spGraph.p);
    } else {
      graph.Close();
      EXPECT_TRUE(graph.IsEmpty());
      EXPECT_FALSE(graph.HasResizer());
      EXPECT_FALSE(graph.HasVideoGenerator());
    }
    EXPECT_EQ(0u, graph.m_GraphEdit.m_dwCookie);

    // The first graph still plays, but tells nobody.
    const int cBefore = first.Notifications();
    ASSERT_TRUE(PlayToEnd(spFirst));
    EXPECT_EQ(cBefore, first.Notifications());
    EXPECT_EQ(0, second.Notifications());
    IGraphBuilder* pFirst = spFirst.Detach();
    EXPECT_EQ(0u, pFirst->Release());
  }
}

TEST(Close, OnAnEmptyGraphOnlyResetsTheViewerBridge) {
  CGraph graph;
  CComPtr<IGraphBuilder> spOther;
  ASSERT_EQ(S_OK, spOther.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER));
  ASSERT_EQ(S_OK, CGraphEdit::RegisterGraph(spOther, &graph.m_GraphEdit.m_dwCookie));
  graph.m_GraphEdit.m_hWndGraphEdit = ::GetDesktopWindow();
  graph.m_GraphEdit.m_hWndList = ::GetDesktopWindow();

  AssertRecorder asserts;
  graph.Close();
  EXPECT_THAT(asserts.Texts(), IsEmpty());
  EXPECT_TRUE(graph.IsEmpty());
  EXPECT_EQ(0u, graph.m_GraphEdit.m_dwCookie);
  EXPECT_EQ(nullptr, graph.m_GraphEdit.m_hWndGraphEdit);
  EXPECT_EQ(nullptr, graph.m_GraphEdit.m_hWndList);
  // The table let the graph go.
  EXPECT_EQ(1u, RefsOf(spOther));
}

TEST(CGraph, DestructionResetsTheViewerBridge) {
  CComPtr<IGraphBuilder> spOther;
  ASSERT_EQ(S_OK, spOther.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER));
  {
    CGraph graph;
    ASSERT_EQ(S_OK, CGraphEdit::RegisterGraph(spOther, &graph.m_GraphEdit.m_dwCookie));
    ASSERT_GT(RefsOf(spOther), 1u);
  }
  EXPECT_EQ(1u, RefsOf(spOther));
}

TEST(Build, RefusesBadArgumentsAndKeepsTheGraphItHas) {
  NotifyWindow window;
  CGraph graph;
  ASSERT_EQ(S_OK, graph.BuildVidGenGraph(window.Handle(), kGraphNotify));
  IGraphBuilder* const pGraph = graph.m_spGraph;
  const HWND hWndGone = [] {
    NotifyWindow gone;
    return gone.Handle();
  }();
  struct Case {
    const char* label;
    std::function<HRESULT()> fnBuild;
    const char* assertion;
  } cases[] = {
      {"file build, no path", [&] { return graph.BuildGraph(nullptr, window.Handle(), kGraphNotify); },
       "pszName != 0"},
      {"file build, no window", [&] { return graph.BuildGraph(L"C:\\a.grf", hWndGone, kGraphNotify); },
       "::IsWindow(hWnd)"},
      {"generated build, no window", [&] { return graph.BuildVidGenGraph(hWndGone, kGraphNotify); },
       "::IsWindow(hWnd)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    AssertRecorder asserts;
    EXPECT_EQ(E_INVALIDARG, c.fnBuild());
    EXPECT_THAT(asserts.Texts(), ElementsAre(c.assertion));
    EXPECT_EQ(pGraph, graph.m_spGraph.p);
    EXPECT_TRUE(graph.HasResizer());
    EXPECT_TRUE(graph.HasVideoGenerator());
  }
  graph.Close();
}

// A file that cannot be loaded gives the loader's own answer, and the new, empty graph stays.
TEST(BuildGraph, PassesTheLoadersFailureOnAndKeepsTheNewGraph) {
  wchar_t szDir[MAX_PATH];
  ::GetTempPathW(MAX_PATH, szDir);
  const std::wstring missing = std::wstring(szDir) + L"lumivar-no-such-graph.grf";
  const std::wstring notAGraph = std::wstring(szDir) + L"lumivar-not-a-graph.grf";
  {
    ATL::CHandle hFile(::CreateFileW(notAGraph.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(hFile.m_h != nullptr);
    DWORD cbWritten = 0;
    ::WriteFile(hFile, "plain text", 10, &cbWritten, nullptr);
  }

  NotifyWindow window;
  for (const std::wstring& path : {missing, notAGraph}) {
    SCOPED_TRACE(std::string(path.begin(), path.end()));
    CComPtr<IGraphBuilder> spProbe;
    ASSERT_EQ(S_OK, spProbe.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER));
    const HRESULT hrLoader = BuildFromGRF(spProbe, path.c_str());
    ASSERT_TRUE(FAILED(hrLoader));

    CGraph graph;
    EXPECT_EQ(hrLoader, graph.BuildGraph(path.c_str(), window.Handle(), kGraphNotify));
    EXPECT_FALSE(graph.IsEmpty());
    EXPECT_FALSE(graph.HasResizer());
    EXPECT_FALSE(graph.HasVideoGenerator());
  }
  ::DeleteFileW(notAGraph.c_str());
}

namespace {

// Writes pGraph to a graph file through the manager's IPersistStream (the stand-in's, here).
HRESULT SaveGraphFile(IGraphBuilder* pGraph, const std::wstring& path) {
  CComQIPtr<IPersistStream, &IID_IPersistStream> spPersist(pGraph);
  if (!spPersist) return E_NOINTERFACE;
  CComPtr<IStorage> spStorage;
  HRESULT hr = ::StgCreateDocfile(path.c_str(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE,
                                  0, &spStorage);
  if (FAILED(hr)) return hr;
  CComPtr<IStream> spStream;
  hr = spStorage->CreateStream(L"ActiveMovieGraph", STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE,
                               0, 0, &spStream);
  if (FAILED(hr)) return hr;
  hr = spPersist->Save(spStream, TRUE);
  if (FAILED(hr)) return hr;
  return spStorage->Commit(STGC_DEFAULT);
}

// A graph file in the temporary folder holding one filter of the class under its name.
HRESULT WriteOneFilterGraphFile(REFCLSID clsid, LPCWSTR pszName, std::wstring* pPath) {
  CComPtr<IGraphBuilder> spGraph;
  CComPtr<IBaseFilter> spFilter;
  HRESULT hr = spGraph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER);
  if (hr != S_OK) return hr;
  hr = InsertFilter(spGraph, clsid, pszName, &spFilter);
  if (hr != S_OK) return hr;
  wchar_t szDir[MAX_PATH];
  ::GetTempPathW(MAX_PATH, szDir);
  *pPath = std::wstring(szDir) + L"lumivar-" + pszName + L".grf";
  return SaveGraphFile(spGraph, *pPath);
}

}  // namespace

TEST(BuildGraph, AFileWithAResizerButNoGeneratorOrRendererBuilds) {
  std::wstring path;
  ASSERT_EQ(S_OK, WriteOneFilterGraphFile(CLSID_Resizer, L"Resizer", &path));
  NotifyWindow window;
  CGraph graph;
  AssertRecorder asserts;
  ASSERT_EQ(S_OK, graph.BuildGraph(path.c_str(), window.Handle(), kGraphNotify));
  // No renderer, so no video window: each of its five calls fails and is only asserted.
  EXPECT_EQ(std::vector<std::string>(5, "hr == ((HRESULT)0L)"), asserts.Texts());
  EXPECT_TRUE(graph.HasResizer());
  EXPECT_FALSE(graph.HasVideoGenerator());
  EXPECT_EQ(S_FALSE, graph.ShowVidGenProperties(window.Handle()));
  graph.Close();
  ::DeleteFileW(path.c_str());
}

TEST(BuildGraph, AFileWithoutAResizerFailsAndKeepsWhatItFound) {
  std::wstring path;
  ASSERT_EQ(S_OK, WriteOneFilterGraphFile(CLSID_VideoGenerator, L"Video Generator", &path));
  NotifyWindow window;
  CGraph graph;
  AssertRecorder asserts;
  EXPECT_EQ(E_FAIL, graph.BuildGraph(path.c_str(), window.Handle(), kGraphNotify));
  EXPECT_THAT(asserts.Texts(),
              ElementsAre("!L\"CGraph::BuildGraph(): Resizer is not found in graph\""));
  EXPECT_FALSE(graph.IsEmpty());
  EXPECT_FALSE(graph.HasResizer());
  EXPECT_TRUE(graph.HasVideoGenerator());
  graph.Close();
  ::DeleteFileW(path.c_str());
}
