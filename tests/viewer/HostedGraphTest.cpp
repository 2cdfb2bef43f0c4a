// Our graph viewer against objects that this test process publishes in Wine's running object
// table: a real graph whose references are counted, and hostile "graphs" that break their
// interfaces' promises. The viewer calls into this thread's apartment, so every wait here
// serves those calls.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <functional>

#include <IResizerControl.h>
#include <VideoGenerator.h>

#include "ComDoubles.h"
#include "Processes.h"
#include "UiDriver.h"
#include "ViewerProcess.h"
#include "atlcomcli.h"
#include "atlhandle.h"
#include "proppage/resource.h"
#include "resource.h"

using ATL::CComPtr;
using viewer_test::FindConnectDialog;
using viewer_test::FindMainWindow;

namespace {

// The bench's bound for a viewer's primary thread to end after WM_QUIT.
const DWORD kBenchQuitBoundMs = 1000;

void Pump() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

bool ServeUntil(const std::function<bool()>& fnDone, DWORD dwTimeoutMs = harness::dwDefaultTimeout) {
  return harness::WaitUntil(
      [&] {
        Pump();
        return fnDone();
      },
      dwTimeoutMs);
}

bool Contains(const std::vector<std::wstring>& items, const std::wstring& item) {
  return std::find(items.begin(), items.end(), item) != items.end();
}

std::wstring Hex(const wchar_t* pszFormat, unsigned long long ull) {
  wchar_t sz[64];
  std::swprintf(sz, 64, pszFormat, ull);
  return sz;
}

ULONG Refs(IUnknown* pUnk) {
  pUnk->AddRef();
  return pUnk->Release();
}

// The reference counts of a graph, each of its filters and each of their pins.
std::vector<ULONG> GraphRefs(IFilterGraph* pGraph) {
  std::vector<ULONG> refs = {Refs(pGraph)};
  CComPtr<IEnumFilters> spFilters;
  if (FAILED(pGraph->EnumFilters(&spFilters))) return refs;
  for (CComPtr<IBaseFilter> spFilter; spFilters->Next(1, &spFilter, nullptr) == S_OK; spFilter.Release()) {
    CComPtr<IEnumPins> spPins;
    if (FAILED(spFilter->EnumPins(&spPins))) continue;
    for (CComPtr<IPin> spPin; spPins->Next(1, &spPin, nullptr) == S_OK; spPin.Release())
      refs.push_back(Refs(spPin) - 1);  // less the loop's own reference
    refs.push_back(Refs(spFilter) - 1);
  }
  return refs;
}

// One entry of this process in the running object table, revoked at the end.
class CPublication {
public:
  CPublication() = default;
  ~CPublication() { Revoke(); }
  CPublication(const CPublication&) = delete;
  CPublication& operator=(const CPublication&) = delete;

