// bench_playback.exe: how fast the bench plays its own 1080p test picture.
// Prints one table: the generator's drawing and the resampling alone, each
// beside the cost of merely writing its frame (the peer every frame pays;
// ratios in CPU time, which a loaded machine disturbs least);
// the chain generator -> Resizer -> Null Renderer without a clock; and
// playback with the clock into Wine's video renderer, late frames counted.
//
//   bench_playback.exe [--frames=N] [draw] [chain] [playback]
//     N frames (default 300) for the drawing, the resampling and the chains;
//     playback is 10 s at 30 fps whatever N; no section named: all three.
#include <dshow.h>

#include <atlcomcli.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "GraphEvents.h"
#include "IResizerControl.h"
#include "LateCounter.h"
#include "PinUtil.h"
#include "Resampler.h"
#include "TestPicture.h"
#include "VideoGenerator.h"

using ATL::CComPtr;
using ATL::CComQIPtr;

namespace {

const LONG kSourceWidth = 1920, kSourceHeight = 1080, kOutputWidth = 1280, kOutputHeight = 720;
const LONG kFrameRate = 30;
const LONG kPlaybackMs = 10000;
// qedit's Null Renderer, which the SDK headers do not name.
const CLSID kNullRenderer = {0xC1F400A4, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};

class CStopwatch {
public:
  CStopwatch() {
    ::QueryPerformanceFrequency(&m_frequency);
    ::QueryPerformanceCounter(&m_start);
  }
  double Ms() const {
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart - m_start.QuadPart) / static_cast<double>(m_frequency.QuadPart);
  }

private:
  LARGE_INTEGER m_frequency, m_start;
};

