// The sixteen forwards to the resizer's IResizerControl, the algorithm table and the
// version text: our registered Resizer where it can show the case, a fake where it cannot.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <regex>
#include <string>

#include "AssertRecorder.h"
#include "Graph.h"
#include "GraphTestSupport.h"
#include "ResizerDoubles.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

// The graph's resizer, reached on its own road: found in the graph, not through CGraph.
CComPtr<IResizerControl> ResizerOf(IGraphBuilder* pGraph) {
  CComPtr<IBaseFilter> spFilter;
  CComPtr<IResizerControl> spControl;
  if (FindFilter(pGraph, CLSID_Resizer, &spFilter) == S_OK)
    spFilter->QueryInterface(IID_IResizerControl, reinterpret_cast<void**>(&spControl));
  return spControl;
}

}  // namespace

TEST(ResizeAlgorithms, ListsTheEightValuesInOrderWithTheirNames) {
  const wchar_t* const names[] = {L"Nearest",           L"Linear",
                                  L"Cubic (BSpline)",   L"Cubic (CatmullRom)",
                                  L"Cubic (B05C03)",    L"Lanczos (2-lobed)",
                                  L"Lanczos (3-lobed)", L"Supersampling"};
  for (int i = 0; i < kResizeAlgorithmCount; ++i) {
    EXPECT_EQ(i + 1, static_cast<int>(g_ResizeAlgorithms[i].eValue));
    EXPECT_STREQ(names[i], g_ResizeAlgorithms[i].pszName);
  }
}

TEST(ResizerControl, EverySettingReachesTheFilterAndComesBackUnchanged) {
  NotifyWindow window;
  CGraph graph;
  ASSERT_EQ(S_OK, graph.BuildVidGenGraph(window.Handle(), kGraphNotify));
  CComPtr<IResizerControl> spFilter = ResizerOf(graph.m_spGraph);
  ASSERT_TRUE(spFilter);

  struct Case {
    const char* label;
    std::function<HRESULT()> fnSetThroughGraph;
    std::function<bool()> fnFilterHasIt;
    std::function<HRESULT()> fnSetThroughFilter;
    std::function<bool()> fnGraphReportsIt;
  } cases[] = {
      {"algorithm", [&] { return graph.SetResizeAlgorithm(RESIZE_LANCZOS3); },
       [&] {
         ResizeAlgorithm e{};
         return spFilter->GetResizeAlgorithm(&e) == S_OK && e == RESIZE_LANCZOS3;
       },
       [&] { return spFilter->SetResizeAlgorithm(RESIZE_NEAREST); },
       [&] {
         ResizeAlgorithm e{};
         return graph.GetResizeAlgorithm(&e) == S_OK && e == RESIZE_NEAREST;
       }},
      {"antialiasing", [&] { return graph.SetAntialiasing(FALSE); },
       [&] {
         BOOL b = TRUE;
         return spFilter->GetAntialiasing(&b) == S_OK && !b;
       },
       [&] { return spFilter->SetAntialiasing(TRUE); },
       [&] {
         BOOL b = FALSE;
         return graph.GetAntialiasing(&b) == S_OK && b;
       }},
      {"automatic supersampling", [&] { return graph.SetAutoSupersampling(TRUE); },
       [&] {
         BOOL b = FALSE;
         return spFilter->GetAutoSupersampling(&b) == S_OK && b;
       },
       [&] { return spFilter->SetAutoSupersampling(FALSE); },
       [&] {
         BOOL b = TRUE;
         return graph.GetAutoSupersampling(&b) == S_OK && !b;
       }},
      {"clipping rectangle",
       [&] {
         const RECT rc = {8, 16, 328, 256};
         return graph.SetClippingRect(&rc);
       },
       [&] {
         RECT rc{};
         const RECT rcWant = {8, 16, 328, 256};
         return spFilter->GetClippingRect(&rc) == S_OK && ::EqualRect(&rc, &rcWant);
       },
       [&] {
         const RECT rc = {};
         return spFilter->SetClippingRect(&rc);
       },
       [&] {
         RECT rc = {1, 1, 1, 1};
         return graph.GetClippingRect(&rc) == S_OK && ::IsRectEmpty(&rc) && rc.left == 0;
       }},
      {"fixed output", [&] { return graph.SetFixedOutput(FALSE); },
       [&] {
         BOOL b = TRUE;
         return spFilter->GetFixedOutput(&b) == S_OK && !b;
       },
       [&] { return spFilter->SetFixedOutput(TRUE); },
       [&] {
         BOOL b = FALSE;
         return graph.GetFixedOutput(&b) == S_OK && b;
       }},
      {"flip", [&] { return graph.SetFlip(TRUE); },
       [&] {
         BOOL b = FALSE;
         return spFilter->GetFlip(&b) == S_OK && b;
       },
       [&] { return spFilter->SetFlip(FALSE); },
       [&] {
         BOOL b = TRUE;
         return graph.GetFlip(&b) == S_OK && !b;
       }},
      // Output size and coefficients on a stopped graph: the filter reconnects its output.
      {"output size", [&] { return graph.SetOutputSize(320, 240); },
       [&] {
         LONG cx = 0, cy = 0;
         return spFilter->GetOutputSize(&cx, &cy) == S_OK && cx == 320 && cy == 240;
       },
       [&] { return spFilter->SetOutputSize(160, 120); },
       [&] {
         LONG cx = 0, cy = 0;
         return graph.GetOutputSize(&cx, &cy) == S_OK && cx == 160 && cy == 120;
       }},
      {"resizing coefficients", [&] { return graph.SetResizingCoeffs(0.5, 0.25); },
       [&] {
         double dX = 0, dY = 0;
         return spFilter->GetResizingCoeffs(&dX, &dY) == S_OK && dX == 0.5 && dY == 0.25;
       },
       [&] { return spFilter->SetResizingCoeffs(2.0, 1.5); },
       [&] {
         double dX = 0, dY = 0;
         return graph.GetResizingCoeffs(&dX, &dY) == S_OK && dX == 2.0 && dY == 1.5;
       }},
  };
  AssertRecorder asserts;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(S_OK, c.fnSetThroughGraph());
    EXPECT_TRUE(c.fnFilterHasIt());
    ASSERT_EQ(S_OK, c.fnSetThroughFilter());
    EXPECT_TRUE(c.fnGraphReportsIt());
  }
  EXPECT_THAT(asserts.Texts(), IsEmpty());
  graph.Close();
}

