// "Build graph" from the dialog: the title, the controls, the settings read back and the video
// window placed above the dialog, with Wine's real renderer.
#include "BenchFixture.h"

#include "ResizerDoubles.h"

namespace {

using ::testing::ElementsAreArray;

const int rgGraphControls[] = {IDC_BTN_VIDGEN,     IDC_BTN_SET_CLIP,    IDC_EDIT_CLIP,     IDC_CHECK_FLIP,
                               IDC_COMBO_ALGO,     IDC_CHECK_ANTIALIAS, IDC_CHECK_AUTO_SS, IDC_BTN_SET_OUTSIZE,
                               IDC_EDIT_OUTSIZE,   IDC_BTN_SET_COEFFS,  IDC_EDIT_COEFFS,   IDC_RADIO_FIXED,
                               IDC_RADIO_VARIABLE, IDC_BTN_PLAY,        IDC_BTN_PAUSE,     IDC_BTN_STOP};

// The title as the resizer describes its build through IFilterVersion.
std::wstring TitleOfResizer() {
  CComPtr<IFilterVersion> spVersion;
  if (FAILED(spVersion.CoCreateInstance(CLSID_Resizer, nullptr, CLSCTX_INPROC_SERVER))) return L"<no resizer>";
  FilterBuildType eType = {};
  FilterPlatform eOS = {};
  CComBSTR cbsName, cbsNumber, cbsDateTime;
  spVersion->GetType(&eType);
  spVersion->GetOS(&eOS);
  spVersion->GetName(&cbsName);
  spVersion->GetNumber(&cbsNumber);
  spVersion->GetDateTime(&cbsDateTime);
  return std::wstring(L"Test for ") + cbsName.m_str + (eType == 0 ? L" [D" : L" [R") + (eOS == 0 ? L"32" : L"64") +
         L" v." + cbsNumber.m_str + L" " + cbsDateTime.m_str + L"]";
}

std::vector<std::wstring> ListItems(HWND hCombo) {
  std::vector<std::wstring> items;
  const int n = static_cast<int>(::SendMessageW(hCombo, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    WCHAR sz[64] = {};
    ::SendMessageW(hCombo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(sz));
    items.push_back(sz);
  }
  return items;
}

// What the dialog shows of a graph and its resizer.
struct Shown {
  std::wstring title;
  std::vector<std::wstring> items;
  int sel = -2;
  bool bFlip = false, bAA = false, bAS = false, bFixed = false, bVariable = false;
  std::wstring outSize, coeffs, clip;
  bool rgEnabled[16] = {};
};

Shown ReadShown(HWND hDlg) {
  Shown shown;
  shown.title = harness::ReadText(hDlg);
  shown.items = ListItems(::GetDlgItem(hDlg, IDC_COMBO_ALGO));
  shown.sel = static_cast<int>(::SendDlgItemMessageW(hDlg, IDC_COMBO_ALGO, CB_GETCURSEL, 0, 0));
  shown.bFlip = ::IsDlgButtonChecked(hDlg, IDC_CHECK_FLIP) == BST_CHECKED;
  shown.bAA = ::IsDlgButtonChecked(hDlg, IDC_CHECK_ANTIALIAS) == BST_CHECKED;
  shown.bAS = ::IsDlgButtonChecked(hDlg, IDC_CHECK_AUTO_SS) == BST_CHECKED;
  shown.bFixed = ::IsDlgButtonChecked(hDlg, IDC_RADIO_FIXED) == BST_CHECKED;
  shown.bVariable = ::IsDlgButtonChecked(hDlg, IDC_RADIO_VARIABLE) == BST_CHECKED;
  shown.outSize = harness::ReadText(::GetDlgItem(hDlg, IDC_EDIT_OUTSIZE));
  shown.coeffs = harness::ReadText(::GetDlgItem(hDlg, IDC_EDIT_COEFFS));
  shown.clip = harness::ReadText(::GetDlgItem(hDlg, IDC_EDIT_CLIP));
  for (int i = 0; i < 16; ++i) shown.rgEnabled[i] = ::IsWindowEnabled(::GetDlgItem(hDlg, rgGraphControls[i])) != FALSE;
  return shown;
}

const wchar_t* const rgAlgorithmNames[] = {L"Nearest",           L"Linear",
                                           L"Cubic (BSpline)",   L"Cubic (CatmullRom)",
                                           L"Cubic (B05C03)",    L"Lanczos (2-lobed)",
                                           L"Lanczos (3-lobed)", L"Supersampling"};

class Building : public BenchTest {};

TEST_F(Building, GeneratedChainShowsEverySettingTheResizerReports) {
  Shown shown;
  m_runner.Run([&](HWND hDlg) {
    SetText(hDlg, IDC_EDIT_CLIP, L"typed, not read back");
    ASSERT_TRUE(Build(hDlg));
    shown = ReadShown(hDlg);
  });
  EXPECT_EQ(TitleOfResizer(), shown.title);
  for (int i = 0; i < 16; ++i) EXPECT_TRUE(shown.rgEnabled[i]) << rgGraphControls[i];
  EXPECT_THAT(shown.items, ElementsAreArray(rgAlgorithmNames));
  // The resizer's defaults: linear, antialiasing on, its input's 640 x 480 kept, fixed output.
  EXPECT_EQ(1, shown.sel);
  EXPECT_FALSE(shown.bFlip);
  EXPECT_TRUE(shown.bAA);
  EXPECT_FALSE(shown.bAS);
  EXPECT_EQ(L"640, 480", shown.outSize);
  EXPECT_EQ(L"1.000000, 1.000000", shown.coeffs);
  EXPECT_TRUE(shown.bFixed);
  EXPECT_FALSE(shown.bVariable);
  EXPECT_EQ(L"typed, not read back", shown.clip);
}

TEST_F(Building, ReadsBackWhatTheResizerReportsNotItsDefaults) {
  int sel = -2;
  bool bFlip = false, bAA = true, bAS = false, bVariable = false;
  std::wstring outSize;
  m_runner.Run([&](HWND hDlg) {
    ASSERT_TRUE(Build(hDlg));
    // The same resizer, changed behind the dialog's back, then a refresh as a build does it.
    Graph([&](CGraph& graph) {
      EXPECT_EQ(S_OK, graph.SetResizeAlgorithm(RESIZE_CUBIC_BSPLINE));
      EXPECT_EQ(S_OK, graph.SetFlip(TRUE));
      EXPECT_EQ(S_OK, graph.SetAntialiasing(FALSE));
      EXPECT_EQ(S_OK, graph.SetAutoSupersampling(TRUE));
      EXPECT_EQ(S_OK, graph.SetFixedOutput(FALSE));
      EXPECT_EQ(S_OK, graph.SetOutputSize(320, 200));
      m_runner.Dialog().m_bUpdating = true;
      m_runner.Dialog().RefreshSettings();
      m_runner.Dialog().m_bUpdating = false;
    });
    sel = static_cast<int>(::SendDlgItemMessageW(hDlg, IDC_COMBO_ALGO, CB_GETCURSEL, 0, 0));
    bFlip = Checked(hDlg, IDC_CHECK_FLIP);
    bAA = Checked(hDlg, IDC_CHECK_ANTIALIAS);
    bAS = Checked(hDlg, IDC_CHECK_AUTO_SS);
    bVariable = Checked(hDlg, IDC_RADIO_VARIABLE) && !Checked(hDlg, IDC_RADIO_FIXED);
    outSize = Text(hDlg, IDC_EDIT_OUTSIZE);
  });
  EXPECT_EQ(2, sel) << "algorithm 3 is row 2";
  EXPECT_TRUE(bFlip);
  EXPECT_FALSE(bAA);
  EXPECT_TRUE(bAS);
  EXPECT_TRUE(bVariable);
  EXPECT_EQ(L"320, 200", outSize);
}

// The title from the resizer's version text: "Test for" and the text, cut to the title's 511
// characters when the text is as long as the resizer may make it.
TEST_F(Building, TitleNamesTheResizersVersionCutToTheTitlesLength) {
  // With " [R64 v.1.0 Jan 1 2000]", 511 characters: the longest text the version can be.
  const std::wstring longestName(511 - 23, L'n');
  FakeResizer rgControls[2];
  rgControls[1].pszName = longestName.c_str();
  ResizerStandIn plain(&rgControls[0]), longest(&rgControls[1]);
  ASSERT_TRUE(plain.Created() && longest.Created());
  std::wstring rgTitles[2];
  m_runner.Run([&](HWND hDlg) {
    ASSERT_TRUE(BuildWith(hDlg, CLSID_Resizer, &plain));
    rgTitles[0] = harness::ReadText(hDlg);
    ASSERT_TRUE(BuildWith(hDlg, CLSID_Resizer, &longest));
    rgTitles[1] = harness::ReadText(hDlg);
  });
  EXPECT_EQ(L"Test for Resizer [R64 v.1.0 Jan 1 2000]", rgTitles[0]);
  EXPECT_EQ((L"Test for " + longestName + L" [R64 v.1.0 Jan 1 2000]").substr(0, 511), rgTitles[1]);
  for (const FakeResizer& controls : rgControls) EXPECT_EQ(1u, controls.Refs());
}

// A resizer without its control interface: the graph builds, the title is the plain one, the
// controls show no setting, and no setting command acts or complains.
TEST_F(Building, AResizerWithoutItsControlsShowsNoSettingAndTakesNone) {
  ResizerStandIn resizer(nullptr);
  ASSERT_TRUE(resizer.Created());
  Shown built, tried;
  bool bNoBox = false;
  m_runner.Run([&](HWND hDlg) {
    // A graph whose resizer reports settings first, so that there is something to clear.
    ASSERT_TRUE(Build(hDlg));
    Click(hDlg, IDC_CHECK_FLIP);
    Click(hDlg, IDC_CHECK_AUTO_SS);
    EXPECT_FALSE(BuildWith(hDlg, CLSID_Resizer, &resizer));
    built = ReadShown(hDlg);
    // Texts that would not parse: a command that acted would say so.
    TryEverySetting(hDlg, L"x");
    bNoBox = NoBoxOpen();
    tried = ReadShown(hDlg);
  });
  EXPECT_EQ(L"Resizer Test", built.title);
  EXPECT_THAT(built.items, ElementsAreArray(rgAlgorithmNames));
  EXPECT_EQ(CB_ERR, built.sel);
  EXPECT_FALSE(built.bFlip);
  EXPECT_FALSE(built.bAA);
  EXPECT_FALSE(built.bAS);
  EXPECT_EQ(L"", built.outSize);
  EXPECT_EQ(L"", built.coeffs);
  for (int i = 0; i < 16; ++i) EXPECT_TRUE(built.rgEnabled[i]) << rgGraphControls[i];
  EXPECT_TRUE(bNoBox);
  EXPECT_EQ(L"x", tried.clip) << "nothing read back";
  EXPECT_EQ(L"x", tried.outSize);
  EXPECT_EQ(L"x", tried.coeffs);
  EXPECT_EQ(1u, resizer.Refs());
}

// The file box takes any length; the path built from is its first 259 characters.
TEST_F(Building, AFileNameLongerThanAPathIsCutTo259Characters) {
  const std::wstring typed = L"C:\\" + std::wstring(297, L'p');
  std::wstring held, shown;
  m_runner.Run([&](HWND hDlg) {
    SetText(hDlg, IDC_EDIT_FILE, typed.c_str());
    m_runner.OnDialogThread([&] { held = m_runner.Dialog().m_szFileName; });
    shown = Text(hDlg, IDC_EDIT_FILE);
  });
  ASSERT_EQ(300u, typed.size());
  EXPECT_EQ(typed, shown);
  EXPECT_EQ(typed.substr(0, 259), held);
}

// Where the video window must go, as the placement computes it from the work area and the
// dialog: its bottom on the dialog's top (row 0 at least), centred on the work area's width
// without the work area's left edge.
struct PlacementCase {
  const char* label;
  RECT rcWorkArea;  // empty: the display's own
  int yDialog;      // -1: where the dialog put itself
};

class VideoWindowPlacement : public BenchTest, public ::testing::WithParamInterface<PlacementCase> {
protected:
  void SetUp() override {
    BenchTest::SetUp();
    ASSERT_TRUE(::SystemParametersInfoW(SPI_GETWORKAREA, 0, &m_rcSaved, 0));
  }
  void TearDown() override {
    ::SystemParametersInfoW(SPI_SETWORKAREA, 0, &m_rcSaved, 0);
    BenchTest::TearDown();
  }
  RECT m_rcSaved = {};
};

TEST_P(VideoWindowPlacement, PutsItAboveTheDialog) {
  const PlacementCase& c = GetParam();
  if (!::IsRectEmpty(&c.rcWorkArea)) {
    RECT rc = c.rcWorkArea;
    ASSERT_TRUE(::SystemParametersInfoW(SPI_SETWORKAREA, 0, &rc, 0));
  }
  RECT rcArea = {}, rcDlg = {}, rcVideo = {};
  bool bVisible = false;
  m_runner.Run([&](HWND hDlg) {
    if (c.yDialog >= 0) ::SetWindowPos(hDlg, nullptr, 100, c.yDialog, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ASSERT_TRUE(Build(hDlg));
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &rcArea, 0);
    ::GetWindowRect(hDlg, &rcDlg);
    HWND hVideo = VideoWindow();
    ASSERT_NE(nullptr, hVideo);
    bVisible = ::IsWindowVisible(hVideo) != FALSE;
    ::GetWindowRect(hVideo, &rcVideo);
  });
  if (!::IsRectEmpty(&c.rcWorkArea)) {
    EXPECT_TRUE(::EqualRect(&c.rcWorkArea, &rcArea)) << "the dialog's process sees the work area set";
  }
  const int cx = rcVideo.right - rcVideo.left, cy = rcVideo.bottom - rcVideo.top;
  EXPECT_TRUE(bVisible);
  EXPECT_GT(cx, 640) << "the renderer's window keeps its size: the 640 x 480 picture and its frame";
  const int top = rcDlg.top - cy < 0 ? 0 : rcDlg.top - cy;
  EXPECT_EQ(top, rcVideo.top);
  EXPECT_EQ((rcArea.right - rcArea.left - cx) / 2, rcVideo.left);
  if (c.yDialog >= 0) {
    EXPECT_EQ(0, rcVideo.top) << "not enough room above the dialog";
  } else {
    EXPECT_EQ(rcDlg.top, rcVideo.bottom);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, VideoWindowPlacement,
                         ::testing::Values(PlacementCase{"above_the_dialog", {}, -1},
                                           PlacementCase{"pulled_to_row_0", {}, 100},
                                           PlacementCase{"wider_than_the_work_area", {0, 0, 500, 1024}, -1},
                                           PlacementCase{"work_area_left_edge_not_added", {300, 0, 1280, 1024}, -1}),
                         [](const ::testing::TestParamInfo<PlacementCase>& info) {
                           return std::string(info.param.label);
                         });

TEST_F(Building, RebuildingReleasesTheFirstGraphAndDetachesIt) {
  IGraphBuilder* pFirst = nullptr;
  bool bSecondIsNew = false;
  bool bFirstEnded = false;
  m_runner.Run([&](HWND hDlg) {
    ASSERT_TRUE(Build(hDlg));
    ShortenStream(200);
    Graph([&](CGraph& graph) {
      pFirst = graph.m_spGraph;
      pFirst->AddRef();
    });
    ASSERT_TRUE(Build(hDlg));
    Graph([&](CGraph& graph) { bSecondIsNew = graph.m_spGraph != pFirst && graph.m_spGraph != nullptr; });
    // The first graph played to its end posts nothing to the dialog any more.
    const size_t cBefore = m_runner.MessagesSeen(WM_GRAPHNOTIFY);
    CComQIPtr<IMediaControl, &IID_IMediaControl> spControl(pFirst);
    CComQIPtr<IMediaEvent, &IID_IMediaEvent> spEvent(pFirst);
    EXPECT_GE(spControl->Run(), 0);
    long lCode = 0;
    bFirstEnded = spEvent->WaitForCompletion(5000, &lCode) == S_OK && lCode == EC_COMPLETE;
    EXPECT_EQ(S_OK, spControl->Stop());
    ASSERT_TRUE(m_runner.FlushPosted());
    EXPECT_EQ(cBefore, m_runner.MessagesSeen(WM_GRAPHNOTIFY));
  });
  EXPECT_TRUE(bSecondIsNew);
  EXPECT_TRUE(bFirstEnded);
  ASSERT_NE(nullptr, pFirst);
  EXPECT_EQ(0u, pFirst->Release()) << "the dialog keeps no reference on the first graph manager";
}

}  // namespace