// User and kernel time of this process, ms.
double ProcessCpuMs() {
  FILETIME ftCreation, ftExit, ftKernel, ftUser;
  if (!::GetProcessTimes(::GetCurrentProcess(), &ftCreation, &ftExit, &ftKernel, &ftUser)) return 0;
  auto ms = [](const FILETIME& ft) {
    return static_cast<double>((static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime) / 10000.0;
  };
  return ms(ftKernel) + ms(ftUser);
}

// A frame's cost: wall time (the best batch) and CPU time of the process.
struct FrameCost {
  double msWall;
  double msCpu;
};

double Rate(double msFrame) { return msFrame > 0 ? 1000.0 / msFrame : 0.0; }

void Row(const char* pszWhat, const FrameCost& cost, const char* pszNote) {
  std::printf("%-48s %6.2f ms %6.2f ms %7.1f %7.1f  %s\n", pszWhat, cost.msWall, cost.msCpu, Rate(cost.msWall),
              Rate(cost.msCpu), pszNote);
}

void Fail(const char* pszWhat, HRESULT hr) {
  std::printf("%-48s failed, 0x%08lX\n", pszWhat, static_cast<unsigned long>(hr));
}

// The cost of a frame of fn, fn(i) doing frame i, over cFrames frames in ten
// batches: the wall time of the best batch, the least disturbed by a loaded
// machine, and the CPU time over all of them.
template <class Fn>
FrameCost CostPerFrame(int cFrames, Fn fn) {
  const int cBatches = cFrames < 10 ? 1 : 10;
  const double msCpu0 = ProcessCpuMs();
  double msBest = 0;
  for (int iBatch = 0, i = 0; iBatch < cBatches; ++iBatch) {
    const int iEnd = cFrames * (iBatch + 1) / cBatches;
    const int cBatch = iEnd - i;
    const CStopwatch watch;
    for (; i < iEnd; ++i) fn(i);
    const double ms = watch.Ms() / cBatch;
    if (iBatch == 0 || ms < msBest) msBest = ms;
  }
  return {msBest, (ProcessCpuMs() - msCpu0) / cFrames};
}

void BenchDrawing(int cFrames) {
  std::vector<BYTE> frame(static_cast<size_t>(kSourceWidth) * kSourceHeight * 4);
  const FrameCost fill = CostPerFrame(cFrames, [&](int i) { std::memset(frame.data(), i, frame.size()); });
  const FrameCost draw = CostPerFrame(cFrames, [&](int i) {
    DrawTestPicture(frame.data(), kSourceWidth * 4, kSourceWidth, kSourceHeight, i, kFrameRate);
  });
  char szNote[80];
  Row("writing a 1920x1080 frame (memset)", fill, "the peer: every frame pays it");
  std::snprintf(szNote, sizeof szNote, "%.1f x the peer's CPU", draw.msCpu / fill.msCpu);
  Row("the generator draws 1920x1080", draw, szNote);
}

void BenchResampling(int cFrames) {
  std::vector<BYTE> in(static_cast<size_t>(kSourceWidth) * kSourceHeight * 4);
  std::vector<BYTE> out(static_cast<size_t>(kOutputWidth) * kOutputHeight * 4);
  DrawTestPicture(in.data(), kSourceWidth * 4, kSourceWidth, kSourceHeight, 0, kFrameRate);
  lumivar::ResampleGeometry g{};
  g.srcWidth = kSourceWidth;
  g.srcHeight = kSourceHeight;
  g.clip = {0, 0, kSourceWidth, kSourceHeight};
  g.dstWidth = kOutputWidth;
  g.dstHeight = kOutputHeight;
  g.kernel = lumivar::ResampleKernel::Lanczos3;
  g.antialiasing = true;
  lumivar::Resampler resampler;
  if (!resampler.Configure(g) || !resampler.Process(in.data(), kSourceWidth * 4, out.data(), kOutputWidth * 4))
    return Fail("Lanczos 3 1920x1080 -> 1280x720", E_FAIL);
  const FrameCost fill = CostPerFrame(cFrames, [&](int i) { std::memset(out.data(), i, out.size()); });
  const FrameCost resample = CostPerFrame(cFrames, [&](int) {
    resampler.Process(in.data(), kSourceWidth * 4, out.data(), kOutputWidth * 4);
  });
  char szNote[80];
  std::snprintf(szNote, sizeof szNote, "%.1f x writing its output, in CPU", resample.msCpu / fill.msCpu);
  Row("Lanczos 3 1920x1080 -> 1280x720 (the core)", resample, szNote);
}

// A graph: the generator at 1080p for duration ms, optionally the Resizer at
// 720p Lanczos 3, an optional filter of the caller's, then a renderer.
class CChain {
public:
  HRESULT Build(LONG lDurationMs, bool bResizer, IBaseFilter* pBeforeRenderer, REFCLSID clsidRenderer) {
    HRESULT hr = m_spGraph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER);
    if (FAILED(hr)) return hr;
    CComPtr<IBaseFilter> spGenerator;
    if (FAILED(hr = spGenerator.CoCreateInstance(CLSID_VideoGenerator, nullptr, CLSCTX_INPROC_SERVER))) return hr;
    CComQIPtr<IVideoGeneratorSettings, &IID_IVideoGeneratorSettings> spSettings(spGenerator);
    if (!spSettings) return E_NOINTERFACE;
    const VideoGeneratorSettings settings = {kSourceWidth, kSourceHeight, kFrameRate, lDurationMs};
    if (FAILED(hr = spSettings->SetSettings(&settings))) return hr;
    if (FAILED(hr = m_spGraph->AddFilter(spGenerator, L"Video Generator"))) return hr;
    CComPtr<IPin> spOut = FirstPin(spGenerator, PINDIR_OUTPUT);
    if (bResizer && FAILED(hr = AppendNew(CLSID_Resizer, L"Resizer", spOut))) return hr;
    if (pBeforeRenderer && FAILED(hr = Append(pBeforeRenderer, L"Counter", spOut))) return hr;
    if (FAILED(hr = AppendNew(clsidRenderer, L"Renderer", spOut))) return hr;
    m_spControl = m_spGraph;
    return m_spControl ? S_OK : E_NOINTERFACE;
  }
  // The graph then runs as fast as its streaming thread can.
  HRESULT RemoveClock() {
    CComQIPtr<IMediaFilter, &IID_IMediaFilter> spMediaFilter(m_spGraph);
    return spMediaFilter ? spMediaFilter->SetSyncSource(nullptr) : E_NOINTERFACE;
  }
  // Pauses (the first frame reaches the renderer), then runs to EC_COMPLETE:
  // the wall times of both, ms, and the graph clock's time at the end (0
  // without a clock).
  HRESULT Play(DWORD dwTimeout, double* pmsPause, double* pmsRun, REFERENCE_TIME* prtClock) {
    CGraphEvents events(m_spGraph);
    const CStopwatch pause;
    HRESULT hr = m_spControl->Pause();
    OAFilterState state;
    if (SUCCEEDED(hr)) hr = m_spControl->GetState(dwTimeout, &state);
    if (hr != S_OK) return FAILED(hr) ? hr : E_ABORT;
    *pmsPause = pause.Ms();
    const CStopwatch watch;
    hr = m_spControl->Run();
    if (FAILED(hr)) return hr;
    const bool bComplete = events.WaitFor(EC_COMPLETE, dwTimeout);
    *pmsRun = watch.Ms();
    // The graph chooses its clock as it starts.
    CComQIPtr<IMediaFilter, &IID_IMediaFilter> spMediaFilter(m_spGraph);
    CComPtr<IReferenceClock> spClock;
    *prtClock = 0;
    if (spMediaFilter && spMediaFilter->GetSyncSource(&spClock) == S_OK && spClock) spClock->GetTime(prtClock);
    m_spControl->Stop();
    return bComplete ? S_OK : E_ABORT;
  }
  HRESULT Rewind() {
    CComQIPtr<IMediaSeeking, &IID_IMediaSeeking> spSeeking(m_spGraph);
    LONGLONG llZero = 0;
    return spSeeking ? spSeeking->SetPositions(&llZero, AM_SEEKING_AbsolutePositioning, nullptr,
                                               AM_SEEKING_NoPositioning)
                     : E_NOINTERFACE;
  }
  ~CChain() {
    if (m_spControl) m_spControl->Stop();
  }

private:
  // Adds a new filter of clsid and connects spOut to it; spOut becomes its output.
  HRESULT AppendNew(REFCLSID clsid, LPCWSTR pszName, CComPtr<IPin>& spOut) {
    CComPtr<IBaseFilter> spFilter;
    HRESULT hr = spFilter.CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER);
    if (FAILED(hr)) return hr;
    if (clsid == CLSID_Resizer) {
      CComQIPtr<IResizerControl> spResizer(spFilter);
      if (!spResizer) return E_NOINTERFACE;
      if (FAILED(hr = spResizer->SetResizeAlgorithm(RESIZE_LANCZOS3))) return hr;
      if (FAILED(hr = spResizer->SetOutputSize(kOutputWidth, kOutputHeight))) return hr;
    }
    return Append(spFilter, pszName, spOut);
  }
  HRESULT Append(IBaseFilter* pFilter, LPCWSTR pszName, CComPtr<IPin>& spOut) {
    HRESULT hr = m_spGraph->AddFilter(pFilter, pszName);
    if (FAILED(hr)) return hr;
    CComPtr<IPin> spIn = FirstPin(pFilter, PINDIR_INPUT);
    if (FAILED(hr = m_spGraph->ConnectDirect(spOut, spIn, nullptr))) return hr;
    spOut = FirstPin(pFilter, PINDIR_OUTPUT);
    return S_OK;
  }

  CComPtr<IGraphBuilder> m_spGraph;
  CComQIPtr<IMediaControl, &IID_IMediaControl> m_spControl;
};

