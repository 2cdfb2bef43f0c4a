// InsertFilter and FindFilter: on doubles for every failure, on Wine's graph manager for the real thing.
#include <gmock/gmock.h>

#include "AssertRecorder.h"
#include "DSGraph.h"
#include "TestSupport.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

const CLSID kFakeFilterClass = {
    0x1B0E8F52, 0x6C3D, 0x4E0A, {0x8B, 0x7E, 0x52, 0x2D, 0x90, 0x11, 0x4C, 0x01}};
const CLSID kOtherClass = {
    0x1B0E8F52, 0x6C3D, 0x4E0A, {0x8B, 0x7E, 0x52, 0x2D, 0x90, 0x11, 0x4C, 0x02}};

const char kFilterMustBeFree[] = "*ppFilter == 0 && L\"The filter pointer must be free\"";

// InsertFilter creates a FakeFilter through a class object of the process.
class InsertFilterTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_EQ(S_OK, m_registration.Result()); }
  void TearDown() override {
    m_registration.Revoke();
    EXPECT_EQ(1u, m_filter.Refs());
    EXPECT_EQ(1u, m_factory.Refs());
  }

  FakeFilter m_filter{kFakeFilterClass};
  FakeClassFactory m_factory{static_cast<IBaseFilter*>(&m_filter)};
  ScopedClassObject m_registration{kFakeFilterClass, &m_factory};
};

