// The builds' failure paths and odd components that the real parts do not produce on
// demand: creations that fail, a resizer without its controls, a generator without a video
// output, a file's filters that cannot be looked at, a graph manager that refuses the chain,
// one whose notifications are missing or refused, and one that lacks an interface the
// playback or the video window's placement asks for.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "AssertRecorder.h"
#include "ComDoubles.h"
#include "Graph.h"
#include "GraphTestSupport.h"
#include "ResizerDoubles.h"
#include "VideoGenerator.h"

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

// IMediaEventEx that records the windows it is given and answers SetNotifyWindow as told.
class FakeMediaEventEx : public CountedObject<IMediaEventEx> {
public:
  struct Call {
    OAHWND hWnd;
    long lMsg;
    LONG_PTR lInstance;
    bool operator==(const Call& o) const { return hWnd == o.hWnd && lMsg == o.lMsg && lInstance == o.lInstance; }
  };
  HRESULT hrSetNotifyWindow = S_OK;
  std::vector<Call> calls;

  STDMETHODIMP QueryInterface(REFIID, void** ppv) override {
    *ppv = nullptr;
    return E_NOINTERFACE;  // reached only through the manager that holds it
  }
  STDMETHODIMP SetNotifyWindow(OAHWND hWnd, long lMsg, LONG_PTR lInstance) override {
    calls.push_back({hWnd, lMsg, lInstance});
    return hrSetNotifyWindow;
  }
  STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP GetEventHandle(OAEVENT*) override { return E_NOTIMPL; }
  STDMETHODIMP GetEvent(long*, LONG_PTR*, LONG_PTR*, long) override { return E_ABORT; }
  STDMETHODIMP WaitForCompletion(long, long*) override { return E_NOTIMPL; }
  STDMETHODIMP CancelDefaultHandling(long) override { return E_NOTIMPL; }
  STDMETHODIMP RestoreDefaultHandling(long) override { return E_NOTIMPL; }
  STDMETHODIMP FreeEventParams(long, LONG_PTR, LONG_PTR) override { return S_OK; }
  STDMETHODIMP GetNotifyFlags(long*) override { return E_NOTIMPL; }
  STDMETHODIMP SetNotifyFlags(long) override { return E_NOTIMPL; }
};

// Wine's graph manager aggregated in an outer object that answers one interface with the
// given double, or not at all. Starts with the test's one reference.
class CoveredGraphManager : public CountedObject<IUnknown> {
public:
  // pAnswer is the riidCovered interface of the double, or null.
  CoveredGraphManager(REFIID riidCovered, IUnknown* pAnswer) : m_riidCovered(riidCovered), m_pAnswer(pAnswer) {
    // Quartz's own class, past any TreatAs stand-in, which need not take an outer object.
    CComPtr<IClassFactory> spFactory;
    if (::CoGetClassObject(CLSID_FilterGraph, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                           reinterpret_cast<void**>(&spFactory)) == S_OK)
      spFactory->CreateInstance(this, IID_IUnknown, reinterpret_cast<void**>(&m_pInner));
  }
  ~CoveredGraphManager() override {
    if (m_pInner) m_pInner->Release();
  }
  bool Created() const { return m_pInner != nullptr; }
  // One of Wine's own interfaces, the covered one too.
  HRESULT QueryInner(REFIID riid, void** ppv) { return m_pInner->QueryInterface(riid, ppv); }

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (riid == IID_IUnknown) {
      *ppv = static_cast<IUnknown*>(this);
      AddRef();
      return S_OK;
    }
    if (riid == m_riidCovered) {
      *ppv = m_pAnswer;
      if (!m_pAnswer) return E_NOINTERFACE;
      m_pAnswer->AddRef();
      return S_OK;
    }
    return m_pInner->QueryInterface(riid, ppv);
  }

private:
  const IID m_riidCovered;
  IUnknown* m_pAnswer;
  IUnknown* m_pInner = nullptr;
};

