// CGraphWatcher: the viewer's link to a graph of another process, on a thread
// of its own in the multithreaded apartment.
//
// Every call into the remote graph is made here, never on the window's
// thread: a publisher that blocks while it waits for the viewer to quit then
// cannot hold the viewer's message loop, and WM_QUIT always ends the viewer
// at once. The thread reads the graph every kPollMs (and on Refresh) and
// posts each copy that differs from the last to the window.
//
// Between reads it holds the graph's proxy alone: each read releases the
// filters and pins it took. (Taking the graph from the running object table
// at every read instead, measured under Wine, left the publisher's entry
// unavailable within seconds and its graph released by the table.)
//
// At the end the proxy is released only when the publisher still answers a call within the
// bound. A publisher that waits for the viewer's primary thread without serving calls, as
// the bench does, registers its graph again right after that wait; a release it served then
// would drop the last strong reference of the graph's stub, and with it the new entry of a
// table that holds weak ones (Wine's stub manager, as COM prescribes). Such a publisher's
// proxy is abandoned with the process: the publisher disconnects it when it closes the graph.
// Edits of the graph (connections, removals, seeks) are made here too, in the order asked, each
// a function of the graph's proxy; a refusal comes back with the next report.
// The window receives uMsg with lParam a GraphReport* that it must delete.
#pragma once

#include <windows.h>

#include <atlcomcli.h>
#include <atlhandle.h>

#include <functional>
#include <string>
#include <vector>

#include "GraphModel.h"

enum class LinkState { Idle, Connected, Lost, Failed };

struct GraphReport {
  LinkState link = LinkState::Idle;
  HRESULT hr = S_OK;        // why the link failed or was lost, or the last command or edit failed
  std::wstring refused;     // what the last edit that failed was to do
  std::wstring cookieName;  // the graph asked for
  GraphModel model;
  // The graph's position and duration (IMediaSeeking); bHasPosition false when unknown.
  bool bHasPosition = false;
  LONGLONG llPosition = 0;
  LONGLONG llDuration = 0;
};

class CGraphWatcher {
public:
  static const DWORD kPollMs = 500;

  CGraphWatcher(HWND hWndNotify, UINT uMsg);
  ~CGraphWatcher();
  CGraphWatcher(const CGraphWatcher&) = delete;
  CGraphWatcher& operator=(const CGraphWatcher&) = delete;

  HRESULT Start();
  // True when the thread ended within the bound. Otherwise it is still inside a call to a
  // publisher that does not answer, has given up the graph without releasing it, and the
  // process must end without destroying this object.
  bool Stop(DWORD dwTimeoutMs);

  void Connect(const std::wstring& cookieName);
  void Disconnect();
  enum class Command { None, Run, Pause, Stop };
  void Control(Command command);
  void Refresh();
  // fnEdit is called with the graph's proxy; pszWhat says what it does, for its refusal.
  using EditFn = std::function<HRESULT(IGraphBuilder*)>;
  void Edit(const std::wstring& what, const EditFn& fnEdit);

private:
  struct GraphEdit {
    std::wstring what;
    EditFn fnEdit;
  };
  struct Request {
    bool bConnect = false;
    bool bDisconnect = false;
    bool bRefresh = false;
    Command command = Command::None;
    std::vector<GraphEdit> edits;
    std::wstring cookieName;
  };

  static DWORD WINAPI ThreadProc(LPVOID pParam);
  void Run();
  void Post(const Request& request);
  bool Take(Request* pRequest);
  void Finish(ATL::CComPtr<IFilterGraph>& spGraph);

  HWND m_hWndNotify;
  UINT m_uMsg;
  ATL::CHandle m_hThread;
  ATL::CHandle m_hWake;
  CRITICAL_SECTION m_cs;
  Request m_pending;          // under m_cs
  bool m_bQuit = false;       // under m_cs
  bool m_bReleasing = false;  // under m_cs: the publisher answered at the end
  bool m_bAbandoned = false;  // under m_cs: the end's bound passed first
};
