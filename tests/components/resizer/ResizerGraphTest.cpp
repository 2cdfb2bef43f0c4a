// The Resizer in real graphs: Video Generator -> Resizer -> the kit's test sink, whose
// frames show every setting, and Video Generator -> Resizer -> the renderer that
// IGraphBuilder::Render adds, which gets every new size set while stopped.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <dshow.h>

#include <atlcomcli.h>
#include <atlhandle.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "IResizerControl.h"
#include "PinUtil.h"
#include "GeneratorChain.h"
#include "SinkFilter.h"
#include "VideoGenerator.h"

using ATL::CComPtr;
using ATL::CComQIPtr;

namespace {

constexpr DWORD kTimeout = GeneratorChain::kTimeout;

// A picture in top-down rows of BGRA pixels.
struct Picture {
  LONG cx = 0, cy = 0;
  std::vector<uint32_t> px;
  uint32_t At(LONG x, LONG y) const { return px[static_cast<size_t>(y) * cx + x]; }
};

// The frame's picture as the connection's type lays it out (RGB32, either orientation).
Picture PictureOf(const AM_MEDIA_TYPE& mt, const std::vector<BYTE>& data) {
  Picture pic;
  const SIZE size = VideoSizeOf(mt);
  const LONG cRows = size.cy < 0 ? -size.cy : size.cy;
  if (size.cx <= 0 || data.size() < static_cast<size_t>(size.cx) * cRows * 4) return pic;
  pic.cx = size.cx;
  pic.cy = cRows;
  pic.px.resize(static_cast<size_t>(size.cx) * cRows);
  for (LONG y = 0; y < cRows; ++y) {
    const LONG row = size.cy > 0 ? cRows - 1 - y : y;
    std::memcpy(&pic.px[static_cast<size_t>(y) * size.cx], &data[static_cast<size_t>(row) * size.cx * 4],
                static_cast<size_t>(size.cx) * 4);
  }
  return pic;
}

// The first frame the sink got, in the sink's connection type.
Picture FirstFrame(GeneratorChain& chain) {
  const std::vector<SinkSample> samples = chain.spSink->Input()->Samples();
  if (samples.empty()) return Picture();
  return PictureOf(chain.spSink->Input()->CurrentMediaType(), samples.front().data);
}

// The short stream the frame tests take: five frames.
constexpr VideoGeneratorSettings kShort = {640, 480, 25, 200};

// The generator's frame 0, straight from its output.
Picture GeneratorFrame(const VideoGeneratorSettings& settings) {
  CComPtr<IGraphBuilder> spGraph;
  CComPtr<IBaseFilter> spGenerator;
  CComPtr<CSinkFilter> spSink;
  if (FAILED(spGraph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER)) ||
      FAILED(spGenerator.CoCreateInstance(CLSID_VideoGenerator, nullptr, CLSCTX_INPROC_SERVER)) ||
      FAILED(CSinkFilter::Create(&spSink)))
    return Picture();
  CComQIPtr<IVideoGeneratorSettings> spSettings(spGenerator);
  CComQIPtr<IMediaControl> spMediaControl(spGraph);
  spSink->Input()->KeepData(true);
  if (!spSettings || FAILED(spSettings->SetSettings(&settings)) || !spMediaControl ||
      FAILED(spGraph->AddFilter(spGenerator, L"Video Generator")) ||
      FAILED(spGraph->AddFilter(spSink, L"Sink")) ||
      FAILED(spGraph->ConnectDirect(FirstPin(spGenerator, PINDIR_OUTPUT), spSink->Input(), nullptr)) ||
      FAILED(spMediaControl->Run()))
    return Picture();
  const bool bEnded = spSink->Input()->WaitForEndOfStream(kTimeout);
  spMediaControl->Stop();
  const std::vector<SinkSample> samples = spSink->Input()->Samples();
  if (!bEnded || samples.empty()) return Picture();
  return PictureOf(spSink->Input()->CurrentMediaType(), samples.front().data);
}

Picture Flipped(const Picture& in) {
  Picture out = in;
  for (LONG y = 0; y < in.cy; ++y)
    for (LONG x = 0; x < in.cx; ++x) out.px[static_cast<size_t>(y) * in.cx + x] = in.At(x, in.cy - 1 - y);
  return out;
}

Picture Cropped(const Picture& in, const RECT& rc) {
  Picture out;
  out.cx = rc.right - rc.left;
  out.cy = rc.bottom - rc.top;
  for (LONG y = rc.top; y < rc.bottom; ++y)
    for (LONG x = rc.left; x < rc.right; ++x) out.px.push_back(in.At(x, y));
  return out;
}

// Nearest neighbour as the filter defines it: the input pixel under the output pixel's centre.
Picture Nearest(const Picture& in, LONG cx, LONG cy) {
  Picture out;
  out.cx = cx;
  out.cy = cy;
  for (LONG y = 0; y < cy; ++y)
    for (LONG x = 0; x < cx; ++x) {
      const LONG u = static_cast<LONG>(std::floor((x + 0.5) * in.cx / cx));
      const LONG v = static_cast<LONG>(std::floor((y + 0.5) * in.cy / cy));
      out.px.push_back(in.At(u, v));
    }
  return out;
}

