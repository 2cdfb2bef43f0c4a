// BuildFromGRF on real compound files, with Wine's graph manager and a graph double that can load.
#include <gmock/gmock.h>

#include <atlhandle.h>

#include "AssertRecorder.h"
#include "DSGraph.h"
#include "ImportPatch.h"
#include "TestSupport.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

const char kCantOpen[] = "!L\"BuildFromGRF(): Can't open .grf file\"";
const char kInvalid[] = "!L\"BuildFromGRF(): Invalid .grf file\"";
const char kCantLoad[] = "!L\"BuildFromGRF(): Can't load data from .grf file\"";

// The start of a graph stream, binary run and all: wide text with a zero and a CRLF inside.
const char kGraphRaw[] = "0\0000\0000\0003\0\r\0\n\0E\0N\0D\0\0\r\n\xff";
const std::string kGraphBytes(kGraphRaw, sizeof kGraphRaw - 1);

HRESULT WriteCompoundFile(const std::wstring& path, const wchar_t* pszStream,
                          const std::string& bytes) {
  CComPtr<IStorage> spStorage;
  HRESULT hr = ::StgCreateDocfile(path.c_str(),
                                  STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0,
                                  &spStorage);
  if (FAILED(hr)) return hr;
  CComPtr<IStream> spStream;
  hr = spStorage->CreateStream(pszStream, STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0,
                               &spStream);
  if (FAILED(hr)) return hr;
  ULONG cbWritten = 0;
  return spStream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &cbWritten);
}

HRESULT WritePlainFile(const std::wstring& path, const std::string& bytes) {
  ATL::CHandle hFile(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  if (!hFile) return HRESULT_FROM_WIN32(::GetLastError());
  DWORD cbWritten = 0;
  const BOOL bOk = ::WriteFile(hFile, bytes.data(), static_cast<DWORD>(bytes.size()), &cbWritten,
                               nullptr);
  return bOk ? S_OK : E_FAIL;
}

// True when nobody holds the file open any more.
bool IsFree(const std::wstring& path) {
  ATL::CHandle hFile(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                   nullptr));
  return !!hFile;
}

// Stands in for StgOpenStorage: notes the request and answers with the test's storage.
struct StgOpenStub {
  HRESULT hr = S_OK;
  IStorage* pStorage = nullptr;
  int nCalls = 0;
  std::wstring path;
  IStorage* pPriority = nullptr;
  DWORD grfMode = 0;
  SNB snbExclude = nullptr;
  DWORD dwReserved = 0;
} g_stgOpen;

HRESULT WINAPI StubStgOpenStorage(const WCHAR* pwcsName, IStorage* pstgPriority, DWORD grfMode,
                                  SNB snbExclude, DWORD reserved, IStorage** ppstgOpen) {
  ++g_stgOpen.nCalls;
  g_stgOpen.path = pwcsName;
  g_stgOpen.pPriority = pstgPriority;
  g_stgOpen.grfMode = grfMode;
  g_stgOpen.snbExclude = snbExclude;
  g_stgOpen.dwReserved = reserved;
  *ppstgOpen = g_stgOpen.pStorage;
  if (*ppstgOpen) (*ppstgOpen)->AddRef();
  return g_stgOpen.hr;
}

// The references a real object holds, read from its own AddRef and Release.
ULONG RefsOf(IUnknown* pUnk) {
  pUnk->AddRef();
  return pUnk->Release();
}

class GraphFileTest : public ::testing::Test {
protected:
  void SetUp() override { m_graph.bHasPersistStream = true; }
  void TearDown() override {
    EXPECT_EQ(1u, m_graph.Refs());
    for (const std::wstring& path : m_paths) ::DeleteFileW(path.c_str());
  }

  std::wstring NewPath() {
    m_paths.push_back(TempPath(L".grf"));
    return m_paths.back();
  }

  FakeGraph m_graph;
  std::vector<std::wstring> m_paths;
};

TEST_F(GraphFileTest, Preconditions) {
  AssertRecorder asserts;
  EXPECT_EQ(E_INVALIDARG, BuildFromGRF(nullptr, nullptr));
  EXPECT_THAT(asserts.Texts(), ElementsAre("pGraph != 0"));
  asserts.Clear();
  EXPECT_EQ(E_INVALIDARG, BuildFromGRF(&m_graph, nullptr));
  EXPECT_THAT(asserts.Texts(), ElementsAre("pszFile != 0"));
  EXPECT_EQ(0, m_graph.nLoadCalls);
}

