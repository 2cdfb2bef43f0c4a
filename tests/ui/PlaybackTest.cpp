// Play, Pause and Stop from the dialog, the end of the stream and the graph's other events,
// with Wine's graph manager and renderer and the generator's stream shortened; the "Video
// Generator" and "Show graph" commands.
#include "BenchFixture.h"

#include <dshow.h>

#include <algorithm>
#include <string>
#include <vector>

#include "AssertRecorder.h"
#include "RegistryScratch.h"
#include "TraceRecorder.h"

namespace {

using ::testing::ElementsAre;

const LONGLONG llUnitsPerMs = 10000;

struct Positions {
  LONGLONG llCurrent = -1, llStop = -1;
  OAFilterState state = -1;
};

Positions Where(CGraph& graph) {
  Positions p;
  CComQIPtr<IMediaSeeking, &IID_IMediaSeeking> spSeeking(graph.m_spGraph);
  CComQIPtr<IMediaControl, &IID_IMediaControl> spControl(graph.m_spGraph);
  if (!spSeeking || !spControl) return p;
  spSeeking->GetCurrentPosition(&p.llCurrent);
  spSeeking->GetStopPosition(&p.llStop);
  spControl->GetState(5000, &p.state);
  return p;
}

class Playback : public BenchTest {
protected:
  Positions WhereNow() {
    Positions p;
    Graph([&](CGraph& graph) { p = Where(graph); });
    return p;
  }
  // Waits for the "The end" box, reads it and the graph while it is open, and closes it.
  bool TakeTheEnd(harness::MessageBoxInfo* pBox, Positions* pWhileOpen) {
    HWND hBox = nullptr;
    if (!harness::WaitUntil(
            [&] { return (hBox = harness::FindMessageBox(::GetCurrentProcessId(), L"Resizer Test")) != nullptr; }))
      return false;
    *pBox = harness::ReadMessageBox(hBox);
    // The dialog's thread answers inside the box's own loop.
    *pWhileOpen = WhereNow();
    m_bOnlyOk = ::GetDlgItem(hBox, IDOK) != nullptr && ::GetDlgItem(hBox, IDCANCEL) == nullptr;
    harness::CloseMessageBox(hBox);
    return harness::WaitUntil([&] { return !::IsWindow(hBox); });
  }
  void Notify(long lCode) {
    Graph([&](CGraph& graph) {
      CComQIPtr<IMediaEventSink, &IID_IMediaEventSink> spSink(graph.m_spGraph);
      ASSERT_TRUE(spSink);
      EXPECT_EQ(S_OK, spSink->Notify(lCode, 0, 0));
    });
  }

  bool m_bOnlyOk = false;
};

TEST_F(Playback, PlayedToTheEndIsStoppedRewoundAndToldAndPlaysAgain) {
  harness::MessageBoxInfo rgBoxes[2];
  Positions rgWhileOpen[2], afterwards;
  bool rgOnlyOk[2] = {};
  m_runner.Run([&](HWND hDlg) {
    ASSERT_TRUE(Build(hDlg));
    ShortenStream(300);
    for (int i = 0; i < 2; ++i) {
      Click(hDlg, IDC_BTN_PLAY);
      ASSERT_TRUE(TakeTheEnd(&rgBoxes[i], &rgWhileOpen[i])) << "end " << i;
      rgOnlyOk[i] = m_bOnlyOk;
    }
    ASSERT_TRUE(m_runner.FlushPosted());
    EXPECT_TRUE(NoBoxOpen()) << "one box for each end";
    afterwards = WhereNow();
  });
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(L"The end", rgBoxes[i].text);
    EXPECT_FALSE(rgBoxes[i].bIconShown);
    EXPECT_TRUE(rgOnlyOk[i]);
    EXPECT_EQ(State_Stopped, rgWhileOpen[i].state);
    EXPECT_EQ(0, rgWhileOpen[i].llCurrent);
    EXPECT_EQ(300 * llUnitsPerMs, rgWhileOpen[i].llStop) << "the stop position is kept";
  }
  EXPECT_EQ(0, afterwards.llCurrent);
}