// The triangle kernel upscaled, in double precision: centres mapped evenly, edges replicated.
Picture LinearUp(const Picture& in, LONG cx, LONG cy) {
  Picture out;
  out.cx = cx;
  out.cy = cy;
  auto tap = [](double u, LONG n, LONG* pi0, LONG* pi1, double* pf) {
    const double f0 = std::floor(u);
    *pf = u - f0;
    *pi0 = std::min(std::max(static_cast<LONG>(f0), 0L), n - 1);
    *pi1 = std::min(std::max(static_cast<LONG>(f0) + 1, 0L), n - 1);
  };
  for (LONG y = 0; y < cy; ++y) {
    LONG y0, y1;
    double fy;
    tap((y + 0.5) * in.cy / cy - 0.5, in.cy, &y0, &y1, &fy);
    for (LONG x = 0; x < cx; ++x) {
      LONG x0, x1;
      double fx;
      tap((x + 0.5) * in.cx / cx - 0.5, in.cx, &x0, &x1, &fx);
      uint32_t pixel = 0;
      for (int c = 0; c < 4; ++c) {
        auto ch = [&](LONG px, LONG py) { return static_cast<double>((in.At(px, py) >> (8 * c)) & 0xFF); };
        const double top = ch(x0, y0) * (1 - fx) + ch(x1, y0) * fx;
        const double bottom = ch(x0, y1) * (1 - fx) + ch(x1, y1) * fx;
        const double v = top * (1 - fy) + bottom * fy;
        pixel |= static_cast<uint32_t>(std::lround(v)) << (8 * c);
      }
      out.px.push_back(pixel);
    }
  }
  return out;
}

// The largest difference of one channel between two pictures of one size; -1 for another size.
int MaxDifference(const Picture& a, const Picture& b) {
  if (a.cx != b.cx || a.cy != b.cy || a.px.size() != b.px.size()) return -1;
  int nMax = 0;
  for (size_t i = 0; i < a.px.size(); ++i)
    for (int c = 0; c < 4; ++c) {
      const int d = static_cast<int>((a.px[i] >> (8 * c)) & 0xFF) - static_cast<int>((b.px[i] >> (8 * c)) & 0xFF);
      nMax = std::max(nMax, d < 0 ? -d : d);
    }
  return nMax;
}

struct FrameCase {
  const char* label;
  std::function<HRESULT(IResizerControl*)> configure;
  std::function<Picture(const Picture&)> expected;  // from the generator's own frame
  int nTolerance;                                   // per channel, levels
};

}  // namespace

TEST(ResizerGraph, EverySettingShowsInTheFramesThatReachTheSink) {
  const Picture source = GeneratorFrame(kShort);
  ASSERT_EQ(640, source.cx);
  ASSERT_EQ(480, source.cy);
  const RECT rcClip = {100, 80, 420, 320};
  const FrameCase cases[] = {
      {"nearest at scale 1 is the identity",
       [](IResizerControl* p) { return p->SetResizeAlgorithm(RESIZE_NEAREST); },
       [](const Picture& in) { return in; }, 0},
      {"linear at scale 1 is the identity", [](IResizerControl*) { return S_OK; },
       [](const Picture& in) { return in; }, 0},
      {"flip",
       [](IResizerControl* p) {
         HRESULT hr = p->SetResizeAlgorithm(RESIZE_NEAREST);
         return SUCCEEDED(hr) ? p->SetFlip(TRUE) : hr;
       },
       Flipped, 0},
      {"clip at scale 1",
       [rcClip](IResizerControl* p) {
         HRESULT hr = p->SetResizeAlgorithm(RESIZE_NEAREST);
         if (SUCCEEDED(hr)) hr = p->SetClippingRect(&rcClip);
         return SUCCEEDED(hr) ? p->SetOutputSize(320, 240) : hr;
       },
       [rcClip](const Picture& in) { return Cropped(in, rcClip); }, 0},
      {"size doubled, nearest",
       [](IResizerControl* p) {
         HRESULT hr = p->SetResizeAlgorithm(RESIZE_NEAREST);
         return SUCCEEDED(hr) ? p->SetOutputSize(1280, 960) : hr;
       },
       [](const Picture& in) { return Nearest(in, 1280, 960); }, 0},
      {"size halved by coefficients, nearest",
       [](IResizerControl* p) {
         HRESULT hr = p->SetResizeAlgorithm(RESIZE_NEAREST);
         return SUCCEEDED(hr) ? p->SetResizingCoeffs(0.5, 0.5) : hr;
       },
       [](const Picture& in) { return Nearest(in, 320, 240); }, 0},
      {"size doubled, linear", [](IResizerControl* p) { return p->SetOutputSize(1280, 960); },
       [](const Picture& in) { return LinearUp(in, 1280, 960); }, 1},
  };
  for (const FrameCase& c : cases) {
    SCOPED_TRACE(c.label);
    GeneratorChain chain;
    ASSERT_EQ(S_OK, chain.Build(kShort));
    ASSERT_EQ(S_OK, chain.AddSink());
    // Set after the output is connected: a new size reconnects it while stopped.
    ASSERT_EQ(S_OK, c.configure(chain.spControl));
    ASSERT_TRUE(chain.RunToEnd());
    const Picture expected = c.expected(source);
    const Picture got = FirstFrame(chain);
    EXPECT_EQ(expected.cx, got.cx);
    EXPECT_EQ(expected.cy, got.cy);
    const int nDiff = MaxDifference(expected, got);
    EXPECT_GE(nDiff, 0);
    EXPECT_LE(nDiff, c.nTolerance);
    chain.ExpectReleased();
  }
}

namespace {

// The generator's frame 0 downscaled to 300 x 220 with the settings configure makes.
Picture Downscaled(const std::function<HRESULT(IResizerControl*)>& configure) {
  GeneratorChain chain;
  if (chain.Build(kShort) != S_OK || chain.AddSink() != S_OK || configure(chain.spControl) != S_OK ||
      chain.spControl->SetOutputSize(300, 220) != S_OK || !chain.RunToEnd())
    return Picture();
  const Picture frame = FirstFrame(chain);
  chain.ExpectReleased();
  return frame;
}

HRESULT Algorithm(IResizerControl* p, int i) { return p->SetResizeAlgorithm(static_cast<ResizeAlgorithm>(i)); }

}  // namespace

