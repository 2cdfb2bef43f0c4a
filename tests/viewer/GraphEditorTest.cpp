// Our graph viewer as an editor of its own graph: graph files opened at start and through
// File > Open, saved through File > Save As, changes asked about before they are discarded,
// filters inserted, connected by dragging, rendered, removed and disconnected, property pages,
// the position bar and the graph's events. The real graphedt.exe, driven through its windows.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cwchar>
#include <functional>
#include <map>

#include "DSGraph.h"
#include "EditorDriver.h"
#include "FrameCounter.h"
#include "GraphFileTestSupport.h"
#include "GraphPersist.h"
#include "IResizerControl.h"
#include "KeyboardInput.h"
#include "Processes.h"
#include "UiDriver.h"
#include "ViewerProcess.h"
#include "WindowPixels.h"
#include "atlcomcli.h"
#include "atlhandle.h"
#include "proppage/resource.h"
#include "resource.h"

using ATL::CComPtr;
using ATL::CComQIPtr;
using viewer_test::FindMainWindow;

namespace {

const wchar_t kSample[] = L"C:\\CVS\\Dev\\Filters\\Video\\Lumivar\\Graphs\\Test.GRF";

const wchar_t kSampleVideo[] = L"C:\\CVS\\Dev\\Filters\\Video\\Lumivar\\Graphs\\TestFile.avi";
// The sample's generator plays at its default rate.
const LONG kSampleFrameRate = 25;

bool Contains(const std::vector<std::wstring>& items, const std::wstring& item) {
  return std::find(items.begin(), items.end(), item) != items.end();
}

// The "ActiveMovieGraph" stream of a graph file, empty when it cannot be read.
std::vector<uint8_t> StreamBytes(const std::wstring& path) {
  std::vector<uint8_t> bytes;
  CComPtr<IStorage> spStorage;
  CComPtr<IStream> spStream;
  if (SUCCEEDED(::StgOpenStorage(path.c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, &spStorage)) &&
      SUCCEEDED(spStorage->OpenStream(L"ActiveMovieGraph", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &spStream)))
    ReadRest(spStream, &bytes);
  return bytes;
}

// A file of this test's own, removed at the end.
class CScratchFile {
public:
  explicit CScratchFile(LPCWSTR pszName) {
    wchar_t szFolder[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, szFolder);
    m_path = std::wstring(szFolder) + pszName;
    ::DeleteFileW(m_path.c_str());
  }
  ~CScratchFile() { ::DeleteFileW(m_path.c_str()); }
  const std::wstring& Path() const { return m_path; }
  bool Write(const char* pszText) const {
    ATL::CHandle hFile(::CreateFileW(m_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD cbWritten = 0;
    return hFile && ::WriteFile(hFile, pszText, static_cast<DWORD>(std::strlen(pszText)), &cbWritten, nullptr);
  }

private:
  std::wstring m_path;
};

// The bench's own reading of a graph file builds it, and the graph plays.
void ExpectTheBenchPlays(const std::wstring& path) {
  CComPtr<IGraphBuilder> spGraph;
  ASSERT_EQ(S_OK, spGraph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER));
  ASSERT_EQ(S_OK, BuildFromGRF(spGraph, path.c_str()));
  CComQIPtr<IMediaControl, &IID_IMediaControl> spControl(spGraph);
  ASSERT_TRUE(spControl);
  ASSERT_TRUE(SUCCEEDED(spControl->Run()));
  OAFilterState state = State_Stopped;
  EXPECT_EQ(S_OK, spControl->GetState(5000, &state));
  EXPECT_EQ(State_Running, state);
  EXPECT_EQ(S_OK, spControl->Stop());
}

class GraphEditorTest : public ::testing::Test, protected viewer_test::CEditorDriver {
protected:
  void TearDown() override {
    harness::EndChildProcesses();
    EXPECT_TRUE(harness::ChildProcesses().empty());
  }

  void Start(const std::wstring& arguments = std::wstring()) {
    ASSERT_TRUE(m_viewer.Start(viewer_test::GraphViewerPath(), std::wstring(), arguments));
    ASSERT_TRUE(harness::WaitUntil([&] { return (m_hWndMain = FindMainWindow(m_viewer.ProcessId())) != nullptr; }));
  }

  std::wstring Title() { return harness::ReadText(m_hWndMain); }
  bool WaitForTitle(const std::wstring& title) {
    return harness::WaitUntil([&] { return Title() == title; });
  }

  // The viewer's message box: its text, after it was answered with the button.
  std::wstring AnswerBox(int nButton) {
    HWND hBox = nullptr;
    if (!harness::WaitUntil(
            [&] { return (hBox = harness::FindMessageBox(m_viewer.ProcessId(), L"GraphEdit")) != nullptr; }))
      return L"(no box)";
    const std::wstring text = harness::ReadMessageBox(hBox).text;
    harness::PressButton(hBox, nButton);
    harness::WaitUntil([&] { return !::IsWindow(hBox); });
    return text;
  }

