// The generator played into Wine's own video renderer, as the bench plays it.
#include <gtest/gtest.h>

#include "GraphTestUtil.h"

namespace {

const VideoGeneratorSettings kOneSecond = {320, 240, 25, 1000};

class PlaybackTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_EQ(S_OK, m_spGraph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER));
    ASSERT_EQ(S_OK, CreateGenerator(&m_spGenerator, &kOneSecond));
    ASSERT_EQ(S_OK, m_spGraph->AddFilter(m_spGenerator, L"Video Generator"));
    ASSERT_EQ(S_OK, m_spGraph->Render(FirstPin(m_spGenerator, PINDIR_OUTPUT)));
    m_spControl = m_spGraph;
    m_spSeeking = m_spGraph;
    ASSERT_TRUE(m_spControl && m_spSeeking);
    m_pEvents = new CGraphEvents(m_spGraph);
  }
  void TearDown() override {
    if (m_spControl) m_spControl->Stop();
    delete m_pEvents;
  }

  // Runs and waits for the end; the time it took from when the graph was
  // running (the renderer first waits for a frame), or MAXDWORD if it never came.
  DWORD RunToCompletion(DWORD dwBound) {
    OAFilterState state;
    if (FAILED(m_spControl->Run()) || m_spControl->GetState(dwBound, &state) != S_OK) return MAXDWORD;
    const DWORD dwStart = ::GetTickCount();
    if (!m_pEvents->WaitFor(EC_COMPLETE, dwBound)) return MAXDWORD;
    return ::GetTickCount() - dwStart;
  }

  CComPtr<IGraphBuilder> m_spGraph;
  CComPtr<IBaseFilter> m_spGenerator;
  CComQIPtr<IMediaControl, &IID_IMediaControl> m_spControl;
  CComQIPtr<IMediaSeeking, &IID_IMediaSeeking> m_spSeeking;
  CGraphEvents* m_pEvents = nullptr;
};

TEST_F(PlaybackTest, RunPlaysToTheEndAndCompletes) {
  // Render chose Wine's renderer, connected in the generator's format.
  CComPtr<IPin> spPeer;
  ASSERT_EQ(S_OK, FirstPin(m_spGenerator, PINDIR_OUTPUT)->ConnectedTo(&spPeer));
  const SIZE size = ConnectedSize(spPeer);
  EXPECT_EQ(320, size.cx);
  EXPECT_EQ(240, size.cy);

  const DWORD dwTook = RunToCompletion(3000);
  ASSERT_NE(MAXDWORD, dwTook);
  EXPECT_GE(dwTook, 900u);
  EXPECT_LE(dwTook, 1700u);
}

// Wine's Stop seeks every filter to where the graph last paused, here 0.
TEST_F(PlaybackTest, StopThenRunStartsFromTheBeginning) {
  ASSERT_GE(m_spControl->Run(), 0);
  OAFilterState state;
  ASSERT_EQ(S_OK, m_spControl->GetState(3000, &state));
  m_pEvents->Pump(500);
  ASSERT_FALSE(m_pEvents->Seen(EC_COMPLETE));
  ASSERT_EQ(S_OK, m_spControl->Stop());
  const DWORD dwTook = RunToCompletion(3000);
  ASSERT_NE(MAXDWORD, dwTook);
  EXPECT_GE(dwTook, 900u);
}

TEST_F(PlaybackTest, PauseThenRunContinues) {
  ASSERT_GE(m_spControl->Run(), 0);
  // The renderer first waits for a frame; the clock runs from then on.
  OAFilterState state;
  ASSERT_EQ(S_OK, m_spControl->GetState(3000, &state));
  ASSERT_EQ(State_Running, state);
  m_pEvents->Pump(500);
  ASSERT_GE(m_spControl->Pause(), 0);
  LONGLONG llPaused = 0;
  ASSERT_EQ(S_OK, m_spSeeking->GetCurrentPosition(&llPaused));
  ASSERT_GE(llPaused, 3000000);
  m_pEvents->Pump(500);
  ASSERT_FALSE(m_pEvents->Seen(EC_COMPLETE));

  const DWORD dwResumed = ::GetTickCount();
  ASSERT_GE(m_spControl->Run(), 0);
  ASSERT_TRUE(m_pEvents->WaitFor(EC_COMPLETE, 3000));
  // What was left of the second, not the whole of it again.
  const DWORD dwLeft = static_cast<DWORD>((10000000 - llPaused) / 10000);
  EXPECT_LE(::GetTickCount() - dwResumed, dwLeft + 300);
}

TEST_F(PlaybackTest, NewSizeReconnectsTheRendererAndPlays) {
  CComQIPtr<IVideoGeneratorSettings, &IID_IVideoGeneratorSettings> spSettings(m_spGenerator);
  const VideoGeneratorSettings smaller = {160, 120, 25, 1000};
  ASSERT_EQ(S_OK, spSettings->SetSettings(&smaller));
  CComPtr<IPin> spPeer;
  ASSERT_EQ(S_OK, FirstPin(m_spGenerator, PINDIR_OUTPUT)->ConnectedTo(&spPeer));
  EXPECT_EQ(160, ConnectedSize(spPeer).cx);
  CComQIPtr<IBasicVideo, &IID_IBasicVideo> spVideo(m_spGraph);
  ASSERT_TRUE(spVideo);
  long cx = 0, cy = 0;
  ASSERT_EQ(S_OK, spVideo->GetVideoSize(&cx, &cy));
  EXPECT_EQ(160, cx);
  EXPECT_EQ(120, cy);
  EXPECT_NE(MAXDWORD, RunToCompletion(3000));
}

// The graph pauses, the generator flushes and restarts there, the graph runs on.
TEST_F(PlaybackTest, SeekWhileRunningPlaysOnFromTheNewPosition) {
  OAFilterState state;
  ASSERT_GE(m_spControl->Run(), 0);
  ASSERT_EQ(S_OK, m_spControl->GetState(3000, &state));
  m_pEvents->Pump(100);
  LONGLONG llTo = 8000000;
  const DWORD dwSeek = ::GetTickCount();
  ASSERT_EQ(S_OK, m_spSeeking->SetPositions(&llTo, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning));
  ASSERT_TRUE(m_pEvents->WaitFor(EC_COMPLETE, 3000));
  EXPECT_LE(::GetTickCount() - dwSeek, 700u);  // the last fifth, not the second
}

TEST_F(PlaybackTest, StopRewindAndRunPlaysAgainFromTheStart) {
  ASSERT_NE(MAXDWORD, RunToCompletion(3000));
  ASSERT_EQ(S_OK, m_spControl->Stop());
  LONGLONG llZero = 0;
  ASSERT_EQ(S_OK, m_spSeeking->SetPositions(&llZero, AM_SEEKING_AbsolutePositioning, nullptr,
                                            AM_SEEKING_NoPositioning));
  const DWORD dwTook = RunToCompletion(3000);
  ASSERT_NE(MAXDWORD, dwTook);
  EXPECT_GE(dwTook, 900u);
}

}  // namespace