TEST(ResizerGraph, AlgorithmsAndTheirSwitchesShowInDownscaledFrames) {
  // No two of the kernels give the same picture where it has detail.
  std::vector<Picture> results;
  for (int i = RESIZE_NEAREST; i <= RESIZE_SUPERSAMPLING; ++i) {
    SCOPED_TRACE(testing::Message() << "algorithm " << i);
    results.push_back(Downscaled([i](IResizerControl* p) { return Algorithm(p, i); }));
    EXPECT_EQ(300, results.back().cx);
    EXPECT_EQ(220, results.back().cy);
  }
  for (size_t i = 0; i < results.size(); ++i)
    for (size_t j = i + 1; j < results.size(); ++j)
      EXPECT_GT(MaxDifference(results[i], results[j]), 0) << "algorithms " << i + 1 << " and " << j + 1;

  // Without antialiasing the kernel is not widened: another picture.
  const Picture narrow = Downscaled([](IResizerControl* p) {
    HRESULT hr = Algorithm(p, RESIZE_LANCZOS3);
    return SUCCEEDED(hr) ? p->SetAntialiasing(FALSE) : hr;
  });
  EXPECT_GT(MaxDifference(narrow, results[RESIZE_LANCZOS3 - 1]), 0);
  // Automatic supersampling, both directions downscaled: exactly supersampling.
  const Picture automatic = Downscaled([](IResizerControl* p) {
    HRESULT hr = Algorithm(p, RESIZE_LANCZOS3);
    return SUCCEEDED(hr) ? p->SetAutoSupersampling(TRUE) : hr;
  });
  EXPECT_EQ(0, MaxDifference(automatic, results[RESIZE_SUPERSAMPLING - 1]));
}

TEST(ResizerGraph, AFlipSetWhileRunningAppliesFromTheNextFrame) {
  // Tiny frames and a long stream, so frames keep coming while the setting changes.
  const VideoGeneratorSettings settings = {32, 32, 120, 60000};
  GeneratorChain chain;
  ASSERT_EQ(S_OK, chain.Build(settings));
  ASSERT_EQ(S_OK, chain.AddSink());
  ASSERT_EQ(S_OK, chain.spControl->SetResizeAlgorithm(RESIZE_NEAREST));
  ASSERT_EQ(S_OK, chain.spControl->SetOutputSize(32, 32));
  ASSERT_TRUE(SUCCEEDED(chain.Control(&IMediaControl::Run)));
  ASSERT_TRUE(chain.spSink->Input()->WaitForSamples(3, kTimeout));
  EXPECT_EQ(S_OK, chain.spControl->SetFlip(TRUE));
  const size_t cAtFlip = chain.spSink->Input()->Samples().size();
  ASSERT_TRUE(chain.spSink->Input()->WaitForSamples(cAtFlip + 3, kTimeout));
  ASSERT_EQ(S_OK, chain.Control(&IMediaControl::Stop));

  // The colour bars, white, yellow, ..., black, are the top rows of an upright frame.
  auto isBarRow = [](const Picture& pic, LONG y) {
    return (pic.At(0, y) & 0xFFFFFF) == 0xFFFFFF && (pic.At(4, y) & 0xFFFFFF) == 0xFFFF00 &&
           (pic.At(pic.cx - 1, y) & 0xFFFFFF) == 0;
  };
  const std::vector<SinkSample> samples = chain.spSink->Input()->Samples();
  const AM_MEDIA_TYPE& mt = chain.spSink->Input()->CurrentMediaType();
  size_t cUpright = 0;
  bool bFlipped = false;
  for (const SinkSample& sample : samples) {
    const Picture pic = PictureOf(mt, sample.data);
    ASSERT_EQ(32, pic.cx);
    const bool bUpright = isBarRow(pic, 0);
    const bool bUpsideDown = isBarRow(pic, pic.cy - 1);
    ASSERT_NE(bUpright, bUpsideDown) << "a frame neither upright nor flipped";
    if (bUpsideDown) bFlipped = true;
    // Once flipped, every later frame is.
    EXPECT_EQ(bFlipped, bUpsideDown);
    if (!bFlipped) ++cUpright;
  }
  EXPECT_GE(cUpright, 3u);
  EXPECT_LE(cUpright, cAtFlip + 1);
  EXPECT_TRUE(bFlipped);
  chain.ExpectReleased();
}

TEST(ResizerGraph, SettingsChangedOnAnotherThreadWhileFramesStreamAllApply) {
  const VideoGeneratorSettings settings = {64, 48, 120, 60000};
  GeneratorChain chain;
  ASSERT_EQ(S_OK, chain.Build(settings));
  ASSERT_EQ(S_OK, chain.AddSink());
  chain.spSink->Input()->KeepData(false);
  ASSERT_EQ(S_OK, chain.spControl->SetOutputSize(96, 40));
  ASSERT_TRUE(SUCCEEDED(chain.Control(&IMediaControl::Run)));
  ASSERT_TRUE(chain.spSink->Input()->WaitForSamples(1, kTimeout));

  // Every setting that keeps the format, changed as fast as the calls go.
  struct Hammer {
    IResizerControl* p;
    int cFailures = 0;
    static DWORD WINAPI Run(void* pv) {
      Hammer* pThis = static_cast<Hammer*>(pv);
      for (int i = 0; i < 400; ++i) {
        const RECT rc = {i % 16, i % 12, 64 - i % 7, 48 - i % 5};
        const HRESULT rgHr[] = {
            pThis->p->SetResizeAlgorithm(static_cast<ResizeAlgorithm>(RESIZE_NEAREST + i % 8)),
            pThis->p->SetFlip(i & 1), pThis->p->SetAntialiasing(i & 2), pThis->p->SetAutoSupersampling(i & 4),
            pThis->p->SetClippingRect(&rc)};
        for (HRESULT hr : rgHr)
          if (hr != S_OK) ++pThis->cFailures;
      }
      return 0;
    }
  } hammer{chain.spControl};
  ATL::CHandle hThread(::CreateThread(nullptr, 0, &Hammer::Run, &hammer, 0, nullptr));
  ASSERT_TRUE(hThread.m_h != nullptr);
  EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(hThread, kTimeout));
  hThread.Close();
  EXPECT_EQ(0, hammer.cFailures);
  // The stream goes on, at the size that was set.
  const size_t cBefore = chain.spSink->Input()->Samples().size();
  EXPECT_TRUE(chain.spSink->Input()->WaitForSamples(cBefore + 3, kTimeout));
  ASSERT_EQ(S_OK, chain.Control(&IMediaControl::Stop));
  for (const SinkSample& sample : chain.spSink->Input()->Samples()) EXPECT_EQ(96 * 40 * 4, sample.cbData);
  chain.ExpectReleased();
}

