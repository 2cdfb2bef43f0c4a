// The generator's frames, as a sink of the kit receives them.
#include <gtest/gtest.h>

#include <vector>

#include "GraphTestUtil.h"
#include "SinkFilter.h"

namespace {

// A graph of the generator connected straight to a recording sink.
class CSinkGraph {
public:
  explicit CSinkGraph(const VideoGeneratorSettings& settings) : m_settings(settings) {}
  ~CSinkGraph() {
    if (m_spControl) m_spControl->Stop();
    if (m_pSink) m_pSink->Release();
  }

  HRESULT Build() {
    HRESULT hr = m_spGraph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER);
    if (SUCCEEDED(hr)) hr = CreateGenerator(&m_spGenerator, &m_settings);
    if (SUCCEEDED(hr)) hr = CSinkFilter::Create(&m_pSink);
    if (FAILED(hr)) return hr;
    m_pSink->Input()->KeepData(true);
    if (SUCCEEDED(hr)) hr = m_spGraph->AddFilter(m_spGenerator, L"Video Generator");
    if (SUCCEEDED(hr)) hr = m_spGraph->AddFilter(m_pSink, L"Sink");
    if (SUCCEEDED(hr)) hr = m_spGraph->ConnectDirect(FirstPin(m_spGenerator, PINDIR_OUTPUT), m_pSink->Input(), nullptr);
    m_spControl = m_spGraph;
    return FAILED(hr) ? hr : (m_spControl ? S_OK : E_NOINTERFACE);
  }
  // Runs the whole stream into the sink and stops; its samples.
  std::vector<SinkSample> Play() {
    m_pSink->Input()->ClearRecord();
    if (FAILED(m_spControl->Run()) || !m_pSink->Input()->WaitForEndOfStream(10000)) return {};
    m_spControl->Stop();
    return m_pSink->Input()->Samples();
  }

  CComPtr<IGraphBuilder> m_spGraph;
  CComPtr<IBaseFilter> m_spGenerator;
  CComQIPtr<IMediaControl, &IID_IMediaControl> m_spControl;
  CSinkFilter* m_pSink = nullptr;

private:
  VideoGeneratorSettings m_settings;
};

struct FormatCase {
  const char* label;
  VideoGeneratorSettings settings;
  size_t cFrames;
};

TEST(FrameTest, SamplesHaveTheSizeStrideAndTimesOfTheSettings) {
  const FormatCase cases[] = {
      {"quarter VGA, 25 fps, 1 s", {320, 240, 25, 1000}, 25},
      {"odd size, 10 fps, a part frame at the end", {161, 97, 10, 450}, 5},
      {"30 fps: frame times are not whole ms", {64, 48, 30, 100}, 3},
  };
  for (const FormatCase& c : cases) {
    SCOPED_TRACE(c.label);
    CSinkGraph graph(c.settings);
    ASSERT_EQ(S_OK, graph.Build());
    const LONG cbFrame = c.settings.lWidth * c.settings.lHeight * 4;
    const dshow::CMediaType& mt = graph.m_pSink->Input()->CurrentMediaType();
    ASSERT_EQ(FORMAT_VideoInfo, mt.formattype);
    EXPECT_EQ(MEDIASUBTYPE_RGB32, mt.subtype);
    const VIDEOINFOHEADER* pvi = reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat);
    EXPECT_EQ(c.settings.lWidth, pvi->bmiHeader.biWidth);
    EXPECT_EQ(c.settings.lHeight, pvi->bmiHeader.biHeight);  // positive: bottom-up
    EXPECT_EQ(32, pvi->bmiHeader.biBitCount);
    EXPECT_EQ(static_cast<DWORD>(cbFrame), pvi->bmiHeader.biSizeImage);
    EXPECT_EQ(10000000 / c.settings.lFrameRate, pvi->AvgTimePerFrame);

    const std::vector<SinkSample> samples = graph.Play();
    ASSERT_EQ(c.cFrames, samples.size());
    for (size_t i = 0; i < samples.size(); ++i) {
      SCOPED_TRACE(i);
      const LONGLONG n = static_cast<LONGLONG>(i);
      EXPECT_EQ(cbFrame, samples[i].cbData);
      ASSERT_TRUE(samples[i].bHasTime);
      EXPECT_EQ(n * 10000000 / c.settings.lFrameRate, samples[i].tStart);
      EXPECT_EQ((n + 1) * 10000000 / c.settings.lFrameRate, samples[i].tStop);
      ASSERT_TRUE(samples[i].bHasMediaTime);
      EXPECT_EQ(n, samples[i].tMediaStart);
      EXPECT_TRUE(samples[i].bSyncPoint);
      EXPECT_EQ(i == 0, samples[i].bDiscontinuity);
    }
  }
}