// Without a clock: frames after the first / wall time from Run to
// EC_COMPLETE, the best of three runs.
void BenchChainWithoutClock(const char* pszWhat, int cFrames, bool bResizer) {
  CChain chain;
  const LONG lDurationMs = static_cast<LONG>((cFrames * 1000LL + kFrameRate - 1) / kFrameRate);
  HRESULT hr = chain.Build(lDurationMs, bResizer, nullptr, kNullRenderer);
  if (SUCCEEDED(hr)) hr = chain.RemoveClock();
  FrameCost best = {0, 0};
  for (int iRun = 0; iRun < 3 && SUCCEEDED(hr); ++iRun) {
    double msPause = 0, msRun = 0;
    REFERENCE_TIME rtClock;
    const double msCpu0 = ProcessCpuMs();
    hr = chain.Play(120000, &msPause, &msRun, &rtClock);
    const double msCpu = ProcessCpuMs() - msCpu0;
    if (SUCCEEDED(hr)) hr = chain.Rewind();
    // The first frame goes before Run, while the graph pauses.
    const FrameCost run = {msRun / (cFrames > 1 ? cFrames - 1 : 1), msCpu / cFrames};
    if (iRun == 0 || run.msWall < best.msWall) best = run;
  }
  if (FAILED(hr)) return Fail(pszWhat, hr);
  char szNote[100];
  std::snprintf(szNote, sizeof szNote, "best of 3 runs of %d frames; CPU from Pause to EC_COMPLETE", cFrames);
  Row(pszWhat, best, szNote);
}

