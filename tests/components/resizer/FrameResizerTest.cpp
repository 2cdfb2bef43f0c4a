// Where the resizer finds the picture in a buffer, for the strides and orientations that
// arrive (and the wider rows a renderer may ask for), and the frame path over them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <dshow.h>
#include <dvdmedia.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "FrameResizer.h"
#include "VideoFormat.h"

using lumivar::FrameResizer;
using lumivar::PictureLayout;
using lumivar::ResizerSettings;

namespace {

// An RGB32 VIDEOINFOHEADER type that owns its format block.
struct VideoType {
  AM_MEDIA_TYPE mt = {};
  VIDEOINFOHEADER vih = {};

  VideoType(LONG biWidth, LONG biHeight, RECT rcSource = {}, RECT rcTarget = {}) {
    vih.rcSource = rcSource;
    vih.rcTarget = rcTarget;
    vih.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    vih.bmiHeader.biWidth = biWidth;
    vih.bmiHeader.biHeight = biHeight;
    vih.bmiHeader.biPlanes = 1;
    vih.bmiHeader.biBitCount = 32;
    vih.bmiHeader.biCompression = BI_RGB;
    mt.majortype = MEDIATYPE_Video;
    mt.subtype = MEDIASUBTYPE_RGB32;
    mt.formattype = FORMAT_VideoInfo;
    mt.cbFormat = sizeof vih;
    mt.pbFormat = reinterpret_cast<BYTE*>(&vih);
  }
  VideoType(const VideoType& other) : mt(other.mt), vih(other.vih) { mt.pbFormat = reinterpret_cast<BYTE*>(&vih); }
};

struct LayoutCase {
  const char* label;
  VideoType type;
  std::function<void(VideoType&)> edit;  // may be empty
  bool bTaken;
  PictureLayout want;
};

void ExpectLayout(const PictureLayout& want, const PictureLayout& got) {
  EXPECT_EQ(want.size.cx, got.size.cx);
  EXPECT_EQ(want.size.cy, got.size.cy);
  EXPECT_EQ(want.cbOffset, got.cbOffset);
  EXPECT_EQ(want.cbStride, got.cbStride);
  EXPECT_EQ(want.cbBuffer, got.cbBuffer);
}

const PictureLayout kUntouched = {{-5, -5}, -5, -5, 5};

}  // namespace

TEST(VideoFormat, InputPictureInEveryLayoutThatArrives) {
  const LayoutCase cases[] = {
      {"bottom-up", VideoType(640, 480), nullptr, true, {{640, 480}, 479 * 2560, -2560, 640 * 480 * 4}},
      {"top-down", VideoType(640, -480), nullptr, true, {{640, 480}, 0, 2560, 640 * 480 * 4}},
      {"bottom-up with a source rectangle", VideoType(640, 480, RECT{10, 20, 110, 70}), nullptr, true,
       {{100, 50}, (479 - 20) * 2560 + 40, -2560, 640 * 480 * 4}},
      {"top-down with a source rectangle", VideoType(640, -480, RECT{10, 20, 110, 70}), nullptr, true,
       {{100, 50}, 20 * 2560 + 40, 2560, 640 * 480 * 4}},
      {"VIDEOINFOHEADER2", VideoType(64, 32),
       [](VideoType& t) {
         // The same fields at their VIDEOINFOHEADER2 places.
         static VIDEOINFOHEADER2 vih2;
         vih2 = VIDEOINFOHEADER2();
         vih2.bmiHeader = t.vih.bmiHeader;
         t.mt.formattype = FORMAT_VideoInfo2;
         t.mt.cbFormat = sizeof vih2;
         t.mt.pbFormat = reinterpret_cast<BYTE*>(&vih2);
       },
       true, {{64, 32}, 31 * 256, -256, 64 * 32 * 4}},
      {"24 bits", VideoType(640, 480), [](VideoType& t) { t.vih.bmiHeader.biBitCount = 24; }, false, kUntouched},
      {"bit fields", VideoType(640, 480), [](VideoType& t) { t.vih.bmiHeader.biCompression = BI_BITFIELDS; },
       false, kUntouched},
      {"another subtype", VideoType(640, 480), [](VideoType& t) { t.mt.subtype = MEDIASUBTYPE_RGB24; }, false,
       kUntouched},
      {"not video", VideoType(640, 480), [](VideoType& t) { t.mt.majortype = MEDIATYPE_Audio; }, false,
       kUntouched},
      {"format block cut short", VideoType(640, 480), [](VideoType& t) { t.mt.cbFormat = sizeof(VIDEOINFOHEADER) - 1; },
       false, kUntouched},
      {"no format block", VideoType(640, 480), [](VideoType& t) { t.mt.pbFormat = nullptr; }, false, kUntouched},
      {"height 0", VideoType(640, 0), nullptr, false, kUntouched},
      {"width 0", VideoType(0, 480), nullptr, false, kUntouched},
      {"source past the right edge", VideoType(640, 480, RECT{600, 0, 641, 480}), nullptr, false, kUntouched},
      {"source past the bottom edge", VideoType(640, -480, RECT{0, 0, 640, 481}), nullptr, false, kUntouched},
      {"source upside down", VideoType(640, 480, RECT{0, 100, 640, 50}), nullptr, false, kUntouched},
      {"rows beyond any picture", VideoType(70000, 2), nullptr, false, kUntouched},
      // A sample's length is a long: 2^31 - 1 bytes at most, for the whole bitmap.
      {"the largest bitmap a sample holds", VideoType(16384, -32767), nullptr, true,
       {{16384, 32767}, 0, 65536, static_cast<size_t>(16384) * 32767 * 4}},
      {"bottom-up, the largest", VideoType(16384, 32767), nullptr, true,
       {{16384, 32767}, static_cast<ptrdiff_t>(32766) * 65536, -65536, static_cast<size_t>(16384) * 32767 * 4}},
      {"32768 x 32768: 4 GiB a frame", VideoType(32768, 32768), nullptr, false, kUntouched},
      {"23171 x 23171: 51 KiB over", VideoType(23171, 23171), nullptr, false, kUntouched},
      {"65536 x -65536 around a 16 x 16 source", VideoType(65536, -65536, RECT{0, 0, 16, 16}), nullptr, false,
       kUntouched},
  };
  for (const LayoutCase& c : cases) {
    SCOPED_TRACE(c.label);
    VideoType type = c.type;
    if (c.edit) c.edit(type);
    PictureLayout got = kUntouched;
    EXPECT_EQ(c.bTaken, lumivar::InputPicture(&type.mt, &got));
    ExpectLayout(c.want, got);
  }
  PictureLayout got = kUntouched;
  EXPECT_FALSE(lumivar::InputPicture(nullptr, &got));
}

