// CGraphEdit's registration in the real running object table, seen from this process and
// from another one, and the ending of a viewer process it recorded.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <dshow.h>

#include <cwchar>
#include <new>
#include <string>
#include <vector>

#include "AssertRecorder.h"
#include "ComEnvironment.h"
#include "GraphEdit.h"
#include "ImportPatch.h"
#include "UiDriver.h"
#include "atlcomcli.h"
#include "atlhandle.h"

using ATL::CComPtr;
using ATL::CHandle;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class CountedUnknown : public IUnknown {
public:
  ULONG Refs() const { return m_cRef; }
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (riid != IID_IUnknown) {
      *ppv = nullptr;
      return E_NOINTERFACE;
    }
    *ppv = this;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ::InterlockedIncrement(&m_cRef); }
  STDMETHODIMP_(ULONG) Release() override { return ::InterlockedDecrement(&m_cRef); }

private:
  LONG m_cRef = 1;
};

std::wstring Hex8(DWORD dw) {
  wchar_t sz[16];
  std::swprintf(sz, 16, L"%08x", dw);
  return sz;
}

// The display names of everything in the table, item monikers with their "!" delimiter.
std::vector<std::wstring> RunningNames() {
  std::vector<std::wstring> names;
  CComPtr<IRunningObjectTable> spROT;
  CComPtr<IEnumMoniker> spEnum;
  CComPtr<IBindCtx> spBindCtx;
  if (::GetRunningObjectTable(0, &spROT) != S_OK || spROT->EnumRunning(&spEnum) != S_OK ||
      ::CreateBindCtx(0, &spBindCtx) != S_OK)
    return names;
  for (;;) {
    CComPtr<IMoniker> spMoniker;
    if (spEnum->Next(1, &spMoniker, nullptr) != S_OK) break;
    LPOLESTR pszName = nullptr;
    if (spMoniker->GetDisplayName(spBindCtx, nullptr, &pszName) == S_OK) {
      names.push_back(pszName);
      ::CoTaskMemFree(pszName);
    }
  }
  return names;
}

bool IsRegistered(IUnknown* pGraph) {
  const std::wstring name = L"!FilterGraph " + Hex8(static_cast<DWORD>(reinterpret_cast<DWORD_PTR>(pGraph))) +
                            L" pid " + Hex8(::GetCurrentProcessId());
  for (const std::wstring& running : RunningNames())
    if (running == name) return true;
  return false;
}

std::wstring PeerPath() {
  wchar_t sz[MAX_PATH];
  const DWORD cch = ::GetModuleFileNameW(nullptr, sz, MAX_PATH);
  std::wstring path(sz, cch);
  return path.substr(0, path.find_last_of(L"\\/") + 1) + L"viewer_peer.exe";
}

// Starts the peer; for a message-loop mode, returns once its loop waits for messages.
bool StartPeer(const std::wstring& args, PROCESS_INFORMATION* pPI) {
  std::wstring command = L"\"" + PeerPath() + L"\" " + args;
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  if (!::CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, pPI)) return false;
  // Polled: Wine now and then answers WAIT_FAILED at once for a process just created.
  return args.rfind(L"lookup", 0) == 0 || harness::WaitUntil([&] { return ::WaitForInputIdle(pPI->hProcess, 0) == 0; });
}

// The peer's exit code for a lookup of pGraph's name in the table.
DWORD LookUpFromAnotherProcess(IUnknown* pGraph) {
  const std::wstring name = L"\"FilterGraph " + Hex8(static_cast<DWORD>(reinterpret_cast<DWORD_PTR>(pGraph))) +
                            L" pid " + Hex8(::GetCurrentProcessId()) + L"\"";
  PROCESS_INFORMATION pi = {};
  if (!StartPeer(L"lookup " + name, &pi)) return ~0UL;
  const CHandle hThread(pi.hThread), hProcess(pi.hProcess);
  // The table's calls come back to this thread's apartment: keep its messages flowing.
  DWORD dwExit = STILL_ACTIVE;
  harness::WaitUntil(
      [&] {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
        return ::GetExitCodeProcess(pi.hProcess, &dwExit) && dwExit != STILL_ACTIVE;
      },
      30000);
  return dwExit;
}

