// The bench driven from outside as a tester drives it: building, settings, graph files, the
// open-file dialog, playback to the end, the generator's page, closing, and the trace.
#include <gmock/gmock.h>
#include <windows.h>
// After windows.h, which it needs.
#include <tlhelp32.h>

#include <dshow.h>

#include <fstream>
#include <iterator>
#include <string>

#include "RunningBench.h"
#include "atlcomcli.h"

namespace {

const int rgGraphControls[] = {205, 211, 212, 213, 220, 221, 222, 223, 224, 225, 226, 227, 228, 230, 231, 232};

// A file of the test's own in its temporary folder, removed afterwards.
class ScratchFile {
public:
  ScratchFile(LPCWSTR pszName, const char* pszContent) {
    WCHAR szDir[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, szDir);
    m_path = std::wstring(szDir) + pszName;
    if (pszContent) {
      std::ofstream(m_path.c_str(), std::ios::binary) << pszContent;
    }
  }
  ~ScratchFile() { ::DeleteFileW(m_path.c_str()); }
  const std::wstring& Path() const { return m_path; }

private:
  std::wstring m_path;
};

// Processes of this name still alive.
int ProcessesNamed(LPCWSTR pszName) {
  ATL::CHandle hSnap(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!hSnap) return -1;
  int n = 0;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL b = ::Process32FirstW(hSnap, &entry); b; b = ::Process32NextW(hSnap, &entry))
    if (lstrcmpiW(entry.szExeFile, pszName) == 0) ++n;
  return n;
}

// Wine's own graph manager cannot load graph files (it has no IPersistStream); the stand-in
// registered for the filter graph class adds it.
bool GraphFilesLoadable() {
  ::CoInitialize(nullptr);
  bool bLoadable = false;
  {
    ATL::CComPtr<IPersistStream> spPersist;
    bLoadable = SUCCEEDED(spPersist.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER));
  }
  ::CoUninitialize();
  return bLoadable;
}

class DrivenBench : public RunningBench {
protected:
  bool AllGraphControlsEnabled(bool bEnabled) const {
    for (int id : rgGraphControls)
      if ((::IsWindowEnabled(Item(id)) != FALSE) != bEnabled) return false;
    return true;
  }
  // The generator's page, opened from the bench: the stream cut to lDurationMs, then OK.
  bool ShortenStreamOnThePage(LPCWSTR pszDurationMs) {
    Click(205);
    HWND hFrame = harness::WaitForTopWindow(m_program.ProcessId(), L"#32770", L"Properties for Video Generator");
    if (!hFrame) return false;
    HWND hDuration = nullptr;
    // Ready once the page shows its values; the duration box has id 1004 in VideoGenerator.dll.
    if (!harness::WaitUntil([&] {
          hDuration = harness::FindDescendant(hFrame, 1004);
          return hDuration && ::SendMessageW(hDuration, WM_GETTEXTLENGTH, 0, 0) > 0;
        }))
      return false;
    ::SendMessageW(hDuration, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(pszDurationMs));
    ::PostMessageW(::GetDlgItem(hFrame, IDOK), BM_CLICK, 0, 0);
    return harness::WaitUntil([&] { return !::IsWindow(hFrame); });
  }
};

