#include "GraphWatcher.h"

#include "GraphEdits.h"
#include "PublishedGraphs.h"

#include <control.h>
#include <objbase.h>

#include <atlcomcli.h>

using ATL::CComPtr;
using ATL::CComQIPtr;

namespace {

HRESULT Execute(IFilterGraph* pGraph, CGraphWatcher::Command command) {
  if (command == CGraphWatcher::Command::None) return S_OK;
  CComQIPtr<IMediaControl, &IID_IMediaControl> spControl(pGraph);
  if (!spControl) return E_NOINTERFACE;
  switch (command) {
    case CGraphWatcher::Command::Run:
      return spControl->Run();
    case CGraphWatcher::Command::Pause:
      return spControl->Pause();
    case CGraphWatcher::Command::Stop:
      return spControl->Stop();
    default:
      return S_OK;
  }
}

}  // namespace

CGraphWatcher::CGraphWatcher(HWND hWndNotify, UINT uMsg) : m_hWndNotify(hWndNotify), m_uMsg(uMsg) {
  ::InitializeCriticalSection(&m_cs);
}

CGraphWatcher::~CGraphWatcher() { ::DeleteCriticalSection(&m_cs); }

HRESULT CGraphWatcher::Start() {
  if (m_hThread) return E_UNEXPECTED;
  m_hWake.Attach(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (!m_hWake) return HRESULT_FROM_WIN32(::GetLastError());
  m_hThread.Attach(::CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr));
  if (!m_hThread) return HRESULT_FROM_WIN32(::GetLastError());
  return S_OK;
}

bool CGraphWatcher::Stop(DWORD dwTimeoutMs) {
  if (!m_hThread) return true;
  ::EnterCriticalSection(&m_cs);
  m_bQuit = true;
  ::LeaveCriticalSection(&m_cs);
  ::SetEvent(m_hWake);
  if (::WaitForSingleObject(m_hThread, dwTimeoutMs) == WAIT_OBJECT_0) return true;
  ::EnterCriticalSection(&m_cs);
  m_bAbandoned = !m_bReleasing;
  ::LeaveCriticalSection(&m_cs);
  // A publisher that has just answered serves the release as promptly.
  return !m_bAbandoned && ::WaitForSingleObject(m_hThread, dwTimeoutMs) == WAIT_OBJECT_0;
}

void CGraphWatcher::Connect(const std::wstring& cookieName) {
  Request request;
  request.bConnect = true;
  request.cookieName = cookieName;
  Post(request);
}

void CGraphWatcher::Disconnect() {
  Request request;
  request.bDisconnect = true;
  Post(request);
}

void CGraphWatcher::Control(Command command) {
  Request request;
  request.command = command;
  Post(request);
}

void CGraphWatcher::Refresh() {
  Request request;
  request.bRefresh = true;
  Post(request);
}

void CGraphWatcher::Edit(const std::wstring& what, const EditFn& fnEdit) {
  Request request;
  request.edits.push_back({what, fnEdit});
  Post(request);
}

// Requests merge: a connection replaces the one asked for before, and a
// disconnection cancels a connection not yet made; edits queue up.
void CGraphWatcher::Post(const Request& request) {
  ::EnterCriticalSection(&m_cs);
  if (request.bConnect || request.bDisconnect) {
    m_pending = request;
  } else {
    m_pending.bRefresh = m_pending.bRefresh || request.bRefresh;
    if (request.command != Command::None) m_pending.command = request.command;
    m_pending.edits.insert(m_pending.edits.end(), request.edits.begin(), request.edits.end());
  }
  ::LeaveCriticalSection(&m_cs);
  ::SetEvent(m_hWake);
}

bool CGraphWatcher::Take(Request* pRequest) {
  ::EnterCriticalSection(&m_cs);
  const bool bQuit = m_bQuit;
  *pRequest = m_pending;
  m_pending = Request();
  ::LeaveCriticalSection(&m_cs);
  return !bQuit;
}

DWORD WINAPI CGraphWatcher::ThreadProc(LPVOID pParam) {
  if (FAILED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 1;
  static_cast<CGraphWatcher*>(pParam)->Run();
  ::CoUninitialize();
  return 0;
}

void CGraphWatcher::Run() {
  CComPtr<IFilterGraph> spGraph;
  GraphReport current;
  auto report = [this](const GraphReport& r) {
    auto* pReport = new GraphReport(r);
    if (!::PostMessageW(m_hWndNotify, m_uMsg, 0, reinterpret_cast<LPARAM>(pReport))) delete pReport;
  };

  for (;;) {
    ::WaitForSingleObject(m_hWake, spGraph ? kPollMs : INFINITE);
    Request request;
    if (!Take(&request)) break;

    bool bChanged = request.bRefresh;
    if (request.bConnect || request.bDisconnect) {
      spGraph.Release();
      current = GraphReport();
      current.cookieName = request.cookieName;
      bChanged = true;
    }
    if (request.bConnect) {
      current.hr = BindPublishedGraph(request.cookieName, &spGraph);
      if (FAILED(current.hr)) current.link = LinkState::Failed;
    }
    if (spGraph) {
      const bool bActed = request.command != Command::None || !request.edits.empty();
      if (bActed) {
        current.hr = Execute(spGraph, request.command);
        current.refused.clear();
        bChanged = true;
      }
      // The edits in the order asked; the first refusal ends them, as the graph may differ then.
      for (size_t i = 0; i < request.edits.size() && SUCCEEDED(current.hr); ++i) {
        CComQIPtr<IGraphBuilder, &IID_IGraphBuilder> spBuilder(spGraph);
        current.hr = spBuilder ? request.edits[i].fnEdit(spBuilder) : E_NOINTERFACE;
        if (FAILED(current.hr)) current.refused = request.edits[i].what;
      }
      GraphModel model;
      const HRESULT hr = ReadGraph(spGraph, &model);
      if (SUCCEEDED(hr)) {
        GraphReport read = current;
        read.bHasPosition = ReadPosition(spGraph, &read.llPosition, &read.llDuration);
        if (current.link != LinkState::Connected || model != current.model ||
            read.bHasPosition != current.bHasPosition || read.llPosition != current.llPosition ||
            read.llDuration != current.llDuration) {
          current = std::move(read);
          current.link = LinkState::Connected;
          current.model = std::move(model);
          bChanged = true;
        }
      } else if (current.link != LinkState::Connected || IsLostServer(hr)) {
        // Never read, or gone: the link ends. A graph that changed while it was read, or
        // refused one call, is read again at the next poll.
        current.link = current.link == LinkState::Connected ? LinkState::Lost : LinkState::Failed;
        current.hr = hr;
        current.refused.clear();
        spGraph.Release();
        bChanged = true;
      }
    }
    if (bChanged) report(current);
  }
  Finish(spGraph);
}

// The graph is released only after its publisher answered a call and before Stop gave up.
void CGraphWatcher::Finish(CComPtr<IFilterGraph>& spGraph) {
  if (!spGraph) return;
  CComQIPtr<IMediaControl, &IID_IMediaControl> spControl(spGraph);
  OAFilterState state = State_Stopped;
  if (spControl) spControl->GetState(0, &state);
  ::EnterCriticalSection(&m_cs);
  m_bReleasing = !m_bAbandoned;
  ::LeaveCriticalSection(&m_cs);
  if (!m_bReleasing) {
    spControl.Detach();
    spGraph.Detach();
  }
}