// Wine's manager has no IPersistStream; the file is not even opened, or a
// missing file would have answered STG_E_FILENOTFOUND. The prefix's TreatAs gives
// CoCreateInstance the graph-file stand-in; the class object is still Wine's own.
TEST_F(GraphFileTest, GraphWithoutPersistStreamAnswersENoInterface) {
  CComPtr<IClassFactory> spFactory;
  ASSERT_EQ(S_OK, ::CoGetClassObject(CLSID_FilterGraph, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                     reinterpret_cast<void**>(&spFactory)));
  CComPtr<IGraphBuilder> spGraph;
  ASSERT_EQ(S_OK, spFactory->CreateInstance(nullptr, IID_IGraphBuilder, reinterpret_cast<void**>(&spGraph)));
  FakeGraph plain;
  struct Case {
    const char* label;
    IGraphBuilder* pGraph;
  } cases[] = {{"Wine's graph manager", spGraph}, {"double without it", &plain}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    AssertRecorder asserts;
    EXPECT_EQ(E_NOINTERFACE, BuildFromGRF(c.pGraph, L"C:\\no such folder\\none.grf"));
    EXPECT_THAT(asserts.Texts(), ElementsAre("spPersistStream != 0"));
  }
  EXPECT_THAT(FiltersOf(spGraph), IsEmpty());
  EXPECT_EQ(1u, plain.Refs());
}

TEST_F(GraphFileTest, LoadsTheGraphStream) {
  const std::wstring path = NewPath();
  ASSERT_EQ(S_OK, WriteCompoundFile(path, L"ActiveMovieGraph", kGraphBytes));
  AssertRecorder asserts;
  EXPECT_EQ(S_OK, BuildFromGRF(&m_graph, path.c_str()));
  EXPECT_THAT(asserts.Texts(), IsEmpty());
  EXPECT_EQ(1, m_graph.nLoadCalls);
  EXPECT_EQ(kGraphBytes, m_graph.loadedBytes);
  EXPECT_TRUE(IsFree(path));
}

TEST_F(GraphFileTest, OnlyALoadFailureFails) {
  struct Case {
    HRESULT hrLoad;
    HRESULT hr;
    std::vector<const char*> texts;
  } cases[] = {
      {VFW_E_INVALID_FILE_FORMAT, VFW_E_INVALID_FILE_FORMAT, {kCantLoad}},
      {E_OUTOFMEMORY, E_OUTOFMEMORY, {kCantLoad}},
      {S_FALSE, S_OK, {}},
      {VFW_S_PARTIAL_RENDER, S_OK, {}},
  };
  const std::wstring path = NewPath();
  ASSERT_EQ(S_OK, WriteCompoundFile(path, L"ActiveMovieGraph", kGraphBytes));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.hrLoad);
    m_graph.hrLoad = c.hrLoad;
    AssertRecorder asserts;
    EXPECT_EQ(c.hr, BuildFromGRF(&m_graph, path.c_str()));
    EXPECT_THAT(asserts.Texts(), ::testing::ElementsAreArray(c.texts));
    EXPECT_TRUE(IsFree(path));
  }
  EXPECT_EQ(4, m_graph.nLoadCalls);
}