TEST(ResizerGraph, ARefusedReconnectionKeepsTheSizeAndTheConnectionThatWere) {
  GeneratorChain chain;
  ASSERT_EQ(S_OK, chain.Build(kShort));
  ASSERT_EQ(S_OK, chain.AddSink());
  // The sink now takes only this exact format: the real path to a refused reconnection.
  CComPtr<IPin> spOut = chain.ResizerPin(PINDIR_OUTPUT);
  AM_MEDIA_TYPE mt = {};
  ASSERT_EQ(S_OK, spOut->ConnectionMediaType(&mt));
  chain.spSink->Input()->Accept(&mt);
  ::CoTaskMemFree(mt.pbFormat);

  EXPECT_TRUE(FAILED(chain.spControl->SetOutputSize(320, 240)));
  LONG cx = 0, cy = 0;
  EXPECT_EQ(S_OK, chain.spControl->GetOutputSize(&cx, &cy));
  EXPECT_EQ(640, cx);
  EXPECT_EQ(480, cy);
  const SIZE size = ConnectedSize(chain.spSink->Input());
  EXPECT_EQ(640, size.cx);
  EXPECT_EQ(480, size.cy);
  // And it still streams at that size.
  ASSERT_TRUE(chain.RunToEnd());
  EXPECT_EQ(640, FirstFrame(chain).cx);
  spOut.Release();
  chain.ExpectReleased();
}

namespace {

struct InputChangeCase {
  const char* label;
  std::function<HRESULT(IResizerControl*)> configure;
  SIZE sizeOut;
  double dX, dY;
  RECT rcClip;
};

}  // namespace

TEST(ResizerGraph, ANewInputPictureFollowsTheFixedOrVariableRuleDownToTheSink) {
  const InputChangeCase cases[] = {
      {"fixed: the size stays, the coefficients follow", [](IResizerControl*) { return S_OK; },
       {640, 480}, 2, 2, {0, 0, 0, 0}},
      {"variable: the coefficients stay, the size follows",
       [](IResizerControl* p) {
         HRESULT hr = p->SetFixedOutput(FALSE);
         return SUCCEEDED(hr) ? p->SetResizingCoeffs(0.5, 0.75) : hr;
       },
       {160, 180}, 0.5, 0.75, {0, 0, 0, 0}},
      {"a clip outside the new picture becomes the whole picture",
       [](IResizerControl* p) {
         const RECT rc = {400, 300, 640, 480};
         HRESULT hr = p->SetFixedOutput(FALSE);
         return SUCCEEDED(hr) ? p->SetClippingRect(&rc) : hr;
       },
       {320, 240}, 1, 1, {0, 0, 0, 0}},
      {"a clip inside it stays",
       [](IResizerControl* p) {
         const RECT rc = {0, 0, 100, 60};
         HRESULT hr = p->SetClippingRect(&rc);
         return SUCCEEDED(hr) ? p->SetOutputSize(200, 120) : hr;
       },
       {200, 120}, 2, 2, {0, 0, 100, 60}},
  };
  for (const InputChangeCase& c : cases) {
    SCOPED_TRACE(c.label);
    GeneratorChain chain;
    ASSERT_EQ(S_OK, chain.Build(kShort));
    ASSERT_EQ(S_OK, chain.AddSink());
    ASSERT_EQ(S_OK, c.configure(chain.spControl));
    // The generator reconnects its output with the new size, the resizer's input with it.
    CComQIPtr<IVideoGeneratorSettings> spSettings(chain.spGenerator);
    ASSERT_TRUE(spSettings != nullptr);
    const VideoGeneratorSettings smaller = {320, 240, kShort.lFrameRate, kShort.lDurationMs};
    ASSERT_EQ(S_OK, spSettings->SetSettings(&smaller));
    EXPECT_EQ(320, ConnectedSize(chain.ResizerPin(PINDIR_INPUT)).cx);

    LONG cx = 0, cy = 0;
    double dX = 0, dY = 0;
    RECT rc = {-1, -1, -1, -1};
    EXPECT_EQ(S_OK, chain.spControl->GetOutputSize(&cx, &cy));
    EXPECT_EQ(S_OK, chain.spControl->GetResizingCoeffs(&dX, &dY));
    EXPECT_EQ(S_OK, chain.spControl->GetClippingRect(&rc));
    EXPECT_EQ(c.sizeOut.cx, cx);
    EXPECT_EQ(c.sizeOut.cy, cy);
    EXPECT_DOUBLE_EQ(c.dX, dX);
    EXPECT_DOUBLE_EQ(c.dY, dY);
    EXPECT_EQ(c.rcClip.left, rc.left);
    EXPECT_EQ(c.rcClip.right, rc.right);
    EXPECT_EQ(c.rcClip.bottom, rc.bottom);
    const SIZE connected = ConnectedSize(chain.spSink->Input());
    EXPECT_EQ(c.sizeOut.cx, connected.cx);
    EXPECT_EQ(c.sizeOut.cy, connected.cy);
    ASSERT_TRUE(chain.RunToEnd());
    const Picture frame = FirstFrame(chain);
    EXPECT_EQ(c.sizeOut.cx, frame.cx);
    EXPECT_EQ(c.sizeOut.cy, frame.cy);
    spSettings.Release();
    chain.ExpectReleased();
  }
}

