// The generator's own property page in Wine's property frame, driven as a
// tester drives it.
#include <gtest/gtest.h>
#include <olectl.h>

#include <cctype>

#include "FrameDriver.h"
#include "GraphTestUtil.h"
#include "SinkFilter.h"
#include "resource.h"

namespace {

using harness::FrameDriver;

struct PageEdits {
  // Null leaves a box as it is.
  LPCWSTR pszWidth, pszHeight, pszFrameRate, pszDuration;
  FrameDriver::Close how;
  LPCWSTR pszWidthRetry;  // after a refusal; null: Cancel
};

FrameDriver::Script PageScript(const PageEdits& edits) {
  FrameDriver::Script script;
  script.how = edits.how;
  script.pszCaptionPrefix = L"Properties for Video Generator";
  script.edits = {{IDC_VIDGEN_WIDTH, edits.pszWidth},
                  {IDC_VIDGEN_HEIGHT, edits.pszHeight},
                  {IDC_VIDGEN_FRAMERATE, edits.pszFrameRate},
                  {IDC_VIDGEN_DURATION, edits.pszDuration}};
  script.pszBoxCaption = L"Video Generator";
  if (edits.pszWidthRetry) script.retry = {{IDC_VIDGEN_WIDTH, edits.pszWidthRetry}};
  return script;
}

const VideoGeneratorSettings kStart = {64, 48, 25, 1000};

struct PageCase {
  const char* label;
  PageEdits edits;
  bool bPaused;
  LPCWSTR pszMessage;  // the start of the refusal, or null when none is due
  VideoGeneratorSettings expected;
};

class PropertyPageTest : public ::testing::TestWithParam<PageCase> {};

TEST_P(PropertyPageTest, ClosingThePageAppliesOrRefusesTheValues) {
  const PageCase& c = GetParam();
  CComPtr<IGraphBuilder> spGraph;
  ASSERT_EQ(S_OK, spGraph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER));
  CComPtr<IBaseFilter> spGenerator;
  ASSERT_EQ(S_OK, CreateGenerator(&spGenerator, &kStart));
  CSinkFilter* pSink = nullptr;
  ASSERT_EQ(S_OK, CSinkFilter::Create(&pSink));
  CComQIPtr<IMediaControl, &IID_IMediaControl> spControl(spGraph);
  ASSERT_EQ(S_OK, spGraph->AddFilter(spGenerator, L"Video Generator"));
  ASSERT_EQ(S_OK, spGraph->AddFilter(pSink, L"Sink"));
  ASSERT_EQ(S_OK, spGraph->ConnectDirect(FirstPin(spGenerator, PINDIR_OUTPUT), pSink->Input(), nullptr));
  if (c.bPaused) {
    ASSERT_GE(spControl->Pause(), 0);
  }

  FrameDriver driver(PageScript(c.edits));
  IUnknown* pObject = spGenerator;
  CLSID clsidPage = CLSID_VideoGeneratorPage;
  const HRESULT hr = ::OleCreatePropertyFrame(nullptr, 0, 0, L"Video Generator", 1, &pObject, 1, &clsidPage,
                                              LOCALE_USER_DEFAULT, 0, nullptr);
  EXPECT_EQ(S_OK, hr);
  EXPECT_TRUE(driver.FoundPage());
  EXPECT_FALSE(driver.Forced());
  const std::wstring message = driver.Message();
  const std::wstring expected = c.pszMessage ? c.pszMessage : L"";
  EXPECT_EQ(expected, message.substr(0, expected.size()));
  EXPECT_EQ(expected.empty(), message.empty());

  VideoGeneratorSettings settings = {};
  CComQIPtr<IVideoGeneratorSettings, &IID_IVideoGeneratorSettings> spSettings(spGenerator);
  ASSERT_EQ(S_OK, spSettings->GetSettings(&settings));
  EXPECT_EQ(c.expected.lWidth, settings.lWidth);
  EXPECT_EQ(c.expected.lHeight, settings.lHeight);
  EXPECT_EQ(c.expected.lFrameRate, settings.lFrameRate);
  EXPECT_EQ(c.expected.lDurationMs, settings.lDurationMs);
  // What sits downstream was reconnected to the size now set.
  const SIZE size = ConnectedSize(pSink->Input());
  EXPECT_EQ(c.expected.lWidth, size.cx);
  EXPECT_EQ(c.expected.lHeight, size.cy);

  spControl->Stop();
  spControl.Release();
  spSettings.Release();
  spGraph.Release();
  EXPECT_EQ(0u, pSink->Release());
}

const VideoGeneratorSettings kEdited = {96, 72, 10, 1500};

constexpr FrameDriver::Close kOk = FrameDriver::kOk;
constexpr FrameDriver::Close kCancel = FrameDriver::kCancel;

// The table keeps its hand layout.
// clang-format off
const PageCase kCases[] = {
    {"valid values take effect and reconnect", {L"96", L"72", L"10", L"1500", kOk, nullptr}, false, nullptr, kEdited},
    {"untouched page changes nothing", {nullptr, nullptr, nullptr, nullptr, kOk, nullptr}, false, nullptr, kStart},
    {"cancel drops valid values", {L"96", L"72", L"10", L"1500", kCancel, nullptr}, false, nullptr, kStart},
    {"width below the range", {L"8", L"72", L"10", L"1500", kOk, nullptr}, false,
     L"The width must be a whole number from 16 to 4096.", kStart},
    {"frame rate that is no number", {L"96", L"72", L"ten", L"1500", kOk, nullptr}, false,
     L"The frame rate must be a whole number from 1 to 120.", kStart},
    {"duration above the range", {L"96", L"72", L"10", L"86400001", kOk, nullptr}, false,
     L"The duration must be a whole number from 1 to 86400000.", kStart},
    {"refused value corrected in the open page", {L"4097", L"72", L"10", L"1500", kOk, L"96"}, false,
     L"The width must be a whole number from 16 to 4096.", kEdited},
    {"paused graph takes no new format", {L"96", L"72", L"10", L"1500", kOk, nullptr}, true,
     L"The graph is playing or paused: stop it before changing the settings.", kStart},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Cases, PropertyPageTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<PageCase>& info) {
                           std::string name;
                           for (const char* p = info.param.label; *p; ++p)
                             if (std::isalnum(static_cast<unsigned char>(*p))) name += *p;
                           return name;
                         });

}  // namespace
