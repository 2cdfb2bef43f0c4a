// ShowPropertyPages through Wine's real property frame, closed by a driver thread.
#include <gmock/gmock.h>

#include "AssertRecorder.h"
#include "DSGraph.h"
#include "FrameDriver.h"
#include "FreeRecorder.h"
#include "ImportPatch.h"
#include "TestSupport.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using harness::FrameDriver;

namespace {

const CLSID kFakePageClass = {
    0x7A3C51E0, 0x2F4B, 0x4C8D, {0x9E, 0x11, 0x6B, 0x20, 0x3D, 0x71, 0xC4, 0x0A}};

const char kFrameFailed[] = "!L\"ShowPropertyPages(): OleCreatePropertyFrame() FAILED\"";

// Stands in for OleCreatePropertyFrame: notes the request, answers hr.
struct FrameStub {
  HRESULT hr = S_OK;
  int nCalls = 0;
  HWND hWndOwner = nullptr;
  UINT x = 1, y = 1;
  std::wstring caption;
  std::vector<IUnknown*> objects;
  std::vector<GUID> pages;
  const GUID* pPages = nullptr;
  LCID lcid = 1;
  DWORD dwReserved = 1;
  void* pvReserved = &dwReserved;
} g_frame;

HRESULT WINAPI StubOleCreatePropertyFrame(HWND hWndOwner, UINT x, UINT y, LPCOLESTR pszCaption,
                                          ULONG cObjects, LPUNKNOWN* ppUnk, ULONG cPages,
                                          LPCLSID pPageClsID, LCID lcid, DWORD dwReserved,
                                          LPVOID pvReserved) {
  ++g_frame.nCalls;
  g_frame.hWndOwner = hWndOwner;
  g_frame.x = x;
  g_frame.y = y;
  g_frame.caption = pszCaption;
  g_frame.objects.assign(ppUnk, ppUnk + cObjects);
  g_frame.pages.assign(pPageClsID, pPageClsID + cPages);
  g_frame.pPages = pPageClsID;
  g_frame.lcid = lcid;
  g_frame.dwReserved = dwReserved;
  g_frame.pvReserved = pvReserved;
  return g_frame.hr;
}

// A filter in a graph with one page of a class registered for the process.
class PropertyPagesTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_EQ(S_OK, m_registration.Result());
    // A frame whose page cannot be created cannot be closed: make sure it can.
    CComPtr<IPropertyPage> spPage;
    ASSERT_EQ(S_OK, spPage.CoCreateInstance(kFakePageClass, nullptr, CLSCTX_INPROC_SERVER));
    m_factory.nCreated = 0;
    ASSERT_TRUE(m_frees.Active());
    m_filter.name = L"Video Generator";
    m_filter.pGraph = &m_graph;
    m_filter.bHasPages = true;
    m_filter.pages = {kFakePageClass};
  }
  void TearDown() override {
    m_registration.Revoke();
    EXPECT_EQ(1u, m_page.Refs());
    EXPECT_EQ(1u, m_factory.Refs());
    EXPECT_EQ(1u, m_filter.Refs());
    EXPECT_EQ(1u, m_graph.Refs());
  }

  // Shown as the caller passes it: an IUnknown that is not the filter interface.
  IUnknown* Object() { return m_filter.PagesUnknown(); }

  FreeRecorder m_frees;
  FakeGraph m_graph;
  FakeFilter m_filter;
  FakePropertyPage m_page;
  FakeClassFactory m_factory{&m_page};
  ScopedClassObject m_registration{kFakePageClass, &m_factory};
};

