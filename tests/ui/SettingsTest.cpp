// The resizer's settings changed from the dialog: by button and by Enter, refused (with a
// failure or S_FALSE), unparsable, and never while the dialog writes the settings into its
// controls.
#include "BenchFixture.h"

#include <dshow.h>

#include <cwchar>

#include "ResizerDoubles.h"

namespace {

struct Readback {
  RECT rcClip = {-1, -1, -1, -1};
  LONG cx = -1, cy = -1;
  double dX = -1, dY = -1;
  BOOL bFixed = -1, bFlip = -1, bAA = -1, bAS = -1;
  ResizeAlgorithm eAlgorithm = static_cast<ResizeAlgorithm>(-1);

  bool operator==(const Readback& o) const {
    return ::EqualRect(&rcClip, &o.rcClip) && cx == o.cx && cy == o.cy && dX == o.dX && dY == o.dY &&
           bFixed == o.bFixed && bFlip == o.bFlip && bAA == o.bAA && bAS == o.bAS && eAlgorithm == o.eAlgorithm;
  }
};

// The settings as the filter itself reports them.
Readback ReadFilter(CGraph& graph) {
  Readback r;
  IResizerControl* p = graph.m_spResizer;
  if (!p) return r;
  p->GetClippingRect(&r.rcClip);
  p->GetOutputSize(&r.cx, &r.cy);
  p->GetResizingCoeffs(&r.dX, &r.dY);
  p->GetFixedOutput(&r.bFixed);
  p->GetFlip(&r.bFlip);
  p->GetAntialiasing(&r.bAA);
  p->GetAutoSupersampling(&r.bAS);
  p->GetResizeAlgorithm(&r.eAlgorithm);
  return r;
}

// The size of the frame the renderer shows, paused on the first frame of the stream.
SIZE FrameShown(CGraph& graph) {
  SIZE size = {};
  CComQIPtr<IMediaControl, &IID_IMediaControl> spControl(graph.m_spGraph);
  CComQIPtr<IBasicVideo, &IID_IBasicVideo> spVideo(graph.m_spGraph);
  if (!spControl || !spVideo) return size;
  spControl->Pause();
  OAFilterState state = 0;
  spControl->GetState(5000, &state);
  // Wine's renderer answers no size query (E_POINTER for a null buffer): room for any frame.
  std::vector<long> image(sizeof(BITMAPINFOHEADER) / sizeof(long) + 2048 * 2048);
  long cb = static_cast<long>(image.size() * sizeof(long));
  if (SUCCEEDED(spVideo->GetCurrentImage(&cb, image.data()))) {
    const BITMAPINFOHEADER* pbih = reinterpret_cast<const BITMAPINFOHEADER*>(image.data());
    size = SIZE{pbih->biWidth, pbih->biHeight < 0 ? -pbih->biHeight : pbih->biHeight};
  }
  spControl->Stop();
  return size;
}

enum class Route { Button, Enter };

struct ValueCase {
  const char* label;
  int idBox, idButton;
  const wchar_t* pszTyped;
  const wchar_t* pszShown;  // the box afterwards
  RECT rcClip;              // what the filter then reports
  SIZE sizeOut;
  double dX, dY;
};

const ValueCase rgValueCases[] = {
    {"output_size", IDC_EDIT_OUTSIZE, IDC_BTN_SET_OUTSIZE, L"320,240", L"320, 240", {0, 0, 0, 0}, {320, 240}, 0.5, 0.5},
    {"resizing_coeffs",
     IDC_EDIT_COEFFS,
     IDC_BTN_SET_COEFFS,
     L" 1.5 , 0.25 ",
     L"1.500000, 0.250000",
     {0, 0, 0, 0},
     {960, 120},
     1.5,
     0.25},
    {"clipping_rect",
     IDC_EDIT_CLIP,
     IDC_BTN_SET_CLIP,
     L"100,80,420,320",
     L"100, 80, 420, 320",
     {100, 80, 420, 320},
     {640, 480},
     2.0,
     2.0},
    {"clipping_rect_empty_is_whole_picture",
     IDC_EDIT_CLIP,
     IDC_BTN_SET_CLIP,
     L"",
     L"0, 0, 0, 0",
     {0, 0, 0, 0},
     {640, 480},
     1.0,
     1.0},
};

class ValueCommand : public BenchTest, public ::testing::WithParamInterface<std::tuple<ValueCase, Route>> {};

TEST_P(ValueCommand, ReachesTheResizerAndShowsWhatItReports) {
  const ValueCase& c = std::get<0>(GetParam());
  const Route route = std::get<1>(GetParam());
  std::wstring shown, outSize;
  Readback r;
  SIZE frame = {};
  m_runner.Run([&](HWND hDlg) {
    ASSERT_TRUE(Build(hDlg));
    if (route == Route::Button) {
      SetText(hDlg, c.idBox, c.pszTyped);
      Click(hDlg, c.idButton);
    } else {
      Enter(hDlg, c.idBox, c.pszTyped);
    }
    shown = Text(hDlg, c.idBox);
    outSize = Text(hDlg, IDC_EDIT_OUTSIZE);
    Graph([&](CGraph& graph) {
      r = ReadFilter(graph);
      frame = FrameShown(graph);
    });
    EXPECT_TRUE(NoBoxOpen());
  });
  EXPECT_EQ(c.pszShown, shown);
  EXPECT_TRUE(::EqualRect(&c.rcClip, &r.rcClip))
      << r.rcClip.left << "," << r.rcClip.top << "," << r.rcClip.right << "," << r.rcClip.bottom;
  EXPECT_EQ(c.sizeOut.cx, r.cx);
  EXPECT_EQ(c.sizeOut.cy, r.cy);
  EXPECT_DOUBLE_EQ(c.dX, r.dX);
  EXPECT_DOUBLE_EQ(c.dY, r.dY);
  EXPECT_EQ(c.sizeOut.cx, frame.cx) << "the next frame has the new size";
  EXPECT_EQ(c.sizeOut.cy, frame.cy);
  EXPECT_EQ(std::to_wstring(c.sizeOut.cx) + L", " + std::to_wstring(c.sizeOut.cy), outSize);
}

INSTANTIATE_TEST_SUITE_P(Values, ValueCommand,
                         ::testing::Combine(::testing::ValuesIn(rgValueCases),
                                            ::testing::Values(Route::Button, Route::Enter)),
                         [](const ::testing::TestParamInfo<std::tuple<ValueCase, Route>>& info) {
                           return std::string(std::get<0>(info.param).label) +
                                  (std::get<1>(info.param) == Route::Button ? "_by_button" : "_by_enter");
                         });

// A text that does not parse, and a value the resizer refuses: the message, and the box kept
// (clipping) or re-read (output size and coefficients); the filter unchanged.
struct RejectCase {
  const char* label;
  int idBox, idButton;
  const wchar_t* pszTyped;
  const wchar_t* pszMessageStart;
  const wchar_t* pszCode;
  const wchar_t* pszShown;
};

const RejectCase rgRejectCases[] = {
    {"clip_three_numbers", IDC_EDIT_CLIP, IDC_BTN_SET_CLIP, L"1,2,3", L"Invalid value\nInvalid parameter.",
     L"Error 0x80070057", L"1,2,3"},
    {"clip_outside_the_picture", IDC_EDIT_CLIP, IDC_BTN_SET_CLIP, L"0,0,641,480", L"Can't set clipping rectangle\n",
     L"Error 0x80070057", L"0,0,641,480"},
    {"size_not_a_number", IDC_EDIT_OUTSIZE, IDC_BTN_SET_OUTSIZE, L"abc", L"Invalid value\nInvalid parameter.",
     L"Error 0x80070057", L"640, 480"},
    {"size_zero", IDC_EDIT_OUTSIZE, IDC_BTN_SET_OUTSIZE, L"0,0", L"Can't set output size\n", L"Error 0x80070057",
     L"640, 480"},
    {"coeffs_semicolon", IDC_EDIT_COEFFS, IDC_BTN_SET_COEFFS, L"1,5;2", L"Invalid value\nInvalid parameter.",
     L"Error 0x80070057", L"1.000000, 1.000000"},
    {"coeffs_negative", IDC_EDIT_COEFFS, IDC_BTN_SET_COEFFS, L"-1,1", L"Can't set resizing coefficients\n",
     L"Error 0x80070057", L"1.000000, 1.000000"},
};

class RejectedValue : public BenchTest, public ::testing::WithParamInterface<RejectCase> {};

TEST_P(RejectedValue, IsReportedAndChangesNothing) {
  const RejectCase& c = GetParam();
  harness::MessageBoxInfo box;
  bool bCaught = false;
  std::wstring shown;
  Readback before, after;
  m_runner.Run([&](HWND hDlg) {
    ASSERT_TRUE(Build(hDlg));
    Graph([&](CGraph& graph) { before = ReadFilter(graph); });
    SetText(hDlg, c.idBox, c.pszTyped);
    bCaught = CatchBox([&] { Click(hDlg, c.idButton); }, &box);
    ASSERT_TRUE(m_runner.FlushPosted());
    shown = Text(hDlg, c.idBox);
    Graph([&](CGraph& graph) { after = ReadFilter(graph); });
  });
  ASSERT_TRUE(bCaught);
  EXPECT_EQ(0u, box.text.find(c.pszMessageStart)) << std::string(box.text.begin(), box.text.end());
  EXPECT_NE(std::wstring::npos, box.text.find(c.pszCode));
  EXPECT_TRUE(box.bIconShown);
  EXPECT_EQ(c.pszShown, shown);
  EXPECT_TRUE(before == after) << "the filter is unchanged";
}

INSTANTIATE_TEST_SUITE_P(Cases, RejectedValue, ::testing::ValuesIn(rgRejectCases),
                         [](const ::testing::TestParamInfo<RejectCase>& info) {
                           return std::string(info.param.label);
                         });

TEST_F(BenchTest, SizeRefusedWhilePlayingIsReportedWithTheResizersCode) {
  harness::MessageBoxInfo box;
  bool bCaught = false;
  std::wstring shown;
  m_runner.Run([&](HWND hDlg) {
    ASSERT_TRUE(Build(hDlg));
    Click(hDlg, IDC_BTN_PAUSE);
    SetText(hDlg, IDC_EDIT_OUTSIZE, L"100,100");
    bCaught = CatchBox([&] { Click(hDlg, IDC_BTN_SET_OUTSIZE); }, &box);
    ASSERT_TRUE(m_runner.FlushPosted());
    shown = Text(hDlg, IDC_EDIT_OUTSIZE);
  });
  ASSERT_TRUE(bCaught);
  EXPECT_EQ(0u, box.text.find(L"Can't set output size\n"));
  EXPECT_NE(std::wstring::npos, box.text.find(L"Error 0x80040227")) << "VFW_E_WRONG_STATE";
  EXPECT_EQ(L"640, 480", shown);
}

// A resizer that refuses each flag, the algorithm and the output type, with a failure or with
// S_FALSE: each is reported with its command's text and the resizer's code, and the control
// keeps the tester's choice. Ours takes them all while stopped; a double answers for it.
class RefusedChoice : public BenchTest, public ::testing::WithParamInterface<HRESULT> {};

TEST_P(RefusedChoice, IsReportedWithItsCodeAndTheControlKeepsIt) {
  struct Command {
    const char* label;
    int id;
    int nRow;       // the list row chosen; -1: a click
    bool bChecked;  // the button's state the click gives it
    const char* pszSetter;
    LONG lSent;
    const wchar_t* pszText;
  } commands[] = {
      {"flip", IDC_CHECK_FLIP, -1, true, "SetFlip", 1, L"Can't set flipping flag"},
      {"antialiasing", IDC_CHECK_ANTIALIAS, -1, false, "SetAntialiasing", 0, L"Can't set antialiasing flag"},
      {"auto supersampling", IDC_CHECK_AUTO_SS, -1, true, "SetAutoSupersampling", 1,
       L"Can't set auto supersampling flag"},
      {"variable out", IDC_RADIO_VARIABLE, -1, true, "SetFixedOutput", 0, L"Can't change output type"},
      {"fixed out", IDC_RADIO_FIXED, -1, true, "SetFixedOutput", 1, L"Can't change output type"},
      {"algorithm", IDC_COMBO_ALGO, 6, true, "SetResizeAlgorithm", RESIZE_LANCZOS3, L"Can't set resize algorithm"},
  };
  const size_t cCommands = sizeof commands / sizeof commands[0];
  FakeResizer controls;
  controls.hrSet = GetParam();
  ResizerStandIn resizer(&controls);
  ASSERT_TRUE(resizer.Created());
  std::vector<harness::MessageBoxInfo> boxes(cCommands);
  std::vector<bool> caught(cCommands), kept(cCommands);
  m_runner.Run([&](HWND hDlg) {
    ASSERT_TRUE(BuildWith(hDlg, CLSID_Resizer, &resizer));
    for (size_t i = 0; i < cCommands; ++i) {
      const Command& c = commands[i];
      HWND hControl = ::GetDlgItem(hDlg, c.id);
      caught[i] = CatchBox(
          [&] {
            if (c.nRow < 0) return Click(hDlg, c.id);
            ChooseRow(hDlg, c.nRow);
          },
          &boxes[i]);
      ASSERT_TRUE(m_runner.FlushPosted());
      kept[i] = c.nRow < 0 ? Checked(hDlg, c.id) == c.bChecked : ::SendMessageW(hControl, CB_GETCURSEL, 0, 0) == c.nRow;
    }
  });
  wchar_t szCode[24];
  std::swprintf(szCode, 24, L"\nError 0x%X", static_cast<unsigned>(GetParam()));
  std::vector<std::pair<std::string, LONG>> expectedSent;
  for (size_t i = 0; i < cCommands; ++i) {
    const Command& c = commands[i];
    SCOPED_TRACE(c.label);
    expectedSent.emplace_back(c.pszSetter, c.lSent);
    ASSERT_TRUE(caught[i]);
    const std::wstring& text = boxes[i].text;
    EXPECT_EQ(0u, text.find(std::wstring(c.pszText) + L"\n")) << std::string(text.begin(), text.end());
    EXPECT_EQ(text.size() - std::wcslen(szCode), text.rfind(szCode)) << std::string(text.begin(), text.end());
    EXPECT_TRUE(boxes[i].bIconShown);
    EXPECT_TRUE(kept[i]);
  }
  EXPECT_EQ(expectedSent, controls.sent);
  EXPECT_EQ(1u, controls.Refs());
  EXPECT_EQ(1u, resizer.Refs());
}

INSTANTIATE_TEST_SUITE_P(Refusals, RefusedChoice, ::testing::Values(VFW_E_WRONG_STATE, S_FALSE),
                         [](const ::testing::TestParamInfo<HRESULT>& info) {
                           return std::string(info.param == S_FALSE ? "s_false" : "failure");
                         });

TEST_F(BenchTest, CheckBoxesListAndOutputTypeReachTheResizer) {
  std::vector<Readback> steps;
  m_runner.Run([&](HWND hDlg) {
    ASSERT_TRUE(Build(hDlg));
    auto record = [&] { Graph([&](CGraph& graph) { steps.push_back(ReadFilter(graph)); }); };
    Click(hDlg, IDC_CHECK_FLIP);
    Click(hDlg, IDC_CHECK_ANTIALIAS);
    Click(hDlg, IDC_CHECK_AUTO_SS);
    record();
    // "Lanczos (3-lobed)" is row 6.
    ChooseRow(hDlg, 6);
    record();
    Click(hDlg, IDC_RADIO_VARIABLE);
    record();
    // Behind the dialog's back, then "Variable out" again: the same value is sent again.
    Graph([&](CGraph& graph) { graph.SetFixedOutput(TRUE); });
    Click(hDlg, IDC_RADIO_VARIABLE);
    record();
    Click(hDlg, IDC_RADIO_FIXED);
    Click(hDlg, IDC_CHECK_FLIP);
    record();
    EXPECT_TRUE(NoBoxOpen());
  });
  ASSERT_EQ(5u, steps.size());
  EXPECT_EQ(TRUE, steps[0].bFlip);
  EXPECT_EQ(FALSE, steps[0].bAA);
  EXPECT_EQ(TRUE, steps[0].bAS);
  EXPECT_EQ(RESIZE_LANCZOS3, steps[1].eAlgorithm);
  EXPECT_EQ(FALSE, steps[2].bFixed);
  EXPECT_EQ(FALSE, steps[3].bFixed);
  EXPECT_EQ(TRUE, steps[4].bFixed);
  EXPECT_EQ(FALSE, steps[4].bFlip);
}

TEST_F(BenchTest, ListSelectionOutsideTheTableSendsNothing) {
  Readback before, after;
  m_runner.Run([&](HWND hDlg) {
    ASSERT_TRUE(Build(hDlg));
    Graph([&](CGraph& graph) { before = ReadFilter(graph); });
    // A selection change that arrives with nothing selected: no row to send.
    ChooseRow(hDlg, -1);
    EXPECT_TRUE(NoBoxOpen());
    Graph([&](CGraph& graph) { after = ReadFilter(graph); });
  });
  EXPECT_EQ(before.eAlgorithm, after.eAlgorithm);
  EXPECT_EQ(RESIZE_LINEAR, after.eAlgorithm);
}

TEST_F(BenchTest, NoSettingCommandActsWhileTheControlsAreRefreshed) {
  Readback before, after;
  m_runner.Run([&](HWND hDlg) {
    ASSERT_TRUE(Build(hDlg));
    Graph([&](CGraph& graph) { before = ReadFilter(graph); });
    m_runner.OnDialogThread([&] { m_runner.Dialog().m_bUpdating = true; });
    // Values the resizer would take: a command that acted would change it.
    TryEverySetting(hDlg, L"2,2");
    EXPECT_TRUE(NoBoxOpen());
    Graph([&](CGraph& graph) { after = ReadFilter(graph); });
    m_runner.OnDialogThread([&] { m_runner.Dialog().m_bUpdating = false; });
  });
  EXPECT_TRUE(before == after);
}

}  // namespace