TEST_F(Playback, PauseThenPlayContinuesAndStopRewinds) {
  Positions paused, resumed, stopped;
  m_runner.Run([&](HWND hDlg) {
    ASSERT_TRUE(Build(hDlg));
    ShortenStream(20000);
    Click(hDlg, IDC_BTN_PLAY);
    ASSERT_TRUE(harness::WaitUntil([&] { return WhereNow().llCurrent >= 300 * llUnitsPerMs; }));
    Click(hDlg, IDC_BTN_PAUSE);
    paused = WhereNow();
    Click(hDlg, IDC_BTN_PLAY);
    ASSERT_TRUE(harness::WaitUntil([&] { return WhereNow().llCurrent > paused.llCurrent; }));
    Click(hDlg, IDC_BTN_PAUSE);
    resumed = WhereNow();
    Click(hDlg, IDC_BTN_STOP);
    stopped = WhereNow();
    EXPECT_TRUE(NoBoxOpen());
  });
  EXPECT_EQ(State_Paused, paused.state);
  EXPECT_GE(paused.llCurrent, 300 * llUnitsPerMs);
  EXPECT_EQ(State_Paused, resumed.state);
  EXPECT_GT(resumed.llCurrent, paused.llCurrent) << "played on from the paused position";
  EXPECT_EQ(State_Stopped, stopped.state);
  EXPECT_EQ(0, stopped.llCurrent);
  EXPECT_EQ(20000 * llUnitsPerMs, stopped.llStop);
}

// What a stopped or paused video window shows once a window that covered it is gone, read
// from the screen: Wine's renderers leave whatever the cover drew there.
// Disconnected: stopped, then the renderer's input taken away, as a failed reconnection leaves it.
enum class Before { NeverPlayed, Paused, Stopped, Disconnected };

struct Uncovered {
  std::vector<COLORREF> before, after;
  bool covered = false;
};

std::vector<COLORREF> ScreenPixels(const std::vector<POINT>& spots) {
  std::vector<COLORREF> colors;
  HDC hdc = ::GetDC(nullptr);
  for (const POINT& pt : spots) colors.push_back(::GetPixel(hdc, pt.x, pt.y));
  ::ReleaseDC(nullptr, hdc);
  return colors;
}

Uncovered CoverAndUncover(HWND hVideo) {
  const COLORREF crCover = RGB(255, 0, 255);
  RECT rc = {};
  ::GetClientRect(hVideo, &rc);
  ::MapWindowPoints(hVideo, nullptr, reinterpret_cast<POINT*>(&rc), 2);
  std::vector<POINT> spots;
  for (int i = 1; i < 4; ++i)
    for (int j = 1; j < 4; ++j)
      spots.push_back({rc.left + (rc.right - rc.left) * i / 4, rc.top + (rc.bottom - rc.top) * j / 4});
  Uncovered u;
  // A pause's frame may come a moment after the change completes: the picture that stays.
  DWORD dwChanged = ::GetTickCount();
  harness::WaitUntil([&] {
    const std::vector<COLORREF> now = ScreenPixels(spots);
    if (now != u.before) {
      u.before = now;
      dwChanged = ::GetTickCount();
    }
    return ::GetTickCount() - dwChanged >= 300;
  });

  HBRUSH hbr = ::CreateSolidBrush(crCover);
  WNDCLASSW wc = {};
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.hbrBackground = hbr;
  wc.lpszClassName = L"LumivarCover";
  ::RegisterClassW(&wc);
  HWND hCover = ::CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, wc.lpszClassName, L"", WS_POPUP, rc.left, rc.top,
                                  rc.right - rc.left, rc.bottom - rc.top, nullptr, nullptr, wc.hInstance, nullptr);
  ::ShowWindow(hCover, SW_SHOWNOACTIVATE);
  ::UpdateWindow(hCover);
  u.covered = harness::WaitUntil([&] {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    const std::vector<COLORREF> now = ScreenPixels(spots);
    return std::all_of(now.begin(), now.end(), [&](COLORREF c) { return c == crCover; });
  });
  ::DestroyWindow(hCover);
  ::UnregisterClassW(wc.lpszClassName, wc.hInstance);
  ::DeleteObject(hbr);
  harness::WaitUntil(
      [&] {
        u.after = ScreenPixels(spots);
        return std::none_of(u.after.begin(), u.after.end(), [&](COLORREF c) { return c == crCover; });
      },
      3000);
  return u;
}

