// Playing the own graph: the position bar (IMediaSeeking), read every kPositionMs and moved
// by the user to seek, and the graph's events (EC_COMPLETE, errors) for the status line.
#include <windows.h>

#include <commctrl.h>

#include <atlcomcli.h>

#include <cwchar>

#include "GraphEdits.h"
#include "MainWindow.h"
#include "resource.h"

using ATL::CComQIPtr;

namespace {

const LONG kBarRange = 1000;

double Seconds(LONGLONG ll) { return static_cast<double>(ll) / 10000000.0; }

}  // namespace

void CViewerWindow::CreatePositionBar(HINSTANCE hInstance) {
  m_hPosition =
      ::CreateWindowExW(0, TRACKBAR_CLASSW, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | TBS_HORZ | TBS_NOTICKS, 0, 0, 0,
                        0, m_hWnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_POSITION)), hInstance, nullptr);
  ::SendMessageW(m_hPosition, TBM_SETRANGE, FALSE, MAKELPARAM(0, kBarRange));
  ::EnableWindow(m_hPosition, FALSE);
  ::SetTimer(m_hWnd, kPositionTimer, kPositionMs, nullptr);
}

// The own graph's position, read here; a remote graph's comes with the watcher's reports.
void CViewerWindow::OnPositionTimer() {
  if (!m_doc.IsOpen()) return;
  LONGLONG llPosition = 0, llDuration = 0;
  const bool bKnown = ReadPosition(m_doc.Graph(), &llPosition, &llDuration);
  ShowPosition(bKnown, llPosition, llDuration);
}

// The bar follows the position, unless the user holds its thumb; the own graph's status line
// tells it too.
void CViewerWindow::ShowPosition(bool bKnown, LONGLONG llPosition, LONGLONG llDuration) {
  ::EnableWindow(m_hPosition, bKnown);
  wchar_t szPosition[64] = {};
  if (bKnown) {
    if (!m_bSeeking)
      ::SendMessageW(m_hPosition, TBM_SETPOS, TRUE, static_cast<LPARAM>(llPosition * kBarRange / llDuration));
    std::swprintf(szPosition, 64, L" Position: %.1f of %.1f s.", Seconds(llPosition), Seconds(llDuration));
  }
  if (m_position != szPosition) {
    m_position = szPosition;
    ShowStatus();
  }
}

void CViewerWindow::OnSeek(WORD wCode) {
  m_bSeeking = wCode == TB_THUMBTRACK;
  if (m_bSeeking) return;
  const LONG nPart = static_cast<LONG>(::SendMessageW(m_hPosition, TBM_GETPOS, 0, 0));
  EditGraph(L"The graph cannot seek", [nPart](IGraphBuilder* pGraph) { return SeekGraph(pGraph, nPart, kBarRange); });
  OnPositionTimer();
}

void CViewerWindow::Rewind() {
  SeekGraph(m_doc.Graph(), 0, 1);  // a graph that cannot seek stops where it is
}

void CViewerWindow::HookEvents() {
  CComQIPtr<IMediaEventEx, &IID_IMediaEventEx> spEvents(m_doc.Graph());
  if (spEvents) spEvents->SetNotifyWindow(reinterpret_cast<OAHWND>(m_hWnd), kGraphEventMessage, 0);
}

// Every waiting event is taken; the last that matters is shown.
void CViewerWindow::OnGraphEvent() {
  CComQIPtr<IMediaEventEx, &IID_IMediaEventEx> spEvents(m_doc.Graph());
  if (!spEvents) return;
  long lCode = 0;
  LONG_PTR lParam1 = 0, lParam2 = 0;
  while (spEvents->GetEvent(&lCode, &lParam1, &lParam2, 0) == S_OK) {
    wchar_t szEvent[96] = {};
    switch (lCode) {
      case EC_COMPLETE:
        std::swprintf(szEvent, 96, L" Last event: EC_COMPLETE.");
        break;
      case EC_ERRORABORT:
      case EC_ERRORABORTEX:
      case EC_STREAM_ERROR_STOPPED:
      case EC_STREAM_ERROR_STILLPLAYING:
      case EC_ERROR_STILLPLAYING:
        std::swprintf(szEvent, 96, L" Last event: error 0x%lX (0x%08X).", lCode, static_cast<unsigned>(lParam1));
        break;
      case EC_USERABORT:
        std::swprintf(szEvent, 96, L" Last event: EC_USERABORT.");
        break;
    }
    spEvents->FreeEventParams(lCode, lParam1, lParam2);
    if (szEvent[0]) m_event = szEvent;
  }
  ShowOwn();
}