TEST(VideoFormat, OutputPictureTakesWiderRowsAndATargetRectangleOfTheSize) {
  const SIZE size = {300, 125};
  const LayoutCase cases[] = {
      {"as offered", VideoType(300, 125), nullptr, true, {{300, 125}, 124 * 1200, -1200, 300 * 125 * 4}},
      {"wider rows", VideoType(320, 125), nullptr, true, {{300, 125}, 124 * 1280, -1280, 320 * 125 * 4}},
      {"top-down, more rows", VideoType(320, -130), nullptr, true, {{300, 125}, 0, 1280, 320 * 130 * 4}},
      {"target rectangle", VideoType(320, -130, RECT{}, RECT{8, 4, 308, 129}), nullptr, true,
       {{300, 125}, 4 * 1280 + 32, 1280, 320 * 130 * 4}},
      {"rows too narrow", VideoType(299, 125), nullptr, false, kUntouched},
      {"too few rows", VideoType(300, 124), nullptr, false, kUntouched},
      {"target of another size", VideoType(320, 130, RECT{}, RECT{0, 0, 200, 100}), nullptr, false, kUntouched},
      {"rows no sample can hold", VideoType(65536, -32768), nullptr, false, kUntouched},
  };
  for (const LayoutCase& c : cases) {
    SCOPED_TRACE(c.label);
    VideoType type = c.type;
    PictureLayout got = kUntouched;
    EXPECT_EQ(c.bTaken, lumivar::OutputPicture(&type.mt, size, &got));
    ExpectLayout(c.want, got);
  }
}

TEST(VideoFormat, TheOfferedOutputTypeIsBottomUpRgb32OfTheSizeAtTheInputsRate) {
  VideoType input(640, 480);
  input.vih.AvgTimePerFrame = 400000;
  dshow::CMediaType mt;
  ASSERT_EQ(S_OK, lumivar::MakeOutputType(&input.mt, SIZE{300, 125}, &mt));
  EXPECT_TRUE(mt.majortype == MEDIATYPE_Video);
  EXPECT_TRUE(mt.subtype == MEDIASUBTYPE_RGB32);
  ASSERT_TRUE(mt.formattype == FORMAT_VideoInfo);
  ASSERT_EQ(sizeof(VIDEOINFOHEADER), mt.cbFormat);
  const VIDEOINFOHEADER& vih = *reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat);
  EXPECT_EQ(300, vih.bmiHeader.biWidth);
  EXPECT_EQ(125, vih.bmiHeader.biHeight);
  EXPECT_EQ(300u * 125 * 4, vih.bmiHeader.biSizeImage);
  EXPECT_EQ(300u * 125 * 4, mt.lSampleSize);
  EXPECT_EQ(400000, vih.AvgTimePerFrame);
  PictureLayout layout;
  EXPECT_TRUE(lumivar::OutputPicture(&mt, SIZE{300, 125}, &layout));
  EXPECT_EQ(E_INVALIDARG, lumivar::MakeOutputType(&input.mt, SIZE{0, 125}, &mt));
}