// The renderer's input and its peer disconnected, the renderer left in the graph.
void DisconnectRenderer(IGraphBuilder* pGraph) {
  CComPtr<IBaseFilter> spRenderer;
  ASSERT_EQ(S_OK, pGraph->FindFilterByName(L"Video Renderer", &spRenderer));
  CComPtr<IEnumPins> spPins;
  ASSERT_EQ(S_OK, spRenderer->EnumPins(&spPins));
  CComPtr<IPin> spIn, spPeer;
  ASSERT_EQ(S_OK, spPins->Next(1, &spIn, nullptr));
  ASSERT_EQ(S_OK, spIn->ConnectedTo(&spPeer));
  EXPECT_EQ(S_OK, pGraph->Disconnect(spPeer));
  EXPECT_EQ(S_OK, pGraph->Disconnect(spIn));
}

class UncoveredVideo : public Playback, public ::testing::WithParamInterface<Before> {};

TEST_P(UncoveredVideo, ShowsItsLastFrameAgainOrBlackBeforeTheFirst) {
  Uncovered u;
  m_runner.Run([&](HWND hDlg) {
    ASSERT_TRUE(Build(hDlg));
    HWND hVideo = VideoWindow();
    ASSERT_NE(nullptr, hVideo);
    if (GetParam() != Before::NeverPlayed) {
      ShortenStream(20000);
      Click(hDlg, IDC_BTN_PLAY);
      // The test picture's top-left bar is white: a frame is in the window.
      ASSERT_TRUE(harness::WaitUntil([&] {
        HDC hdc = ::GetDC(hVideo);
        const COLORREF c = ::GetPixel(hdc, 20, 20);
        ::ReleaseDC(hVideo, hdc);
        return c == RGB(255, 255, 255);
      }));
      Click(hDlg, GetParam() == Before::Paused ? IDC_BTN_PAUSE : IDC_BTN_STOP);
      // Paused: once the change is complete, the frame it holds is the one shown.
      ASSERT_NE(-1, WhereNow().state);
    }
    if (GetParam() == Before::Disconnected) Graph([](CGraph& graph) { DisconnectRenderer(graph.m_spGraph); });
    u = CoverAndUncover(hVideo);
  });
  ASSERT_TRUE(u.covered);
  // Without its input the renderer has no image to give: black, and the bench still there.
  const bool bBlack = std::all_of(u.after.begin(), u.after.end(), [](COLORREF c) { return c == RGB(0, 0, 0); });
  if (GetParam() != Before::Disconnected) {
    EXPECT_EQ(u.before, u.after);
  }
  if (GetParam() == Before::NeverPlayed || GetParam() == Before::Disconnected) {
    EXPECT_TRUE(bBlack);
  } else {
    EXPECT_FALSE(bBlack) << "the picture, not black";
  }
}

