// Finding, starting and waiting for the viewer: the registry's entries in scratch keys, real
// processes, our viewer and hostile ones.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "AssertRecorder.h"
#include "GraphEdit.h"
#include "Processes.h"
#include "RegistryScratch.h"
#include "TraceRecorder.h"
#include "UiDriver.h"
#include "ViewerFolders.h"
#include "ViewerProcess.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

std::wstring Repeat(wchar_t c, size_t n) { return std::wstring(n, c); }

TEST(GetProppagePath, ReadsTheRegisteredPathAndRefusesEveryUnreadableValue) {
  const std::wstring plain = L"C:\\sdk\\bin\\Proppage.dll";
  const std::wstring longest = L"C:\\" + Repeat(L'p', 256);  // 259 characters and the terminator
  struct Case {
    const char* label;
    void (*arrange)(RegistryScratch& reg, const std::wstring& plain, const std::wstring& longest);
    bool bRegistered;
    std::wstring path;
  } cases[] = {
      {"no class key", [](RegistryScratch&, const std::wstring&, const std::wstring&) {}, false, L""},
      {"no InprocServer32 key",
       [](RegistryScratch& reg, const std::wstring&, const std::wstring&) {
         reg.CreateKey(HKEY_CLASSES_ROOT, kProppageKey);
       },
       false, L""},
      {"no default value",
       [](RegistryScratch& reg, const std::wstring&, const std::wstring&) {
         reg.CreateKey(HKEY_CLASSES_ROOT, kProppageServerKey);
       },
       false, L""},
      {"a number, not a string",
       [](RegistryScratch& reg, const std::wstring&, const std::wstring&) {
         const DWORD dw = 7;
         reg.SetValue(HKEY_CLASSES_ROOT, kProppageServerKey, nullptr, REG_DWORD, &dw, sizeof dw);
       },
       false, L""},
      {"not terminated",
       [](RegistryScratch& reg, const std::wstring& plain, const std::wstring&) {
         reg.SetString(HKEY_CLASSES_ROOT, kProppageServerKey, nullptr, plain, REG_SZ, false);
       },
       false, L""},
      {"too long: 260 characters and the terminator",
       [](RegistryScratch& reg, const std::wstring&, const std::wstring& longest) {
         reg.RegisterProppage(longest + L"x");
       },
       false, L""},
      {"259 characters and the terminator fit",
       [](RegistryScratch& reg, const std::wstring&, const std::wstring& longest) { reg.RegisterProppage(longest); },
       true, longest},
      {"REG_SZ",
       [](RegistryScratch& reg, const std::wstring& plain, const std::wstring&) { reg.RegisterProppage(plain); }, true,
       plain},
      {"REG_EXPAND_SZ, not expanded",
       [](RegistryScratch& reg, const std::wstring&, const std::wstring&) {
         reg.SetString(HKEY_CLASSES_ROOT, kProppageServerKey, nullptr, L"%SystemRoot%\\Proppage.dll", REG_EXPAND_SZ);
       },
       true, L"%SystemRoot%\\Proppage.dll"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    RegistryScratch reg;
    ASSERT_TRUE(reg.Active());
    c.arrange(reg, plain, longest);
    AssertRecorder asserts;
    TraceRecorder traces(L"10");
    wchar_t szPath[260];
    std::fill(szPath, szPath + 260, L'#');  // a sentinel: emptied on failure
    EXPECT_EQ(c.bRegistered, CGraphEdit::GetProppagePath(szPath));
    EXPECT_EQ(c.path, szPath);
    EXPECT_THAT(asserts.Texts(), IsEmpty());
    EXPECT_THAT(traces.Texts(), IsEmpty());
  }
}

TEST(GetProppagePath, WithoutABufferOnlyTheKeysCount) {
  RegistryScratch reg;
  ASSERT_TRUE(reg.Active());
  EXPECT_FALSE(CGraphEdit::GetProppagePath(nullptr));
  reg.CreateKey(HKEY_CLASSES_ROOT, kProppageServerKey);
  EXPECT_TRUE(CGraphEdit::GetProppagePath(nullptr));
}

// Where LoadGraphEdit finds the viewer: the Path value, the current directory, the
// directory of Proppage.dll; which errors allow the second attempt.
class LoadGraphEditTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(m_folders.Ready());
    ASSERT_TRUE(m_reg.Active());
    wchar_t sz[MAX_PATH];
    ::GetCurrentDirectoryW(MAX_PATH, sz);
    m_cwd = sz;
  }
  void TearDown() override {
    ::SetCurrentDirectoryW(m_cwd.c_str());
    harness::EndChildProcesses();
  }

  ViewerFolders m_folders;
  RegistryScratch m_reg;
  std::wstring m_cwd;
};