TEST(ResizerControl, TheFiltersRefusalsComeBackUnchanged) {
  NotifyWindow window;
  CGraph graph;
  ASSERT_EQ(S_OK, graph.BuildVidGenGraph(window.Handle(), kGraphNotify));
  EXPECT_EQ(E_INVALIDARG, graph.SetResizeAlgorithm(static_cast<ResizeAlgorithm>(9)));
  EXPECT_EQ(E_INVALIDARG, graph.SetOutputSize(0, 240));
  EXPECT_EQ(E_POINTER, graph.SetClippingRect(nullptr));
  EXPECT_EQ(E_POINTER, graph.GetOutputSize(nullptr, nullptr));
  // A new size while running: the filter's own code.
  ASSERT_TRUE(SUCCEEDED(graph.Run()));
  ASSERT_TRUE(WaitForState(graph.m_spGraph, State_Running));
  EXPECT_EQ(VFW_E_WRONG_STATE, graph.SetOutputSize(100, 100));
  graph.Stop();
  graph.Close();
}

TEST(ResizerControl, WithoutAResizerEveryForwardFailsAndLeavesItsOutputs) {
  CGraph graph;
  ResizeAlgorithm eAlgorithm = static_cast<ResizeAlgorithm>(77);
  BOOL bAntialiasing = 7, bAutoSupersampling = 7, bFixed = 7, bFlip = 7;
  RECT rc = {7, 7, 7, 7};
  LONG cx = 7, cy = 7;
  double dX = 7.5, dY = 7.5;
  AssertRecorder asserts;
  const HRESULT results[] = {
      graph.SetResizeAlgorithm(RESIZE_LINEAR),
      graph.GetResizeAlgorithm(&eAlgorithm),
      graph.SetAntialiasing(TRUE),
      graph.GetAntialiasing(&bAntialiasing),
      graph.SetAutoSupersampling(TRUE),
      graph.GetAutoSupersampling(&bAutoSupersampling),
      graph.SetClippingRect(&rc),
      graph.GetClippingRect(&rc),
      graph.SetOutputSize(10, 10),
      graph.GetOutputSize(&cx, &cy),
      graph.SetResizingCoeffs(1.0, 1.0),
      graph.GetResizingCoeffs(&dX, &dY),
      graph.SetFixedOutput(TRUE),
      graph.GetFixedOutput(&bFixed),
      graph.SetFlip(TRUE),
      graph.GetFlip(&bFlip),
  };
  for (HRESULT hr : results) EXPECT_EQ(E_FAIL, hr);
  EXPECT_EQ(77, static_cast<int>(eAlgorithm));
  EXPECT_EQ(7, bAntialiasing);
  EXPECT_EQ(7, bAutoSupersampling);
  EXPECT_EQ(7, bFixed);
  EXPECT_EQ(7, bFlip);
  EXPECT_TRUE(rc.left == 7 && rc.top == 7 && rc.right == 7 && rc.bottom == 7);
  EXPECT_TRUE(cx == 7 && cy == 7);
  EXPECT_TRUE(dX == 7.5 && dY == 7.5);
  ASSERT_EQ(16u, asserts.Reports().size());
  for (const AssertRecorder::Report& report : asserts.Reports()) {
    EXPECT_EQ("m_spResizer != 0", report.text);
    EXPECT_EQ("Graph.cpp", report.file);
  }
}