std::string BeforeName(const ::testing::TestParamInfo<Before>& info) {
  static const char* const rgNames[] = {"NeverPlayed", "Paused", "Stopped", "Disconnected"};
  return rgNames[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Playback, UncoveredVideo, ::testing::Values(Before::NeverPlayed, Before::Paused, Before::Stopped,
                                                                      Before::Disconnected),
                         BeforeName);

// Commands that arrive without a usable graph (the buttons are disabled, so not by a click).
struct NoGraphCase {
  const char* label;
  int idCommand;
  const wchar_t* pszBox;  // null: no box at all
};

class WithoutAGraph : public BenchTest, public ::testing::WithParamInterface<NoGraphCase> {};

TEST_P(WithoutAGraph, PlayAndPauseSayGraphNotExistTheOthersDoNothing) {
  const NoGraphCase& c = GetParam();
  harness::MessageBoxInfo box;
  bool bCaught = false, bNoBox = false;
  m_runner.Run([&](HWND hDlg) {
    if (c.pszBox) {
      bCaught = CatchBox([&] { ::PostMessageW(hDlg, WM_COMMAND, c.idCommand, 0); }, &box);
    } else {
      ::PostMessageW(hDlg, WM_COMMAND, c.idCommand, 0);
      ASSERT_TRUE(m_runner.FlushPosted());
      bNoBox = NoBoxOpen();
    }
  });
  if (c.pszBox) {
    ASSERT_TRUE(bCaught);
    EXPECT_EQ(c.pszBox, box.text);
    EXPECT_TRUE(box.bIconShown);
  } else {
    EXPECT_TRUE(bNoBox);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Commands, WithoutAGraph,
    ::testing::Values(NoGraphCase{"play", IDC_BTN_PLAY, L"Graph not exist\nCall failed.\r\n\nError 0x80004005"},
                      NoGraphCase{"pause", IDC_BTN_PAUSE, L"Graph not exist\nCall failed.\r\n\nError 0x80004005"},
                      NoGraphCase{"stop", IDC_BTN_STOP, nullptr},
                      NoGraphCase{"video_generator", IDC_BTN_VIDGEN, nullptr}),
    [](const ::testing::TestParamInfo<NoGraphCase>& info) { return std::string(info.param.label); });

// Wine's graph manager never fails Run, Pause or Stop (a filter's refusal is not passed on), so
// a manager of Wine's aggregated by an outer object whose IMediaControl refuses stands in for
// one that does.
class CRefusingControl : public IMediaControl {
public:
  HRESULT Create() {
    return ::CoCreateInstance(CLSID_FilterGraph, static_cast<IMediaControl*>(this), CLSCTX_INPROC_SERVER, IID_IUnknown,
                              reinterpret_cast<void**>(&m_pInner));
  }
  ~CRefusingControl() {
    if (m_pInner) m_pInner->Release();
  }
  IUnknown* Inner() const { return m_pInner; }

  HRESULT hrPause = S_OK;
  HRESULT hrStop = S_OK;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    // The controlling unknown is the IMediaControl's own.
    if (riid == IID_IUnknown || riid == IID_IMediaControl) {
      *ppv = static_cast<IMediaControl*>(this);
    } else {
      return m_pInner->QueryInterface(riid, ppv);
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++m_cRef; }
  STDMETHODIMP_(ULONG) Release() override { return --m_cRef; }

  STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP Run() override { return VFW_E_RUNTIME_ERROR; }
  STDMETHODIMP Pause() override { return hrPause; }
  STDMETHODIMP Stop() override { return hrStop; }
  STDMETHODIMP GetState(LONG, OAFilterState* pState) override {
    *pState = State_Stopped;
    return S_OK;
  }
  STDMETHODIMP RenderFile(BSTR) override { return E_NOTIMPL; }
  STDMETHODIMP AddSourceFilter(BSTR, IDispatch**) override { return E_NOTIMPL; }
  STDMETHODIMP get_FilterCollection(IDispatch**) override { return E_NOTIMPL; }
  STDMETHODIMP get_RegFilterCollection(IDispatch**) override { return E_NOTIMPL; }
  STDMETHODIMP StopWhenReady() override { return S_OK; }

private:
  ULONG m_cRef = 1;
  IUnknown* m_pInner = nullptr;
};

TEST_F(Playback, RunThatFailsIsReportedWithItsCode) {
  CRefusingControl outer;
  ASSERT_EQ(S_OK, outer.Create());
  harness::MessageBoxInfo box;
  bool bCaught = false;
  m_runner.Run([&](HWND hDlg) {
    ASSERT_TRUE(Build(hDlg));
    Graph([&](CGraph& graph) {
      graph.Close();
      EXPECT_EQ(S_OK, outer.Inner()->QueryInterface(IID_IGraphBuilder, reinterpret_cast<void**>(&graph.m_spGraph)));
    });
    bCaught = CatchBox([&] { Click(hDlg, IDC_BTN_PLAY); }, &box);
    Graph([](CGraph& graph) { graph.Close(); });
  });
  ASSERT_TRUE(bCaught);
  EXPECT_EQ(0u, box.text.find(L"Can't play file\n"));
  EXPECT_EQ(box.text.size() - 17, box.text.rfind(L"\nError 0x8004020B"));
  EXPECT_TRUE(box.bIconShown);
}

// Pause and Stop that fail are only asserted, and Stop rewinds all the same.
TEST_F(Playback, PauseAndStopThatFailShowNothingAndStopStillRewinds) {
  const LONGLONG llTwoSeconds = 2000 * llUnitsPerMs;
  CRefusingControl outer;
  outer.hrPause = E_UNEXPECTED;
  outer.hrStop = VFW_E_WRONG_STATE;
  ASSERT_EQ(S_OK, outer.Create());
  Positions moved, afterStop;
  std::vector<std::string> pauseAsserts, stopAsserts;
  bool bNoBoxAfterPause = false, bNoBoxAfterStop = false;
  m_runner.Run([&](HWND hDlg) {
    // The generated chain in the outer object's manager.
    ASSERT_TRUE(BuildWith(hDlg, CLSID_FilterGraph, static_cast<IMediaControl*>(&outer)));
    Graph([&](CGraph& graph) {
      CComQIPtr<IMediaSeeking, &IID_IMediaSeeking> spSeeking(graph.m_spGraph);
      ASSERT_TRUE(spSeeking);
      LONGLONG llCurrent = llTwoSeconds;
      EXPECT_EQ(S_OK,
                spSeeking->SetPositions(&llCurrent, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning));
    });
    moved = WhereNow();
    AssertRecorder asserts;
    Click(hDlg, IDC_BTN_PAUSE);
    pauseAsserts = asserts.Texts();
    bNoBoxAfterPause = NoBoxOpen();
    asserts.Clear();
    Click(hDlg, IDC_BTN_STOP);
    stopAsserts = asserts.Texts();
    bNoBoxAfterStop = NoBoxOpen();
    afterStop = WhereNow();
  });
  const std::string kFailed = "(((HRESULT)(hr)) >= 0)";
  EXPECT_EQ(llTwoSeconds, moved.llCurrent);
  EXPECT_THAT(pauseAsserts, ElementsAre(kFailed));
  EXPECT_TRUE(bNoBoxAfterPause);
  EXPECT_THAT(stopAsserts, ElementsAre(kFailed));
  EXPECT_TRUE(bNoBoxAfterStop);
  EXPECT_EQ(0, afterStop.llCurrent) << "rewound although Stop failed";
}

size_t CountOf(const std::vector<std::wstring>& texts, const std::wstring& text) {
  return static_cast<size_t>(std::count(texts.begin(), texts.end(), text));
}

const wchar_t szUserEvent[] = L"atlTraceGeneral - CMainDialog::OnGraphNotify(): event 0x8001\n";
const wchar_t szUserAbort[] = L"atlTraceGeneral - CMainDialog::OnGraphNotify(): event 0x2\n";

TEST_F(Playback, OtherEventsAreOnlyTracedAndDrainedInsideTheEndsBox) {
  TraceRecorder traces(L"2");
  bool bAbortTracedWhileOpen = false;
  Positions afterOther;
  m_runner.Run([&](HWND hDlg) {
    ASSERT_TRUE(Build(hDlg));
    ShortenStream(20000);
    Click(hDlg, IDC_BTN_PLAY);
    Notify(EC_USER + 1);
    ASSERT_TRUE(harness::WaitUntil([&] { return CountOf(traces.Texts(), szUserEvent) == 1; }));
    afterOther = WhereNow();
    // The end, and another event while its box is open: the box's loop takes it.
    Click(hDlg, IDC_BTN_STOP);
    ShortenStream(300);
    Click(hDlg, IDC_BTN_PLAY);
    HWND hBox = nullptr;
    ASSERT_TRUE(harness::WaitUntil(
        [&] { return (hBox = harness::FindMessageBox(::GetCurrentProcessId(), L"Resizer Test")) != nullptr; }));
    Notify(EC_USERABORT);
    bAbortTracedWhileOpen = harness::WaitUntil([&] { return CountOf(traces.Texts(), szUserAbort) == 1; });
    EXPECT_TRUE(::IsWindow(hBox));
    harness::CloseMessageBox(hBox);
    ASSERT_TRUE(harness::WaitUntil([&] { return !::IsWindow(hBox); }));
    ASSERT_TRUE(m_runner.FlushPosted());
    EXPECT_TRUE(NoBoxOpen()) << "the end is told once";
  });
  EXPECT_EQ(State_Running, afterOther.state) << "only the end stops the graph";
  EXPECT_TRUE(bAbortTracedWhileOpen);
  const std::vector<std::wstring> texts = traces.Texts();
  EXPECT_EQ(1u, CountOf(texts, szUserEvent)) << "nothing taken twice";
  EXPECT_EQ(1u, CountOf(texts, szUserAbort));
  for (const std::wstring& text : texts)
    EXPECT_EQ(0u, text.find(L"atlTraceGeneral - CMainDialog::OnGraphNotify(): event 0x")) << "only event traces";
}

TEST_F(BenchTest, VideoGeneratorPageAppliesAndTheOutputIsReadAgain) {
  std::wstring caption, outSize, coeffs;
  LONG cx = 0, cy = 0;
  bool bFrameGone = false;
  m_runner.Run([&](HWND hDlg) {
    ASSERT_TRUE(Build(hDlg));
    // Variable output: the resizer's output follows its input.
    Click(hDlg, IDC_RADIO_VARIABLE);
    ::PostMessageW(::GetDlgItem(hDlg, IDC_BTN_VIDGEN), BM_CLICK, 0, 0);
    HWND hFrame = harness::WaitForTopWindow(::GetCurrentProcessId(), L"#32770", L"Properties for Video Generator");
    ASSERT_NE(nullptr, hFrame);
    caption = harness::ReadText(hFrame);
    // The page's width and height boxes, by their ids in VideoGenerator.dll.
    HWND hWidth = nullptr, hHeight = nullptr;
    ASSERT_TRUE(harness::WaitUntil([&] {
      hWidth = harness::FindDescendant(hFrame, 1001);
      hHeight = harness::FindDescendant(hFrame, 1002);
      return hWidth && hHeight && ::SendMessageW(hWidth, WM_GETTEXTLENGTH, 0, 0) > 0;
    }));
    ::SendMessageW(hWidth, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"320"));
    ::SendMessageW(hHeight, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"200"));
    ::PostMessageW(::GetDlgItem(hFrame, IDOK), BM_CLICK, 0, 0);
    bFrameGone = harness::WaitUntil([&] { return !::IsWindow(hFrame); });
    ASSERT_TRUE(m_runner.FlushPosted());
    outSize = Text(hDlg, IDC_EDIT_OUTSIZE);
    coeffs = Text(hDlg, IDC_EDIT_COEFFS);
    Graph([&](CGraph& graph) { graph.m_spResizer->GetOutputSize(&cx, &cy); });
    EXPECT_TRUE(NoBoxOpen());
  });
  EXPECT_EQ(L"Properties for Video Generator", caption);
  EXPECT_TRUE(bFrameGone);
  EXPECT_EQ(320, cx) << "the new picture reached the resizer's input";
  EXPECT_EQ(200, cy);
  EXPECT_EQ(L"320, 200", outSize);
  EXPECT_EQ(L"1.000000, 1.000000", coeffs);
}