// Wine's IGraphBuilder, covering its own in a CoveredGraphManager, with ConnectDirect and
// Render answering the code the test gives instead (S_OK: Wine's answer). It notes the pins
// they were given, holding no reference.
class RefusingBuilder : public CountedObject<IGraphBuilder> {
public:
  HRESULT hrConnectDirect = S_OK;
  HRESULT hrRender = S_OK;
  std::vector<std::pair<IPin*, IPin*>> connected;
  std::vector<IPin*> rendered;

  bool Attach(CoveredGraphManager* pManager) {
    m_pManager = pManager;
    if (FAILED(pManager->QueryInner(IID_IGraphBuilder, reinterpret_cast<void**>(&m_pWine)))) return false;
    // An inner interface lives as long as its outer object: no reference of its own.
    m_pWine->Release();
    return true;
  }

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override { return m_pManager->QueryInterface(riid, ppv); }
  STDMETHODIMP AddFilter(IBaseFilter* pFilter, LPCWSTR pszName) override {
    return m_pWine->AddFilter(pFilter, pszName);
  }
  STDMETHODIMP RemoveFilter(IBaseFilter* pFilter) override { return m_pWine->RemoveFilter(pFilter); }
  STDMETHODIMP EnumFilters(IEnumFilters** ppEnum) override { return m_pWine->EnumFilters(ppEnum); }
  STDMETHODIMP FindFilterByName(LPCWSTR pszName, IBaseFilter** ppFilter) override {
    return m_pWine->FindFilterByName(pszName, ppFilter);
  }
  STDMETHODIMP ConnectDirect(IPin* pOut, IPin* pIn, const AM_MEDIA_TYPE* pmt) override {
    connected.emplace_back(pOut, pIn);
    return hrConnectDirect != S_OK ? hrConnectDirect : m_pWine->ConnectDirect(pOut, pIn, pmt);
  }
  STDMETHODIMP Reconnect(IPin* pPin) override { return m_pWine->Reconnect(pPin); }
  STDMETHODIMP Disconnect(IPin* pPin) override { return m_pWine->Disconnect(pPin); }
  STDMETHODIMP SetDefaultSyncSource() override { return m_pWine->SetDefaultSyncSource(); }
  STDMETHODIMP Connect(IPin* pOut, IPin* pIn) override { return m_pWine->Connect(pOut, pIn); }
  STDMETHODIMP Render(IPin* pPin) override {
    rendered.push_back(pPin);
    return hrRender != S_OK ? hrRender : m_pWine->Render(pPin);
  }
  STDMETHODIMP RenderFile(LPCWSTR pszFile, LPCWSTR pszList) override { return m_pWine->RenderFile(pszFile, pszList); }
  STDMETHODIMP AddSourceFilter(LPCWSTR pszFile, LPCWSTR pszName, IBaseFilter** ppFilter) override {
    return m_pWine->AddSourceFilter(pszFile, pszName, ppFilter);
  }
  STDMETHODIMP SetLogFile(DWORD_PTR hFile) override { return m_pWine->SetLogFile(hFile); }
  STDMETHODIMP Abort() override { return m_pWine->Abort(); }
  STDMETHODIMP ShouldOperationContinue() override { return m_pWine->ShouldOperationContinue(); }

private:
  CoveredGraphManager* m_pManager = nullptr;
  IGraphBuilder* m_pWine = nullptr;
};

// A compound file with an empty graph stream, which a fake manager takes as it is.
HRESULT WriteEmptyGraphFile(std::wstring* pPath) {
  wchar_t szDir[MAX_PATH];
  ::GetTempPathW(MAX_PATH, szDir);
  *pPath = std::wstring(szDir) + L"lumivar-empty-stream.grf";
  CComPtr<IStorage> spStorage;
  HRESULT hr = ::StgCreateDocfile(pPath->c_str(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, &spStorage);
  if (FAILED(hr)) return hr;
  CComPtr<IStream> spStream;
  hr = spStorage->CreateStream(L"ActiveMovieGraph", STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, 0,
                               &spStream);
  if (FAILED(hr)) return hr;
  return spStorage->Commit(STGC_DEFAULT);
}

}  // namespace