  // The Insert Filters window, its search set to the text; the listed items.
  HWND OpenInsertFilters() {
    ::PostMessageW(m_hWndMain, WM_COMMAND, ID_EDIT_INSERT, 0);
    HWND hDialog = nullptr;
    harness::WaitUntil([&] {
      return (hDialog = harness::FindTopWindow(m_viewer.ProcessId(), nullptr, L"Insert Filters")) != nullptr;
    });
    return hDialog;
  }
  static std::vector<std::wstring> Search(HWND hDialog, LPCWSTR pszText) {
    harness::SetText(::GetDlgItem(hDialog, IDC_INSERT_SEARCH), pszText);
    return harness::ListBoxItems(::GetDlgItem(hDialog, IDC_INSERT_LIST));
  }
  // The first listed item that begins with the name, selected; false when none is listed.
  static bool SelectListed(HWND hDialog, const std::wstring& name) {
    HWND hList = ::GetDlgItem(hDialog, IDC_INSERT_LIST);
    const std::vector<std::wstring> items = harness::ListBoxItems(hList);
    const auto it =
        std::find_if(items.begin(), items.end(), [&](const std::wstring& item) { return item.rfind(name, 0) == 0; });
    if (it == items.end()) return false;
    ::SendMessageW(hList, LB_SETCURSEL, it - items.begin(), 0);
    ::SendMessageW(hDialog, WM_COMMAND, MAKEWPARAM(IDC_INSERT_LIST, LBN_SELCHANGE), reinterpret_cast<LPARAM>(hList));
    return true;
  }
  bool Insert(HWND hDialog, const std::wstring& name) {
    Search(hDialog, name.c_str());
    if (!SelectListed(hDialog, name)) return false;
    ::PostMessageW(hDialog, WM_COMMAND, IDOK, 0);
    return harness::WaitUntil([&] { return Contains(Elements(), L"Filter: " + name); });
  }