// With the graph's clock, into the renderer Render picks (Wine's video renderer).
void BenchPlayback() {
  const char* pszWhat = "playback with the clock, 10 s";
  CChain chain;
  CLateCounter* pCounter = new CLateCounter();  // one reference, ours
  HRESULT hr = chain.Build(kPlaybackMs, true, pCounter, CLSID_VideoRenderer);
  if (FAILED(hr)) {
    pCounter->Release();
    return Fail("playback: building the graph", hr);
  }
  const double msCpu0 = ProcessCpuMs();
  double msPause = 0, msWall = 0;
  REFERENCE_TIME rtClock = 0;
  hr = chain.Play(12 * kPlaybackMs, &msPause, &msWall, &rtClock);
  const double msCpu = ProcessCpuMs() - msCpu0;
  const CLateCounter::Counts counts = pCounter->Read();
  pCounter->Release();
  if (FAILED(hr)) return Fail("playback: playing", hr);
  std::printf("%s into Wine's video renderer (1920x1080 -> 1280x720 Lanczos 3, %ld fps):\n", pszWhat,
              static_cast<long>(kFrameRate));
  std::printf("  Pause, the first frame shown   %8.0f ms\n", msPause);
  std::printf("  from Run to EC_COMPLETE        %8.0f ms\n", msWall);
  std::printf("  stream time at EC_COMPLETE     %8.0f ms\n", (rtClock - counts.rtRunStart) / 10000.0);
  std::printf("  frames sent while running      %8ld, %ld late (the first went in the pause)\n",
              static_cast<long>(counts.cFrames), static_cast<long>(counts.cLate));
  std::printf("  time to spare before a start   %8.1f ms the least, %.1f ms the median\n", counts.rtMinSlack / 10000.0,
              counts.rtMedianSlack / 10000.0);
  std::printf("  CPU of this process, both      %8.0f ms, %.2f of a core\n", msCpu, msCpu / (msPause + msWall));
}

}  // namespace

int main(int argc, char** argv) {
  // Sections by name (all of them by default); --frames=N for the timed ones.
  int cFrames = 300;
  bool bDraw = false, bChain = false, bPlayback = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--frames=", 9) == 0) {
      cFrames = std::atoi(argv[i] + 9);
    } else if (std::strcmp(argv[i], "draw") == 0) {
      bDraw = true;
    } else if (std::strcmp(argv[i], "chain") == 0) {
      bChain = true;
    } else if (std::strcmp(argv[i], "playback") == 0) {
      bPlayback = true;
    } else {
      cFrames = 0;
    }
  }
  if (cFrames < 1) {
    std::fprintf(stderr, "usage: bench_playback [--frames=N] [draw] [chain] [playback]\n");
    return 2;
  }
  if (!bDraw && !bChain && !bPlayback) bDraw = bChain = bPlayback = true;
  HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (FAILED(hr)) return 1;
  if (bDraw || bChain)
    std::printf("%-48s %9s %9s %7s %7s  (fps by wall and by CPU time)\n", "", "wall", "CPU", "fps", "fps");
  if (bDraw) {
    BenchDrawing(cFrames);
    BenchResampling(cFrames);
  }
  if (bChain) {
    BenchChainWithoutClock("no clock: generator -> Null Renderer", cFrames, false);
    BenchChainWithoutClock("no clock: generator -> Resizer -> Null Renderer", cFrames, true);
  }
  if (bPlayback) BenchPlayback();
  ::CoUninitialize();
  return 0;
}
