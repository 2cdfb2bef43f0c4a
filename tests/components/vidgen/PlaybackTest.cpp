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

  // Runs and waits for the end; the time it took, or a huge value if it never came.
  DWORD RunToCompletion(DWORD dwBound) {
    const DWORD dwStart = ::GetTickCount();
    if (FAILED(m_spControl->Run())) return MAXDWORD;
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
  const DWORD dwTook = RunToCompletion(3000);
  ASSERT_NE(MAXDWORD, dwTook);
  EXPECT_GE(dwTook, 900u);
  EXPECT_LE(dwTook, 2000u);
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