TEST(ResizerGraph, SettingsLoadedIntoAConnectedFilterReconnectItsOutput) {
  // Saved from a filter that assumed another input picture.
  CComPtr<IResizerControl> spSaved;
  ASSERT_EQ(S_OK, ::CoCreateInstance(CLSID_Resizer, nullptr, CLSCTX_INPROC_SERVER, IID_IResizerControl,
                                     reinterpret_cast<void**>(&spSaved)));
  ASSERT_EQ(S_OK, spSaved->SetFlip(TRUE));
  ASSERT_EQ(S_OK, spSaved->SetOutputSize(320, 200));
  CComQIPtr<IPersistStream> spSaver(spSaved);
  CComPtr<IStream> spStm;
  ASSERT_EQ(S_OK, ::CreateStreamOnHGlobal(nullptr, TRUE, &spStm));
  ASSERT_EQ(S_OK, spSaver->Save(spStm, TRUE));
  const LARGE_INTEGER zero = {};
  ASSERT_EQ(S_OK, spStm->Seek(zero, STREAM_SEEK_SET, nullptr));

  GeneratorChain chain;
  ASSERT_EQ(S_OK, chain.Build(VideoGeneratorSettings{320, 240, 25, 200}));
  ASSERT_EQ(S_OK, chain.AddSink());
  CComQIPtr<IPersistStream> spLoader(chain.spControl);
  ASSERT_EQ(S_OK, spLoader->Load(spStm));
  BOOL bFlip = FALSE;
  EXPECT_EQ(S_OK, chain.spControl->GetFlip(&bFlip));
  EXPECT_TRUE(bFlip);
  double dX = 0, dY = 0;
  // The connected input's picture, not the saved one, gives the coefficients.
  EXPECT_EQ(S_OK, chain.spControl->GetResizingCoeffs(&dX, &dY));
  EXPECT_DOUBLE_EQ(1.0, dX);
  EXPECT_DOUBLE_EQ(200.0 / 240, dY);
  const SIZE connected = ConnectedSize(chain.spSink->Input());
  EXPECT_EQ(320, connected.cx);
  EXPECT_EQ(200, connected.cy);
  spLoader.Release();
  spSaver.Release();
  EXPECT_EQ(0u, spSaved.Detach()->Release());
  chain.ExpectReleased();
}

namespace {

// Waits for one of the codes; false when the bound passes first or the graph aborts.
bool WaitForEvent(IGraphBuilder* pGraph, long lWanted, DWORD dwTimeout) {
  CComQIPtr<IMediaEvent, &IID_IMediaEvent> spEvents(pGraph);
  if (!spEvents) return false;
  const DWORD dwStart = ::GetTickCount();
  for (;;) {
    const DWORD dwElapsed = ::GetTickCount() - dwStart;
    if (dwElapsed >= dwTimeout) return false;
    long lCode = 0;
    LONG_PTR l1 = 0, l2 = 0;
    // Wine answers E_ABORT at once when the queue has just been emptied, then waits.
    const HRESULT hr = spEvents->GetEvent(&lCode, &l1, &l2, dwTimeout - dwElapsed);
    if (hr == E_ABORT) continue;
    if (FAILED(hr)) return false;
    spEvents->FreeEventParams(lCode, l1, l2);
    if (lCode == lWanted) return true;
    if (lCode == EC_ERRORABORT || lCode == EC_USERABORT) {
      ADD_FAILURE() << "graph event " << lCode << ", " << std::hex << l1;
      return false;
    }
  }
}

}  // namespace

TEST(ResizerGraph, RenderAddsARendererAndANewSizeSetWhileStoppedReachesIt) {
  GeneratorChain chain;
  ASSERT_EQ(S_OK, chain.Build(VideoGeneratorSettings{640, 480, 25, 400}));
  ASSERT_EQ(S_OK, chain.Render());
  PIN_INFO info = {};
  ASSERT_EQ(S_OK, chain.spRendererIn->QueryPinInfo(&info));
  FILTER_INFO filterInfo = {};
  ASSERT_EQ(S_OK, info.pFilter->QueryFilterInfo(&filterInfo));
  CLSID clsid = {};
  info.pFilter->GetClassID(&clsid);
  wchar_t szClsid[40] = {};
  ::StringFromGUID2(clsid, szClsid, 40);
  std::printf("rendered by \"%ls\" %ls\n", filterInfo.achName, szClsid);
  if (filterInfo.pGraph) filterInfo.pGraph->Release();
  info.pFilter->Release();
  EXPECT_EQ(640, ConnectedSize(chain.spRendererIn).cx);
  EXPECT_EQ(480, ConnectedSize(chain.spRendererIn).cy);

  struct Step {
    const char* label;
    std::function<HRESULT(IResizerControl*)> change;
    SIZE want;
  };
  const Step steps[] = {
      {"output size", [](IResizerControl* p) { return p->SetOutputSize(320, 240); }, {320, 240}},
      {"coefficients", [](IResizerControl* p) { return p->SetResizingCoeffs(1.5, 1.25); }, {960, 600}},
      {"clip with variable output",
       [](IResizerControl* p) {
         const RECT rc = {0, 0, 200, 100};
         HRESULT hr = p->SetFixedOutput(FALSE);
         return SUCCEEDED(hr) ? p->SetClippingRect(&rc) : hr;
       },
       {300, 125}},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.label);
    ASSERT_EQ(S_OK, step.change(chain.spControl));
    // The reconnection may give the renderer a new input pin object: ask again.
    chain.spRendererIn.Release();
    ASSERT_EQ(S_OK, chain.ResizerPin(PINDIR_OUTPUT)->ConnectedTo(&chain.spRendererIn));
    const SIZE connected = ConnectedSize(chain.spRendererIn);
    EXPECT_EQ(step.want.cx, connected.cx);
    EXPECT_EQ(step.want.cy, connected.cy);
    const SIZE video = chain.VideoSize();
    EXPECT_EQ(step.want.cx, video.cx);
    EXPECT_EQ(step.want.cy, video.cy);
  }
  // The renderer plays the stream to its end at the last size.
  ASSERT_TRUE(SUCCEEDED(chain.Control(&IMediaControl::Run)));
  EXPECT_TRUE(WaitForEvent(chain.spGraph, EC_COMPLETE, kTimeout));
  EXPECT_EQ(S_OK, chain.Control(&IMediaControl::Stop));
  chain.spRendererIn.Release();
  chain.ExpectReleased();
}

