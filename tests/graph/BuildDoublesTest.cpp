// The builds' failure paths and odd components that the real parts do not produce on
// demand: creations that fail, a resizer without its controls, a generator without a video
// output, a graph manager whose notifications are missing or refused, and one that lacks an
// interface the playback or the video window's placement asks for.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "AssertRecorder.h"
#include "ComDoubles.h"
#include "Graph.h"
#include "GraphTestSupport.h"
#include "VideoGenerator.h"

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

// A filter that passes every IBaseFilter call to a real one and hides one interface of it.
// Starts with the test's one reference and is never deleted by Release.
class FilterHidingAnInterface : public CountedObject<IBaseFilter> {
public:
  FilterHidingAnInterface(REFCLSID clsid, REFIID riidHidden) : m_riidHidden(riidHidden) {
    ClassSubstitute::CreateReal(clsid, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&m_spInner));
  }
  bool Created() const { return m_spInner != 0; }

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (riid == IID_IUnknown || riid == IID_IBaseFilter || riid == IID_IMediaFilter ||
        riid == IID_IPersist) {
      *ppv = static_cast<IBaseFilter*>(this);
      AddRef();
      return S_OK;
    }
    if (riid == m_riidHidden) {
      *ppv = nullptr;
      return E_NOINTERFACE;
    }
    return m_spInner->QueryInterface(riid, ppv);
  }
  STDMETHODIMP GetClassID(CLSID* pClsid) override { return m_spInner->GetClassID(pClsid); }
  STDMETHODIMP Stop() override { return m_spInner->Stop(); }
  STDMETHODIMP Pause() override { return m_spInner->Pause(); }
  STDMETHODIMP Run(REFERENCE_TIME tStart) override { return m_spInner->Run(tStart); }
  STDMETHODIMP GetState(DWORD dwMs, FILTER_STATE* pState) override { return m_spInner->GetState(dwMs, pState); }
  STDMETHODIMP SetSyncSource(IReferenceClock* pClock) override { return m_spInner->SetSyncSource(pClock); }
  STDMETHODIMP GetSyncSource(IReferenceClock** ppClock) override { return m_spInner->GetSyncSource(ppClock); }
  STDMETHODIMP EnumPins(IEnumPins** ppEnum) override { return m_spInner->EnumPins(ppEnum); }
  STDMETHODIMP FindPin(LPCWSTR pszId, IPin** ppPin) override { return m_spInner->FindPin(pszId, ppPin); }
  STDMETHODIMP QueryFilterInfo(FILTER_INFO* pInfo) override { return m_spInner->QueryFilterInfo(pInfo); }
  STDMETHODIMP JoinFilterGraph(IFilterGraph* pGraph, LPCWSTR pszName) override {
    return m_spInner->JoinFilterGraph(pGraph, pszName);
  }
  STDMETHODIMP QueryVendorInfo(LPWSTR* ppszInfo) override { return m_spInner->QueryVendorInfo(ppszInfo); }

private:
  const IID m_riidHidden;
  CComPtr<IBaseFilter> m_spInner;
};

// IMediaEventEx that records the windows it is given and answers SetNotifyWindow as told.
class FakeMediaEventEx : public CountedObject<IMediaEventEx> {
public:
  struct Call {
    OAHWND hWnd;
    long lMsg;
    LONG_PTR lInstance;
    bool operator==(const Call& o) const {
      return hWnd == o.hWnd && lMsg == o.lMsg && lInstance == o.lInstance;
    }
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
  FilterHidingAnInterface resizer(CLSID_Resizer, IID_IResizerControl);
  ASSERT_TRUE(resizer.Created());
  {
    NotifyWindow window;
    CGraph graph;
    ClassSubstitute substitute(CLSID_Resizer, [&](REFIID riid, void** ppv) {
      return resizer.QueryInterface(riid, ppv);
    });
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
    ClassSubstitute substitute(CLSID_VideoGenerator, [&](REFIID riid, void** ppv) {
      return generator.QueryInterface(riid, ppv);
    });
    AssertRecorder asserts;
    EXPECT_EQ(E_POINTER, graph.BuildVidGenGraph(window.Handle(), kGraphNotify));
    EXPECT_THAT(asserts.Texts(),
                ElementsAre("hr == ((HRESULT)0L)",
                            "!L\"CGraph::BuildVidGenGraph(): Vid Gen -> Resizer connection FAILED\""));
    EXPECT_TRUE(graph.HasResizer());
    EXPECT_TRUE(graph.HasVideoGenerator());
    graph.Close();
  }
  EXPECT_EQ(1u, generator.Refs());
  EXPECT_EQ(1u, noPins.Refs());
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
      ClassSubstitute substitute(CLSID_FilterGraph, [&](REFIID riid, void** ppv) {
        return manager.QueryInterface(riid, ppv);
      });
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
      {"no IMediaControl", &IID_IMediaControl, {},
       [](CGraph& g, HWND) { return std::vector<HRESULT>{g.Run(), g.Pause(), g.Stop()}; },
       {E_FAIL, E_FAIL, E_FAIL}, {kNoControl, kNoControl, kNoControl}},
      {"no IMediaSeeking", &IID_IMediaSeeking, {},
       [](CGraph& g, HWND) { return std::vector<HRESULT>{g.SetPositions(0, 0), g.SetPositions(10000000, 50000000)}; },
       {E_FAIL, E_FAIL}, {"spMediaSeeking != 0", "spMediaSeeking != 0"}},
      {"no IMediaEvent", &IID_IMediaEvent, {},
       [](CGraph& g, HWND) { return std::vector<HRESULT>{static_cast<HRESULT>(g.GetEvent())}; },
       {0}, {"spMediaEvent != 0"}},
      {"no IVideoWindow", &IID_IVideoWindow, {"spVideoWindow != 0"},
       [](CGraph& g, HWND hWnd) { return std::vector<HRESULT>{g.PlaceVideoWindow(hWnd)}; },
       {E_FAIL}, {"spVideoWindow != 0"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    CoveredGraphManager manager(*c.piidMissing, nullptr);
    ASSERT_TRUE(manager.Created());
    {
      NotifyWindow window;
      CGraph graph;
      ClassSubstitute substitute(CLSID_FilterGraph, [&](REFIID riid, void** ppv) {
        return manager.QueryInterface(riid, ppv);
      });
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