TEST_F(BenchTest, VideoGeneratorWithoutOneInTheGraphOpensNothing) {
  harness::MessageBoxInfo box;
  bool bCaught = false, bEnabled = true;
  HWND hFrame = nullptr;
  m_runner.Run([&](HWND hDlg) {
    ASSERT_TRUE(Build(hDlg));
    // As after a graph file without a generator: the test graph holds none.
    Graph([&](CGraph& graph) { graph.m_spVidGen.Release(); });
    m_runner.OnDialogThread([&] { m_runner.Dialog().EnableControls(true); });
    bEnabled = ::IsWindowEnabled(::GetDlgItem(hDlg, IDC_BTN_VIDGEN)) != FALSE;
    bCaught = CatchBox([&] { ::PostMessageW(hDlg, WM_COMMAND, IDC_BTN_VIDGEN, 0); }, &box);
    hFrame = harness::FindTopWindow(::GetCurrentProcessId(), L"#32770", L"Properties for Video Generator");
  });
  EXPECT_FALSE(bEnabled);
  EXPECT_EQ(nullptr, hFrame);
  ASSERT_TRUE(bCaught);
  EXPECT_EQ(0u, box.text.find(L"Can't show Video Generator propery page\n"));
  EXPECT_EQ(box.text.size() - 10, box.text.rfind(L"\nError 0x1")) << "S_FALSE is reported too";
}