TEST(ResizerGraph, PausedOrRunningANewSizeIsRefusedWhileOtherSettingsApply) {
  struct State {
    const char* label;
    HRESULT (STDMETHODCALLTYPE IMediaControl::*pfn)();
  };
  const State states[] = {{"paused", &IMediaControl::Pause}, {"running", &IMediaControl::Run}};
  for (const State& state : states) {
    SCOPED_TRACE(state.label);
    GeneratorChain chain;
    ASSERT_EQ(S_OK, chain.Build(VideoGeneratorSettings{640, 480, 25, 60000}));
    ASSERT_EQ(S_OK, chain.Render());
    ASSERT_TRUE(SUCCEEDED(chain.Control(state.pfn)));
    IResizerControl* p = chain.spControl;
    const RECT rcClip = {0, 0, 320, 240};
    RECT rc = {};
    LONG cx = 0, cy = 0;
    double dX = 0, dY = 0;

    EXPECT_EQ(VFW_E_WRONG_STATE, p->SetOutputSize(320, 240));
    EXPECT_EQ(VFW_E_WRONG_STATE, p->SetResizingCoeffs(0.5, 0.5));
    EXPECT_EQ(S_OK, p->GetOutputSize(&cx, &cy));
    EXPECT_EQ(640, cx);
    EXPECT_EQ(480, cy);
    // The same size again is no change of format.
    EXPECT_EQ(S_OK, p->SetOutputSize(640, 480));
    EXPECT_EQ(S_OK, p->SetFlip(TRUE));
    EXPECT_EQ(S_OK, p->SetResizeAlgorithm(RESIZE_LANCZOS3));
    EXPECT_EQ(S_OK, p->SetAntialiasing(FALSE));
    EXPECT_EQ(S_OK, p->SetAutoSupersampling(TRUE));
    // Fixed output: a clip keeps the size, so it applies.
    EXPECT_EQ(S_OK, p->SetClippingRect(&rcClip));
    EXPECT_EQ(S_OK, p->GetResizingCoeffs(&dX, &dY));
    EXPECT_DOUBLE_EQ(2.0, dX);
    // Variable output: the same clip would now change the size.
    const RECT rcWhole = {0, 0, 0, 0};
    EXPECT_EQ(S_OK, p->SetFixedOutput(FALSE));
    EXPECT_EQ(VFW_E_WRONG_STATE, p->SetClippingRect(&rcWhole));
    EXPECT_EQ(S_OK, p->GetClippingRect(&rc));
    EXPECT_EQ(320, rc.right);
    EXPECT_EQ(640, ConnectedSize(chain.spRendererIn).cx);

    // Stopped, the new size goes through.
    ASSERT_EQ(S_OK, chain.Control(&IMediaControl::Stop));
    EXPECT_EQ(S_OK, p->SetOutputSize(320, 240));
    chain.spRendererIn.Release();
    ASSERT_EQ(S_OK, chain.ResizerPin(PINDIR_OUTPUT)->ConnectedTo(&chain.spRendererIn));
    EXPECT_EQ(320, ConnectedSize(chain.spRendererIn).cx);
    chain.spRendererIn.Release();
    chain.ExpectReleased();
  }
}

// Variable output: a new input picture whose output size downstream cannot take is
// refused at the input, so the generator keeps its old format and nothing is left
// unconnected.
TEST(ResizerGraph, ANewInputPictureWhoseSizeDownstreamRefusesLeavesEveryConnectionAsItWas) {
  GeneratorChain chain;
  ASSERT_EQ(S_OK, chain.Build(kShort));
  ASSERT_EQ(S_OK, chain.AddSink());
  ASSERT_EQ(S_OK, chain.spControl->SetFixedOutput(FALSE));
  CComPtr<IPin> spOut = chain.ResizerPin(PINDIR_OUTPUT);
  AM_MEDIA_TYPE mt = {};
  ASSERT_EQ(S_OK, spOut->ConnectionMediaType(&mt));
  chain.spSink->Input()->Accept(&mt);
  ::CoTaskMemFree(mt.pbFormat);

  CComQIPtr<IVideoGeneratorSettings> spSettings(chain.spGenerator);
  ASSERT_TRUE(spSettings != nullptr);
  const VideoGeneratorSettings smaller = {320, 240, kShort.lFrameRate, kShort.lDurationMs};
  EXPECT_TRUE(FAILED(spSettings->SetSettings(&smaller)));
  VideoGeneratorSettings now = {};
  EXPECT_EQ(S_OK, spSettings->GetSettings(&now));
  EXPECT_EQ(640, now.lWidth);
  EXPECT_EQ(640, ConnectedSize(chain.ResizerPin(PINDIR_INPUT)).cx);
  EXPECT_EQ(640, ConnectedSize(chain.spSink->Input()).cx);
  LONG cx = 0, cy = 0;
  EXPECT_EQ(S_OK, chain.spControl->GetOutputSize(&cx, &cy));
  EXPECT_EQ(640, cx);
  EXPECT_EQ(480, cy);
  ASSERT_TRUE(chain.RunToEnd());
  EXPECT_EQ(640, FirstFrame(chain).cx);
  spSettings.Release();
  spOut.Release();
  chain.ExpectReleased();
}

