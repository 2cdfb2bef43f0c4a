// VideoRepaint: the video window drawn again when it is uncovered while the graph is not running.
//
// Wine's renderers draw only the frames they are given: whatever covered their window while the
// graph was stopped or paused (a message box, a property page, another program) stays painted on
// it. A Windows renderer repaints its last frame itself. Under Wine the video window is watched:
// each WM_PAINT it gets posts a request to the dialog, whose thread paints the renderer's current
// image (or black before the first frame) over the window's client area.
//
//   CVideoRepaint::Watch    finds the graph's video window and starts watching it (Wine only)
//   CVideoRepaint::Paint    answers a request: the current image, or black, unless running
//   CVideoRepaint::Release  stops watching; the window, if still there, is left as it was
#pragma once

#include <dshow.h>
#include <windows.h>

// Posted to the watching window by the video window's WM_PAINT; at most one is pending.
const UINT WM_VIDEOREPAINT = WM_APP + 124;

class CVideoRepaint {
public:
  CVideoRepaint() : m_hVideo(0), m_bFrameShown(false) {}
  ~CVideoRepaint() { Release(); }

  // S_FALSE when the platform's renderer repaints by itself or the window is not found.
  HRESULT Watch(IGraphBuilder* pGraph, HWND hNotify);
  // A frame has been given to the renderer: from now on its image, not black, is painted.
  void FrameShown() { m_bFrameShown = true; }
  HRESULT Paint(IGraphBuilder* pGraph);
  void Release();

private:
  static LRESULT CALLBACK WatchProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
  HRESULT PaintImage(IGraphBuilder* pGraph, HDC hdc, const RECT& rcClient);

  HWND m_hVideo;
  bool m_bFrameShown;
};