  HRESULT Publish(IUnknown* pObject, const std::wstring& name) {
    Revoke();
    CComPtr<IRunningObjectTable> spTable;
    CComPtr<IMoniker> spMoniker;
    HRESULT hr = ::GetRunningObjectTable(0, &spTable);
    if (SUCCEEDED(hr)) hr = ::CreateItemMoniker(L"!", name.c_str(), &spMoniker);
    if (SUCCEEDED(hr)) hr = spTable->Register(0, pObject, spMoniker, &m_dwCookie);
    return hr;
  }
  void Revoke() {
    CComPtr<IRunningObjectTable> spTable;
    if (m_dwCookie && SUCCEEDED(::GetRunningObjectTable(0, &spTable))) spTable->Revoke(m_dwCookie);
    m_dwCookie = 0;
  }

private:
  DWORD m_dwCookie = 0;
};

// The cookie name the bench writes, for an object of this process.
std::wstring BenchName(IUnknown* pObject) {
  return Hex(L"FilterGraph %08llx", static_cast<DWORD>(reinterpret_cast<DWORD_PTR>(pObject))) +
         Hex(L" pid %08llx", ::GetCurrentProcessId());
}

class HostedGraphTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(m_viewer.Start(viewer_test::GraphViewerPath()));
    ASSERT_TRUE(harness::WaitUntil([&] { return (m_hWndMain = FindMainWindow(m_viewer.ProcessId())) != nullptr; }));
  }
  void TearDown() override {
    harness::EndChildProcesses();
    EXPECT_TRUE(harness::ChildProcesses().empty());
  }

  // The connect dialog opened by the bench's command, once it lists this process's entry.
  void OpenConnectDialog(HWND* phDialog, HWND* phList, int* pnItem) {
    ASSERT_TRUE(::PostMessageW(m_hWndMain, WM_COMMAND, MAKEWPARAM(ID_FILE_CONNECT, 1), 0));
    const std::wstring mine = Hex(L"pid %llx ", ::GetCurrentProcessId());
    ASSERT_TRUE(ServeUntil([&] {
      if (!FindConnectDialog(m_hWndMain, phDialog, phList)) return false;
      const std::vector<std::wstring> items = harness::ListBoxItems(*phList);
      const auto it =
          std::find_if(items.begin(), items.end(), [&](const std::wstring& item) { return item.rfind(mine, 0) == 0; });
      *pnItem = static_cast<int>(it - items.begin());
      return it != items.end();
    }));
  }

  // Publishes the object under the bench's name and connects the viewer to it.
  void ConnectTo(IUnknown* pObject) {
    ASSERT_EQ(S_OK, m_publication.Publish(pObject, BenchName(pObject)));
    ConnectToPublished();
  }
  void ConnectToPublished() {
    HWND hDialog = nullptr, hList = nullptr;
    int nItem = -1;
    OpenConnectDialog(&hDialog, &hList, &nItem);
    ASSERT_NE(LB_ERR, ::SendMessageW(hList, LB_SETCURSEL, nItem, 0));
    ASSERT_TRUE(::PostMessageW(hDialog, WM_COMMAND, IDOK, 0));
    ASSERT_TRUE(ServeUntil([&] { return !::IsWindow(hDialog); }));
  }

  // WM_QUIT, then a wait for the primary thread as the bench waits: without serving calls.
  // The time it took, or more than the bound; then fnBeforeServing (the bench publishes its
  // graph again there), and calls are served until the process ended.
  DWORD QuitAsTheBenchDoes(const std::function<void()>& fnBeforeServing = [] {}) {
    ATL::CHandle hThread(::OpenThread(SYNCHRONIZE, FALSE, m_viewer.ThreadId()));
    EXPECT_TRUE(hThread != nullptr);
    const DWORD dwStart = ::GetTickCount();
    EXPECT_TRUE(::PostThreadMessageW(m_viewer.ThreadId(), WM_QUIT, 0, 0));
    const DWORD dwWait = ::WaitForSingleObject(hThread, kBenchQuitBoundMs);
    const DWORD dwMs = dwWait == WAIT_OBJECT_0 ? ::GetTickCount() - dwStart : kBenchQuitBoundMs + 1;
    fnBeforeServing();
    EXPECT_TRUE(ServeUntil([&] { return ::WaitForSingleObject(m_viewer.ProcessHandle(), 0) == WAIT_OBJECT_0; }));
    return dwMs;
  }
  // WM_QUIT to a viewer whose publisher serves calls all along: the time until the process ended.
  DWORD QuitServing() {
    const DWORD dwStart = ::GetTickCount();
    EXPECT_TRUE(::PostThreadMessageW(m_viewer.ThreadId(), WM_QUIT, 0, 0));
    EXPECT_TRUE(ServeUntil([&] { return ::WaitForSingleObject(m_viewer.ProcessHandle(), 0) == WAIT_OBJECT_0; }));
    return ::GetTickCount() - dwStart;
  }

  std::vector<std::wstring> Elements() { return harness::ListBoxItems(::GetDlgItem(m_hWndMain, IDC_ELEMENTS)); }
  std::wstring Status() { return harness::ReadText(::GetDlgItem(m_hWndMain, IDC_STATUS)); }

  harness::Program m_viewer;
  HWND m_hWndMain = nullptr;
  CPublication m_publication;
};