TEST_F(DrivenBench, BuildShowsTheSettingsAndPlacesTheVideoWindowAboveTheDialog) {
  ASSERT_TRUE(Build());
  EXPECT_TRUE(AllGraphControlsEnabled(true));
  EXPECT_EQ(8, ::SendMessageW(Item(220), CB_GETCOUNT, 0, 0));
  EXPECT_EQ(1, ::SendMessageW(Item(220), CB_GETCURSEL, 0, 0)) << "Linear";
  EXPECT_TRUE(Checked(221));
  EXPECT_FALSE(Checked(222));
  EXPECT_FALSE(Checked(213));
  EXPECT_EQ(L"640, 480", Text(224));
  EXPECT_EQ(L"1.000000, 1.000000", Text(226));
  EXPECT_TRUE(Checked(227));
  EXPECT_FALSE(Checked(228));

  RECT rcWork = {}, rcDlg = {}, rcVideo = {};
  ASSERT_TRUE(::SystemParametersInfoW(SPI_GETWORKAREA, 0, &rcWork, 0));
  HWND hVideo = nullptr;
  ASSERT_TRUE(harness::WaitUntil([&] { return (hVideo = VideoWindow()) != nullptr; }));
  ::GetWindowRect(m_hDlg, &rcDlg);
  ::GetWindowRect(hVideo, &rcVideo);
  EXPECT_EQ(rcDlg.top, rcVideo.bottom);
  EXPECT_EQ((rcWork.right - rcWork.left - (rcVideo.right - rcVideo.left)) / 2, rcVideo.left);

  // Rebuilt with too little room above the dialog: the first graph's window goes, the new one
  // is pulled to row 0.
  ::SetWindowPos(m_hDlg, nullptr, rcDlg.left, 120, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  Click(206);
  ASSERT_TRUE(harness::WaitUntil([&] { return !::IsWindow(hVideo); })) << "the first graph is released";
  HWND hSecond = nullptr;
  ASSERT_TRUE(harness::WaitUntil([&] { return (hSecond = VideoWindow()) != nullptr; }));
  ::GetWindowRect(hSecond, &rcVideo);
  EXPECT_EQ(0, rcVideo.top);
}

TEST_F(DrivenBench, SettingsByEnterAndButtonShowWhatTheResizerReports) {
  ASSERT_TRUE(Build());
  Enter(224, L"320,240");
  EXPECT_TRUE(harness::WaitUntil([&] { return Text(224) == L"320, 240"; })) << Text(224).c_str();
  EXPECT_EQ(L"0.500000, 0.500000", Text(226));
  SetText(226, L"2,1");
  Click(225);
  EXPECT_TRUE(harness::WaitUntil([&] { return Text(224) == L"1280, 480"; })) << Text(224).c_str();
  Enter(212, L"0,0,320,240");
  EXPECT_TRUE(harness::WaitUntil([&] { return Text(212) == L"0, 0, 320, 240"; })) << Text(212).c_str();

  harness::MessageBoxInfo box;
  SetText(224, L"wide,high");
  Click(223);
  ASSERT_TRUE(TakeBox(&box));
  EXPECT_EQ(L"Invalid value\nInvalid parameter.\r\n\nError 0x80070057", box.text);
  EXPECT_TRUE(harness::WaitUntil([&] { return Text(224) == L"1280, 480"; })) << "read again";
  Enter(224, L"0,10");
  ASSERT_TRUE(TakeBox(&box));
  EXPECT_EQ(L"Can't set output size\nInvalid parameter.\r\n\nError 0x80070057", box.text);
  EXPECT_TRUE(harness::WaitUntil([&] { return Text(224) == L"1280, 480"; }));
}

// The ".grf" source with a file that cannot give a graph: the platform's code, the controls
// disabled; an empty name keeps the earlier graph.
struct GrfCase {
  const char* label;
  const wchar_t* pszName;  // in the temporary folder; null: the box emptied
  const char* pszContent;  // null: no such file
  const wchar_t* pszMessageStart;
  HRESULT hrFile;  // the platform's answer about the file, once graph files can be loaded
};

class GrfSource : public DrivenBench, public ::testing::WithParamInterface<GrfCase> {};

TEST_P(GrfSource, ThatGivesNoGraphIsReported) {
  const GrfCase& c = GetParam();
  ScratchFile file(c.pszName ? c.pszName : L"unused.grf", c.pszContent);
  ASSERT_TRUE(Build());
  HWND hFirstVideo = VideoWindow();
  const std::wstring title = harness::ReadText(m_hDlg);
  Click(201);
  SetText(204, c.pszName ? file.Path().c_str() : L"");
  harness::MessageBoxInfo box;
  Click(206);
  ASSERT_TRUE(TakeBox(&box));
  EXPECT_EQ(0u, box.text.find(c.pszMessageStart)) << std::string(box.text.begin(), box.text.end());
  const HRESULT hr = c.hrFile == E_INVALIDARG || GraphFilesLoadable() ? c.hrFile : E_NOINTERFACE;
  WCHAR szCode[32] = {};
  ::wsprintfW(szCode, L"\nError 0x%X", static_cast<unsigned>(hr));
  EXPECT_EQ(box.text.size() - lstrlenW(szCode), box.text.rfind(szCode)) << std::string(box.text.begin(), box.text.end());
  EXPECT_TRUE(box.bIconShown);
  EXPECT_TRUE(AllGraphControlsEnabled(false));
  EXPECT_EQ(title, harness::ReadText(m_hDlg)) << "the title keeps the last build";
  EXPECT_EQ(c.pszName == nullptr, ::IsWindow(hFirstVideo) != FALSE) << "only an empty name keeps the graph";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GrfSource,
    ::testing::Values(
        GrfCase{"empty_name", nullptr, nullptr, L".grf file not selected\nInvalid parameter.", E_INVALIDARG},
        GrfCase{"missing_file", L"lumivar-missing.grf", nullptr, L"Can't build graph from .grf file\n",
                STG_E_FILENOTFOUND},
        GrfCase{"not_a_graph_file", L"lumivar-text.grf", "just text, no compound file",
                L"Can't build graph from .grf file\n", STG_E_FILEALREADYEXISTS}),
    [](const ::testing::TestParamInfo<GrfCase>& info) { return std::string(info.param.label); });

// The sample graph files setup writes at the default path: one with the generated chain,
// one that plays a file and holds no Video Generator.
struct SampleCase {
  const char* label;
  const wchar_t* pszFile;
  bool bVideoGenerator;
};

class SampleGraph : public DrivenBench, public ::testing::WithParamInterface<SampleCase> {};

TEST_P(SampleGraph, BuildsWithTheControlsItsFiltersAllow) {
  const SampleCase& c = GetParam();
  if (!GraphFilesLoadable()) GTEST_SKIP() << "no graph-file stand-in registered";
  Click(201);
  SetText(204, (std::wstring(L"C:\\CVS\\Dev\\Filters\\Video\\Lumivar\\Graphs\\") + c.pszFile).c_str());
  ASSERT_TRUE(Build());
  for (int id : rgGraphControls) {
    if (id != 205) {
      EXPECT_TRUE(::IsWindowEnabled(Item(id))) << id;
    }
  }
  EXPECT_EQ(c.bVideoGenerator, ::IsWindowEnabled(Item(205)) != FALSE);
  EXPECT_EQ(8, ::SendMessageW(Item(220), CB_GETCOUNT, 0, 0));
  if (!c.bVideoGenerator) {
    // The command, had it come anyway: nothing to show, and said so.
    harness::MessageBoxInfo box;
    ::PostMessageW(m_hDlg, WM_COMMAND, 205, 0);
    ASSERT_TRUE(TakeBox(&box));
    EXPECT_EQ(0u, box.text.find(L"Can't show Video Generator propery page\n"));
    EXPECT_EQ(box.text.size() - 10, box.text.rfind(L"\nError 0x1"));
    EXPECT_EQ(nullptr, harness::FindTopWindow(m_program.ProcessId(), L"#32770", L"Properties for Video Generator"));
  }
}

INSTANTIATE_TEST_SUITE_P(Files, SampleGraph,
                         ::testing::Values(SampleCase{"generated_chain", L"Test.GRF", true},
                                           SampleCase{"file_source", L"TestFile.GRF", false}),
                         [](const ::testing::TestParamInfo<SampleCase>& info) { return std::string(info.param.label); });

TEST_F(DrivenBench, LoadPutsThePathChosenInWinesOpenFileDialogIntoTheBox) {
  ScratchFile file(L"lumivar-chosen.grf", "any content");
  const std::wstring before = Text(204);
  for (int idButton : {IDCANCEL, IDOK}) {
    Click(203);
    HWND hOpen = harness::WaitForTopWindow(m_program.ProcessId(), L"#32770", L"Select GRF file or All file");
    ASSERT_NE(nullptr, hOpen);
    // The file name field (cmb13), as a tester types into it.
    HWND hName = nullptr;
    ASSERT_TRUE(harness::WaitUntil([&] { return (hName = harness::FindDescendant(hOpen, 0x47C)) != nullptr; }));
    ::SendMessageW(hName, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(file.Path().c_str()));
    ::PostMessageW(::GetDlgItem(hOpen, idButton), BM_CLICK, 0, 0);
    ASSERT_TRUE(harness::WaitUntil([&] { return !::IsWindow(hOpen); }));
    ASSERT_TRUE(Settle());
    if (idButton == IDCANCEL) {
      EXPECT_EQ(before, Text(204)) << "cancelled: unchanged";
    }
  }
  EXPECT_EQ(0, lstrcmpiW(file.Path().c_str(), Text(204).c_str())) << Text(204).c_str();
}

TEST_F(DrivenBench, PlayedToTheEndTellsTheEndAndPlaysAgain) {
  ASSERT_TRUE(Build());
  ASSERT_TRUE(ShortenStreamOnThePage(L"400"));
  for (int i = 0; i < 2; ++i) {
    Click(230);
    harness::MessageBoxInfo box;
    ASSERT_TRUE(TakeBox(&box)) << "end " << i;
    EXPECT_EQ(L"The end", box.text);
    EXPECT_FALSE(box.bIconShown);
  }
  ASSERT_TRUE(Settle());
  EXPECT_EQ(nullptr, harness::FindMessageBox(m_program.ProcessId(), L"Resizer Test"));
}

// Closing while the graph runs, is paused, or while "The end" is open: the graph goes first,
// the modal run ends with 2 and the program with 0, and nothing of it is left.
enum class GraphState { Running, Paused, TheEndOpen };

class ClosingWithAGraph : public DrivenBench,
                          public ::testing::WithParamInterface<std::tuple<GraphState, CloseRoute>> {};

TEST_P(ClosingWithAGraph, TearsTheGraphDownAndEndsTheProgram) {
  const GraphState state = std::get<0>(GetParam());
  const CloseRoute route = std::get<1>(GetParam());
  ASSERT_TRUE(Build());
  ASSERT_TRUE(ShortenStreamOnThePage(state == GraphState::TheEndOpen ? L"300" : L"20000"));
  HWND hVideo = VideoWindow();
  Click(230);
  if (state == GraphState::Paused) Click(231);
  HWND hBox = nullptr;
  if (state == GraphState::TheEndOpen) {
    ASSERT_TRUE(harness::WaitUntil([&] { return (hBox = harness::FindMessageBox(m_program.ProcessId(), L"Resizer Test")) != nullptr; }));
  }
  ASSERT_TRUE(Settle());
  ASSERT_TRUE(CloseBy(route));
  EXPECT_TRUE(harness::WaitUntil([&] { return !::IsWindow(hVideo); })) << "the graph is torn down";
  if (hBox) {
    EXPECT_TRUE(::IsWindow(hBox)) << "torn down while the box is still open";
    harness::CloseMessageBox(hBox);
  }
  EXPECT_EQ(0u, m_program.WaitForExit());
  EXPECT_TRUE(harness::WaitUntil([] { return ProcessesNamed(L"LumivarTest.exe") == 0; }));
}

std::string ClosingName(const ::testing::TestParamInfo<std::tuple<GraphState, CloseRoute>>& info) {
  const char* rgStates[] = {"running", "paused", "the_end_open"};
  return std::string(rgStates[static_cast<int>(std::get<0>(info.param))]) + "_" +
         CloseRouteName(std::get<1>(info.param));
}

INSTANTIATE_TEST_SUITE_P(States, ClosingWithAGraph,
                         ::testing::Values(std::make_tuple(GraphState::Running, CloseRoute::Escape),
                                           std::make_tuple(GraphState::Running, CloseRoute::CloseBox),
                                           std::make_tuple(GraphState::Running, CloseRoute::SystemMenuClose),
                                           std::make_tuple(GraphState::Paused, CloseRoute::Escape),
                                           std::make_tuple(GraphState::Paused, CloseRoute::CloseBox),
                                           std::make_tuple(GraphState::Paused, CloseRoute::SystemMenuClose),
                                           // The box disables the dialog: Escape and clicks go to
                                           // the box, a close message still reaches the dialog.
                                           std::make_tuple(GraphState::TheEndOpen, CloseRoute::CloseMessage)),
                         ClosingName);

// The graph's other events are traced only when the threshold is raised from outside.
struct TraceCase {
  const char* label;
  const wchar_t* pszLevel;  // null: not set
  bool bTraced;
};

class EventTrace : public DrivenBench, public ::testing::WithParamInterface<TraceCase> {
protected:
  void SetUp() override {}
};

TEST_P(EventTrace, IsWrittenAtLevelTwo) {
  const TraceCase& c = GetParam();
  ScratchFile errors(L"lumivar-trace.txt", nullptr);
  WCHAR szSaved[64] = {};
  const bool bHadLevel = ::GetEnvironmentVariableW(L"ATLTRACE_LEVEL", szSaved, 64) != 0;
  ::SetEnvironmentVariableW(L"ATLTRACE_LEVEL", c.pszLevel);
  StartBench(errors.Path());
  ::SetEnvironmentVariableW(L"ATLTRACE_LEVEL", bHadLevel ? szSaved : nullptr);
  ASSERT_TRUE(Build());
  ASSERT_TRUE(ShortenStreamOnThePage(L"300"));
  Click(230);
  harness::MessageBoxInfo box;
  ASSERT_TRUE(TakeBox(&box));
  ::PostMessageW(m_hDlg, WM_COMMAND, IDCANCEL, 0);
  ASSERT_EQ(0u, m_program.WaitForExit());
  std::ifstream in(errors.Path().c_str());
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // Wine reports the change of clock when the graph first runs.
  const std::string line = "MainDialog.cpp(";
  const std::string message = ") : atlTraceGeneral - CMainDialog::OnGraphNotify(): event 0xD\n";
  const size_t at = text.find(message);
  EXPECT_EQ(c.bTraced, at != std::string::npos) << text;
  if (c.bTraced && at != std::string::npos) {
    EXPECT_NE(std::string::npos, text.rfind(line, at)) << text;
  }
  EXPECT_EQ(std::string::npos, text.find("event 0x1\n")) << "the end is not traced";
}

INSTANTIATE_TEST_SUITE_P(Levels, EventTrace,
                         ::testing::Values(TraceCase{"threshold_not_raised", nullptr, false},
                                           TraceCase{"threshold_1", L"1", false},
                                           TraceCase{"threshold_2", L"2", true}),
                         [](const ::testing::TestParamInfo<TraceCase>& info) { return std::string(info.param.label); });

}  // namespace