CHandle DuplicateOwn(HANDLE h) {
  HANDLE hDup = nullptr;
  ::DuplicateHandle(::GetCurrentProcess(), h, ::GetCurrentProcess(), &hDup, 0, FALSE, DUPLICATE_SAME_ACCESS);
  return CHandle(hDup);
}

bool IsZero(const PROCESS_INFORMATION& pi) {
  return pi.hProcess == nullptr && pi.hThread == nullptr && pi.dwProcessId == 0 && pi.dwThreadId == 0;
}

bool IsOpenHandle(HANDLE h) {
  DWORD dwFlags = 0;
  return ::GetHandleInformation(h, &dwFlags) != 0;
}

// A real graph manager holding one filter, Wine's video renderer.
CComPtr<IGraphBuilder> GraphWithOneFilter() {
  CComPtr<IGraphBuilder> spGraph;
  CComPtr<IBaseFilter> spRenderer;
  EXPECT_EQ(S_OK, spGraph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER));
  EXPECT_EQ(S_OK, spRenderer.CoCreateInstance(CLSID_VideoRenderer, nullptr, CLSCTX_INPROC_SERVER));
  if (spGraph && spRenderer) {
    EXPECT_EQ(S_OK, spGraph->AddFilter(spRenderer, L"Renderer"));
  }
  return spGraph;
}

}  // namespace