// Video Generator -> Resizer, a real graph of this process.
class RealGraphTest : public HostedGraphTest {
protected:
  void SetUp() override {
    HostedGraphTest::SetUp();
    CComPtr<IBaseFilter> spGenerator, spResizer;
    CComPtr<IPin> spOut, spIn;
    ASSERT_EQ(S_OK, m_spGraph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER));
    ASSERT_EQ(S_OK, spGenerator.CoCreateInstance(CLSID_VideoGenerator, nullptr, CLSCTX_INPROC_SERVER));
    ASSERT_EQ(S_OK, spResizer.CoCreateInstance(CLSID_Resizer, nullptr, CLSCTX_INPROC_SERVER));
    ASSERT_EQ(S_OK, m_spGraph->AddFilter(spGenerator, L"Video Generator"));
    ASSERT_EQ(S_OK, m_spGraph->AddFilter(spResizer, L"Resizer"));
    ASSERT_EQ(S_OK, spGenerator->FindPin(L"Output", &spOut));
    ASSERT_EQ(S_OK, spResizer->FindPin(L"Input", &spIn));
    ASSERT_EQ(S_OK, m_spGraph->ConnectDirect(spOut, spIn, nullptr));
  }
  void TearDown() override {
    HostedGraphTest::TearDown();
    m_publication.Revoke();
    if (m_spGraph) ::CoDisconnectObject(m_spGraph, 0);
  }

  // Connected to the published graph, with the connection listed and selected.
  void ConnectAndSelect() {
    ConnectToPublished();
    const std::wstring connection = L"Connection: Video Generator.Output -> Resizer.Input";
    ASSERT_TRUE(ServeUntil([&] { return Contains(Elements(), connection); }));
    const std::vector<std::wstring> elements = Elements();
    HWND hElements = ::GetDlgItem(m_hWndMain, IDC_ELEMENTS);
    ::SendMessageW(hElements, LB_SETCURSEL, std::find(elements.begin(), elements.end(), connection) - elements.begin(),
                   0);
    ::SendMessageW(m_hWndMain, WM_COMMAND, MAKEWPARAM(IDC_ELEMENTS, LBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(hElements));
  }

  // Nothing of the viewer's is left: every filter and pin is back at its count of before, and
  // the graph holds no more than when it was published. (Wine's stub lets go of the table's
  // references too once the last remote one has gone: measured 7 while connected, then 1.)
  void ExpectReleased(const std::vector<ULONG>& published) {
    const auto released = [&] {
      const std::vector<ULONG> now = GraphRefs(m_spGraph);
      return now.size() == published.size() && now[0] <= published[0] &&
             std::equal(now.begin() + 1, now.end(), published.begin() + 1);
    };
    EXPECT_TRUE(ServeUntil(released, 2000));
    const std::vector<ULONG> now = GraphRefs(m_spGraph);
    EXPECT_LE(now[0], published[0]);
    EXPECT_EQ(std::vector<ULONG>(published.begin() + 1, published.end()),
              std::vector<ULONG>(now.begin() + 1, now.end()));
  }

  CComPtr<IGraphBuilder> m_spGraph;
};

// The bench revokes its entry, waits for the viewer without serving calls, publishes the graph
// again and starts the next viewer. A release of the first viewer's that the bench served only
// then would end the new entry with the graph's stub (the table holds weak references): the
// next viewer must still connect, and what the first left goes when the publisher disconnects.
TEST_F(RealGraphTest, AViewerQuitWhileTheBenchWaitsLeavesTheGraphToTheNextViewer) {
  ASSERT_EQ(S_OK, m_publication.Publish(m_spGraph, BenchName(m_spGraph)));
  const std::vector<ULONG> published = GraphRefs(m_spGraph);
  ConnectAndSelect();
  EXPECT_GT(GraphRefs(m_spGraph)[0], published[0]) << "the viewer's proxy";
  m_publication.Revoke();
  EXPECT_LE(QuitAsTheBenchDoes([&] { EXPECT_EQ(S_OK, m_publication.Publish(m_spGraph, BenchName(m_spGraph))); }),
            kBenchQuitBoundMs);

  harness::Program next;
  ASSERT_TRUE(next.Start(viewer_test::GraphViewerPath()));
  ASSERT_TRUE(harness::WaitUntil([&] { return (m_hWndMain = FindMainWindow(next.ProcessId())) != nullptr; }));
  ConnectAndSelect();
  EXPECT_EQ(L"Connected, state: Stopped.", Status());

  m_publication.Revoke();
  ASSERT_EQ(S_OK, ::CoDisconnectObject(m_spGraph, 0));
  ExpectReleased(published);
}