TEST(GetResizerVersion, DescribesOurResizersBuild) {
  NotifyWindow window;
  CGraph graph;
  ASSERT_EQ(S_OK, graph.BuildVidGenGraph(window.Handle(), kGraphNotify));
  CComBSTR cbsVersion;
  EXPECT_EQ(S_OK, graph.GetResizerVersion(cbsVersion));
  ASSERT_TRUE(cbsVersion.m_str);
  const std::wstring text(cbsVersion.m_str);
  // A debug build of the bench builds a debug, 64-bit Resizer.
  const std::wregex format(
      L"Resizer \\[D64 v\\.\\d+\\.\\d+\\.\\d+\\.\\d+ "
      L"[A-Z][a-z]{2} \\d{1,2} \\d{4} \\d\\d:\\d\\d:\\d\\d\\]");
  EXPECT_TRUE(std::regex_match(text, format)) << std::string(text.begin(), text.end());
  graph.Close();
}

TEST(GetResizerVersion, ComposesWhatTheComponentReports) {
  const std::wstring longName(600, L'n');
  const std::wstring fittingName(511 - 15, L'n');  // with " [R64 v.1 2 3]": 511 characters
  struct Case {
    const char* label;
    std::function<void(FakeResizer&)> fnSetUp;
    std::wstring expected;
    std::vector<std::string> assertions;
  } cases[] = {
      {"release build, 64-bit", [](FakeResizer&) {}, L"Resizer [R64 v.1.0 Jan 1 2000]", {}},
      {"debug build, 32-bit",
       [](FakeResizer& f) {
         f.eType = FILTER_BUILD_DEBUG;
         f.eOS = FILTER_PLATFORM_32BIT;
       },
       L"Resizer [D32 v.1.0 Jan 1 2000]",
       {}},
      {"any non-zero type is R and 64",
       [](FakeResizer& f) {
         f.eType = static_cast<FilterBuildType>(2);
         f.eOS = static_cast<FilterPlatform>(2);
       },
       L"Resizer [R64 v.1.0 Jan 1 2000]",
       {}},
      {"failing type calls count as 0",
       [](FakeResizer& f) { f.hrTypes = E_FAIL; },
       L"Resizer [D32 v.1.0 Jan 1 2000]",
       {"hr == ((HRESULT)0L)", "hr == ((HRESULT)0L)"}},
      {"texts not delivered count as empty",
       [](FakeResizer& f) { f.pszName = f.pszNumber = f.pszDateTime = nullptr; },
       L" [R64 v. ]",
       {}},
      {"a text that just fits",
       [&](FakeResizer& f) {
         f.pszName = fittingName.c_str();
         f.pszNumber = L"1";
         f.pszDateTime = L"2 3";
       },
       fittingName + L" [R64 v.1 2 3]",
       {}},
      {"a longer text is cut to the buffer",
       [&](FakeResizer& f) { f.pszName = longName.c_str(); },
       longName.substr(0, 511),
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    FakeResizer fake;
    c.fnSetUp(fake);
    CComBSTR cbsVersion;
    {
      CGraph graph;
      graph.m_spResizer = &fake;
      AssertRecorder asserts;
      EXPECT_EQ(S_OK, graph.GetResizerVersion(cbsVersion));
      EXPECT_EQ(c.assertions, asserts.Texts());
    }
    ASSERT_TRUE(cbsVersion.m_str);
    EXPECT_EQ(c.expected, std::wstring(cbsVersion.m_str));
    EXPECT_EQ(1u, fake.Refs());
  }
}

TEST(GetResizerVersion, WithoutAResizerOrItsVersionEmptiesTheText) {
  FakeResizer fake;
  fake.bHasVersion = false;
  for (const bool bResizer : {false, true}) {
    SCOPED_TRACE(bResizer ? "resizer without IFilterVersion" : "no resizer");
    CComBSTR cbsVersion(L"what the title showed before");
    {
      CGraph graph;
      if (bResizer) graph.m_spResizer = &fake;
      AssertRecorder asserts;
      EXPECT_EQ(S_FALSE, graph.GetResizerVersion(cbsVersion));
      EXPECT_EQ(bResizer ? std::vector<std::string>{"spVersion != 0"} : std::vector<std::string>{}, asserts.Texts());
    }
    EXPECT_EQ(nullptr, cbsVersion.m_str);
  }
  EXPECT_EQ(1u, fake.Refs());
}