// Each open step's code comes back unchanged and nothing reaches the graph.
TEST_F(GraphFileTest, OpenFailuresLeaveTheGraphUntouched) {
  const std::wstring missing = NewPath();
  const std::wstring plain = NewPath();
  ASSERT_EQ(S_OK, WritePlainFile(plain, "0003\r\nFILTERS\r\nEND\r\n"));
  const std::wstring noStream = NewPath();
  ASSERT_EQ(S_OK, WriteCompoundFile(noStream, L"Contents", kGraphBytes));
  const std::wstring heldByWriter = NewPath();
  const std::wstring heldByReader = NewPath();
  for (const std::wstring* pPath : {&heldByWriter, &heldByReader})
    ASSERT_EQ(S_OK, WriteCompoundFile(*pPath, L"ActiveMovieGraph", kGraphBytes));
  CComPtr<IStorage> spWriter, spReader;
  ASSERT_EQ(S_OK, ::StgOpenStorage(heldByWriter.c_str(), nullptr,
                                   STGM_READWRITE | STGM_SHARE_EXCLUSIVE, nullptr, 0, &spWriter));
  ASSERT_EQ(S_OK, ::StgOpenStorage(heldByReader.c_str(), nullptr,
                                   STGM_READ | STGM_SHARE_DENY_WRITE, nullptr, 0, &spReader));

  struct Case {
    const char* label;
    const std::wstring& path;
    HRESULT hr;
    const char* text;
  } cases[] = {
      {"no such file", missing, STG_E_FILENOTFOUND, kCantOpen},
      {"not a compound file", plain, STG_E_FILEALREADYEXISTS, kCantOpen},
      {"held by an exclusive writer", heldByWriter, STG_E_SHAREVIOLATION, kCantOpen},
      {"held by a reader denying writers", heldByReader, STG_E_LOCKVIOLATION, kCantOpen},
      {"no ActiveMovieGraph stream", noStream, STG_E_FILENOTFOUND, kInvalid},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    AssertRecorder asserts;
    EXPECT_EQ(c.hr, BuildFromGRF(&m_graph, c.path.c_str()));
    EXPECT_THAT(asserts.Texts(), ElementsAre(c.text));
  }
  EXPECT_EQ(0, m_graph.nLoadCalls);
  EXPECT_TRUE(IsFree(plain));
  EXPECT_TRUE(IsFree(noStream));
}

// The platform gives no odd success codes on demand: StgOpenStorage is
// replaced for this test. Success codes other than S_OK are failures here.
TEST_F(GraphFileTest, OddSuccessCodesOfTheOpenStepsAreReturned) {
  ImportPatch patch("ole32.dll", "StgOpenStorage", reinterpret_cast<void*>(&StubStgOpenStorage));
  ASSERT_TRUE(patch.Active());
  CComPtr<IStream> spStream;
  ASSERT_EQ(S_OK, ::CreateStreamOnHGlobal(nullptr, TRUE, &spStream));
  struct Case {
    const char* label;
    HRESULT hrStgOpen;
    HRESULT hrOpenStream;
    HRESULT hr;
    const char* text;
  } cases[] = {
      {"StgOpenStorage answers STG_S_CONVERTED", STG_S_CONVERTED, S_OK, STG_S_CONVERTED, kCantOpen},
      {"OpenStream answers S_FALSE", S_OK, S_FALSE, S_FALSE, kInvalid},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    FakeStorage storage;
    storage.pStream = spStream;
    storage.hrOpenStream = c.hrOpenStream;
    g_stgOpen = StgOpenStub();
    g_stgOpen.hr = c.hrStgOpen;
    g_stgOpen.pStorage = &storage;
    AssertRecorder asserts;
    EXPECT_EQ(c.hr, BuildFromGRF(&m_graph, L"C:\\graphs\\test.grf"));
    EXPECT_THAT(asserts.Texts(), ElementsAre(c.text));
    EXPECT_EQ(0, m_graph.nLoadCalls);
    EXPECT_EQ(1u, storage.Refs());
    EXPECT_EQ(1u, RefsOf(spStream));

    // Read-only, direct, exclusive; no priority storage, no exclusions.
    EXPECT_EQ(1, g_stgOpen.nCalls);
    EXPECT_EQ(L"C:\\graphs\\test.grf", g_stgOpen.path);
    EXPECT_EQ(nullptr, g_stgOpen.pPriority);
    EXPECT_EQ(0x10u, g_stgOpen.grfMode);
    EXPECT_EQ(nullptr, g_stgOpen.snbExclude);
    EXPECT_EQ(0u, g_stgOpen.dwReserved);
    if (c.hrStgOpen != S_OK) {
      EXPECT_EQ(L"", storage.streamName);
      continue;
    }
    EXPECT_EQ(L"ActiveMovieGraph", storage.streamName);
    EXPECT_EQ(nullptr, storage.pReserved1);
    EXPECT_EQ(0x10u, storage.grfMode);
    EXPECT_EQ(0u, storage.dwReserved2);
  }
}

}  // namespace
