// PlaceVideoWindow against Wine's real renderer window, read back from the window itself.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "AssertRecorder.h"
#include "Graph.h"
#include "GraphTestSupport.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

// The renderer's own top-level window in this process: one graph at a time here.
HWND RendererWindow() {
  HWND hWndFound = nullptr;
  ::EnumWindows([](HWND hWnd, LPARAM lParam) -> BOOL {
    DWORD dwProcessId = 0;
    ::GetWindowThreadProcessId(hWnd, &dwProcessId);
    wchar_t sz[64] = L"";
    ::GetWindowTextW(hWnd, sz, 64);
    if (dwProcessId != ::GetCurrentProcessId() || ::lstrcmpW(sz, L"ActiveMovie Window") != 0)
      return TRUE;
    *reinterpret_cast<HWND*>(lParam) = hWnd;
    return FALSE;
  }, reinterpret_cast<LPARAM>(&hWndFound));
  return hWndFound;
}

// Sets the work area for the length of a scope.
class WorkArea {
public:
  explicit WorkArea(const RECT& rc) {
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &m_rcSaved, 0);
    m_bSet = ::SystemParametersInfoW(SPI_SETWORKAREA, 0, const_cast<RECT*>(&rc), 0) != 0;
    RECT rcNow = {};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &rcNow, 0);
    m_bSet = m_bSet && ::EqualRect(&rcNow, &rc);
  }
  ~WorkArea() { ::SystemParametersInfoW(SPI_SETWORKAREA, 0, &m_rcSaved, 0); }
  bool Set() const { return m_bSet; }

private:
  RECT m_rcSaved = {};
  bool m_bSet = false;
};

}  // namespace

TEST(PlaceVideoWindow, PutsTheWindowAboveTheDialogCentredOnTheWorkAreasWidth) {
  struct Case {
    const char* label;
    RECT rcArea;
    int yDialog;
    long cxVideo;
    long xExpected;
    long yExpected;  // -1: the dialog's top minus the video window's height
  } cases[] = {
      {"room above; the area's left edge not added", {100, 0, 2020, 1000}, 700, 640, 640, -1},
      {"odd width: the half is dropped", {0, 0, 1919, 1000}, 700, 640, 639, -1},
      {"wider than the area: negative, not clamped, truncated", {0, 0, 100, 1000}, 700, 301, -100, -1},
      {"no room above: row 0 of the screen, not the area's top", {0, 40, 1280, 1000}, 60, 640, 320, 0},
  };
  NotifyWindow window;
  CGraph graph;
  ASSERT_EQ(S_OK, graph.BuildVidGenGraph(window.Handle(), kGraphNotify));
  CComQIPtr<IVideoWindow, &IID_IVideoWindow> spVideoWindow(graph.m_spGraph);
  ASSERT_TRUE(spVideoWindow);
  const HWND hWndVideo = RendererWindow();
  ASSERT_NE(nullptr, hWndVideo);

  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    WorkArea area(c.rcArea);
    ASSERT_TRUE(area.Set()) << "the platform did not take the work area";
    ASSERT_TRUE(::SetWindowPos(window.Handle(), nullptr, 150, c.yDialog, 0, 0,
                               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
    ASSERT_EQ(S_OK, spVideoWindow->put_Width(c.cxVideo));
    ASSERT_EQ(S_OK, spVideoWindow->put_Visible(OAFALSE));

    AssertRecorder asserts;
    EXPECT_EQ(S_OK, graph.PlaceVideoWindow(window.Handle()));
    EXPECT_THAT(asserts.Texts(), IsEmpty());

    RECT rcVideo = {};
    ASSERT_TRUE(::GetWindowRect(hWndVideo, &rcVideo));
    EXPECT_EQ(c.xExpected, rcVideo.left);
    EXPECT_EQ(c.cxVideo, rcVideo.right - rcVideo.left);
    if (c.yExpected < 0) {
      // Its bottom edge meets the dialog's top edge.
      EXPECT_EQ(c.yDialog, rcVideo.bottom);
    } else {
      EXPECT_EQ(c.yExpected, rcVideo.top);
    }
    EXPECT_TRUE(::IsWindowVisible(hWndVideo));
  }
  graph.Close();
}

TEST(PlaceVideoWindow, WithoutAGraphFails) {
  NotifyWindow window;
  CGraph graph;
  AssertRecorder asserts;
  EXPECT_EQ(E_FAIL, graph.PlaceVideoWindow(window.Handle()));
  ASSERT_THAT(asserts.Texts(), ElementsAre("m_spGraph != 0"));
  EXPECT_EQ("Graph.cpp", asserts.Reports()[0].file);
}