namespace {

// Runs a function on a thread of its own.
class CThread {
public:
  explicit CThread(std::function<void()> fn) : m_fn(std::move(fn)) {
    m_h.Attach(::CreateThread(
        nullptr, 0, [](void* pv) -> DWORD { return static_cast<CThread*>(pv)->m_fn(), 0; }, this, 0, nullptr));
  }
  bool Started() const { return m_h != nullptr; }
  HANDLE Handle() const { return m_h; }

private:
  std::function<void()> m_fn;
  ATL::CHandle m_h;
};

// Three threads looping on the filter's lock, on two cores, can keep the thread that runs and
// stops the graph from ever taking it (a critical section is not fair): each gives up the rest
// of its time slice after a round, so only a real lock cycle can outlast the bound.
void YieldToTheStopper() { ::SwitchToThread(); }

// Waits for every thread; false when the bound passes first. A deadlock cannot be undone,
// so then the run ends here, reported, rather than hanging the suite.
bool JoinOrEnd(const std::vector<HANDLE>& threads, DWORD dwTimeout) {
  if (::WaitForMultipleObjects(static_cast<DWORD>(threads.size()), threads.data(), TRUE, dwTimeout) ==
      WAIT_OBJECT_0)
    return true;
  ADD_FAILURE() << "threads still waiting after " << dwTimeout << " ms: a deadlock";
  std::fflush(stdout);
  ::TerminateProcess(::GetCurrentProcess(), 3);
  return false;
}

// The filter's settings as a saved stream, read from the start.
CComPtr<IStream> SavedSettings(IUnknown* pResizer) {
  CComQIPtr<IPersistStream> spPersist(pResizer);
  CComPtr<IStream> spStm;
  const LARGE_INTEGER zero = {};
  if (!spPersist || FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, &spStm)) ||
      FAILED(spPersist->Save(spStm, FALSE)) || FAILED(spStm->Seek(zero, STREAM_SEEK_SET, nullptr)))
    return nullptr;
  return spStm;
}

HRESULT LoadSettings(IUnknown* pResizer, IStream* pStm) {
  CComQIPtr<IPersistStream> spPersist(pResizer);
  const LARGE_INTEGER zero = {};
  HRESULT hr = pStm->Seek(zero, STREAM_SEEK_SET, nullptr);
  return SUCCEEDED(hr) ? spPersist->Load(pStm) : hr;
}

}  // namespace

