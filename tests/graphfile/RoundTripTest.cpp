// Graphs built on Wine's real manager, saved into a compound file and loaded into a new
// manager: the same filters, connections and media types, the filters' own settings, and
// a graph that plays to its end.
#include <gmock/gmock.h>

#include "GraphEvents.h"
#include "GraphFileTestSupport.h"
#include "IResizerControl.h"
#include "SampleGraphs.h"
#include "VideoGenerator.h"

using ::testing::ElementsAreArray;
using ATL::CComPtr;
using ATL::CComQIPtr;

namespace {

const DWORD kPlayTimeoutMs = 20000;

struct ResizerState {
  ResizeAlgorithm eAlgorithm = RESIZE_FORCE_DWORD;
  LONG cx = 0, cy = 0;
  RECT clip = {};
};

ResizerState StateOf(IBaseFilter* pResizer) {
  ResizerState state;
  CComQIPtr<IResizerControl> spControl(pResizer);
  EXPECT_TRUE(spControl);
  if (!spControl) return state;
  EXPECT_EQ(S_OK, spControl->GetResizeAlgorithm(&state.eAlgorithm));
  EXPECT_EQ(S_OK, spControl->GetOutputSize(&state.cx, &state.cy));
  EXPECT_EQ(S_OK, spControl->GetClippingRect(&state.clip));
  return state;
}

void PlaysToTheEnd(IGraphBuilder* pGraph) {
  CGraphEvents events(pGraph);
  CComQIPtr<IMediaControl> spControl(pGraph);
  ASSERT_TRUE(spControl);
  ASSERT_TRUE(SUCCEEDED(spControl->Run()));
  EXPECT_TRUE(events.WaitFor(EC_COMPLETE, kPlayTimeoutMs));
  EXPECT_EQ(S_OK, spControl->Stop());
}

class RoundTripTest : public ::testing::Test {
protected:
  void TearDown() override {
    for (const std::wstring& path : m_paths) ::DeleteFileW(path.c_str());
  }
  std::wstring NewPath(const wchar_t* pszSuffix) {
    m_paths.push_back(TempPath(pszSuffix));
    return m_paths.back();
  }

  // Saves, loads into a new manager, and checks what both hold; the loaded graph's own
  // Save gives the same bytes again.
  CComPtr<IGraphBuilder> RoundTrip(IGraphBuilder* pBuilt) {
    const std::wstring path = NewPath(L".grf");
    EXPECT_EQ(S_OK, SaveToFile(pBuilt, path));
    CComPtr<IGraphBuilder> spLoaded = NewGraph();
    EXPECT_EQ(S_OK, LoadFromFile(spLoaded, path));
    const Topology built = TopologyOf(pBuilt), loaded = TopologyOf(spLoaded);
    EXPECT_THAT(loaded.filters, ElementsAreArray(built.filters));
    EXPECT_THAT(loaded.connections, ElementsAreArray(built.connections));

    CComQIPtr<IPersistStream> spBuilt(pBuilt), spAgain(spLoaded);
    EXPECT_EQ(S_FALSE, spAgain->IsDirty());
    CComPtr<IStream> spFirst = StreamOn({}), spSecond = StreamOn({});
    EXPECT_EQ(S_OK, spBuilt->Save(spFirst, FALSE));
    EXPECT_EQ(S_OK, spAgain->Save(spSecond, FALSE));
    EXPECT_EQ(PositionOf(spFirst), PositionOf(spSecond));
    return spLoaded;
  }

  std::vector<std::wstring> m_paths;
};

TEST_F(RoundTripTest, TheGeneratedChainKeepsEverySetting) {
  const VideoGeneratorSettings vidgen = {320, 240, 30, 1000};
  ResizerOptions options;
  options.lAlgorithm = RESIZE_LANCZOS3;
  options.outputSize = {200, 150};
  options.clip = {16, 8, 304, 232};
  CComPtr<IGraphBuilder> spBuilt = NewGraph();
  ASSERT_EQ(S_OK, BuildVidGenGraph(spBuilt, vidgen, options));

  CComPtr<IGraphBuilder> spLoaded = RoundTrip(spBuilt);
  ASSERT_TRUE(spLoaded);
  const ResizerState state = StateOf(FilterNamed(spLoaded, L"Resizer"));
  EXPECT_EQ(RESIZE_LANCZOS3, state.eAlgorithm);
  EXPECT_EQ(200, state.cx);
  EXPECT_EQ(150, state.cy);
  EXPECT_TRUE(::EqualRect(&options.clip, &state.clip));
  CComQIPtr<IVideoGeneratorSettings> spSettings(FilterNamed(spLoaded, L"Video Generator"));
  ASSERT_TRUE(spSettings);
  VideoGeneratorSettings loaded = {};
  EXPECT_EQ(S_OK, spSettings->GetSettings(&loaded));
  EXPECT_EQ(320, loaded.lWidth);
  EXPECT_EQ(240, loaded.lHeight);
  EXPECT_EQ(30, loaded.lFrameRate);
  EXPECT_EQ(1000, loaded.lDurationMs);

  PlaysToTheEnd(spLoaded);
}

// The resizer fed from a file through Wine's own splitter, the source filter's file kept.
TEST_F(RoundTripTest, AChainFromAVideoFile) {
  const std::wstring video = NewPath(L".avi");
  ASSERT_EQ(S_OK, WriteTestAvi(video.c_str(), 64, 48, 10));
  ResizerOptions options;
  options.lAlgorithm = RESIZE_NEAREST;
  options.outputSize = {128, 96};
  CComPtr<IGraphBuilder> spBuilt = NewGraph();
  ASSERT_EQ(S_OK, BuildFileGraph(spBuilt, video.c_str(), options));

  CComPtr<IGraphBuilder> spLoaded = RoundTrip(spBuilt);
  ASSERT_TRUE(spLoaded);
  EXPECT_EQ(video, CurrentFile(FilterNamed(spLoaded, L"Source")));
  const ResizerState state = StateOf(FilterNamed(spLoaded, L"Resizer"));
  EXPECT_EQ(RESIZE_NEAREST, state.eAlgorithm);
  EXPECT_EQ(128, state.cx);

  PlaysToTheEnd(spLoaded);
}

}  // namespace
