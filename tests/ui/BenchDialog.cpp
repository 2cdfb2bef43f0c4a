// Benchmark, not a test (scripts/bench-dialog runs it): the time from the "Build graph" click
// until the video window is placed and shown with every setting in the controls, and from the
// "Play" click until the first frame is in that window; then where a build's time goes, step by
// step, with the same calls the test graph makes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "DSGraph.h"
#include "DialogRunner.h"
#include "MainDialog.h"
#include "UiDriver.h"
#include "VideoGenerator.h"

class CBenchModule : public CAtlExeModuleT<CBenchModule> {};
CBenchModule _AtlModule;

namespace {

const int cRounds = 15;

double Ms(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER f;
  ::QueryPerformanceFrequency(&f);
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(f.QuadPart);
}

LARGE_INTEGER Now() {
  LARGE_INTEGER t;
  ::QueryPerformanceCounter(&t);
  return t;
}

void Report(const char* pszWhat, std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  std::printf("%-44s median %7.1f ms   min %7.1f   max %7.1f   (%zu rounds)\n", pszWhat, ms[ms.size() / 2], ms.front(),
              ms.back(), ms.size());
}

// The test picture's top-left bar is white: the first frame has arrived once it is.
bool FirstFrameShown(HWND hVideo) {
  HDC hdc = ::GetDC(hVideo);
  const COLORREF c = ::GetPixel(hdc, 20, 20);
  ::ReleaseDC(hVideo, hdc);
  return c != CLR_INVALID && GetRValue(c) > 200 && GetGValue(c) > 200 && GetBValue(c) > 200;
}

TEST(BenchDialog, BuildAndFirstFrame) {
  ASSERT_EQ(S_OK, ::CoInitialize(nullptr));
  harness::DialogRunnerOf<CMainDialog> runner;
  std::vector<double> build, play;
  std::vector<double> create, insert, connect, render, place, release, refresh;
  runner.Run([&](HWND hDlg) {
    HWND hBuild = ::GetDlgItem(hDlg, IDC_BTN_BUILD), hPlay = ::GetDlgItem(hDlg, IDC_BTN_PLAY);
    // The first build loads what stays loaded.
    ::SendMessageW(hBuild, BM_CLICK, 0, 0);
    for (int i = 0; i < cRounds; ++i) {
      // Sent: it returns once the command has run, the controls filled and enabled last.
      const LARGE_INTEGER t0 = Now();
      ::SendMessageW(hBuild, BM_CLICK, 0, 0);
      const LARGE_INTEGER t1 = Now();
      HWND hVideo = harness::FindTopWindow(::GetCurrentProcessId(), nullptr, L"ActiveMovie Window");
      ASSERT_NE(nullptr, hVideo);
      ASSERT_TRUE(::IsWindowEnabled(::GetDlgItem(hDlg, IDC_BTN_STOP)));
      build.push_back(Ms(t0, t1));

      const LARGE_INTEGER t2 = Now();
      ::SendMessageW(hPlay, BM_CLICK, 0, 0);
      ASSERT_TRUE(harness::WaitUntil([&] { return FirstFrameShown(hVideo); }, 10000));
      play.push_back(Ms(t2, Now()));
      ::SendMessageW(::GetDlgItem(hDlg, IDC_BTN_STOP), BM_CLICK, 0, 0);
    }

    // A build's steps, as the test graph takes them, on the dialog's thread.
    runner.OnDialogThread([&] {
      for (int i = 0; i < cRounds; ++i) {
        LARGE_INTEGER t = Now(), u;
        CComPtr<IGraphBuilder> spGraph;
        ASSERT_EQ(S_OK, spGraph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER));
        create.push_back(Ms(t, u = Now()));
        CComPtr<IBaseFilter> spResizer, spVidGen;
        ASSERT_EQ(S_OK, InsertFilter(spGraph, CLSID_Resizer, L"Resizer", &spResizer));
        ASSERT_EQ(S_OK, InsertFilter(spGraph, CLSID_VideoGenerator, L"Video Generator", &spVidGen));
        insert.push_back(Ms(u, t = Now()));
        CComPtr<IPin> spOut, spIn;
        ASSERT_EQ(S_OK, GetPin(spVidGen, false, false, MEDIATYPE_Video, &spOut));
        ASSERT_EQ(S_OK, GetPin(spResizer, true, false, GUID_NULL, &spIn));
        ASSERT_EQ(S_OK, spGraph->ConnectDirect(spOut, spIn, nullptr));
        connect.push_back(Ms(t, u = Now()));
        ASSERT_EQ(S_OK, RenderFilter(spGraph, spResizer));
        render.push_back(Ms(u, t = Now()));
        CComQIPtr<IVideoWindow, &IID_IVideoWindow> spWindow(spGraph);
        long cy = 0, cx = 0;
        spWindow->get_Height(&cy);
        spWindow->put_Top(0);
        spWindow->get_Width(&cx);
        spWindow->put_Left(0);
        spWindow->put_Visible(OATRUE);
        place.push_back(Ms(t, u = Now()));
        spWindow.Release();
        spOut.Release();
        spIn.Release();
        spResizer.Release();
        spVidGen.Release();
        spGraph.Release();
        release.push_back(Ms(u, Now()));
      }
      // The read-back into the controls alone, on the dialog's last graph.
      for (int i = 0; i < cRounds; ++i) {
        LARGE_INTEGER t = Now();
        runner.Dialog().m_bUpdating = true;
        runner.Dialog().RefreshSettings();
        runner.Dialog().m_bUpdating = false;
        refresh.push_back(Ms(t, Now()));
      }
    });
  });
  ASSERT_FALSE(build.empty());
  Report("Build graph click -> placed, shown, filled", build);
  Report("Play click -> first frame in the window", play);
  std::printf("where a build goes:\n");
  Report("  graph manager created", create);
  Report("  resizer and generator inserted", insert);
  Report("  generator -> resizer connected", connect);
  Report("  resizer's output rendered (renderer added)", render);
  Report("  video window placed and shown", place);
  Report("  settings read into the controls", refresh);
  Report("  the graph released (a rebuild's first step)", release);
  ::CoUninitialize();
}

}  // namespace