TEST_F(RealGraphTest, QuitWhileTheMediaTypePageIsOpenEndsPromptlyAndReleasesAll) {
  ASSERT_EQ(S_OK, m_publication.Publish(m_spGraph, BenchName(m_spGraph)));
  const std::vector<ULONG> published = GraphRefs(m_spGraph);
  ConnectAndSelect();
  ::PostMessageW(m_hWndMain, WM_COMMAND, ID_GRAPH_MEDIATYPE, 0);
  HWND hText = nullptr;
  ASSERT_TRUE(ServeUntil([&] {
    HWND hFrame = harness::FindTopWindowTitled(L"Properties for ");
    hText = hFrame ? harness::FindDescendant(hFrame, IDC_MEDIATYPE_TEXT) : nullptr;
    return hText && !harness::ReadText(hText).empty();
  }));
  EXPECT_NE(std::wstring::npos, harness::ReadText(hText).find(L"Subtype: RGB32")) << harness::ReadText(hText);
  EXPECT_LE(QuitServing(), kBenchQuitBoundMs);
  ExpectReleased(published);
}

TEST_F(RealGraphTest, QuitWhileTheConnectDialogIsOpenEndsPromptly) {
  ASSERT_EQ(S_OK, m_publication.Publish(m_spGraph, BenchName(m_spGraph)));
  HWND hDialog = nullptr, hList = nullptr;
  int nItem = -1;
  OpenConnectDialog(&hDialog, &hList, &nItem);
  EXPECT_LE(QuitAsTheBenchDoes(), kBenchQuitBoundMs);
}

// The connect dialog lists the names of other processes, also in the wider form a 64-bit
// publisher may write, and never one that carries the viewer's own process.
TEST_F(HostedGraphTest, TheListTakesWideNamesAndLeavesOutTheViewersOwnProcess) {
  FakeGraph fake;
  IUnknown* pGraph = static_cast<IGraphBuilder*>(&fake);
  CPublication wide, viewers;
  ASSERT_EQ(S_OK, wide.Publish(pGraph, Hex(L"FilterGraph 00007f12%08llx", 0x345678ABu) +
                                           Hex(L" pid %016llx", ::GetCurrentProcessId())));
  ASSERT_EQ(S_OK, viewers.Publish(pGraph, Hex(L"FilterGraph 12345678 pid %08llx", m_viewer.ProcessId())));
  HWND hDialog = nullptr, hList = nullptr;
  int nItem = -1;
  OpenConnectDialog(&hDialog, &hList, &nItem);
  const std::vector<std::wstring> items = harness::ListBoxItems(hList);
  const std::wstring item = items[nItem];
  EXPECT_EQ(item.size() - 23, item.rfind(L"IFilterGraph = 345678ab")) << item;
  EXPECT_LT(item.size(), 64u);
  for (const std::wstring& other : items) EXPECT_NE(0u, other.rfind(Hex(L"pid %llx ", m_viewer.ProcessId()), 0));
  ::PostMessageW(hDialog, WM_COMMAND, IDCANCEL, 0);
  EXPECT_TRUE(ServeUntil([&] { return !::IsWindow(hDialog); }));
  wide.Revoke();
  viewers.Revoke();
  ::CoDisconnectObject(pGraph, 0);
}

// Hostile answers: each a success without the object it promises, or an object that went away.
class NoEnumeratorGraph : public FakeGraph {
public:
  STDMETHODIMP EnumFilters(IEnumFilters** ppEnum) override {
    *ppEnum = nullptr;
    return S_OK;
  }
};

class NullFilterEnum : public FakeEnumFilters {
public:
  STDMETHODIMP Next(ULONG, IBaseFilter** ppFilter, ULONG* pcFetched) override {
    *ppFilter = nullptr;
    if (pcFetched) *pcFetched = 1;
    return S_OK;
  }
};

// A graph that hands out a fresh walk of its filters each time.
class ListedGraph : public FakeGraph {
public:
  STDMETHODIMP EnumFilters(IEnumFilters** ppEnum) override {
    if (pFilters) pFilters->Reset();
    return FakeGraph::EnumFilters(ppEnum);
  }
};

class NamedPin : public FakePin {
public:
  explicit NamedPin(LPCWSTR pszName) : FakePin(PINDIR_OUTPUT), m_name(pszName) {}
  STDMETHODIMP QueryPinInfo(PIN_INFO* pInfo) override {
    ::lstrcpynW(pInfo->achName, m_name.c_str(), MAX_PIN_NAME);
    pInfo->dir = dir;
    pInfo->pFilter = nullptr;
    return S_OK;
  }
  STDMETHODIMP ConnectedTo(IPin** ppPin) override {
    if (!pPeer && SUCCEEDED(hrConnectedTo)) {
      *ppPin = nullptr;  // connected, says the answer, to nothing
      return S_OK;
    }
    return FakePin::ConnectedTo(ppPin);
  }

private:
  std::wstring m_name;
};