  harness::Program m_viewer;
};

// A filter registered in the DirectShow category whose class has no server: it is listed,
// and it cannot be created.
class CUncreatableFilter {
public:
  static constexpr CLSID kClsid = {0x7d3c51a2, 0x0e44, 0x4c61, {0x9b, 0x2f, 0x51, 0x6a, 0x83, 0x0c, 0x47, 0xd9}};
  CUncreatableFilter() {
    if (SUCCEEDED(m_spMapper.CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER))) {
      REGFILTER2 rf = {};
      rf.dwVersion = 1;
      rf.dwMerit = MERIT_DO_NOT_USE;
      m_hr = m_spMapper->RegisterFilter(kClsid, L"Lumivar Uncreatable", nullptr, &CLSID_LegacyAmFilterCategory, nullptr,
                                        &rf);
    }
  }
  ~CUncreatableFilter() {
    if (SUCCEEDED(m_hr)) m_spMapper->UnregisterFilter(&CLSID_LegacyAmFilterCategory, nullptr, kClsid);
  }
  HRESULT Result() const { return m_hr; }

private:
  CComPtr<IFilterMapper2> m_spMapper;
  HRESULT m_hr = E_FAIL;
};

TEST_F(GraphEditorTest, AFileNamedAtStartIsOpenedAndSavedAsTheSameBytesThatTheBenchBuildsAndPlays) {
  Start(std::wstring(L"\"") + kSample + L"\"");
  ASSERT_TRUE(WaitForTitle(L"GraphEdit - Test.GRF")) << std::string(Title().begin(), Title().end());
  const std::vector<std::wstring> elements = Elements();
  EXPECT_TRUE(Contains(elements, L"Filter: Video Generator"));
  EXPECT_TRUE(Contains(elements, L"Connection: Video Generator.Output -> Resizer.Input"));
  // The longest item does not fit the list's width: the list scrolls to it.
  HWND hElements = ::GetDlgItem(m_hWndMain, IDC_ELEMENTS);
  RECT rcList = {};
  ::GetClientRect(hElements, &rcList);
  EXPECT_GT(::SendMessageW(hElements, LB_GETHORIZONTALEXTENT, 0, 0), rcList.right);

  CScratchFile saved(L"EditorSaved.grf");
  AnswerFileDialog(ID_FILE_SAVEAS, L"Save Graph As", saved.Path());
  EXPECT_TRUE(WaitForTitle(L"GraphEdit - EditorSaved.grf"));
  const std::vector<uint8_t> original = StreamBytes(kSample);
  ASSERT_FALSE(original.empty());
  EXPECT_EQ(original, StreamBytes(saved.Path()));

  ExpectTheBenchPlays(saved.Path());
}

TEST_F(GraphEditorTest, AFileThatIsNotAGraphFileIsRefusedAndTheGraphStaysAsItWas) {
  CScratchFile notAGraph(L"EditorNotAGraph.grf");
  ASSERT_TRUE(notAGraph.Write("not a graph"));
  Start(L"\"" + notAGraph.Path() + L"\"");
  EXPECT_NE(std::wstring::npos, AnswerBox(IDOK).find(L"cannot be opened (0x"));
  EXPECT_TRUE(WaitForTitle(L"GraphEdit"));

  ::PostMessageW(m_hWndMain, WM_COMMAND, ID_FILE_NEW, 0);
  ASSERT_TRUE(WaitForTitle(L"GraphEdit - Untitled"));
  AnswerFileDialog(ID_FILE_OPEN, L"Open Graph", kSample);
  ASSERT_TRUE(WaitForTitle(L"GraphEdit - Test.GRF"));
  const std::vector<std::wstring> before = Elements();
  AnswerFileDialog(ID_FILE_OPEN, L"Open Graph", notAGraph.Path());
  const std::wstring text = AnswerBox(IDOK);
  EXPECT_NE(std::wstring::npos, text.find(L"EditorNotAGraph.grf cannot be opened (0x"))
      << std::string(text.begin(), text.end());
  EXPECT_EQ(L"GraphEdit - Test.GRF", Title());
  EXPECT_EQ(before, Elements());
}

TEST_F(GraphEditorTest, RemovalsShowInTheFilterListAndAChangedGraphIsAskedAboutBeforeItGoes) {
  Start(std::wstring(L"\"") + kSample + L"\"");
  ASSERT_TRUE(WaitForTitle(L"GraphEdit - Test.GRF"));

  // Delete on a connection breaks it; on a filter removes it with its connections.
  SelectElement(L"Connection: Video Generator.Output -> Resizer.Input");
  harness::PressKey(m_hWndMain, VK_DELETE);
  ASSERT_TRUE(harness::WaitUntil(
      [&] { return !Contains(Elements(), L"Connection: Video Generator.Output -> Resizer.Input"); }));
  EXPECT_TRUE(Contains(Elements(), L"Filter: Video Generator"));
  EXPECT_TRUE(WaitForTitle(L"GraphEdit - Test.GRF *"));
  SelectElement(L"Filter: Resizer");
  harness::PressKey(m_hWndMain, VK_DELETE);
  ASSERT_TRUE(harness::WaitUntil([&] { return !Contains(Elements(), L"Filter: Resizer"); }));
  for (const std::wstring& element : Elements()) EXPECT_EQ(std::wstring::npos, element.find(L"Resizer")) << "gone";

  // A new graph asks first: Cancel keeps the changed graph, No lets it go.
  ::PostMessageW(m_hWndMain, WM_COMMAND, ID_FILE_NEW, 0);
  EXPECT_NE(std::wstring::npos, AnswerBox(IDCANCEL).find(L"The graph Test.GRF has changed."));
  EXPECT_EQ(L"GraphEdit - Test.GRF *", Title());
  ::PostMessageW(m_hWndMain, WM_COMMAND, ID_FILE_NEW, 0);
  EXPECT_NE(std::wstring::npos, AnswerBox(IDNO).find(L"has changed"));
  EXPECT_TRUE(WaitForTitle(L"GraphEdit - Untitled"));
  EXPECT_TRUE(Elements().empty());
}

TEST_F(GraphEditorTest, RenderFileBuildsSourceSplitterAndRendererAndARefusalLeavesTheGraph) {
  Start();
  AnswerFileDialog(ID_FILE_RENDER, L"Render Media File", kSampleVideo);
  ASSERT_TRUE(WaitForTitle(L"GraphEdit - Untitled *")) << std::string(Title().begin(), Title().end());
  // Source -> splitter -> renderer: three filters, two connections (the sample has no sound).
  const std::vector<std::wstring> elements = Elements();
  const auto count = [&](LPCWSTR pszPrefix) {
    return std::count_if(elements.begin(), elements.end(),
                         [&](const std::wstring& element) { return element.rfind(pszPrefix, 0) == 0; });
  };
  std::wstring listed;
  for (const std::wstring& element : elements) listed += element + L"\n";
  EXPECT_EQ(3, count(L"Filter: ")) << std::string(listed.begin(), listed.end());
  EXPECT_EQ(2, count(L"Connection: ")) << std::string(listed.begin(), listed.end());
  EXPECT_TRUE(std::any_of(elements.begin(), elements.end(), [](const std::wstring& element) {
    return element.rfind(L"Filter: ", 0) == 0 && element.find(L"Renderer") != std::wstring::npos;
  }));

  CScratchFile notMedia(L"EditorNotMedia.avi");
  ASSERT_TRUE(notMedia.Write("not a video"));
  AnswerFileDialog(ID_FILE_RENDER, L"Render Media File", notMedia.Path());
  EXPECT_NE(std::wstring::npos, AnswerBox(IDOK).find(L"cannot be rendered (0x"));
  EXPECT_EQ(elements, Elements());
}

TEST_F(GraphEditorTest, InsertFiltersListsByCategorySearchesByNameAndInsertsIntoANewGraph) {
  Start();
  HWND hDialog = OpenInsertFilters();
  ASSERT_TRUE(hDialog != nullptr);
  // Every category of the device enumerator that holds a filter, after "All categories".
  const std::vector<std::wstring> categories = harness::ComboItems(::GetDlgItem(hDialog, IDC_INSERT_CATEGORY));
  ASSERT_GE(categories.size(), 3u);
  EXPECT_EQ(L"All categories", categories[0]);
  EXPECT_TRUE(Contains(categories, L"DirectShow Filters"));

  // The search ignores case and narrows the list; the selected filter's class and file.
  const std::vector<std::wstring> found = Search(hDialog, L"video GENERATOR");
  ASSERT_EQ(1u, found.size());
  EXPECT_EQ(L"Video Generator  (DirectShow Filters)", found[0]);
  ASSERT_TRUE(SelectListed(hDialog, L"Video Generator"));
  const std::wstring detail = harness::ReadText(::GetDlgItem(hDialog, IDC_INSERT_DETAIL));
  EXPECT_NE(std::wstring::npos, detail.find(L"CLSID: {6703C031-F9D4-4084-87BA-35B0B7DF3431}"))
      << std::string(detail.begin(), detail.end());
  EXPECT_NE(std::wstring::npos, detail.find(L"VideoGenerator.dll")) << std::string(detail.begin(), detail.end());
  EXPECT_TRUE(Search(hDialog, L"no filter is named so").empty());

  ASSERT_TRUE(Insert(hDialog, L"Video Generator"));
  ASSERT_TRUE(Insert(hDialog, L"Resizer"));
  EXPECT_TRUE(WaitForTitle(L"GraphEdit - Untitled *"));
  harness::PressButton(hDialog, IDCANCEL);
  EXPECT_TRUE(harness::WaitUntil([&] { return !::IsWindow(hDialog); }));
  EXPECT_EQ((std::vector<std::wstring>{L"Filter: Video Generator", L"Filter: Resizer"}), Elements());
}

TEST_F(GraphEditorTest, AFilterThatCannotBeCreatedIsRefusedInABoxAndTheGraphStaysAsItWas) {
  CUncreatableFilter uncreatable;
  ASSERT_EQ(S_OK, uncreatable.Result());
  Start(std::wstring(L"\"") + kSample + L"\"");
  ASSERT_TRUE(WaitForTitle(L"GraphEdit - Test.GRF"));
  const std::vector<std::wstring> before = Elements();
  HWND hDialog = OpenInsertFilters();
  ASSERT_TRUE(hDialog != nullptr);
  Search(hDialog, L"Lumivar Uncreatable");
  ASSERT_TRUE(SelectListed(hDialog, L"Lumivar Uncreatable"));
  ::PostMessageW(hDialog, WM_COMMAND, IDOK, 0);
  const std::wstring text = AnswerBox(IDOK);
  EXPECT_NE(std::wstring::npos, text.find(L"The filter Lumivar Uncreatable cannot be inserted (0x"))
      << std::string(text.begin(), text.end());
  EXPECT_TRUE(::IsWindow(hDialog)) << "the window stays open";
  EXPECT_EQ(before, Elements());
  EXPECT_EQ(L"GraphEdit - Test.GRF", Title());
}

// A graph made with the editor alone: inserted, connected by dragging (directly, then
// intelligently with Ctrl), saved; the bench's reading of the file builds it and it plays.
TEST_F(GraphEditorTest, FiltersInsertedAndConnectedByDraggingAreSavedAsAFileTheBenchPlays) {
  Start();
  HWND hDialog = OpenInsertFilters();
  ASSERT_TRUE(hDialog != nullptr);
  for (LPCWSTR pszName : {L"Video Generator", L"Resizer", L"Video Renderer"}) ASSERT_TRUE(Insert(hDialog, pszName));
  harness::PressButton(hDialog, IDCANCEL);
  ASSERT_TRUE(harness::WaitUntil([&] { return !::IsWindow(hDialog); }));

  std::map<std::wstring, POINT> pins = Pins();
  ASSERT_EQ(4u, pins.size()) << "the generator's output, the resizer's two pins, the renderer's input";
  ASSERT_TRUE(pins.count(L"Video Generator.Output") && pins.count(L"Resizer.Input"));
  Drag(pins[L"Video Generator.Output"], pins[L"Resizer.Input"]);
  ASSERT_TRUE(Shows(L"Connection: Video Generator.Output -> Resizer.Input"));

  // Dropped elsewhere than on an input pin: nothing happens.
  pins = Pins();
  ASSERT_TRUE(pins.count(L"Resizer.Output"));
  const std::vector<std::wstring> connected = Elements();
  Mouse(WM_LBUTTONDOWN, pins[L"Resizer.Output"], MK_LBUTTON);
  Mouse(WM_LBUTTONUP, {pins[L"Resizer.Output"].x + 2, 2}, 0);
  EXPECT_EQ(connected, Elements());

  const auto renderer = std::find_if(pins.begin(), pins.end(), [](const std::pair<const std::wstring, POINT>& pin) {
    return pin.first.rfind(L"Video Renderer.", 0) == 0;
  });
  ASSERT_NE(pins.end(), renderer);

  // An unconnectable pair (an output already connected) is refused in a box; the graph stays.
  Drag(pins[L"Video Generator.Output"], renderer->second);
  const std::wstring refusal = AnswerBox(IDOK);
  EXPECT_NE(std::wstring::npos, refusal.find(L"The pins cannot be connected (0x"))
      << std::string(refusal.begin(), refusal.end());
  EXPECT_EQ(connected, Elements());

  Drag(pins[L"Resizer.Output"], renderer->second, MK_CONTROL);
  ASSERT_TRUE(Shows(L"Connection: Resizer.Output -> " + renderer->first));

  CScratchFile saved(L"EditorMade.grf");
  AnswerFileDialog(ID_FILE_SAVEAS, L"Save Graph As", saved.Path());
  ASSERT_TRUE(WaitForTitle(L"GraphEdit - EditorMade.grf"));
  ExpectTheBenchPlays(saved.Path());

  // The README's picture of the editor (scripts/screenshot-editor names the file): the graph
  // made here, the resizer selected.
  wchar_t szPicture[MAX_PATH] = {};
  if (::GetEnvironmentVariableW(L"LUMIVAR_EDITOR_PICTURE", szPicture, MAX_PATH)) {
    PinsWhen([](PinMap& shown) { return shown.size() == 4; });
    SelectElement(L"Filter: Resizer");
    // Painted again without the last pin clicked: its red frame gone.
    EXPECT_TRUE(harness::WaitUntil([&] { return harness::ColorSpots(m_hWndMain, RGB(200, 30, 30)).empty(); }));
    EXPECT_TRUE(harness::SaveWindowPicture(m_hWndMain, szPicture));
  }
}

// Render on the resizer's output pin adds a renderer; a pin's page shows its media type; a
// filter's own pages open on a double-click.
TEST_F(GraphEditorTest, RenderOnAPinAddsARendererAndThePagesOfAFilterAndAPinOpen) {
  Start(std::wstring(L"\"") + kSample + L"\"");
  ASSERT_TRUE(WaitForTitle(L"GraphEdit - Test.GRF"));
  // The sample's renderer goes, so that Render on the resizer's output must add one.
  const auto countFilters = [](const std::vector<std::wstring>& elements) {
    return std::count_if(elements.begin(), elements.end(),
                         [](const std::wstring& element) { return element.rfind(L"Filter: ", 0) == 0; });
  };
  const std::wstring kFromResizer = L"Connection: Resizer.Output -> ";
  const auto fromResizer = [&](const std::vector<std::wstring>& elements) {
    return std::find_if(elements.begin(), elements.end(),
                        [&](const std::wstring& element) { return element.rfind(kFromResizer, 0) == 0; });
  };
  const std::vector<std::wstring> sample = Elements();
  ASSERT_NE(sample.end(), fromResizer(sample));
  const std::wstring rendererPin = fromResizer(sample)->substr(kFromResizer.size());
  const std::wstring rendererItem = L"Filter: " + rendererPin.substr(0, rendererPin.rfind(L'.'));
  SelectElement(rendererItem);
  harness::PressKey(m_hWndMain, VK_DELETE);
  ASSERT_TRUE(harness::WaitUntil([&] { return !Contains(Elements(), rendererItem); }));

  std::map<std::wstring, POINT> pins = Pins();
  ASSERT_TRUE(pins.count(L"Resizer.Output"));
  Mouse(WM_LBUTTONDOWN, pins[L"Resizer.Output"], MK_LBUTTON);
  Mouse(WM_LBUTTONUP, pins[L"Resizer.Output"], 0);
  ASSERT_TRUE(harness::WaitUntil([&] { return Detail().rfind(L"Pin: Resizer.Output (output)", 0) == 0; }));
  ::PostMessageW(m_hWndMain, WM_COMMAND, ID_GRAPH_RENDERPIN, 0);
  ASSERT_TRUE(harness::WaitUntil([&] {
    const std::vector<std::wstring> elements = Elements();
    return fromResizer(elements) != elements.end();
  }));
  EXPECT_EQ(countFilters(sample), countFilters(Elements())) << "a renderer again";

  // The pin's page: a double-click on its mark.
  pins = Pins();
  ::PostMessageW(m_hWndMain, WM_LBUTTONDBLCLK, MK_LBUTTON,
                 MAKELPARAM(pins[L"Resizer.Output"].x, pins[L"Resizer.Output"].y));
  HWND hText = nullptr;
  ASSERT_TRUE(harness::WaitUntil([&] {
    HWND hFrame = harness::FindTopWindowTitled(L"Properties for Media Type");
    hText = hFrame ? harness::FindDescendant(hFrame, IDC_MEDIATYPE_TEXT) : nullptr;
    return hText && !harness::ReadText(hText).empty();
  }));
  EXPECT_NE(std::wstring::npos, harness::ReadText(hText).find(L"Subtype: "))
      << std::string(harness::ReadText(hText).begin(), harness::ReadText(hText).end());
  HWND hFrame = harness::FindTopWindowTitled(L"Properties for Media Type");
  harness::PressButton(hFrame, IDCANCEL);
  ASSERT_TRUE(harness::WaitUntil([&] { return !::IsWindow(hFrame); }));

  // The generator's own page, by a double-click on its item.
  SelectElement(L"Filter: Video Generator");
  HWND hElements = ::GetDlgItem(m_hWndMain, IDC_ELEMENTS);
  ::PostMessageW(m_hWndMain, WM_COMMAND, MAKEWPARAM(IDC_ELEMENTS, LBN_DBLCLK), reinterpret_cast<LPARAM>(hElements));
  HWND hGenerator = nullptr;
  ASSERT_TRUE(harness::WaitUntil(
      [&] { return (hGenerator = harness::FindTopWindowTitled(L"Properties for Video Generator")) != nullptr; }));
  harness::PressButton(hGenerator, IDCANCEL);
  EXPECT_TRUE(harness::WaitUntil([&] { return !::IsWindow(hGenerator); }));
}

// The position bar seeks the paused graph: the renderer shows the generator's frame at the
// position sought, and the status line where it stands; played to its end, the graph's
// EC_COMPLETE shows in the status line; Stop rewinds.
TEST_F(GraphEditorTest, ThePositionBarSeeksAndTheEndOfTheStreamShowsInTheStatusLine) {
  Start(std::wstring(L"\"") + kSample + L"\"");
  ASSERT_TRUE(WaitForTitle(L"GraphEdit - Test.GRF"));
  // "Position: P of D s." read from the status line; false while none is shown.
  const auto position = [&](double* pPosition, double* pDuration) {
    const std::wstring text = Status();
    const size_t n = text.find(L"Position: ");
    return n != std::wstring::npos &&
           std::swscanf(text.c_str() + n, L"Position: %lf of %lf s.", pPosition, pDuration) == 2;
  };
  ::PostMessageW(m_hWndMain, WM_COMMAND, ID_GRAPH_PAUSE, 0);
  double dPosition = -1, dDuration = 0;
  ASSERT_TRUE(harness::WaitUntil([&] {
    return Status().find(L"state: Paused.") != std::wstring::npos && position(&dPosition, &dDuration);
  })) << std::string(Status().begin(), Status().end());
  ASSERT_GT(dDuration, 1.0);

  // The frame the renderer's window shows, by the counter the generator draws into it.
  HWND hVideo = nullptr;
  ASSERT_TRUE(harness::WaitUntil([&] {
    return (hVideo = harness::FindTopWindow(m_viewer.ProcessId(), nullptr, L"ActiveMovie Window")) != nullptr;
  }));
  const LONGLONG iHalfway = std::llround(dDuration / 2 * kSampleFrameRate);
  LONGLONG iShown = -1;
  const auto shows = [&](LONGLONG iFrame) {
    return harness::WaitUntil([&] {
      int cx = 0, cy = 0;
      const std::vector<DWORD> pixels = harness::ClientPixels(hVideo, &cx, &cy);
      iShown = ReadFrameCounter(pixels, cx, cy, kSampleFrameRate, 2 * iHalfway);
      return iShown == iFrame;
    });
  };
  EXPECT_TRUE(shows(0)) << "paused at the start, shows " << iShown;

  HWND hBar = ::GetDlgItem(m_hWndMain, IDC_POSITION);
  ASSERT_TRUE(::IsWindowEnabled(hBar));
  const auto seek = [&](int nPos) {
    ::SendMessageW(hBar, TBM_SETPOS, TRUE, nPos);
    ::PostMessageW(m_hWndMain, WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(hBar));
  };
  seek(500);
  EXPECT_TRUE(harness::WaitUntil([&] {
    return position(&dPosition, &dDuration) && std::abs(dPosition - dDuration / 2) < 0.15;
  })) << std::string(Status().begin(), Status().end());
  EXPECT_TRUE(shows(iHalfway)) << "sought to frame " << iHalfway << ", shows " << iShown;

  // Near the end, then run: the stream ends.
  seek(980);
  ::PostMessageW(m_hWndMain, WM_COMMAND, ID_GRAPH_RUN, 0);
  EXPECT_TRUE(harness::WaitUntil([&] { return Status().find(L"Last event: EC_COMPLETE.") != std::wstring::npos; }))
      << std::string(Status().begin(), Status().end());

  ::PostMessageW(m_hWndMain, WM_COMMAND, ID_GRAPH_STOP, 0);
  EXPECT_TRUE(harness::WaitUntil([&] {
    return Status().find(L"state: Stopped.") != std::wstring::npos && position(&dPosition, &dDuration) &&
           dPosition == 0.0;
  })) << std::string(Status().begin(), Status().end());
  EXPECT_EQ(std::wstring::npos, Status().find(L"Last event")) << "a command clears the last event";
}

// A box dragged takes its pins and its connections' lines along; the canvas shows scroll bars
// once the graph is larger than it, and scrolls to what was out of sight.
TEST_F(GraphEditorTest, ABoxIsDraggedWithItsConnectionsAndTheCanvasScrollsToWhatIsOutOfSight) {
  Start(std::wstring(L"\"") + kSample + L"\"");
  ASSERT_TRUE(WaitForTitle(L"GraphEdit - Test.GRF"));
  HWND hHorizontal = ::GetDlgItem(m_hWndMain, IDC_CANVAS_HSCROLL);
  HWND hVertical = ::GetDlgItem(m_hWndMain, IDC_CANVAS_VSCROLL);
  EXPECT_FALSE(::IsWindowVisible(hHorizontal)) << "the sample fits";
  EXPECT_FALSE(::IsWindowVisible(hVertical));
  const std::wstring kOut = L"Video Generator.Output", kIn = L"Resizer.Input";
  PinMap pins = PinsWhen([&](PinMap& shown) { return shown.count(kOut) && shown.count(kIn); });
  ASSERT_TRUE(pins.count(kOut) && pins.count(kIn));
  const POINT out = pins[kOut], in = pins[kIn];
  std::map<std::wstring, POINT> boxes = Boxes();
  ASSERT_TRUE(boxes.count(L"Video Generator"));

  const int kDown = 120;
  DragBox(boxes[L"Video Generator"], {boxes[L"Video Generator"].x, boxes[L"Video Generator"].y + kDown});
  pins = PinsWhen([&](PinMap& shown) { return std::abs(shown[kOut].y - (out.y + kDown)) <= 1; });
  // A pin's mark, found by its colour, may move a pixel as the selection's frame crosses it.
  EXPECT_NEAR(out.x, pins[kOut].x, 1);
  EXPECT_NEAR(out.y + kDown, pins[kOut].y, 1);
  EXPECT_NEAR(in.y, pins[kIn].y, 1) << "the other box stays";
  // The line follows: a click half-way between the pins selects the connection.
  Mouse(WM_LBUTTONDOWN, {(pins[kOut].x + pins[kIn].x) / 2, (pins[kOut].y + pins[kIn].y) / 2}, MK_LBUTTON);
  Mouse(WM_LBUTTONUP, {(pins[kOut].x + pins[kIn].x) / 2, (pins[kOut].y + pins[kIn].y) / 2}, 0);
  EXPECT_EQ(0u, Detail().rfind(kOut + L" -> " + kIn, 0)) << std::string(Detail().begin(), Detail().end());
  EXPECT_EQ(L"GraphEdit - Test.GRF", Title()) << "where boxes stand is not part of the graph";

  // Dragged below the window: the vertical bar shows; the box is out of sight until scrolled to.
  RECT rcClient = {};
  ::GetClientRect(m_hWndMain, &rcClient);
  boxes = Boxes();
  const POINT moved = pins[kOut];
  DragBox(boxes[L"Video Generator"], {boxes[L"Video Generator"].x, boxes[L"Video Generator"].y + rcClient.bottom});
  EXPECT_TRUE(harness::WaitUntil([&] { return ::IsWindowVisible(hVertical) != FALSE; }));
  EXPECT_FALSE(::IsWindowVisible(hHorizontal));
  EXPECT_EQ(0u, PinsWhen([&](PinMap& shown) { return !shown.count(kOut); }).count(kOut));
  ::SendMessageW(m_hWndMain, WM_VSCROLL, SB_BOTTOM, reinterpret_cast<LPARAM>(hVertical));
  const LRESULT nDown = ::SendMessageW(hVertical, SBM_GETPOS, 0, 0);
  EXPECT_GT(nDown, rcClient.bottom / 2);
  pins = PinsWhen([&](PinMap& shown) { return shown.count(kOut) != 0; });
  ASSERT_TRUE(pins.count(kOut));
  EXPECT_NEAR(moved.y + rcClient.bottom - nDown, pins[kOut].y, 1);
  ::SendMessageW(m_hWndMain, WM_VSCROLL, SB_TOP, reinterpret_cast<LPARAM>(hVertical));
  EXPECT_EQ(0, ::SendMessageW(hVertical, SBM_GETPOS, 0, 0));
  pins = PinsWhen([&](PinMap& shown) { return !shown.count(kOut) && shown.count(kIn); });
  EXPECT_EQ(0u, pins.count(kOut));
  EXPECT_NEAR(in.y, pins[kIn].y, 1);

  // A window narrower than the graph: the horizontal bar shows and scrolls the canvas sideways.
  RECT rcWindow = {};
  ::GetWindowRect(m_hWndMain, &rcWindow);
  ASSERT_TRUE(::SetWindowPos(m_hWndMain, nullptr, 0, 0, in.x + 120, rcWindow.bottom - rcWindow.top,
                             SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE));
  EXPECT_TRUE(harness::WaitUntil([&] { return ::IsWindowVisible(hHorizontal) != FALSE; }));
  ::SendMessageW(m_hWndMain, WM_HSCROLL, SB_LINERIGHT, reinterpret_cast<LPARAM>(hHorizontal));
  const LRESULT nRight = ::SendMessageW(hHorizontal, SBM_GETPOS, 0, 0);
  EXPECT_GT(nRight, 0);
  pins = PinsWhen([&](PinMap& shown) { return shown.count(kIn) && std::abs(shown[kIn].x - (in.x - nRight)) <= 1; });
  ASSERT_TRUE(pins.count(kIn));
  EXPECT_NEAR(in.x - nRight, pins[kIn].x, 1);
  EXPECT_NEAR(in.y, pins[kIn].y, 1);
}

// A box is as wide as its filter's name and its pins' names: nothing of them is cut.
TEST_F(GraphEditorTest, ALongFilterNameWidensItsBox) {
  const std::wstring kLong = L"Resizer with a name much longer than a box of the default width";
  CScratchFile file(L"EditorLongName.grf");
  const std::wstring& path = file.Path();
  {
    CComPtr<IGraphBuilder> spGraph = NewGraph();
    ASSERT_TRUE(spGraph);
    CComPtr<IBaseFilter> spResizer;
    ASSERT_EQ(S_OK, InsertFilter(spGraph, CLSID_Resizer, kLong.c_str(), &spResizer));
    ASSERT_EQ(S_OK, SaveToFile(spGraph, path));
  }
  Start(L"\"" + path + L"\"");
  ASSERT_TRUE(WaitForTitle(L"GraphEdit - EditorLongName.grf"));
  PinMap pins =
      PinsWhen([&](PinMap& shown) { return shown.count(kLong + L".Input") && shown.count(kLong + L".Output"); });
  ASSERT_TRUE(pins.count(kLong + L".Input") && pins.count(kLong + L".Output"));
  // Measured in the font the canvas draws with.
  HDC hdc = ::GetDC(nullptr);
  HGDIOBJ hOld = ::SelectObject(hdc, ::GetStockObject(DEFAULT_GUI_FONT));
  SIZE size = {};
  ::GetTextExtentPoint32W(hdc, kLong.c_str(), static_cast<int>(kLong.size()), &size);
  ::SelectObject(hdc, hOld);
  ::ReleaseDC(nullptr, hdc);
  EXPECT_GT(pins[kLong + L".Output"].x - pins[kLong + L".Input"].x, size.cx);
}

// A filter of the graph selected: its class, its server's file and its merit, as Insert
// Filters shows them for the registered filter.
TEST_F(GraphEditorTest, AFilterSelectedInTheGraphShowsItsClassFileAndMerit) {
  Start(std::wstring(L"\"") + kSample + L"\"");
  ASSERT_TRUE(WaitForTitle(L"GraphEdit - Test.GRF"));
  std::map<std::wstring, std::wstring> shown;
  for (LPCWSTR pszName : {L"Video Generator", L"Resizer"}) {
    SelectElement(std::wstring(L"Filter: ") + pszName);
    const std::wstring detail = Detail();
    ASSERT_EQ(0u, detail.rfind(std::wstring(L"Filter: ") + pszName + L"\r\nCLSID: {", 0))
        << std::string(detail.begin(), detail.end());
    shown[pszName] = detail.substr(detail.find(L"\r\n") + 2);
  }
  EXPECT_NE(std::wstring::npos, shown[L"Video Generator"].find(L"CLSID: {6703C031-F9D4-4084-87BA-35B0B7DF3431}"));
  EXPECT_NE(std::wstring::npos, shown[L"Video Generator"].find(L"VideoGenerator.dll\r\nMerit: 0x"));

  HWND hDialog = OpenInsertFilters();
  ASSERT_TRUE(hDialog != nullptr);
  for (const auto& filter : shown) {
    Search(hDialog, filter.first.c_str());
    ASSERT_TRUE(SelectListed(hDialog, filter.first));
    const std::wstring listed = harness::ReadText(::GetDlgItem(hDialog, IDC_INSERT_DETAIL));
    EXPECT_EQ(0u, listed.rfind(filter.second + L"\r\nCategory: ", 0))
        << std::string(listed.begin(), listed.end()) << " / "
        << std::string(filter.second.begin(), filter.second.end());
  }
  harness::PressButton(hDialog, IDCANCEL);
}

// Ctrl+S saves and Ctrl+O opens, typed on the keyboard with the editor in front.
TEST_F(GraphEditorTest, CtrlSSavesAndCtrlOOpensTypedOnTheKeyboard) {
  CScratchFile copy(L"EditorKeys.grf");
  ASSERT_TRUE(::CopyFileW(kSample, copy.Path().c_str(), FALSE));
  Start(L"\"" + copy.Path() + L"\"");
  ASSERT_TRUE(WaitForTitle(L"GraphEdit - EditorKeys.grf"));
  SelectElement(L"Connection: Video Generator.Output -> Resizer.Input");
  harness::PressKey(m_hWndMain, VK_DELETE);
  ASSERT_TRUE(WaitForTitle(L"GraphEdit - EditorKeys.grf *"));

  ASSERT_TRUE(harness::TypeChord(m_hWndMain, {VK_CONTROL}, 'S'));
  EXPECT_TRUE(WaitForTitle(L"GraphEdit - EditorKeys.grf")) << std::string(Title().begin(), Title().end());
  const std::vector<uint8_t> saved = StreamBytes(copy.Path());
  EXPECT_FALSE(saved.empty());
  EXPECT_NE(StreamBytes(kSample), saved) << "saved without the connection";

  ASSERT_TRUE(harness::TypeChord(m_hWndMain, {VK_CONTROL}, 'O'));
  HWND hDialog = nullptr;
  ASSERT_TRUE(harness::WaitUntil(
      [&] { return (hDialog = harness::FindTopWindow(m_viewer.ProcessId(), nullptr, L"Open Graph")) != nullptr; }));
  harness::PressButton(hDialog, IDCANCEL);
  EXPECT_TRUE(harness::WaitUntil([&] { return !::IsWindow(hDialog); }));
  EXPECT_EQ(L"GraphEdit - EditorKeys.grf", Title());
}

// Tab and Shift+Tab move the keyboard's focus between the window's controls.
TEST_F(GraphEditorTest, TabAndShiftTabMoveBetweenTheControls) {
  Start();
  const DWORD dwThread = ::GetWindowThreadProcessId(m_hWndMain, nullptr);
  const auto focus = [&] {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    return ::GetGUIThreadInfo(dwThread, &info) ? info.hwndFocus : nullptr;
  };
  ASSERT_TRUE(harness::TypeChord(m_hWndMain, {}, VK_TAB));
  HWND hFirst = nullptr;
  ASSERT_TRUE(harness::WaitUntil([&] { return (hFirst = focus()) != nullptr && hFirst != m_hWndMain; }));
  ASSERT_TRUE(harness::TypeChord(m_hWndMain, {}, VK_TAB));
  HWND hSecond = nullptr;
  EXPECT_TRUE(harness::WaitUntil([&] { return (hSecond = focus()) != hFirst && hSecond != nullptr; }));
  EXPECT_TRUE(::IsChild(m_hWndMain, hFirst) && ::IsChild(m_hWndMain, hSecond)) << "controls of the window";
  ASSERT_TRUE(harness::TypeChord(m_hWndMain, {VK_SHIFT}, VK_TAB));
  EXPECT_TRUE(harness::WaitUntil([&] { return focus() == hFirst; })) << "Shift+Tab goes back";
}

}  // namespace
