// The bench's sample graph files at its default path, as setup writes them: the toolkit's
// BuildFromGRF loads each, the test graph builds from the default path, and so does the bench
// when a tester picks ".grf" and presses "Build graph".
#include <gmock/gmock.h>

#include "DSGraph.h"
#include "Graph.h"
#include "GraphFileTestSupport.h"
#include "IResizerControl.h"
#include "UiDriver.h"
#include "VideoGenerator.h"
#include "resource.h"

using ATL::CComPtr;
using ATL::CComQIPtr;

namespace {

const wchar_t kGraphs[] = L"C:\\CVS\\Dev\\Filters\\Video\\Lumivar\\Graphs\\";

TEST(SampleFilesTest, BuildFromGrfLoadsEverySample) {
  struct Case {
    const wchar_t* pszName;
    bool bVidGen;
    LONG cxOutput;
  } cases[] = {{L"Test.GRF", true, 640}, {L"TestSettings.GRF", true, 480}, {L"TestFile.GRF", false, 640}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.pszName)));
    CComPtr<IGraphBuilder> spGraph = NewGraph();
    ASSERT_EQ(S_OK, BuildFromGRF(spGraph, (std::wstring(kGraphs) + c.pszName).c_str()));
    CComPtr<IBaseFilter> spVidGen, spResizer;
    EXPECT_EQ(c.bVidGen ? S_OK : S_FALSE, FindFilter(spGraph, CLSID_VideoGenerator, &spVidGen));
    ASSERT_EQ(S_OK, FindFilter(spGraph, CLSID_Resizer, &spResizer));
    CComQIPtr<IResizerControl> spControl(spResizer);
    ASSERT_TRUE(spControl);
    LONG cx = 0, cy = 0;
    EXPECT_EQ(S_OK, spControl->GetOutputSize(&cx, &cy));
    EXPECT_EQ(c.cxOutput, cx);
    // Every sample ends in a video renderer.
    EXPECT_EQ(c.bVidGen ? 3u : 4u, TopologyOf(spGraph).objects.size());
  }
}

// "Build graph" with the ".grf" source takes this road from the default path.
TEST(SampleFilesTest, TheTestGraphBuildsFromTheDefaultPath) {
  HWND hWnd = ::CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(hWnd);
  {
    CGraph graph;
    EXPECT_EQ(S_OK, graph.BuildGraph((std::wstring(kGraphs) + L"Test.GRF").c_str(), hWnd, WM_APP + 123));
    EXPECT_TRUE(graph.HasResizer());
    EXPECT_TRUE(graph.HasVideoGenerator());
    graph.Close();
  }
  ::DestroyWindow(hWnd);
}

TEST(SampleFilesTest, TheBenchBuildsTheSampleGraphFromTheDefaultPath) {
  harness::Program bench;
  ASSERT_TRUE(bench.Start(harness::WindowsPath(LUMIVAR_EXE)));
  const HWND hDlg = harness::WaitForTopWindow(bench.ProcessId(), L"#32770", L"Resizer Test");
  ASSERT_TRUE(hDlg);
  EXPECT_EQ(std::wstring(kGraphs) + L"Test.GRF", harness::ReadText(::GetDlgItem(hDlg, IDC_EDIT_FILE)));
  ::SendMessageW(::GetDlgItem(hDlg, IDC_RADIO_GRF), BM_CLICK, 0, 0);
  ::SendMessageW(::GetDlgItem(hDlg, IDC_BTN_BUILD), BM_CLICK, 0, 0);
  // A build names the resizer in the title; a failure would have shown its box instead.
  EXPECT_TRUE(harness::WaitUntil([hDlg] { return harness::ReadText(hDlg).rfind(L"Test for ", 0) == 0; }));
  EXPECT_FALSE(harness::FindMessageBox(bench.ProcessId(), L"Resizer Test"));
  EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(hDlg, IDC_BTN_VIDGEN)));
  ::PostMessageW(hDlg, WM_COMMAND, IDCANCEL, 0);
  EXPECT_EQ(0u, bench.WaitForExit());
}

}  // namespace