TEST(RegisterGraph, NamesTheGraphByTheLowHalfOfItsPointerAndThePaddedProcessId) {
  // An object at an address of more than 32 bits, where the name drops the high half.
  BYTE* pBlock = static_cast<BYTE*>(
      ::VirtualAlloc(reinterpret_cast<void*>(0x1D34A5B0000ULL), 0x10000, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
  ASSERT_EQ(reinterpret_cast<BYTE*>(0x1D34A5B0000ULL), pBlock);
  auto* pObject = new (pBlock + 0x6C70) CountedUnknown;
  ASSERT_EQ(reinterpret_cast<void*>(0x1D34A5B6C70ULL), static_cast<void*>(pObject));

  DWORD dwCookie = 0;
  ASSERT_EQ(S_OK, CGraphEdit::RegisterGraph(pObject, &dwCookie));
  EXPECT_NE(0u, dwCookie);
  const std::wstring expected = L"!FilterGraph 4a5b6c70 pid " + Hex8(::GetCurrentProcessId());
  EXPECT_EQ(34u, expected.size());  // the delimiter and 33 characters
  EXPECT_THAT(RunningNames(), ::testing::Contains(expected));

  CGraphEdit::RevokeGraph(dwCookie);
  EXPECT_THAT(RunningNames(), ::testing::Not(::testing::Contains(expected)));
  EXPECT_EQ(1u, pObject->Refs());
  pObject->~CountedUnknown();
  ::VirtualFree(pBlock, 0, MEM_RELEASE);
}

TEST(RegisterGraph, IsSeenFromAnotherProcessUntilRevoked) {
  CComPtr<IGraphBuilder> spGraph = GraphWithOneFilter();
  ASSERT_TRUE(spGraph);
  DWORD dwCookie = 0;
  ASSERT_EQ(S_OK, CGraphEdit::RegisterGraph(spGraph, &dwCookie));

  // The peer reaches the graph itself: it counts its one filter.
  EXPECT_EQ(101u, LookUpFromAnotherProcess(spGraph));

  CGraphEdit::RevokeGraph(dwCookie);
  EXPECT_FALSE(IsRegistered(spGraph));
  EXPECT_EQ(1u, LookUpFromAnotherProcess(spGraph));
  // Nothing is left holding the graph.
  IGraphBuilder* pGraph = spGraph.Detach();
  EXPECT_EQ(0u, pGraph->Release());
}

TEST(RegisterGraph, RefusesMissingArgumentsBeforeTouchingTheCookie) {
  CountedUnknown object;
  struct Case {
    const char* label;
    IUnknown* pGraph;
    bool bCookie;
    HRESULT hr;
    const char* assertion;
  } cases[] = {
      {"no graph", nullptr, true, E_INVALIDARG, "pGraph != 0"},
      {"no cookie", &object, false, E_POINTER, "pdwCookie != 0"},
      {"neither: the graph is checked first", nullptr, false, E_INVALIDARG, "pGraph != 0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    AssertRecorder asserts;
    DWORD dwCookie = 0xC0FFEE;
    EXPECT_EQ(c.hr, CGraphEdit::RegisterGraph(c.pGraph, c.bCookie ? &dwCookie : nullptr));
    EXPECT_EQ(0xC0FFEEu, dwCookie);
    EXPECT_THAT(asserts.Texts(), ElementsAre(c.assertion));
  }
  EXPECT_EQ(1u, object.Refs());
}

namespace {

HRESULT g_hrFake = S_OK;

HRESULT WINAPI FailingGetRunningObjectTable(DWORD, IRunningObjectTable** ppROT) {
  *ppROT = nullptr;
  return g_hrFake;
}
HRESULT WINAPI FailingCreateItemMoniker(LPCOLESTR, LPCOLESTR, IMoniker** ppMoniker) {
  *ppMoniker = nullptr;
  return g_hrFake;
}

}  // namespace

TEST(RegisterGraph, PassesAPlatformFailureOnWithTheCookieCleared) {
  CountedUnknown object;
  struct Case {
    const char* function;
    void* pfnFake;
    HRESULT hr;
  } cases[] = {
      {"GetRunningObjectTable", reinterpret_cast<void*>(&FailingGetRunningObjectTable), E_OUTOFMEMORY},
      {"CreateItemMoniker", reinterpret_cast<void*>(&FailingCreateItemMoniker), MK_E_SYNTAX},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.function);
    ImportPatch patch("ole32.dll", c.function, c.pfnFake);
    ASSERT_TRUE(patch.Active());
    g_hrFake = c.hr;
    DWORD dwCookie = 0xC0FFEE;
    EXPECT_EQ(c.hr, CGraphEdit::RegisterGraph(&object, &dwCookie));
    EXPECT_EQ(0u, dwCookie);
  }
  EXPECT_EQ(1u, object.Refs());
}

namespace {

// A table whose Register answers as the test says and writes no cookie.
class RefusingTable : public IRunningObjectTable {
public:
  HRESULT hrRegister = E_OUTOFMEMORY;
  ULONG Refs() const { return m_cRef; }

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (riid != IID_IUnknown && riid != IID_IRunningObjectTable) {
      *ppv = nullptr;
      return E_NOINTERFACE;
    }
    *ppv = this;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++m_cRef; }
  STDMETHODIMP_(ULONG) Release() override { return --m_cRef; }
  STDMETHODIMP Register(DWORD, IUnknown*, IMoniker*, DWORD*) override { return hrRegister; }
  STDMETHODIMP Revoke(DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP IsRunning(IMoniker*) override { return E_NOTIMPL; }
  STDMETHODIMP GetObject(IMoniker*, IUnknown**) override { return E_NOTIMPL; }
  STDMETHODIMP NoteChangeTime(DWORD, FILETIME*) override { return E_NOTIMPL; }
  STDMETHODIMP GetTimeOfLastChange(IMoniker*, FILETIME*) override { return E_NOTIMPL; }
  STDMETHODIMP EnumRunning(IEnumMoniker**) override { return E_NOTIMPL; }

private:
  ULONG m_cRef = 1;
};

RefusingTable* g_pRefusingTable = nullptr;

HRESULT WINAPI RefusingGetRunningObjectTable(DWORD, IRunningObjectTable** ppROT) {
  g_pRefusingTable->AddRef();
  *ppROT = g_pRefusingTable;
  return S_OK;
}

}  // namespace

// Register's own answer is the result: a name the table holds already is a success with a
// cookie of its own, a refusal leaves the cookie 0.
TEST(RegisterGraph, AnswersWhatTheTableAnswers) {
  CountedUnknown object;
  DWORD dwFirst = 0, dwSecond = 0;
  ASSERT_EQ(S_OK, CGraphEdit::RegisterGraph(&object, &dwFirst));
  EXPECT_EQ(MK_S_MONIKERALREADYREGISTERED, CGraphEdit::RegisterGraph(&object, &dwSecond));
  EXPECT_NE(0u, dwSecond);
  EXPECT_NE(dwFirst, dwSecond);
  CGraphEdit::RevokeGraph(dwSecond);
  EXPECT_TRUE(IsRegistered(&object)) << "the first registration stays";
  CGraphEdit::RevokeGraph(dwFirst);
  EXPECT_FALSE(IsRegistered(&object));
  EXPECT_EQ(1u, object.Refs());

  RefusingTable table;
  g_pRefusingTable = &table;
  {
    ImportPatch patch("ole32.dll", "GetRunningObjectTable", reinterpret_cast<void*>(&RefusingGetRunningObjectTable));
    ASSERT_TRUE(patch.Active());
    DWORD dwCookie = 0xC0FFEE;
    EXPECT_EQ(E_OUTOFMEMORY, CGraphEdit::RegisterGraph(&object, &dwCookie));
    EXPECT_EQ(0u, dwCookie);
  }
  EXPECT_EQ(1u, table.Refs());
  EXPECT_EQ(1u, object.Refs());
}

namespace {

int g_cCalls = 0;
void* g_pfnRealGetROT = nullptr;
void* g_pfnRealPost = nullptr;
void* g_pfnRealWait = nullptr;
void* g_pfnRealClose = nullptr;

HRESULT WINAPI CountingGetRunningObjectTable(DWORD dw, IRunningObjectTable** pp) {
  ++g_cCalls;
  return reinterpret_cast<decltype(&::GetRunningObjectTable)>(g_pfnRealGetROT)(dw, pp);
}
BOOL WINAPI CountingPostThreadMessageW(DWORD id, UINT msg, WPARAM w, LPARAM l) {
  ++g_cCalls;
  return reinterpret_cast<decltype(&::PostThreadMessageW)>(g_pfnRealPost)(id, msg, w, l);
}
DWORD WINAPI CountingWaitForSingleObject(HANDLE h, DWORD dw) {
  ++g_cCalls;
  return reinterpret_cast<decltype(&::WaitForSingleObject)>(g_pfnRealWait)(h, dw);
}
BOOL WINAPI CountingCloseHandle(HANDLE h) {
  ++g_cCalls;
  return reinterpret_cast<decltype(&::CloseHandle)>(g_pfnRealClose)(h);
}

}  // namespace

TEST(Reset, OnANewObjectMakesNoTableCallAndPostsNothing) {
  CGraphEdit edit(true);
  g_cCalls = 0;
  {
    ImportPatch rot("ole32.dll", "GetRunningObjectTable", reinterpret_cast<void*>(&CountingGetRunningObjectTable));
    ImportPatch post("user32.dll", "PostThreadMessageW", reinterpret_cast<void*>(&CountingPostThreadMessageW));
    ImportPatch wait("kernel32.dll", "WaitForSingleObject", reinterpret_cast<void*>(&CountingWaitForSingleObject));
    ImportPatch close("kernel32.dll", "CloseHandle", reinterpret_cast<void*>(&CountingCloseHandle));
    ASSERT_TRUE(rot.Active() && post.Active() && wait.Active() && close.Active());
    g_pfnRealGetROT = rot.Original();
    g_pfnRealPost = post.Original();
    g_pfnRealWait = wait.Original();
    g_pfnRealClose = close.Original();
    edit.Reset();
  }
  EXPECT_EQ(0, g_cCalls);
  EXPECT_EQ(0u, edit.m_dwCookie);
  EXPECT_TRUE(IsZero(edit.m_rgPI));
  EXPECT_EQ(nullptr, edit.m_hWndGraphEdit);
  EXPECT_EQ(nullptr, edit.m_hWndList);
}

// Destruction with bCloseOnDestroy, and Reset itself: registration revoked, windows
// forgotten, the obliging viewer ended and its handles closed.
TEST(Reset, RevokesForgetsTheWindowsAndEndsTheViewer) {
  for (const bool bByDestruction : {false, true}) {
    SCOPED_TRACE(bByDestruction ? "destruction" : "Reset");
    CComPtr<IGraphBuilder> spGraph = GraphWithOneFilter();
    ASSERT_TRUE(spGraph);
    CHandle hPeer;
    HANDLE hOldThread = nullptr;
    {
      CGraphEdit edit(true);
      ASSERT_EQ(S_OK, CGraphEdit::RegisterGraph(spGraph, &edit.m_dwCookie));
      ASSERT_TRUE(StartPeer(L"obey-quit", &edit.m_rgPI));
      hPeer = DuplicateOwn(edit.m_rgPI.hProcess);
      hOldThread = edit.m_rgPI.hThread;
      edit.m_hWndGraphEdit = ::GetDesktopWindow();
      edit.m_hWndList = ::GetDesktopWindow();
      if (!bByDestruction) {
        edit.Reset();
        EXPECT_EQ(0u, edit.m_dwCookie);
        EXPECT_TRUE(IsZero(edit.m_rgPI));
        EXPECT_EQ(nullptr, edit.m_hWndGraphEdit);
        EXPECT_EQ(nullptr, edit.m_hWndList);
      }
    }
    EXPECT_FALSE(IsRegistered(spGraph));
    EXPECT_FALSE(IsOpenHandle(hOldThread));
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(hPeer, harness::dwDefaultTimeout));
    DWORD dwExit = STILL_ACTIVE;
    EXPECT_TRUE(::GetExitCodeProcess(hPeer, &dwExit));
    EXPECT_EQ(0u, dwExit);
    IGraphBuilder* pGraph = spGraph.Detach();
    EXPECT_EQ(0u, pGraph->Release());
  }
}

TEST(CGraphEdit, DestructionWithoutCloseOnDestroyLeavesTheRegistration) {
  CComPtr<IGraphBuilder> spGraph = GraphWithOneFilter();
  ASSERT_TRUE(spGraph);
  DWORD dwCookie = 0;
  {
    CGraphEdit edit(false);
    ASSERT_EQ(S_OK, CGraphEdit::RegisterGraph(spGraph, &edit.m_dwCookie));
    dwCookie = edit.m_dwCookie;
  }
  EXPECT_TRUE(IsRegistered(spGraph));
  CGraphEdit::RevokeGraph(dwCookie);
  EXPECT_FALSE(IsRegistered(spGraph));
}

TEST(CloseGraphEdit, LeavesAViewerThatIgnoresQuitRunningAfterItsBound) {
  CGraphEdit edit(true);
  ASSERT_TRUE(StartPeer(L"ignore-quit", &edit.m_rgPI));
  CHandle hPeer = DuplicateOwn(edit.m_rgPI.hProcess);
  const HANDLE hOldThread = edit.m_rgPI.hThread;
  const HANDLE hOldProcess = edit.m_rgPI.hProcess;

  const DWORD dwStart = ::GetTickCount();
  edit.CloseGraphEdit();
  const DWORD dwElapsed = ::GetTickCount() - dwStart;

  // The 1000 ms bound is the behaviour: it waited that long, and no longer than a loaded
  // machine can stretch it.
  EXPECT_GE(dwElapsed, 990u);
  EXPECT_LT(dwElapsed, 10000u);
  EXPECT_TRUE(IsZero(edit.m_rgPI));
  EXPECT_FALSE(IsOpenHandle(hOldThread));
  EXPECT_FALSE(IsOpenHandle(hOldProcess));
  // Never terminated by the bridge.
  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), ::WaitForSingleObject(hPeer, 0));
  ::TerminateProcess(hPeer, 0);
  ::WaitForSingleObject(hPeer, harness::dwDefaultTimeout);
}

TEST(CloseGraphEdit, AViewerAlreadyClosedCostsNoWait) {
  CGraphEdit edit(true);
  ASSERT_TRUE(StartPeer(L"obey-quit", &edit.m_rgPI));
  ASSERT_TRUE(::PostThreadMessageW(edit.m_rgPI.dwThreadId, WM_QUIT, 0, 0));
  ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(edit.m_rgPI.hProcess, harness::dwDefaultTimeout));

  const DWORD dwStart = ::GetTickCount();
  edit.CloseGraphEdit();
  EXPECT_LT(::GetTickCount() - dwStart, 1000u);
  EXPECT_TRUE(IsZero(edit.m_rgPI));
}
