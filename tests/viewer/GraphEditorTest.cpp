// Our graph viewer as an editor of its own graph: graph files opened at start and through
// File > Open, saved through File > Save As, changes asked about before they are discarded,
// filters removed and connections broken. The real graphedt.exe, driven through its windows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "DSGraph.h"
#include "GraphPersist.h"
#include "Processes.h"
#include "UiDriver.h"
#include "ViewerProcess.h"
#include "atlcomcli.h"
#include "atlhandle.h"
#include "resource.h"

using ATL::CComPtr;
using ATL::CComQIPtr;
using viewer_test::FindMainWindow;

namespace {

const wchar_t kSample[] = L"C:\\CVS\\Dev\\Filters\\Video\\Lumivar\\Graphs\\Test.GRF";
const wchar_t kSampleVideo[] = L"C:\\CVS\\Dev\\Filters\\Video\\Lumivar\\Graphs\\TestFile.avi";

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

class GraphEditorTest : public ::testing::Test {
protected:
  void TearDown() override {
    harness::EndChildProcesses();
    EXPECT_TRUE(harness::ChildProcesses().empty());
  }

  void Start(const std::wstring& arguments = std::wstring()) {
    ASSERT_TRUE(m_viewer.Start(viewer_test::GraphViewerPath(), std::wstring(), arguments));
    ASSERT_TRUE(harness::WaitUntil([&] { return (m_hWndMain = FindMainWindow(m_viewer.ProcessId())) != nullptr; }));
  }

  std::vector<std::wstring> Elements() { return harness::ListBoxItems(::GetDlgItem(m_hWndMain, IDC_ELEMENTS)); }
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

  // The command's file dialog, answered with a path.
  void AnswerFileDialog(WORD wCommand, LPCWSTR pszTitle, const std::wstring& path) {
    ::PostMessageW(m_hWndMain, WM_COMMAND, wCommand, 0);
    HWND hDialog = nullptr;
    ASSERT_TRUE(harness::WaitUntil(
        [&] { return (hDialog = harness::FindTopWindow(m_viewer.ProcessId(), nullptr, pszTitle)) != nullptr; }));
    HWND hName = harness::FindDescendant(hDialog, 0x47C);         // the file name box (cmb13)
    if (!hName) hName = harness::FindDescendant(hDialog, 0x480);  // or its older edit (edt1)
    ASSERT_TRUE(hName != nullptr);
    harness::SetText(hName, path.c_str());
    harness::PressButton(hDialog, IDOK);
    ASSERT_TRUE(harness::WaitUntil([&] { return !::IsWindow(hDialog); }));
  }

  void SelectElement(const std::wstring& element) {
    const std::vector<std::wstring> elements = Elements();
    const auto it = std::find(elements.begin(), elements.end(), element);
    ASSERT_NE(elements.end(), it) << "no element " << std::string(element.begin(), element.end());
    HWND hElements = ::GetDlgItem(m_hWndMain, IDC_ELEMENTS);
    ::SendMessageW(hElements, LB_SETCURSEL, it - elements.begin(), 0);
    ::SendMessageW(m_hWndMain, WM_COMMAND, MAKEWPARAM(IDC_ELEMENTS, LBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(hElements));
  }

  harness::Program m_viewer;
  HWND m_hWndMain = nullptr;
};

TEST_F(GraphEditorTest, AFileNamedAtStartIsOpenedAndSavedAsTheSameBytesThatTheBenchBuildsAndPlays) {
  Start(std::wstring(L"\"") + kSample + L"\"");
  ASSERT_TRUE(WaitForTitle(L"GraphEdit - Test.GRF")) << std::string(Title().begin(), Title().end());
  const std::vector<std::wstring> elements = Elements();
  EXPECT_TRUE(Contains(elements, L"Filter: Video Generator"));
  EXPECT_TRUE(Contains(elements, L"Connection: Video Generator.Output -> Resizer.Input"));

  CScratchFile saved(L"EditorSaved.grf");
  AnswerFileDialog(ID_FILE_SAVEAS, L"Save Graph As", saved.Path());
  EXPECT_TRUE(WaitForTitle(L"GraphEdit - EditorSaved.grf"));
  const std::vector<uint8_t> original = StreamBytes(kSample);
  ASSERT_FALSE(original.empty());
  EXPECT_EQ(original, StreamBytes(saved.Path()));

  // The bench's own reading of a graph file builds it, and it plays.
  CComPtr<IGraphBuilder> spGraph;
  ASSERT_EQ(S_OK, spGraph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER));
  ASSERT_EQ(S_OK, BuildFromGRF(spGraph, saved.Path().c_str()));
  CComQIPtr<IMediaControl, &IID_IMediaControl> spControl(spGraph);
  ASSERT_TRUE(spControl);
  ASSERT_TRUE(SUCCEEDED(spControl->Run()));
  OAFilterState state = State_Stopped;
  EXPECT_EQ(S_OK, spControl->GetState(5000, &state));
  EXPECT_EQ(State_Running, state);
  EXPECT_EQ(S_OK, spControl->Stop());
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

}  // namespace