TEST(BuildFailure, AFailedCreationAnswersItsCodeAndLeavesWhatWasMade) {
  struct Case {
    const char* label;
    const CLSID* pclsidFailing;
    bool bFromFile;
    bool bEmpty, bResizer, bVidGen;
    const char* assertion;  // of the test graph's own, when one fires
  } cases[] = {
      {"generated: no graph manager", &CLSID_FilterGraph, false, true, false, false,
       "!L\"CGraph::BuildVidGenGraph(): m_spGraph.CoCreateInstance() FAILED\""},
      {"from a file: no graph manager", &CLSID_FilterGraph, true, true, false, false,
       "!L\"CGraph::BuildGraph(): m_spGraph.CoCreateInstance() FAILED\""},
      {"generated: no resizer", &CLSID_Resizer, false, false, false, false, nullptr},
      {"generated: no Video Generator", &CLSID_VideoGenerator, false, false, true, false, nullptr},
  };
  NotifyWindow window;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    CGraph graph;
    ClassSubstitute failing(*c.pclsidFailing, [](REFIID, void** ppv) {
      *ppv = nullptr;
      return REGDB_E_CLASSNOTREG;
    });
    ASSERT_TRUE(failing.Active());
    AssertRecorder asserts;
    EXPECT_EQ(REGDB_E_CLASSNOTREG, c.bFromFile ? graph.BuildGraph(L"C:\\any.grf", window.Handle(), kGraphNotify)
                                               : graph.BuildVidGenGraph(window.Handle(), kGraphNotify));
    if (c.assertion) {
      EXPECT_THAT(asserts.Texts(), Contains(c.assertion));
    }
    EXPECT_EQ(c.bEmpty, graph.IsEmpty());
    EXPECT_EQ(c.bResizer, graph.HasResizer());
    EXPECT_EQ(c.bVidGen, graph.HasVideoGenerator());
  }
}

TEST(BuildFailure, AResizerWithoutItsControlsStillBuilds) {
  ResizerStandIn resizer(nullptr);
  ASSERT_TRUE(resizer.Created());
  {
    NotifyWindow window;
    CGraph graph;
    ClassSubstitute substitute(CLSID_Resizer,
                               [&](REFIID riid, void** ppv) { return resizer.QueryInterface(riid, ppv); });
    EXPECT_EQ(S_OK, graph.BuildVidGenGraph(window.Handle(), kGraphNotify));
    EXPECT_FALSE(graph.HasResizer());
    EXPECT_TRUE(graph.HasVideoGenerator());
    ResizeAlgorithm eAlgorithm = static_cast<ResizeAlgorithm>(0);
    AssertRecorder asserts;
    EXPECT_EQ(E_FAIL, graph.GetResizeAlgorithm(&eAlgorithm));
    EXPECT_THAT(asserts.Texts(), ElementsAre("m_spResizer != 0"));
    graph.Close();
  }
  EXPECT_EQ(1u, resizer.Refs());
}

TEST(BuildFailure, AGeneratorWithoutAVideoOutputIsRefusedAsANullPin) {
  FakeEnumPins noPins;
  FakeFilter generator(CLSID_VideoGenerator);
  generator.pPins = &noPins;
  {
    NotifyWindow window;
    CGraph graph;
    ClassSubstitute substitute(CLSID_VideoGenerator,
                               [&](REFIID riid, void** ppv) { return generator.QueryInterface(riid, ppv); });
    AssertRecorder asserts;
    EXPECT_EQ(E_POINTER, graph.BuildVidGenGraph(window.Handle(), kGraphNotify));
    EXPECT_THAT(asserts.Texts(), ElementsAre("hr == ((HRESULT)0L)",
                                             "!L\"CGraph::BuildVidGenGraph(): Vid Gen -> Resizer connection FAILED\""));
    EXPECT_TRUE(graph.HasResizer());
    EXPECT_TRUE(graph.HasVideoGenerator());
    graph.Close();
  }
  EXPECT_EQ(1u, generator.Refs());
  EXPECT_EQ(1u, noPins.Refs());
}