namespace {

// A 4 x 3 picture, pixel (x, y) = 0xAA0000yx, in a top-down buffer 6 pixels wide whose
// picture starts at column 1; the output bottom-up, 5 wide, its target at column 1.
struct Frames {
  VideoType in = VideoType(6, -3, RECT{1, 0, 5, 3});
  VideoType out = VideoType(5, 3, RECT{}, RECT{1, 0, 5, 3});
  std::vector<uint32_t> src = std::vector<uint32_t>(6 * 3, 0xDEADBEEF);
  std::vector<uint32_t> dst = std::vector<uint32_t>(5 * 3, 0x12345678);

  Frames() {
    for (uint32_t y = 0; y < 3; ++y)
      for (uint32_t x = 0; x < 4; ++x) src[y * 6 + 1 + x] = 0xAA000000u | (y << 4) | x;
  }
  // Output pixel (x, y) of the picture, from its place in the bottom-up buffer.
  uint32_t Out(int x, int y) const { return dst[(2 - y) * 5 + 1 + x]; }
};

HRESULT Prepare(FrameResizer* pFrames, const Frames& f, bool bFlip) {
  PictureLayout in, out;
  if (!lumivar::InputPicture(&f.in.mt, &in) || !lumivar::OutputPicture(&f.out.mt, SIZE{4, 3}, &out))
    return E_FAIL;
  ResizerSettings settings;
  HRESULT hr = settings.SetInputSize(in.size.cx, in.size.cy);
  if (SUCCEEDED(hr)) hr = settings.SetOutputSize(4, 3);
  if (SUCCEEDED(hr)) hr = settings.SetAlgorithm(RESIZE_NEAREST);
  settings.SetFlip(bFlip);
  std::shared_ptr<const lumivar::Resampler> spResampler;
  if (SUCCEEDED(hr)) hr = FrameResizer::Prepare(settings, &spResampler);
  if (FAILED(hr)) return hr;
  pFrames->SetInputLayout(in);
  pFrames->SetOutputLayout(out);
  pFrames->Install(spResampler);
  return S_OK;
}

}  // namespace

TEST(FrameResizer, ReadsAndWritesThePictureWhereverTheLayoutsPutIt) {
  for (bool bFlip : {false, true}) {
    SCOPED_TRACE(bFlip ? "flipped" : "upright");
    Frames f;
    FrameResizer frames;
    ASSERT_EQ(S_OK, Prepare(&frames, f, bFlip));
    ASSERT_EQ(S_OK, frames.Process(reinterpret_cast<const BYTE*>(f.src.data()), f.src.size() * 4,
                                   reinterpret_cast<BYTE*>(f.dst.data()), f.dst.size() * 4));
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 4; ++x)
        EXPECT_EQ(0xAA000000u | ((bFlip ? 2 - y : y) << 4) | x, f.Out(x, y)) << x << ", " << y;
    // The column outside the target is left alone.
    for (int y = 0; y < 3; ++y) EXPECT_EQ(0x12345678u, f.dst[y * 5]);
  }
}

TEST(FrameResizer, RefusesFramesItCannotResizeSafely) {
  Frames f;
  const BYTE* pIn = reinterpret_cast<const BYTE*>(f.src.data());
  BYTE* pOut = reinterpret_cast<BYTE*>(f.dst.data());
  FrameResizer frames;
  // Nothing installed yet.
  EXPECT_EQ(E_FAIL, frames.Process(pIn, f.src.size() * 4, pOut, f.dst.size() * 4));
  ASSERT_EQ(S_OK, Prepare(&frames, f, false));
  EXPECT_EQ(E_INVALIDARG, frames.Process(pIn, f.src.size() * 4 - 1, pOut, f.dst.size() * 4));
  EXPECT_EQ(E_INVALIDARG, frames.Process(pIn, f.src.size() * 4, pOut, f.dst.size() * 4 - 1));
  EXPECT_EQ(E_INVALIDARG, frames.Process(nullptr, f.src.size() * 4, pOut, f.dst.size() * 4));
  EXPECT_THAT(f.dst, testing::Each(0x12345678u));
  // An output layout of another size than the resampler's makes no frame either.
  PictureLayout other;
  VideoType wide(8, 3);
  ASSERT_TRUE(lumivar::OutputPicture(&wide.mt, SIZE{8, 3}, &other));
  frames.SetOutputLayout(other);
  EXPECT_EQ(E_FAIL, frames.Process(pIn, f.src.size() * 4, pOut, f.dst.size() * 4));
  frames.Install(nullptr);
  EXPECT_EQ(E_FAIL, frames.Process(pIn, f.src.size() * 4, pOut, f.dst.size() * 4));
}