TEST_F(LoadGraphEditTest, FindsTheViewerWhereTheRegistryAndTheLibrarySay) {
  const std::wstring viewer = Normalized(m_folders.Viewer() + L"\\graphedt.exe");
  const std::wstring beside = Normalized(m_folders.Library() + L"\\graphedt.exe");
  const std::wstring library = m_folders.Library() + L"\\Proppage.dll";
  std::wstring slashed = library;
  for (wchar_t& c : slashed) c = c == L'\\' ? L'/' : c;
  const std::wstring missingFile = m_folders.Empty() + L"\\graphedt.exe";
  const std::wstring missingDir = m_folders.Empty() + L"\\gone\\graphedt.exe";
  const std::wstring tooDeep = L"C:\\" + Repeat(L'd', 245) + L"\\Proppage.dll";  // no room for the name
  const DWORD dwNumber = 5;
  enum Path { kNoKey, kNoValue, kNumber, kValue };
  struct Case {
    const char* label;
    Path path;
    std::wstring value;
    std::wstring cwd;
    std::wstring library;
    HRESULT hr;
    std::wstring image;  // empty: no process started
  } cases[] = {
      {"Path value", kValue, m_folders.Viewer() + L"\\graphedt.exe", m_folders.Empty(), library, S_OK, viewer},
      {"no key: the current directory", kNoKey, L"", m_folders.Viewer(), library, S_OK, viewer},
      {"no value: the current directory", kNoValue, L"", m_folders.Viewer(), library, S_OK, viewer},
      {"a number: the current directory", kNumber, L"", m_folders.Viewer(), library, S_OK, viewer},
      {"not in the current directory: beside the library", kNoKey, L"", m_folders.Empty(), library, S_OK, beside},
      {"beside the library, a path with slashes", kNoValue, L"", m_folders.Empty(), slashed, S_OK, beside},
      {"Path names a missing file: beside the library", kValue, missingFile, m_folders.Empty(), library, S_OK, beside},
      {"Path in a missing directory: no second attempt", kValue, missingDir, m_folders.Empty(), library,
       HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND), L""},
      {"REG_EXPAND_SZ is not expanded", kValue, L"%LUMIVAR_VIEWER%\\graphedt.exe", m_folders.Empty(), library,
       HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND), L""},
      {"library path without a separator", kNoKey, L"", m_folders.Empty(), L"Proppage.dll",
       HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), L""},
      {"no library path", kNoKey, L"", m_folders.Empty(), L"", HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), L""},
      {"library directory too long for the viewer's name", kNoKey, L"", m_folders.Empty(), tooDeep,
       HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), L""},
  };
  // Were it expanded, this would name a viewer that starts.
  ::SetEnvironmentVariableW(L"LUMIVAR_VIEWER", m_folders.Viewer().c_str());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    m_reg.DeleteKey(HKEY_LOCAL_MACHINE, kGraphEditKey);
    if (c.path == kNoValue) m_reg.CreateKey(HKEY_LOCAL_MACHINE, kGraphEditKey);
    if (c.path == kNumber)
      m_reg.SetValue(HKEY_LOCAL_MACHINE, kGraphEditKey, L"Path", REG_DWORD, &dwNumber, sizeof dwNumber);
    if (c.path == kValue)
      m_reg.SetString(HKEY_LOCAL_MACHINE, kGraphEditKey, L"Path", c.value, c.value[0] == L'%' ? REG_EXPAND_SZ : REG_SZ);
    ASSERT_TRUE(::SetCurrentDirectoryW(c.cwd.c_str()));

    CGraphEdit edit(true);
    AssertRecorder asserts;
    TraceRecorder traces(L"10");
    EXPECT_EQ(c.hr, edit.LoadGraphEdit(c.library.c_str()));
    EXPECT_THAT(asserts.Texts(), IsEmpty());
    EXPECT_THAT(traces.Texts(), IsEmpty());
    if (c.image.empty()) {
      EXPECT_EQ(nullptr, edit.m_rgPI.hProcess);
      EXPECT_THAT(harness::ChildProcesses(), IsEmpty());
    } else {
      ASSERT_NE(nullptr, edit.m_rgPI.hProcess);
      EXPECT_EQ(c.image, ImageOf(edit.m_rgPI.hProcess));
      edit.Reset();  // our viewer obeys WM_QUIT
      EXPECT_THAT(harness::ChildProcesses(), IsEmpty());
    }
  }
  ::SetEnvironmentVariableW(L"LUMIVAR_VIEWER", nullptr);
}