// A file's filters that cannot be looked at: the resizer's lookup fails with its own code,
// not the E_FAIL of a graph without a resizer; the generator's lookup is only asserted.
TEST(BuildFailure, AResizerLookupThatFailsGivesItsOwnCode) {
  const std::string kEnum = "!L\"FindFilter(): pGraph->EnumFilters() FAILED\"";
  const std::string kNext = "!L\"FindFilter(): spEnumFilters->Next() FAILED\"";
  const std::string kClass = "!L\"FindFilter(): spFilter->GetClassID() FAILED\"";
  const std::string kNoResizer = "!L\"CGraph::BuildGraph(): Resizer is not found in graph\"";
  std::wstring path;
  ASSERT_EQ(S_OK, WriteEmptyGraphFile(&path));
  FakeFilter generator(CLSID_VideoGenerator);
  FakeFilter nameless;
  nameless.hrGetClassID = E_UNEXPECTED;
  struct Case {
    const char* label;
    std::vector<IBaseFilter*> filters;  // one enumerator for both lookups, never reset
    int nNextFailsAt;
    HRESULT hrEnumFilters;
    HRESULT hrBuild;
    bool bVidGen;
    std::vector<std::string> assertions;
  } cases[] = {
      {"the graph cannot enumerate", {}, -1, E_OUTOFMEMORY, E_OUTOFMEMORY, false, {kEnum, kEnum, kNoResizer}},
      {"the enumerator fails after the generator",
       {&generator},
       1,
       S_OK,
       VFW_E_ENUM_OUT_OF_SYNC,
       true,
       {kNext, kNoResizer}},
      {"filters that cannot tell their class",
       {&nameless, &nameless},
       -1,
       S_OK,
       E_UNEXPECTED,
       false,
       {kClass, kClass, kNoResizer}},
  };
  NotifyWindow window;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    FakeEnumFilters enumFilters(c.filters);
    enumFilters.nFailAt = c.nNextFailsAt;
    enumFilters.hrFail = VFW_E_ENUM_OUT_OF_SYNC;
    FakeGraph manager;
    manager.bHasPersistStream = true;
    manager.pFilters = &enumFilters;
    manager.hrEnumFilters = c.hrEnumFilters;
    {
      CGraph graph;
      ClassSubstitute substitute(CLSID_FilterGraph,
                                 [&](REFIID riid, void** ppv) { return manager.QueryInterface(riid, ppv); });
      AssertRecorder asserts;
      EXPECT_EQ(c.hrBuild, graph.BuildGraph(path.c_str(), window.Handle(), kGraphNotify));
      EXPECT_EQ(c.assertions, asserts.Texts());
      EXPECT_EQ(1, manager.nLoadCalls);
      EXPECT_FALSE(graph.IsEmpty());
      EXPECT_FALSE(graph.HasResizer());
      EXPECT_EQ(c.bVidGen, graph.HasVideoGenerator());
      graph.Close();
    }
    EXPECT_EQ(1u, manager.Refs());
    EXPECT_EQ(1u, enumFilters.Refs());
  }
  EXPECT_EQ(1u, generator.Refs());
  EXPECT_EQ(1u, nameless.Refs());
  ::DeleteFileW(path.c_str());
}

