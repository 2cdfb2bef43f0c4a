// Support for the test graph's tests.
//
//   kGraphNotify      the notification message the dialog passes to the builds
//   NotifyWindow      a top-level window standing in for the dialog: placed where a test wants
//                     it, it counts the graph's notifications it is posted
//   RefsOf            an object's reference count, by AddRef and Release
//   SetStreamLength   the Video Generator's stream length, for a graph that ends soon
//   WaitForState      waits, bounded, until the graph manager reports a state
#pragma once

#include <dshow.h>
#include <windows.h>

#include <functional>
#include <memory>

#include "ClassSubstitute.h"
#include "atlcomcli.h"

const UINT kGraphNotify = WM_APP + 123;

class NotifyWindow {
public:
  NotifyWindow(int x = 200, int y = 600, int cx = 400, int cy = 300);
  ~NotifyWindow();
  NotifyWindow(const NotifyWindow&) = delete;
  NotifyWindow& operator=(const NotifyWindow&) = delete;

  HWND Handle() const { return m_hWnd; }
  // Dispatches what is waiting for this thread; returns the notifications counted so far.
  int Notifications();
  // Pumps until fnDone holds, at most dwTimeoutMs.
  bool PumpUntil(const std::function<bool()>& fnDone, DWORD dwTimeoutMs = 10000);

private:
  static LRESULT CALLBACK WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

  HWND m_hWnd = nullptr;
  int m_cNotifications = 0;
};

ULONG RefsOf(IUnknown* pUnknown);

HRESULT SetStreamLength(IBaseFilter* pVidGen, LONG lDurationMs);

bool WaitForState(IGraphBuilder* pGraph, OAFilterState state, DWORD dwTimeoutMs = 10000);