TEST_F(LoadGraphEditTest, AViewerThatNeverBecomesIdleIsLeftRunningUntracked) {
  m_reg.SetViewerPath(viewer_test::HostilePath(L"NeverIdle"));
  CGraphEdit edit(true);
  TraceRecorder traces(L"10");
  const DWORD dwStart = ::GetTickCount();
  EXPECT_EQ(E_FAIL, edit.LoadGraphEdit(L""));
  EXPECT_GE(::GetTickCount() - dwStart, 990u);
  EXPECT_THAT(
      traces.Texts(),
      ElementsAre(L"atlTraceGeneral - ###Err### CGraphEdit::LoadGraphEdit(): WaitForInputIdle()=258, hr=0x80004005\n"));
  EXPECT_EQ(nullptr, edit.m_rgPI.hProcess);
  EXPECT_EQ(nullptr, edit.m_rgPI.hThread);
  edit.Reset();
  EXPECT_EQ(1u, harness::ChildProcesses().size()) << "still running, no longer tracked";
}

// FindMainWindow and WaitWhileHidden against viewers whose windows are wrong.
TEST_F(LoadGraphEditTest, MainWindowNeedsCaptionSystemMenuSizingFrameAndVisibility) {
  struct Case {
    const wchar_t* viewer;
    bool bFound;
    bool bWaited;  // polled until its 100 ms were over
  } cases[] = {
      {L"WrongStyles", false, false},
      {L"HiddenMain", false, true},
      {L"NoDialog", true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.viewer)));
    m_reg.SetViewerPath(viewer_test::HostilePath(c.viewer));
    CGraphEdit edit(true);
    ASSERT_EQ(S_OK, edit.LoadGraphEdit(L""));
    // Wine can answer WaitForInputIdle a few milliseconds before a new process's first window exists.
    ASSERT_TRUE(harness::WaitUntil([&] { return viewer_test::HasTopWindow(edit.m_rgPI.dwProcessId); }));
    TraceRecorder traces(L"10");
    AssertRecorder asserts;
    const DWORD dwStart = ::GetTickCount();
    EXPECT_EQ(c.bFound, edit.FindMainWindow());
    const DWORD dwElapsed = ::GetTickCount() - dwStart;
    EXPECT_THAT(asserts.Texts(), IsEmpty());
    std::vector<std::wstring> texts = traces.Texts();
    if (c.bFound) {
      EXPECT_NE(nullptr, edit.m_hWndGraphEdit);
      EXPECT_THAT(texts, IsEmpty()) << "already visible: no wait, no trace";
    } else {
      EXPECT_EQ(nullptr, edit.m_hWndGraphEdit);
      ASSERT_FALSE(texts.empty());
      EXPECT_EQ(L"atlTraceGeneral - ###Err### CGraphEdit::FindMainWindow(): GraphEdit window not found\n",
                texts.back());
      texts.pop_back();
    }
    if (c.bWaited) {
      EXPECT_GE(dwElapsed, 100u);
      ASSERT_GE(texts.size(), 2u);
      EXPECT_EQ(L"atlTraceGeneral - ###Err### CGraphEdit::WaitWhileHidden(): Wait time is ending\n", texts.back());
      texts.pop_back();
      // About ten tests 10 ms apart, each with the time left; fewer on a loaded machine.
      EXPECT_LE(texts.size(), 11u);
      EXPECT_EQ(L"atlTraceGeneral - CGraphEdit::WaitWhileHidden(): wait time rest is 100 ms\n", texts.front());
      for (const std::wstring& text : texts)
        EXPECT_EQ(0u, text.find(L"atlTraceGeneral - CGraphEdit::WaitWhileHidden(): wait time rest is ")) << text;
    } else if (!c.bFound) {
      EXPECT_THAT(texts, IsEmpty());
    }
    edit.Reset();
    EXPECT_THAT(harness::ChildProcesses(), IsEmpty());
  }
}

TEST(WaitWhileHidden, WithoutAWindowAnswersAtOnce) {
  CGraphEdit edit(true);
  TraceRecorder traces(L"10");
  EXPECT_FALSE(edit.WaitWhileHidden());
  EXPECT_THAT(traces.Texts(), IsEmpty());
}

}  // namespace

namespace {

// What the components' registration wrote in the prefix: both of the bridge's ways to the viewer are real.
TEST(Registration, NamesOurViewerAndItsLibraryInOneFolder) {
  wchar_t szProppage[260];
  ASSERT_TRUE(CGraphEdit::GetProppagePath(szProppage));
  const std::wstring viewer = Normalized(viewer_test::GraphViewerPath());
  const std::wstring folder = viewer.substr(0, viewer.rfind(L'\\') + 1);
  EXPECT_EQ(folder + L"proppage.dll", Normalized(szProppage));

  HKEY hKey = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kGraphEditKey, 0, KEY_READ, &hKey));
  wchar_t szPath[260] = {};
  DWORD cb = sizeof szPath - sizeof(wchar_t);
  DWORD dwType = REG_NONE;
  EXPECT_EQ(ERROR_SUCCESS, ::RegQueryValueExW(hKey, L"Path", nullptr, &dwType, reinterpret_cast<BYTE*>(szPath), &cb));
  ::RegCloseKey(hKey);
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), dwType);
  EXPECT_EQ(viewer, Normalized(szPath));
}

}  // namespace