class NoPinsFilter : public FakeFilter {
public:
  STDMETHODIMP EnumPins(IEnumPins** ppEnum) override {
    *ppEnum = nullptr;
    return S_OK;
  }
};

std::wstring Refused(HRESULT hr) {
  return Hex(L"Could not connect to the graph (0x%08llX).", static_cast<unsigned>(hr));
}

TEST_F(HostedGraphTest, HostileGraphsAreRefusedOrShownAsTheyAreAndTheViewerGoesOn) {
  FakeUnknown notAGraph;
  NoEnumeratorGraph noEnumerator;
  NullFilterEnum nullFilters;
  ListedGraph nullFilter;
  nullFilter.pFilters = &nullFilters;
  NoPinsFilter noPins;
  FakeEnumFilters noPinsList({&noPins});
  ListedGraph noPinsGraph;
  noPinsGraph.pFilters = &noPinsList;
  // A filter with no name, a pin connected to nothing and a pin whose peer is no pin of the graph.
  FakePin stranger(PINDIR_INPUT);
  NamedPin toNothing(L"To nothing"), toStranger(L"To a stranger");
  toStranger.pPeer = &stranger;
  FakeEnumPins pins({&toNothing, &toStranger});
  FakeFilter unnamed;
  unnamed.name.clear();
  unnamed.pPins = &pins;
  FakeEnumFilters unnamedList({&unnamed});
  ListedGraph oddGraph;
  oddGraph.pFilters = &unnamedList;

  const struct {
    const char* label;
    IUnknown* pObject;
    std::wstring status;
  } cases[] = {
      {"an entry that is not a graph", &notAGraph, Refused(E_NOINTERFACE)},
      {"EnumFilters without an enumerator", static_cast<IGraphBuilder*>(&noEnumerator), Refused(E_UNEXPECTED)},
      {"Next without a filter", static_cast<IGraphBuilder*>(&nullFilter), Refused(E_UNEXPECTED)},
      {"EnumPins without an enumerator", static_cast<IGraphBuilder*>(&noPinsGraph), Refused(E_UNEXPECTED)},
      {"an unnamed filter with pins whose peers are not there", static_cast<IGraphBuilder*>(&oddGraph),
       L"Connected, state: unknown."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    ::PostMessageW(m_hWndMain, WM_COMMAND, ID_FILE_DISCONNECT, 0);
    ASSERT_TRUE(ServeUntil([&] { return Status().rfind(L"Not connected.", 0) == 0; })) << Status();
    ConnectTo(c.pObject);
    EXPECT_TRUE(ServeUntil([&] { return Status() == c.status; })) << Status();
  }
  EXPECT_TRUE(Contains(Elements(), L"Filter: "));
  for (const std::wstring& element : Elements()) EXPECT_NE(0u, element.rfind(L"Connection: ", 0)) << element;

  // The graph goes away while the viewer watches it.
  ASSERT_EQ(S_OK, ::CoDisconnectObject(static_cast<IGraphBuilder*>(&oddGraph), 0));
  EXPECT_TRUE(ServeUntil([&] { return Status().rfind(L"Lost the graph (0x", 0) == 0; })) << Status();
  EXPECT_TRUE(Elements().empty());
  EXPECT_LE(QuitAsTheBenchDoes(), kBenchQuitBoundMs);
  for (IUnknown* pObject :
       {static_cast<IUnknown*>(&notAGraph), static_cast<IUnknown*>(static_cast<IGraphBuilder*>(&noEnumerator)),
        static_cast<IUnknown*>(static_cast<IGraphBuilder*>(&nullFilter)),
        static_cast<IUnknown*>(static_cast<IGraphBuilder*>(&noPinsGraph)),
        static_cast<IUnknown*>(static_cast<IBaseFilter*>(&noPins)),
        static_cast<IUnknown*>(static_cast<IBaseFilter*>(&unnamed)), static_cast<IUnknown*>(&toNothing),
        static_cast<IUnknown*>(&toStranger), static_cast<IUnknown*>(&stranger), static_cast<IUnknown*>(&nullFilters),
        static_cast<IUnknown*>(&noPinsList), static_cast<IUnknown*>(&unnamedList), static_cast<IUnknown*>(&pins)})
    ::CoDisconnectObject(pObject, 0);
}

}  // namespace