// A viewer whose main window never shows: "Show graph" answers S_FALSE, which the dialog
// reports as a failure. A start that outlasts the bench's second to become idle on a loaded
// machine (E_FAIL) is tried again, twice at most.
TEST_F(BenchTest, ShowGraphWithoutTheViewersWindowReportsCodeOne) {
  harness::MessageBoxInfo box;
  bool bCaught = false;
  m_runner.Run([&](HWND hDlg) {
    ASSERT_TRUE(Build(hDlg));
    for (int nTry = 1; nTry <= 3; ++nTry) {
      RegistryScratch reg;
      ASSERT_TRUE(reg.Active());
      reg.RegisterProppage(L"C:\\windows\\system32\\proppage.dll");
      reg.SetViewerPath(harness::WindowsPath(LUMIVAR_HIDDEN_VIEWER));
      bCaught = CatchBox([&] { Click(hDlg, IDC_BTN_SHOW); }, &box);
      if (!bCaught || box.text.find(L"Error 0x80004005") == std::wstring::npos) break;
    }
  });
  ASSERT_TRUE(bCaught);
  EXPECT_EQ(0u, box.text.find(L"Can't show graph\n")) << std::string(box.text.begin(), box.text.end());
  EXPECT_EQ(box.text.size() - 10, box.text.rfind(L"\nError 0x1")) << "S_FALSE is reported too";
  EXPECT_TRUE(box.bIconShown);
}

}  // namespace
