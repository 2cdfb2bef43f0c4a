// The canvas: the graph's layout at the scroll position, the scroll bars shown while the
// graph is larger than the canvas, and filter boxes dragged to where the user wants them.
#include <windows.h>

#include <algorithm>

#include "MainWindow.h"
#include "resource.h"

namespace {

const int kCanvasMargin = 24;  // around the graph
const int kScrollLine = 20;
const int kWheelLines = 3;

}  // namespace

void CViewerWindow::CreateScrollBars(HINSTANCE hInstance) {
  auto bar = [&](DWORD dwStyle, int nId) {
    return ::CreateWindowExW(0, L"ScrollBar", L"", WS_CHILD | dwStyle, 0, 0, 0, 0, m_hWnd,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(nId)), hInstance, nullptr);
  };
  m_hHScroll = bar(SBS_HORZ, IDC_CANVAS_HSCROLL);
  m_hVScroll = bar(SBS_VERT, IDC_CANVAS_VSCROLL);
}

// The layout made again at the scroll position; the bars show while the graph does not fit,
// each bar taking room from the other direction.
void CViewerWindow::Relayout() {
  const RECT rcArea = CanvasArea();
  const int cxBar = ::GetSystemMetrics(SM_CXVSCROLL), cyBar = ::GetSystemMetrics(SM_CYHSCROLL);
  HDC hdc = ::GetDC(m_hWnd);
  GraphLayout layout = GraphLayout::Make(m_report.model, {0, 0}, hdc, m_placed);
  const int cxGraph = layout.extent.cx + 2 * kCanvasMargin, cyGraph = layout.extent.cy + 2 * kCanvasMargin;
  const int cxArea = rcArea.right - rcArea.left, cyArea = rcArea.bottom - rcArea.top;
  bool bH = cxGraph > cxArea, bV = cyGraph > cyArea;
  bH = bH || (bV && cxGraph > cxArea - cxBar);
  bV = bV || (bH && cyGraph > cyArea - cyBar);
  m_bHScroll = bH;
  m_bVScroll = bV;
  const RECT rc = CanvasRect();

  auto fit = [](HWND hBar, bool bShown, int nRange, int nPage, LONG* pnPos) {
    SCROLLINFO si = {};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMax = bShown ? nRange - 1 : 0;
    si.nPage = bShown ? static_cast<UINT>(nPage) : 0;
    si.nPos = bShown ? std::max(0, std::min(static_cast<int>(*pnPos), nRange - nPage)) : 0;
    *pnPos = si.nPos;
    ::SetScrollInfo(hBar, SB_CTL, &si, TRUE);
    ::ShowWindow(hBar, bShown ? SW_SHOWNA : SW_HIDE);
  };
  fit(m_hHScroll, bH, cxGraph, static_cast<int>(rc.right - rc.left), &m_ptScroll.x);
  fit(m_hVScroll, bV, cyGraph, static_cast<int>(rc.bottom - rc.top), &m_ptScroll.y);
  ::MoveWindow(m_hHScroll, rc.left, rc.bottom, rc.right - rc.left, cyBar, TRUE);
  ::MoveWindow(m_hVScroll, rc.right, rc.top, cxBar, rc.bottom - rc.top, TRUE);

  m_layout = GraphLayout::Make(m_report.model, CanvasOrigin(), hdc, m_placed);
  ::ReleaseDC(m_hWnd, hdc);
  ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

// Where the layout's origin lies in the client area, the scroll position taken into account.
POINT CViewerWindow::CanvasOrigin() const {
  const RECT rc = CanvasRect();
  return {rc.left + kCanvasMargin - m_ptScroll.x, rc.top + kCanvasMargin - m_ptScroll.y};
}

RECT CViewerWindow::CanvasRect() const {
  RECT rc = CanvasArea();
  if (m_bVScroll) rc.right = std::max(rc.left, rc.right - ::GetSystemMetrics(SM_CXVSCROLL));
  if (m_bHScroll) rc.bottom = std::max(rc.top, rc.bottom - ::GetSystemMetrics(SM_CYHSCROLL));
  return rc;
}

void CViewerWindow::OnScroll(HWND hBar, WORD wCode) {
  SCROLLINFO si = {};
  si.cbSize = sizeof si;
  si.fMask = SIF_ALL;
  if (!::GetScrollInfo(hBar, SB_CTL, &si)) return;
  int nPos = si.nPos;
  switch (wCode) {
    case SB_LINEUP:
      nPos -= kScrollLine;
      break;
    case SB_LINEDOWN:
      nPos += kScrollLine;
      break;
    case SB_PAGEUP:
      nPos -= static_cast<int>(si.nPage);
      break;
    case SB_PAGEDOWN:
      nPos += static_cast<int>(si.nPage);
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      nPos = si.nTrackPos;
      break;
    case SB_TOP:
      nPos = si.nMin;
      break;
    case SB_BOTTOM:
      nPos = si.nMax;
      break;
    default:
      return;
  }
  (hBar == m_hHScroll ? m_ptScroll.x : m_ptScroll.y) = nPos;
  Relayout();
}

void CViewerWindow::OnWheel(short nDelta) {
  if (!m_bVScroll) return;
  m_ptScroll.y -= nDelta * kWheelLines * kScrollLine / WHEEL_DELTA;
  Relayout();
}

// A press on a filter's box starts moving it; the box keeps the point grabbed under the mouse.
void CViewerWindow::BeginBoxDrag(int nFilter, POINT pt) {
  if (nFilter < 0 || nFilter >= static_cast<int>(m_layout.boxes.size())) return;
  m_nMovingFilter = nFilter;
  m_ptGrab = {pt.x - m_layout.boxes[nFilter].left, pt.y - m_layout.boxes[nFilter].top};
  ::SetCapture(m_hWnd);
}

void CViewerWindow::OnBoxDrag(POINT pt) {
  if (m_nMovingFilter < 0 || m_nMovingFilter >= static_cast<int>(m_report.model.filters.size())) return;
  const POINT ptOrigin = CanvasOrigin();
  // Not past the graph's top or left edge: the canvas scrolls only right and down.
  m_placed[m_report.model.filters[m_nMovingFilter].name] = {std::max(0L, pt.x - m_ptGrab.x - ptOrigin.x),
                                                            std::max(0L, pt.y - m_ptGrab.y - ptOrigin.y)};
  Relayout();
}

void CViewerWindow::EndBoxDrag() {
  if (m_nMovingFilter < 0) return;
  m_nMovingFilter = -1;
  if (::GetCapture() == m_hWnd) ::ReleaseCapture();
}
