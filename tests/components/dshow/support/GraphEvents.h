// CGraphEvents: a hidden window that takes a graph's notifications
// (IMediaEventEx::SetNotifyWindow) and lets a test wait for an event code
// while it pumps messages, every wait bounded.
#pragma once

#include <dshow.h>

#include <atlcomcli.h>

// A hidden window that receives a graph's notifications.
class CGraphEvents {
public:
  explicit CGraphEvents(IGraphBuilder* pGraph);
  ~CGraphEvents();
  CGraphEvents(const CGraphEvents&) = delete;
  CGraphEvents& operator=(const CGraphEvents&) = delete;

  // Forgets what came so far and pumps until lCode arrives or dwTimeout ms
  // pass; true if it came.
  bool WaitFor(long lCode, DWORD dwTimeout);
  // Pumps messages for dwTime ms, taking events (and noting them).
  void Pump(DWORD dwTime);
  bool Seen(long lCode) const;
  // The first parameter of the first lCode seen; 0 when none came.
  LONG_PTR FirstParam(long lCode) const;

private:
  void Drain();
  // Pumps until lCode (0: none) has come or dwTimeout ms have passed.
  bool PumpUntil(DWORD dwTimeout, long lCode);

  ATL::CComQIPtr<IMediaEventEx, &IID_IMediaEventEx> m_spEvents;
  HWND m_hWnd;
  long m_codes[64] = {};
  LONG_PTR m_params[64] = {};
  int m_cCodes = 0;
};
