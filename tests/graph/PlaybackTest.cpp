// Run, Pause, Stop, SetPositions and GetEvent on a real generated graph, and without one.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

#include "AssertRecorder.h"
#include "FrameDriver.h"
#include "Graph.h"
#include "GraphTestSupport.h"

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(Playback, WithoutAGraphFailsAndHasNoEvents) {
  NotifyWindow window;
  CGraph graph;
  AssertRecorder asserts;
  EXPECT_EQ(E_FAIL, graph.Run());
  EXPECT_EQ(E_FAIL, graph.Pause());
  EXPECT_EQ(E_FAIL, graph.Stop());
  EXPECT_EQ(E_FAIL, graph.SetPositions(0, 0));
  EXPECT_EQ(0, graph.GetEvent());
  EXPECT_EQ(S_FALSE, graph.ShowVidGenProperties(window.Handle()));
  // Stop, SetPositions, GetEvent and the pages assert nothing; Run and Pause are the header's.
  EXPECT_THAT(asserts.Texts(), ElementsAre("m_spGraph != 0", "m_spGraph != 0"));
  for (const AssertRecorder::Report& report : asserts.Reports()) EXPECT_EQ("Graph.h", report.file);
}

TEST(ShowVidGenProperties, RefusesAHandleThatIsNoWindow) {
  NotifyWindow window;
  CGraph graph;
  ASSERT_EQ(S_OK, graph.BuildVidGenGraph(window.Handle(), kGraphNotify));
  AssertRecorder asserts;
  EXPECT_EQ(E_INVALIDARG, graph.ShowVidGenProperties(reinterpret_cast<HWND>(0x1234)));
  EXPECT_THAT(asserts.Texts(), ElementsAre("::IsWindow(hWnd) != 0"));
  graph.Close();
}

TEST(ShowVidGenProperties, OpensTheGeneratorsPagesInThePlatformsFrame) {
  NotifyWindow window;
  CGraph graph;
  ASSERT_EQ(S_OK, graph.BuildVidGenGraph(window.Handle(), kGraphNotify));
  harness::FrameDriver driver(harness::FrameDriver::kOk);
  EXPECT_EQ(S_OK, graph.ShowVidGenProperties(window.Handle()));
  // The frame names the filter as the graph knows it.
  EXPECT_EQ(L"Properties for Video Generator", driver.Caption());
  EXPECT_FALSE(driver.Forced());
  graph.Close();
}

class PlaybackOnRealGraph : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_EQ(S_OK, m_graph.BuildVidGenGraph(m_window.Handle(), kGraphNotify));
    ASSERT_EQ(S_OK, SetStreamLength(m_graph.m_spVidGen, 300));
    // Whatever building queued is not what these tests look at.
    while (m_graph.GetEvent() != 0) {
    }
  }
  void TearDown() override {
    m_graph.Stop();
    m_graph.Close();
  }

  // Takes events as the dialog does: at each notification, until GetEvent answers 0.
  std::vector<long> EventsUntilComplete() {
    std::vector<long> codes;
    m_window.PumpUntil([&] {
      for (long lCode; (lCode = m_graph.GetEvent()) != 0;) codes.push_back(lCode);
      return !codes.empty() && codes.back() == EC_COMPLETE;
    }, 20000);
    return codes;
  }

  LONGLONG Current() {
    CComQIPtr<IMediaSeeking, &IID_IMediaSeeking> spSeeking(m_graph.m_spGraph);
    LONGLONG ll = -1;
    EXPECT_EQ(S_OK, spSeeking->GetCurrentPosition(&ll));
    return ll;
  }
  LONGLONG StopPosition() {
    CComQIPtr<IMediaSeeking, &IID_IMediaSeeking> spSeeking(m_graph.m_spGraph);
    LONGLONG ll = -1;
    EXPECT_EQ(S_OK, spSeeking->GetStopPosition(&ll));
    return ll;
  }

  NotifyWindow m_window;
  CGraph m_graph;
};

TEST_F(PlaybackOnRealGraph, PassesTheManagersAnswersThrough) {
  // Wine's manager answers Run with S_FALSE and gets there a little later.
  EXPECT_EQ(S_FALSE, m_graph.Run());
  EXPECT_TRUE(WaitForState(m_graph.m_spGraph, State_Running));
  EXPECT_TRUE(SUCCEEDED(m_graph.Pause()));
  EXPECT_TRUE(WaitForState(m_graph.m_spGraph, State_Paused));
  EXPECT_EQ(S_OK, m_graph.Stop());
  EXPECT_TRUE(WaitForState(m_graph.m_spGraph, State_Stopped));
  // Already stopped: passed on all the same.
  EXPECT_EQ(S_OK, m_graph.Stop());
}

TEST_F(PlaybackOnRealGraph, GetEventTakesTheQueuedEventsThenAnswersZero) {
  EXPECT_EQ(0, m_graph.GetEvent());
  ASSERT_TRUE(SUCCEEDED(m_graph.Run()));
  const std::vector<long> codes = EventsUntilComplete();
  EXPECT_THAT(codes, Contains(EC_COMPLETE));
  EXPECT_EQ(0, m_graph.GetEvent());
}

TEST_F(PlaybackOnRealGraph, SetPositionsSetsTheStopOnlyWhenItLiesBeyondTheCurrent) {
  const LONGLONG llOriginalStop = StopPosition();
  ASSERT_GT(llOriginalStop, 0);
  struct Case {
    const char* label;
    LONGLONG llCurrent, llStop;
    LONGLONG llExpectedCurrent, llExpectedStop;  // -1: the stop position before the call
  } cases[] = {
      {"both, absolutely", 1000000, 2500000, 1000000, 2500000},
      {"current only: two zeros rewind", 0, 0, 0, -1},
      {"current only: past the stop", 2000000, 1500000, 2000000, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const LONGLONG llStopBefore = StopPosition();
    EXPECT_EQ(S_OK, m_graph.SetPositions(c.llCurrent, c.llStop));
    EXPECT_EQ(c.llExpectedCurrent, Current());
    EXPECT_EQ(c.llExpectedStop < 0 ? llStopBefore : c.llExpectedStop, StopPosition());
  }
}

TEST_F(PlaybackOnRealGraph, AfterTheEndStopAndRewindPlayFromTheStartAgain) {
  ASSERT_TRUE(SUCCEEDED(m_graph.Run()));
  ASSERT_THAT(EventsUntilComplete(), Contains(EC_COMPLETE));
  EXPECT_EQ(S_OK, m_graph.Stop());
  EXPECT_EQ(S_OK, m_graph.SetPositions(0, 0));
  EXPECT_EQ(0, Current());
  ASSERT_TRUE(SUCCEEDED(m_graph.Run()));
  EXPECT_THAT(EventsUntilComplete(), Contains(EC_COMPLETE));
}