// A pixel of a kept bottom-up RGB32 frame, by top-down coordinates.
DWORD Pixel(const SinkSample& s, LONG cx, LONG cy, LONG x, LONG y) {
  return reinterpret_cast<const DWORD*>(s.data.data())[(cy - 1 - y) * cx + x] & 0xFFFFFF;
}

TEST(FrameTest, PictureHoldsItsKnownPattern) {
  const LONG cx = 320, cy = 240;
  CSinkGraph graph({cx, cy, 25, 400});
  ASSERT_EQ(S_OK, graph.Build());
  const std::vector<SinkSample> samples = graph.Play();
  ASSERT_EQ(10u, samples.size());
  const DWORD kBars[8] = {0xFFFFFF, 0xFFFF00, 0x00FFFF, 0x00FF00, 0xFF00FF, 0xFF0000, 0x0000FF, 0x000000};
  for (size_t i = 0; i < samples.size(); ++i) {
    SCOPED_TRACE(i);
    const SinkSample& s = samples[i];
    ASSERT_EQ(static_cast<size_t>(cx * cy * 4), s.data.size());
    // Colour bars, each edge sharp: last column of one bar, first of the next.
    for (int bar = 0; bar < 8; ++bar) {
      EXPECT_EQ(kBars[bar], Pixel(s, cx, cy, bar * cx / 8, cy / 8)) << "bar " << bar;
      EXPECT_EQ(kBars[bar], Pixel(s, cx, cy, (bar + 1) * cx / 8 - 1, cy / 8)) << "bar " << bar;
    }
    // One-pixel lines: vertical ones left, horizontal ones next to them.
    EXPECT_EQ(0xFFFFFFu, Pixel(s, cx, cy, 10, 3 * cy / 8));
    EXPECT_EQ(0x000000u, Pixel(s, cx, cy, 11, 3 * cy / 8));
    EXPECT_EQ(0xFFFFFFu, Pixel(s, cx, cy, 3 * cx / 8, cy / 4 + 10));
    EXPECT_EQ(0x000000u, Pixel(s, cx, cy, 3 * cx / 8, cy / 4 + 11));
    // The moving bar: four white columns through the zone plate, four
    // pixels further each frame.
    const LONG xBar = 4 * static_cast<LONG>(i);
    for (LONG y = cy / 2; y < 7 * cy / 8; ++y) {
      ASSERT_EQ(0xFFFFFFu, Pixel(s, cx, cy, xBar, y)) << "row " << y;
      ASSERT_EQ(0xFFFFFFu, Pixel(s, cx, cy, xBar + 3, y)) << "row " << y;
    }
    bool bZonePlateBelowWhite = false;
    for (LONG y = cy / 2; y < 7 * cy / 8; ++y) bZonePlateBelowWhite |= Pixel(s, cx, cy, xBar + 4, y) != 0xFFFFFF;
    EXPECT_TRUE(bZonePlateBelowWhite);
  }
  // The counter band, the picture's bottom and so the buffer's first rows,
  // changes with the frame number.
  auto band = [&](const SinkSample& s) {
    return std::vector<BYTE>(s.data.begin(), s.data.begin() + cx * 4 * (cy / 8));
  };
  EXPECT_NE(band(samples[0]), band(samples[1]));
}

TEST(FrameTest, RewoundStreamRepeatsTheSameFrames) {
  CSinkGraph graph({96, 64, 25, 200});
  ASSERT_EQ(S_OK, graph.Build());
  const std::vector<SinkSample> first = graph.Play();
  ASSERT_EQ(5u, first.size());
  CComQIPtr<IMediaSeeking, &IID_IMediaSeeking> spSeeking(graph.m_spGraph);
  ASSERT_TRUE(spSeeking);
  LONGLONG llZero = 0;
  ASSERT_EQ(S_OK, spSeeking->SetPositions(&llZero, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning));
  const std::vector<SinkSample> again = graph.Play();
  ASSERT_EQ(first.size(), again.size());
  for (size_t i = 0; i < first.size(); ++i) {
    EXPECT_EQ(first[i].tStart, again[i].tStart) << i;
    EXPECT_EQ(first[i].tMediaStart, again[i].tMediaStart) << i;
    EXPECT_TRUE(first[i].data == again[i].data) << i;
  }
}

}  // namespace