TEST_F(InsertFilterTest, PreconditionsInTheirOrder) {
  FakeGraph graph;
  FakeFilter held;
  struct Case {
    const char* label;
    IGraphBuilder* pGraph;
    const wchar_t* pszName;
    bool bOut;
    HRESULT hr;
    const char* text;
  } cases[] = {
      {"null graph", nullptr, nullptr, false, E_INVALIDARG, "pGraph != 0"},
      {"null name", &graph, nullptr, false, E_INVALIDARG, "pszFilterName != 0"},
      {"null output", &graph, L"Fake", false, E_POINTER, "ppFilter != 0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    AssertRecorder asserts;
    // A held reference shows that these checks leave the output alone.
    IBaseFilter* pOut = &held;
    EXPECT_EQ(c.hr, InsertFilter(c.pGraph, kFakeFilterClass, c.pszName, c.bOut ? &pOut : nullptr));
    EXPECT_THAT(asserts.Texts(), ElementsAre(c.text));
    EXPECT_EQ(&held, pOut);
  }
  EXPECT_EQ(0, m_factory.nCreated);
  EXPECT_THAT(graph.added, IsEmpty());
  EXPECT_EQ(1u, held.Refs());
  EXPECT_EQ(1u, graph.Refs());
}

TEST_F(InsertFilterTest, HandsTheNewFilterOutWithOneReference) {
  FakeGraph graph;
  CComPtr<IBaseFilter> spFilter;
  {
    AssertRecorder asserts;
    EXPECT_EQ(S_OK, InsertFilter(&graph, kFakeFilterClass, L"Fake", &spFilter));
    EXPECT_THAT(asserts.Texts(), IsEmpty());
  }
  EXPECT_EQ(static_cast<IBaseFilter*>(&m_filter), spFilter.p);
  ASSERT_EQ(1u, graph.added.size());
  // The test's, the graph's and the caller's.
  EXPECT_EQ(3u, m_filter.Refs());
  spFilter.Release();
  graph.added.clear();
}

TEST_F(InsertFilterTest, OutputNotFreeIsClearedAndNotReleased) {
  FakeGraph graph;
  FakeFilter held;
  IBaseFilter* pOut = &held;
  AssertRecorder asserts;
  EXPECT_EQ(S_OK, InsertFilter(&graph, kFakeFilterClass, L"Fake", &pOut));
  EXPECT_THAT(asserts.Texts(), ElementsAre(kFilterMustBeFree));
  EXPECT_EQ(static_cast<IBaseFilter*>(&m_filter), pOut);
  EXPECT_EQ(1u, held.Refs());
  pOut->Release();
  graph.added.clear();
}

TEST_F(InsertFilterTest, AddFilterOtherThanSOkIsReturnedWithoutTheFilter) {
  struct Case {
    const char* label;
    HRESULT hrAddFilter;
    ULONG cGraphRefs;  // what the graph keeps of the filter
  } cases[] = {
      {"failure", VFW_E_NOT_STOPPED, 0},
      {"duplicate name", VFW_S_DUPLICATE_NAME, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    FakeGraph graph;
    graph.hrAddFilter = c.hrAddFilter;
    IBaseFilter* pOut = nullptr;
    AssertRecorder asserts;
    EXPECT_EQ(c.hrAddFilter, InsertFilter(&graph, kFakeFilterClass, L"Fake", &pOut));
    EXPECT_THAT(asserts.Texts(), ElementsAre("!L\"InsertFilter(): pGraph->AddFilter() FAILED\""));
    EXPECT_EQ(nullptr, pOut);
    EXPECT_EQ(1u + c.cGraphRefs, m_filter.Refs());
    EXPECT_EQ(1u, graph.Refs());
  }
}

TEST(InsertFilter, UnregisteredClassLeavesTheGraphUnchanged) {
  CComPtr<IGraphBuilder> spGraph = NewGraph();
  ASSERT_TRUE(spGraph);
  IBaseFilter* pOut = nullptr;
  AssertRecorder asserts;
  EXPECT_EQ(REGDB_E_CLASSNOTREG, InsertFilter(spGraph, kUnregistered, L"Nothing", &pOut));
  EXPECT_THAT(asserts.Texts(), ElementsAre("!L\"InsertFilter(): CoCreateInstance() FAILED\""));
  EXPECT_EQ(nullptr, pOut);
  EXPECT_THAT(FiltersOf(spGraph), IsEmpty());
}

TEST(InsertFilter, AddsARealFilterUnderItsName) {
  CComPtr<IGraphBuilder> spGraph = NewGraph();
  ASSERT_TRUE(spGraph);
  CComPtr<IBaseFilter> spNull;
  AssertRecorder asserts;
  ASSERT_EQ(S_OK, InsertFilter(spGraph, kNullRenderer, L"Null", &spNull));
  EXPECT_THAT(asserts.Texts(), IsEmpty());
  CComPtr<IBaseFilter> spByName;
  ASSERT_EQ(S_OK, spGraph->FindFilterByName(L"Null", &spByName));
  EXPECT_EQ(spNull.p, spByName.p);
}

// Wine renames the second filter and answers VFW_S_DUPLICATE_NAME: a success
// code that InsertFilter passes on, keeping no reference of its own.
TEST(InsertFilter, DuplicateNameGivesThePositiveCodeAndNoFilter) {
  CComPtr<IGraphBuilder> spGraph = NewGraph();
  ASSERT_TRUE(spGraph);
  CComPtr<IBaseFilter> spFirst;
  ASSERT_EQ(S_OK, InsertFilter(spGraph, kNullRenderer, L"Null", &spFirst));
  IBaseFilter* pSecond = nullptr;
  AssertRecorder asserts;
  EXPECT_EQ(VFW_S_DUPLICATE_NAME, InsertFilter(spGraph, kNullRenderer, L"Null", &pSecond));
  EXPECT_THAT(asserts.Texts(), ElementsAre("!L\"InsertFilter(): pGraph->AddFilter() FAILED\""));
  EXPECT_EQ(nullptr, pSecond);
  EXPECT_EQ(2u, FiltersOf(spGraph).size());
  CComPtr<IBaseFilter> spRenamed;
  EXPECT_EQ(S_OK, spGraph->FindFilterByName(L"Null 0001", &spRenamed));
}

TEST(FindFilter, PreconditionsInTheirOrder) {
  FakeFilter held;
  FakeGraph graph;
  AssertRecorder asserts;
  EXPECT_EQ(E_POINTER, FindFilter(&graph, kFakeFilterClass, nullptr));
  EXPECT_THAT(asserts.Texts(), ElementsAre("ppFilter != 0"));
  asserts.Clear();

  // The output is cleared before the graph is looked at, and not released.
  IBaseFilter* pOut = &held;
  EXPECT_EQ(E_INVALIDARG, FindFilter(nullptr, kFakeFilterClass, &pOut));
  EXPECT_THAT(asserts.Texts(), ElementsAre(kFilterMustBeFree, "pGraph != 0"));
  EXPECT_EQ(nullptr, pOut);
  EXPECT_EQ(1u, held.Refs());
  EXPECT_EQ(1u, graph.Refs());
}

// A graph of doubles: filters of the given classes, enumerated in that order.
struct FilterList {
  explicit FilterList(const std::vector<CLSID>& classes) {
    for (const CLSID& clsid : classes) filters.emplace_back(new FakeFilter(clsid));
    for (auto& pFilter : filters) enumerator.m_items.push_back(pFilter.get());
    graph.pFilters = &enumerator;
  }
  ~FilterList() {
    EXPECT_EQ(1u, graph.Refs());
    EXPECT_EQ(1u, enumerator.Refs());
    for (auto& pFilter : filters) EXPECT_EQ(1u, pFilter->Refs());
  }

  std::vector<std::unique_ptr<FakeFilter>> filters;
  FakeEnumFilters enumerator;
  FakeGraph graph;
};

TEST(FindFilter, FailuresEndTheSearchWithTheirCode) {
  struct Case {
    const char* label;
    void (*arrange)(FilterList&);
    HRESULT hr;
    const char* text;
    int nNextCalls;
  } cases[] = {
      {"EnumFilters fails",
       [](FilterList& l) { l.graph.hrEnumFilters = E_OUTOFMEMORY; }, E_OUTOFMEMORY,
       "!L\"FindFilter(): pGraph->EnumFilters() FAILED\"", 0},
      {"EnumFilters answers a success code",
       [](FilterList& l) { l.graph.hrEnumFilters = S_FALSE; }, S_FALSE,
       "!L\"FindFilter(): pGraph->EnumFilters() FAILED\"", 0},
      {"Next fails at once",
       [](FilterList& l) { l.enumerator.nFailAt = 0; l.enumerator.hrFail = VFW_E_ENUM_OUT_OF_SYNC; },
       VFW_E_ENUM_OUT_OF_SYNC, "!L\"FindFilter(): spEnumFilters->Next() FAILED\"", 1},
      {"Next fails after a filter of another class",
       [](FilterList& l) { l.enumerator.nFailAt = 1; l.enumerator.hrFail = E_UNEXPECTED; },
       E_UNEXPECTED, "!L\"FindFilter(): spEnumFilters->Next() FAILED\"", 2},
      {"Next answers an odd success code with a filter",
       [](FilterList& l) {
         l.enumerator.nFailAt = 0;
         l.enumerator.hrFail = 2;
         l.enumerator.bDeliverOnFail = true;
       },
       2, "!L\"FindFilter(): spEnumFilters->Next() FAILED\"", 1},
      {"Next claims a filter it does not deliver",
       [](FilterList& l) { l.enumerator.nFailAt = 0; l.enumerator.hrFail = S_OK; }, E_FAIL,
       "cFetched == 1", 1},
      {"GetClassID fails before a match",
       [](FilterList& l) { l.filters[0]->hrGetClassID = E_NOTIMPL; }, E_NOTIMPL,
       "!L\"FindFilter(): spFilter->GetClassID() FAILED\"", 1},
      {"GetClassID answers S_FALSE",
       [](FilterList& l) { l.filters[0]->hrGetClassID = S_FALSE; }, S_FALSE,
       "!L\"FindFilter(): spFilter->GetClassID() FAILED\"", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    FilterList list({kOtherClass, kFakeFilterClass});
    c.arrange(list);
    IBaseFilter* pOut = nullptr;
    AssertRecorder asserts;
    EXPECT_EQ(c.hr, FindFilter(&list.graph, kFakeFilterClass, &pOut));
    EXPECT_THAT(asserts.Texts(), ElementsAre(c.text));
    EXPECT_EQ(nullptr, pOut);
    EXPECT_EQ(c.nNextCalls, list.enumerator.nNextCalls);
  }
}

TEST(FindFilter, AnswersTheFirstMatchOrSFalse) {
  struct Case {
    const char* label;
    std::vector<CLSID> classes;
    HRESULT hr;
    int nFound;  // index of the filter handed out, -1 for none
    int nNextCalls;
  } cases[] = {
      {"empty graph", {}, S_FALSE, -1, 1},
      {"no filter of the class", {kOtherClass, kOtherClass}, S_FALSE, -1, 3},
      {"match after another class", {kOtherClass, kFakeFilterClass}, S_OK, 1, 2},
      {"first of two matches", {kFakeFilterClass, kFakeFilterClass}, S_OK, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    FilterList list(c.classes);
    CComPtr<IBaseFilter> spFound;
    AssertRecorder asserts;
    EXPECT_EQ(c.hr, FindFilter(&list.graph, kFakeFilterClass, &spFound));
    EXPECT_THAT(asserts.Texts(), IsEmpty());
    EXPECT_EQ(c.nNextCalls, list.enumerator.nNextCalls);
    if (c.nFound < 0) {
      EXPECT_EQ(nullptr, spFound.p);
      continue;
    }
    EXPECT_EQ(static_cast<IBaseFilter*>(list.filters[c.nFound].get()), spFound.p);
    EXPECT_EQ(2u, list.filters[c.nFound]->Refs());
  }
}

TEST(FindFilter, FindsTheFirstRealFilterOfTheClass) {
  CComPtr<IGraphBuilder> spGraph = NewGraph();
  ASSERT_TRUE(spGraph);
  CComPtr<IBaseFilter> spFound;
  EXPECT_EQ(S_FALSE, FindFilter(spGraph, kNullRenderer, &spFound));
  EXPECT_EQ(nullptr, spFound.p);

  CComPtr<IBaseFilter> spGrabber, spNull1, spNull2;
  ASSERT_EQ(S_OK, InsertFilter(spGraph, kSampleGrabber, L"Grabber", &spGrabber));
  ASSERT_EQ(S_OK, InsertFilter(spGraph, kNullRenderer, L"Null 1", &spNull1));
  ASSERT_EQ(S_OK, InsertFilter(spGraph, kNullRenderer, L"Null 2", &spNull2));
  // "First" is the enumerator's order, whatever order the manager keeps.
  IBaseFilter* pFirstNull = nullptr;
  for (const auto& spFilter : FiltersOf(spGraph)) {
    if (spFilter == spNull1 || spFilter == spNull2) {
      pFirstNull = spFilter;
      break;
    }
  }
  AssertRecorder asserts;
  EXPECT_EQ(S_OK, FindFilter(spGraph, kNullRenderer, &spFound));
  EXPECT_THAT(asserts.Texts(), IsEmpty());
  EXPECT_EQ(pFirstNull, spFound.p);
}

}  // namespace
