// IVideoGeneratorSettings: the ranges, and changes a graph cannot take.
#include <gtest/gtest.h>

#include <cstring>

#include "GraphTestUtil.h"
#include "SinkFilter.h"

namespace {

const VideoGeneratorSettings kBefore = {64, 48, 25, 1000};

VideoGeneratorSettings SettingsOf(IVideoGeneratorSettings* pSettings) {
  VideoGeneratorSettings settings = {};
  pSettings->GetSettings(&settings);
  return settings;
}

struct RangeCase {
  const char* label;
  VideoGeneratorSettings settings;
  HRESULT hr;
};

TEST(SettingsTest, ValuesAreTakenUpToTheirLimitsAndNotBeyond) {
  const RangeCase cases[] = {
      {"smallest picture", {16, 16, 25, 1000}, S_OK},
      {"largest picture", {4096, 4096, 25, 1000}, S_OK},
      {"width under", {15, 48, 25, 1000}, E_INVALIDARG},
      {"height over", {64, 4097, 25, 1000}, E_INVALIDARG},
      {"rate limits", {64, 48, 120, 1000}, S_OK},
      {"no frames a second", {64, 48, 0, 1000}, E_INVALIDARG},
      {"rate over", {64, 48, 121, 1000}, E_INVALIDARG},
      {"one millisecond", {64, 48, 25, 1}, S_OK},
      {"no duration", {64, 48, 25, 0}, E_INVALIDARG},
      {"negative width", {-64, 48, 25, 1000}, E_INVALIDARG},
  };
  for (const RangeCase& c : cases) {
    SCOPED_TRACE(c.label);
    CComPtr<IBaseFilter> spGenerator;
    ASSERT_EQ(S_OK, CreateGenerator(&spGenerator, &kBefore));
    CComQIPtr<IVideoGeneratorSettings, &IID_IVideoGeneratorSettings> spSettings(spGenerator);
    EXPECT_EQ(c.hr, spSettings->SetSettings(&c.settings));
    const VideoGeneratorSettings now = SettingsOf(spSettings);
    EXPECT_EQ(0, std::memcmp(c.hr == S_OK ? &c.settings : &kBefore, &now, sizeof now));
  }
}

// The type's bit rate is the frames' bits a second, held at the top of its DWORD.
TEST(SettingsTest, TheOfferedBitRateHoldsAtItsLimitInsteadOfWrapping) {
  struct Case {
    const char* label;
    VideoGeneratorSettings settings;
    DWORD dwBitRate;
  };
  const Case cases[] = {
      {"640 x 480 at 25 fps", {640, 480, 25, 1000}, 640u * 480 * 32 * 25},
      {"1920 x 1080 at 60 fps: 3.98 Gbit/s", {1920, 1080, 60, 1000}, 1920u * 1080 * 32 * 60},
      {"4096 x 4096 at 120 fps: 64 Gbit/s", {4096, 4096, 120, 1000}, MAXDWORD},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    CComPtr<IBaseFilter> spGenerator;
    ASSERT_EQ(S_OK, CreateGenerator(&spGenerator, &c.settings));
    CComPtr<IEnumMediaTypes> spTypes;
    ASSERT_EQ(S_OK, FirstPin(spGenerator, PINDIR_OUTPUT)->EnumMediaTypes(&spTypes));
    AM_MEDIA_TYPE* pmt = nullptr;
    ASSERT_EQ(S_OK, spTypes->Next(1, &pmt, nullptr));
    ASSERT_TRUE(pmt->formattype == FORMAT_VideoInfo && pmt->cbFormat >= sizeof(VIDEOINFOHEADER));
    EXPECT_EQ(c.dwBitRate, reinterpret_cast<const VIDEOINFOHEADER*>(pmt->pbFormat)->dwBitRate);
    dshow::DeleteMediaType(pmt);
  }
}

// A sink that takes the generator's present format and no other.
class SettingsGraphTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_EQ(S_OK, m_spGraph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER));
    ASSERT_EQ(S_OK, CreateGenerator(&m_spGenerator, &kBefore));
    m_spSettings = m_spGenerator;
    ASSERT_EQ(S_OK, CSinkFilter::Create(&m_pSink));
    ASSERT_EQ(S_OK, m_spGraph->AddFilter(m_spGenerator, L"Video Generator"));
    ASSERT_EQ(S_OK, m_spGraph->AddFilter(m_pSink, L"Sink"));
    CComPtr<IPin> spOut = FirstPin(m_spGenerator, PINDIR_OUTPUT);
    CComPtr<IEnumMediaTypes> spTypes;
    ASSERT_EQ(S_OK, spOut->EnumMediaTypes(&spTypes));
    AM_MEDIA_TYPE* pmt = nullptr;
    ASSERT_EQ(S_OK, spTypes->Next(1, &pmt, nullptr));
    m_pSink->Input()->Accept(pmt);
    dshow::DeleteMediaType(pmt);
    ASSERT_EQ(S_OK, m_spGraph->ConnectDirect(spOut, m_pSink->Input(), nullptr));
    m_spControl = m_spGraph;
  }
  void TearDown() override {
    if (m_spControl) m_spControl->Stop();
    m_spControl.Release();
    m_spSettings.Release();
    m_spGenerator.Release();
    m_spGraph.Release();
    if (m_pSink) {
      EXPECT_EQ(0u, m_pSink->Release());
    }
  }

  CComPtr<IGraphBuilder> m_spGraph;
  CComPtr<IBaseFilter> m_spGenerator;
  CComQIPtr<IVideoGeneratorSettings, &IID_IVideoGeneratorSettings> m_spSettings;
  CComQIPtr<IMediaControl, &IID_IMediaControl> m_spControl;
  CSinkFilter* m_pSink = nullptr;
};

TEST_F(SettingsGraphTest, SizeRefusedDownstreamKeepsTheOldSettingsAndConnection) {
  const VideoGeneratorSettings smaller = {32, 24, 25, 1000};
  const HRESULT hr = m_spSettings->SetSettings(&smaller);
  EXPECT_TRUE(FAILED(hr)) << std::hex << hr;
  const VideoGeneratorSettings now = SettingsOf(m_spSettings);
  EXPECT_EQ(0, std::memcmp(&kBefore, &now, sizeof now));
  const SIZE size = ConnectedSize(m_pSink->Input());
  EXPECT_EQ(64, size.cx);
  EXPECT_EQ(48, size.cy);
}

TEST_F(SettingsGraphTest, DurationChangesWithoutReconnecting) {
  const VideoGeneratorSettings longer = {64, 48, 25, 2000};
  EXPECT_EQ(S_OK, m_spSettings->SetSettings(&longer));
  EXPECT_EQ(2000, SettingsOf(m_spSettings).lDurationMs);
  EXPECT_EQ(64, ConnectedSize(m_pSink->Input()).cx);
}

TEST_F(SettingsGraphTest, RunningGraphTakesNoChange) {
  ASSERT_GE(m_spControl->Run(), 0);
  const VideoGeneratorSettings longer = {64, 48, 25, 2000};
  EXPECT_EQ(VFW_E_NOT_STOPPED, m_spSettings->SetSettings(&longer));
  EXPECT_EQ(1000, SettingsOf(m_spSettings).lDurationMs);
}

}  // namespace
