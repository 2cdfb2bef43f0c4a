// Helpers for the generator's tests: COM for the test, graphs with the
// generator in them, and waiting for the graph's events through a notify
// window, every wait bounded.
#pragma once

#include <dshow.h>

#include <atlcomcli.h>

#include "VideoGenerator.h"

using ATL::CComPtr;
using ATL::CComQIPtr;

// Creates the registered generator and, when pSettings is given, sets them.
HRESULT CreateGenerator(IBaseFilter** ppFilter, const VideoGeneratorSettings* pSettings = nullptr);
// The filter's first pin in that direction.
CComPtr<IPin> FirstPin(IBaseFilter* pFilter, PIN_DIRECTION dir);
// The size of the video a connected pin carries, {0, 0} when it carries none.
SIZE ConnectedSize(IPin* pPin);

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

private:
  void Drain();
  // Pumps until lCode (0: none) has come or dwTimeout ms have passed.
  bool PumpUntil(DWORD dwTimeout, long lCode);

  CComQIPtr<IMediaEventEx, &IID_IMediaEventEx> m_spEvents;
  HWND m_hWnd;
  long m_codes[64] = {};
  int m_cCodes = 0;
};