TEST_F(PropertyPagesTest, ObjectsThatShowNoFrame) {
  FakeFilter notAFilter;
  notAFilter.bIsFilter = false;
  notAFilter.bHasPages = true;
  notAFilter.pages = {kFakePageClass};
  FakeFilter withoutPages;
  struct Case {
    const char* label;
    IUnknown* pUnknown;
    HRESULT hr;
    std::vector<const char*> texts;
  } cases[] = {
      {"null object", nullptr, E_INVALIDARG, {"pUnknown != 0"}},
      {"not a filter", notAFilter.PagesUnknown(), E_FAIL, {"spFilter != 0"}},
      {"no property pages", static_cast<IBaseFilter*>(&withoutPages), S_FALSE, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    AssertRecorder asserts;
    EXPECT_EQ(c.hr, ShowPropertyPages(c.pUnknown, nullptr));
    EXPECT_THAT(asserts.Texts(), ::testing::ElementsAreArray(c.texts));
  }
  EXPECT_EQ(nullptr, notAFilter.pPageArray);
  EXPECT_EQ(0, m_factory.nCreated);
  EXPECT_EQ(1u, notAFilter.Refs());
  EXPECT_EQ(1u, withoutPages.Refs());
}

TEST_F(PropertyPagesTest, GetPagesOtherThanSOkIsReturned) {
  for (HRESULT hrGetPages : {E_OUTOFMEMORY, S_FALSE}) {
    SCOPED_TRACE(hrGetPages);
    m_filter.hrGetPages = hrGetPages;
    m_filter.pPageArray = nullptr;
    AssertRecorder asserts;
    EXPECT_EQ(hrGetPages, ShowPropertyPages(Object(), nullptr));
    EXPECT_THAT(asserts.Texts(),
                ElementsAre("!L\"CGraph::ShowPropertyPages(): spPropertyPages->GetPages() FAILED\""));
    // A success code comes with an array, which must not be lost.
    if (m_filter.pPageArray) {
      EXPECT_EQ(1, m_frees.Count(m_filter.pPageArray));
    }
  }
  EXPECT_EQ(0, m_factory.nCreated);
}

TEST_F(PropertyPagesTest, FrameIsCaptionedWithTheFiltersNameAndItsResultReturned) {
  struct Case {
    const char* label;
    void (*arrange)(FakeFilter&);
    FrameDriver::Close how;
    std::wstring caption;
  } cases[] = {
      {"OK", [](FakeFilter&) {}, FrameDriver::kOk, L"Properties for Video Generator"},
      // Wine answers S_OK for Cancel too.
      {"Cancel", [](FakeFilter&) {}, FrameDriver::kCancel, L"Properties for Video Generator"},
      {"QueryFilterInfo fails", [](FakeFilter& f) { f.hrQueryFilterInfo = E_NOTIMPL; },
       FrameDriver::kOk, L"Properties for Properties"},
      {"a name that fills the buffer", [](FakeFilter& f) { f.bFullName = true; }, FrameDriver::kOk,
       L"Properties for " + std::wstring(MAX_FILTER_NAME - 1, L'N')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    m_filter.hrQueryFilterInfo = S_OK;
    m_filter.bFullName = false;
    c.arrange(m_filter);
    m_page.objects.clear();
    HRESULT hr = E_UNEXPECTED;
    FrameDriver driver(c.how);
    {
      AssertRecorder asserts;
      hr = ShowPropertyPages(Object(), nullptr);
      EXPECT_THAT(asserts.Texts(), IsEmpty());
    }
    EXPECT_EQ(S_OK, hr);
    EXPECT_EQ(c.caption, driver.Caption());
    EXPECT_FALSE(driver.Forced());
    EXPECT_THAT(m_page.objects, ElementsAre(Object()));
    EXPECT_EQ(1, m_frees.Count(m_filter.pPageArray));
    EXPECT_EQ(1u, m_graph.Refs());
  }
}

// Wine's frame fails only without a page array; any other failure comes
// from a stand-in for it. The array is freed all the same.
TEST_F(PropertyPagesTest, FrameFailureIsReturnedAndTheArrayStillFreed) {
  ImportPatch patch("oleaut32.dll", "OleCreatePropertyFrame",
                    reinterpret_cast<void*>(&StubOleCreatePropertyFrame));
  ASSERT_TRUE(patch.Active());
  g_frame = FrameStub();
  g_frame.hr = E_OUTOFMEMORY;
  const HWND hWndOwner = ::GetDesktopWindow();
  AssertRecorder asserts;
  EXPECT_EQ(E_OUTOFMEMORY, ShowPropertyPages(Object(), hWndOwner));
  EXPECT_THAT(asserts.Texts(), ElementsAre(kFrameFailed));
  ASSERT_NE(nullptr, m_filter.pPageArray);
  EXPECT_EQ(1, m_frees.Count(m_filter.pPageArray));

  // The owner, at 0, 0, the name, the object as passed, the filter's own page list.
  EXPECT_EQ(1, g_frame.nCalls);
  EXPECT_EQ(hWndOwner, g_frame.hWndOwner);
  EXPECT_EQ(0u, g_frame.x);
  EXPECT_EQ(0u, g_frame.y);
  EXPECT_EQ(L"Video Generator", g_frame.caption);
  EXPECT_THAT(g_frame.objects, ElementsAre(Object()));
  EXPECT_THAT(g_frame.pages, ElementsAre(kFakePageClass));
  EXPECT_EQ(m_filter.pPageArray, g_frame.pPages);
  EXPECT_EQ(0u, g_frame.lcid);
  EXPECT_EQ(0u, g_frame.dwReserved);
  EXPECT_EQ(nullptr, g_frame.pvReserved);
}

// Wine refuses a frame without a page array: the frame's failure is returned.
TEST_F(PropertyPagesTest, NoPagesAndNoArrayFailsTheFrame) {
  m_filter.pages.clear();
  m_filter.bNullPageArray = true;
  FrameDriver driver(FrameDriver::kCancel);
  AssertRecorder asserts;
  EXPECT_EQ(E_POINTER, ShowPropertyPages(Object(), nullptr));
  EXPECT_THAT(asserts.Texts(), ElementsAre(kFrameFailed));
  EXPECT_EQ(nullptr, m_filter.pPageArray);
}

// With an empty array Wine shows an empty frame that ignores OK and Cancel,
// like a frame whose page cannot be created; only WM_QUIT ends it.
TEST_F(PropertyPagesTest, NoPagesShowsAnEmptyFrameAndFreesTheArray) {
  m_filter.pages.clear();
  FrameDriver driver(FrameDriver::kQuit);
  AssertRecorder asserts;
  EXPECT_EQ(S_OK, ShowPropertyPages(Object(), nullptr));
  EXPECT_THAT(asserts.Texts(), IsEmpty());
  EXPECT_EQ(L"Properties for Video Generator", driver.Caption());
  EXPECT_EQ(0, m_factory.nCreated);
  ASSERT_NE(nullptr, m_filter.pPageArray);
  EXPECT_EQ(1, m_frees.Count(m_filter.pPageArray));
}

}  // namespace