// Settings changes, loads, stops, pauses and runs from four threads at once, while the
// sink asks the Resizer about types on the streaming thread: every call answers, with
// success or a refusal of the moment, and the whole run ends within its bound. New
// sizes and loads go with the stops and runs, on one thread, as a graph manager keeps
// a reconnection apart from a change of state (Wine's takes no lock in ConnectDirect and
// ReconnectEx, so a Run from another thread could land in the middle of one).
TEST(ResizerGraph, SettingsStopsAndRunsFromSeveralThreadsEndWithoutADeadlock) {
  GeneratorChain chain;
  ASSERT_EQ(S_OK, chain.Build(VideoGeneratorSettings{64, 48, 120, 60000}));
  ASSERT_EQ(S_OK, chain.AddSink());
  chain.spSink->Input()->KeepData(false);
  CComPtr<IStream> spRecord = SavedSettings(chain.spResizer);
  ASSERT_TRUE(spRecord != nullptr);

  std::atomic<bool> bDone{false};
  std::atomic<int> cUnexpected{0};
  std::atomic<HRESULT> hrFirstUnexpected{S_OK};
  // Success, or one of the refusals a call may meet while others change the graph.
  auto check = [&](HRESULT hr, std::initializer_list<HRESULT> refusals) {
    if (SUCCEEDED(hr)) return;
    for (HRESULT hrRefusal : refusals)
      if (hr == hrRefusal) return;
    if (cUnexpected++ == 0) hrFirstUnexpected = hr;
  };
  CComPtr<IPin> spResizerOut = chain.ResizerPin(PINDIR_OUTPUT);
  IPin* pResizerOut = spResizerOut;
  // Asked again and again, so that a frame is in the sink a good part of the time.
  chain.spSink->Input()->SetReceiveProbe([&](IMediaSample*) {
    for (int i = 0; i < 20; ++i) {
      AM_MEDIA_TYPE mt = {};
      if (pResizerOut->ConnectionMediaType(&mt) == S_OK) {
        check(pResizerOut->QueryAccept(&mt) == S_OK ? S_OK : E_FAIL, {});
        ::CoTaskMemFree(mt.pbFormat);
      }
      CComPtr<IEnumMediaTypes> spEnum;
      check(pResizerOut->EnumMediaTypes(&spEnum), {});
    }
    return S_OK;
  });

  IResizerControl* pControl = chain.spControl;
  IUnknown* pResizer = chain.spResizer;
  IStream* pRecord = spRecord;
  CComQIPtr<IMediaControl> spMediaControl(chain.spGraph);
  ASSERT_TRUE(spMediaControl != nullptr);
  IMediaControl* pMediaControl = spMediaControl;
  IBaseFilter* pResizerFilter = chain.spResizer;
  CThread control([&] {
    const SIZE rgSize[] = {{32, 24}, {96, 72}, {64, 48}};
    for (int i = 0; i < 40; ++i) {
      check(pMediaControl->Run(), {});
      check(pMediaControl->Pause(), {});
      if (i % 2) check(pMediaControl->Run(), {});
      // Wine's graph stops the sink first; stopped first, the Resizer waits for a frame
      // in the sink while the sink asks it about types.
      if (i % 3 == 2) check(pResizerFilter->Stop(), {});
      check(pMediaControl->Stop(), {});
      check(i % 4 == 3 ? LoadSettings(pResizer, pRecord) : pControl->SetOutputSize(rgSize[i % 3].cx, rgSize[i % 3].cy),
            {VFW_E_WRONG_STATE});
    }
    bDone = true;
  });
  // Fixed output: a clip changes the coefficients, never the size.
  CThread clips([&] {
    for (int i = 0; !bDone; ++i) {
      const RECT rc = {i % 8, 0, 32, 24};
      check(pControl->SetClippingRect(&rc), {VFW_E_WRONG_STATE});
      double dX, dY;
      check(pControl->GetResizingCoeffs(&dX, &dY), {});
      YieldToTheStopper();
    }
  });
  CThread others([&] {
    for (int i = 0; !bDone; ++i) {
      check(pControl->SetFlip(i & 1), {VFW_E_WRONG_STATE});
      check(pControl->SetResizeAlgorithm(static_cast<ResizeAlgorithm>(RESIZE_NEAREST + i % 8)), {VFW_E_WRONG_STATE});
      check(pControl->SetAntialiasing(i & 2), {VFW_E_WRONG_STATE});
      LONG cx, cy;
      check(pControl->GetOutputSize(&cx, &cy), {});
      YieldToTheStopper();
    }
  });
  CThread saves([&] {
    CComQIPtr<IPersistStream> spPersist(pResizer);
    CComPtr<IStream> spStm;
    check(::CreateStreamOnHGlobal(nullptr, TRUE, &spStm), {});
    for (; !bDone && spPersist && spStm;) {
      const LARGE_INTEGER zero = {};
      check(spStm->Seek(zero, STREAM_SEEK_SET, nullptr), {});
      check(spPersist->Save(spStm, TRUE), {});
      check(spPersist->IsDirty(), {});
      YieldToTheStopper();
    }
  });
  ASSERT_TRUE(control.Started() && clips.Started() && others.Started() && saves.Started());
  ASSERT_TRUE(JoinOrEnd({control.Handle(), clips.Handle(), others.Handle(), saves.Handle()}, 60000));
  chain.spSink->Input()->SetReceiveProbe(nullptr);
  EXPECT_EQ(0, cUnexpected.load()) << "first: 0x" << std::hex << hrFirstUnexpected.load();

  // Stopped, the settings and the connection agree, and a last change reaches the sink
  // and its frames.
  ASSERT_EQ(S_OK, chain.Control(&IMediaControl::Stop));
  LONG cx = 0, cy = 0;
  ASSERT_EQ(S_OK, pControl->GetOutputSize(&cx, &cy));
  EXPECT_EQ(cx, ConnectedSize(chain.spSink->Input()).cx);
  ASSERT_EQ(S_OK, pControl->SetOutputSize(80, 60));
  EXPECT_EQ(80, ConnectedSize(chain.spSink->Input()).cx);
  chain.spSink->Input()->ClearRecord();
  ASSERT_TRUE(SUCCEEDED(chain.Control(&IMediaControl::Run)));
  EXPECT_TRUE(chain.spSink->Input()->WaitForSamples(1, kTimeout));
  ASSERT_EQ(S_OK, chain.Control(&IMediaControl::Stop));
  ASSERT_FALSE(chain.spSink->Input()->Samples().empty());
  EXPECT_EQ(80 * 60 * 4, chain.spSink->Input()->Samples().front().cbData);
  spMediaControl.Release();
  spResizerOut.Release();
  spRecord.Release();
  chain.ExpectReleased();
}

// A graph may call IPersistStream::Load holding its own lock (as it loads a saved graph),
// and a setting change waits inside the graph's calls while it reconnects: so a change
// holds no lock of the filter's there. Settings loaded in the middle of the graph's
// reconnection, from another thread, get an answer at once.
TEST(ResizerGraph, NoLockIsHeldWhileTheGraphReconnectsForASettingChange) {
  GeneratorChain chain;
  ASSERT_EQ(S_OK, chain.Build(kShort));
  ASSERT_EQ(S_OK, chain.AddSink());
  CComPtr<IStream> spRecord = SavedSettings(chain.spResizer);
  ASSERT_TRUE(spRecord != nullptr);
  HRESULT hrLoad = E_PENDING;
  DWORD dwWait = WAIT_FAILED;
  IUnknown* pResizer = chain.spResizer;
  IStream* pRecord = spRecord;
  std::unique_ptr<CThread> spLoad;
  chain.spSink->Input()->SetDisconnectProbe([&] {
    if (spLoad) return;
    spLoad.reset(new CThread([&] { hrLoad = LoadSettings(pResizer, pRecord); }));
    // A load that waits for this change can only end after it.
    if (spLoad->Started()) dwWait = ::WaitForSingleObject(spLoad->Handle(), 5000);
  });
  EXPECT_EQ(S_OK, chain.spControl->SetOutputSize(320, 240));
  chain.spSink->Input()->SetDisconnectProbe(nullptr);
  ASSERT_TRUE(spLoad && spLoad->Started());
  ASSERT_TRUE(JoinOrEnd({spLoad->Handle()}, kTimeout));
  EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), dwWait);
  // Loaded in the middle of another change, the record is refused, not half applied.
  EXPECT_EQ(VFW_E_WRONG_STATE, hrLoad);
  EXPECT_EQ(320, ConnectedSize(chain.spSink->Input()).cx);
  // With the change done, it loads, and its size reaches the sink.
  EXPECT_EQ(S_OK, LoadSettings(chain.spResizer, spRecord));
  EXPECT_EQ(640, ConnectedSize(chain.spSink->Input()).cx);
  spRecord.Release();
  chain.ExpectReleased();
}