// The two steps of the generated chain that the graph manager decides, refused with both pins
// found: the refusal is the build's result, a positive one too, and what was built stays.
TEST(BuildFailure, TheManagersRefusalOfTheChainIsTheBuildsResult) {
  const std::string kConnect = "!L\"CGraph::BuildVidGenGraph(): Vid Gen -> Resizer connection FAILED\"";
  const std::string kRender = "!L\"RenderFilter(): pGraph->Render() FAILED\"";
  struct Case {
    const char* label;
    HRESULT hrConnectDirect, hrRender;
    std::vector<std::string> assertions;
  } cases[] = {
      {"connection refused", VFW_E_NO_ACCEPTABLE_TYPES, S_OK, {kConnect}},
      {"rendering refused", S_OK, VFW_E_CANNOT_RENDER, {kRender}},
      {"rendered in part", S_OK, VFW_S_PARTIAL_RENDER, {kRender}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    RefusingBuilder builder;
    builder.hrConnectDirect = c.hrConnectDirect;
    builder.hrRender = c.hrRender;
    CoveredGraphManager manager(IID_IGraphBuilder, static_cast<IGraphBuilder*>(&builder));
    ASSERT_TRUE(manager.Created());
    ASSERT_TRUE(builder.Attach(&manager));
    {
      NotifyWindow window;
      CGraph graph;
      ClassSubstitute substitute(CLSID_FilterGraph,
                                 [&](REFIID riid, void** ppv) { return manager.QueryInterface(riid, ppv); });
      AssertRecorder asserts;
      const HRESULT hrRefusal = c.hrConnectDirect != S_OK ? c.hrConnectDirect : c.hrRender;
      EXPECT_EQ(hrRefusal, graph.BuildVidGenGraph(window.Handle(), kGraphNotify));
      EXPECT_EQ(c.assertions, asserts.Texts());
      EXPECT_FALSE(graph.IsEmpty());
      EXPECT_TRUE(graph.HasResizer());
      ASSERT_TRUE(graph.HasVideoGenerator());

      // The real pins each step was given, found again in the states the step left them.
      const bool bConnected = c.hrConnectDirect == S_OK;
      CComPtr<IBaseFilter> spResizer;
      ASSERT_EQ(S_OK, FindFilter(graph.m_spGraph, CLSID_Resizer, &spResizer));
      CComPtr<IPin> spOut, spIn, spResizerOut;
      ASSERT_EQ(S_OK, GetPin(graph.m_spVidGen, false, bConnected, MEDIATYPE_Video, &spOut));
      ASSERT_EQ(S_OK, GetPin(spResizer, true, bConnected, GUID_NULL, &spIn));
      ASSERT_EQ(S_OK, GetPin(spResizer, false, false, GUID_NULL, &spResizerOut));
      EXPECT_THAT(builder.connected, ElementsAre(std::make_pair(spOut.p, spIn.p)));
      EXPECT_EQ(bConnected ? std::vector<IPin*>{spResizerOut.p} : std::vector<IPin*>{}, builder.rendered);
      asserts.Clear();
      graph.Close();
    }
    EXPECT_EQ(1u, manager.Refs());
    EXPECT_EQ(1u, builder.Refs());
  }
}

// The notification window: attached with the build's window and message, detached by Close;
// a refusal is the build's result, and a manager without the interface fails the build.
TEST(BuildFailure, TheNotificationWindowDecidesTheBuildsResult) {
  struct Case {
    const char* label;
    bool bHasEvents;
    HRESULT hrSetNotifyWindow;
    HRESULT hrBuild;
    std::vector<std::string> buildAssertions;
    std::vector<std::string> closeAssertions;
  } cases[] = {
      {"attached", true, S_OK, S_OK, {}, {}},
      {"refused", true, E_UNEXPECTED, E_UNEXPECTED, {"hr == ((HRESULT)0L)"}, {}},
      {"no IMediaEventEx", false, S_OK, E_FAIL, {"spMediaEventEx != 0"}, {"spMediaEventEx != 0"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    FakeMediaEventEx events;
    events.hrSetNotifyWindow = c.hrSetNotifyWindow;
    CoveredGraphManager manager(IID_IMediaEventEx, c.bHasEvents ? static_cast<IMediaEventEx*>(&events) : nullptr);
    ASSERT_TRUE(manager.Created());
    {
      NotifyWindow window;
      CGraph graph;
      ClassSubstitute substitute(CLSID_FilterGraph,
                                 [&](REFIID riid, void** ppv) { return manager.QueryInterface(riid, ppv); });
      AssertRecorder asserts;
      EXPECT_EQ(c.hrBuild, graph.BuildVidGenGraph(window.Handle(), kGraphNotify));
      EXPECT_EQ(c.buildAssertions, asserts.Texts());
      EXPECT_TRUE(graph.HasResizer());
      EXPECT_TRUE(graph.HasVideoGenerator());
      asserts.Clear();
      graph.Close();
      EXPECT_EQ(c.closeAssertions, asserts.Texts());
      EXPECT_TRUE(graph.IsEmpty());

      const OAHWND hWnd = reinterpret_cast<OAHWND>(window.Handle());
      if (c.bHasEvents) {
        EXPECT_THAT(events.calls, ElementsAre(FakeMediaEventEx::Call{hWnd, static_cast<long>(kGraphNotify), 0},
                                              FakeMediaEventEx::Call{0, 0, 0}));
      }
    }
    EXPECT_EQ(1u, manager.Refs());
    EXPECT_EQ(1u, events.Refs());
  }
}

// A graph manager without an interface that an operation asks for at its call: the build
// still succeeds (the video window's placement is not its business), and the operation
// answers what it answers without a graph, its assertion naming the missing interface.
TEST(ManagerWithoutAnInterface, TheOperationThatNeedsItFailsAndNothingElse) {
  const std::string kNoControl = "spMediaControl != 0";
  struct Case {
    const char* label;
    const IID* piidMissing;
    std::vector<std::string> buildAssertions;
    std::function<std::vector<HRESULT>(CGraph&, HWND)> fnCall;
    std::vector<HRESULT> results;
    std::vector<std::string> assertions;
  } cases[] = {
      {"no IMediaControl",
       &IID_IMediaControl,
       {},
       [](CGraph& g, HWND) {
         return std::vector<HRESULT>{g.Run(), g.Pause(), g.Stop()};
       },
       {E_FAIL, E_FAIL, E_FAIL},
       {kNoControl, kNoControl, kNoControl}},
      {"no IMediaSeeking",
       &IID_IMediaSeeking,
       {},
       [](CGraph& g, HWND) {
         return std::vector<HRESULT>{g.SetPositions(0, 0), g.SetPositions(10000000, 50000000)};
       },
       {E_FAIL, E_FAIL},
       {"spMediaSeeking != 0", "spMediaSeeking != 0"}},
      {"no IMediaEvent",
       &IID_IMediaEvent,
       {},
       [](CGraph& g, HWND) { return std::vector<HRESULT>{static_cast<HRESULT>(g.GetEvent())}; },
       {0},
       {"spMediaEvent != 0"}},
      {"no IVideoWindow",
       &IID_IVideoWindow,
       {"spVideoWindow != 0"},
       [](CGraph& g, HWND hWnd) { return std::vector<HRESULT>{g.PlaceVideoWindow(hWnd)}; },
       {E_FAIL},
       {"spVideoWindow != 0"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    CoveredGraphManager manager(*c.piidMissing, nullptr);
    ASSERT_TRUE(manager.Created());
    {
      NotifyWindow window;
      CGraph graph;
      ClassSubstitute substitute(CLSID_FilterGraph,
                                 [&](REFIID riid, void** ppv) { return manager.QueryInterface(riid, ppv); });
      AssertRecorder asserts;
      EXPECT_EQ(S_OK, graph.BuildVidGenGraph(window.Handle(), kGraphNotify));
      EXPECT_EQ(c.buildAssertions, asserts.Texts());
      asserts.Clear();
      EXPECT_EQ(c.results, c.fnCall(graph, window.Handle()));
      EXPECT_EQ(c.assertions, asserts.Texts());
      graph.Close();
    }
    EXPECT_EQ(1u, manager.Refs());
  }
}
