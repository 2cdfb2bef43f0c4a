// Graph: the test graph.
//
//   ResizeAlgorithmName  one row of the resizer's algorithm table: value and display name
//   g_ResizeAlgorithms   the eight rows, in the order the dialog lists them
//   CGraph               owns the graph under test, the resizer's controls and the Video
//                        Generator; builds, places, forwards the settings, plays, repaints
//                        the video window where the renderer does not, tears down
//
// Every operation runs on the dialog's thread. The interfaces an operation asks of the graph
// manager are held only for the length of the call.
#pragma once

#include <dshow.h>
#include <windows.h>

#include "DSGraph.h"
#include "GraphEdit.h"
#include "IResizerControl.h"
#include "VideoRepaint.h"
#include "atlbase.h"

struct ResizeAlgorithmName {
  ResizeAlgorithm eValue;
  LPCWSTR pszName;
};

const int kResizeAlgorithmCount = 8;
extern const ResizeAlgorithmName g_ResizeAlgorithms[kResizeAlgorithmCount];

class CGraph {
public:
  CGraph() : m_GraphEdit(true) {}

  // Construction and teardown. A build that passes its argument checks starts with Close;
  // a failed one leaves what it got so far until the next build or Close.
  HRESULT BuildGraph(LPCWSTR pszName, HWND hWnd, UINT uMsg);
  HRESULT BuildVidGenGraph(HWND hWnd, UINT uMsg);

  // Detaches the notifications first, so nothing reaches the window once the graph is gone.
  void Close() {
    if (m_spGraph) {
      CComQIPtr<IMediaEventEx, &IID_IMediaEventEx> spMediaEventEx(m_spGraph);
      ATLASSERT(spMediaEventEx != 0);
      // A manager without it had no window attached by the build.
      if (spMediaEventEx) spMediaEventEx->SetNotifyWindow(0, 0, 0);
    }
    m_VideoRepaint.Release();
    // Ends the graph's publication and the apartment that served other processes: nothing
    // a viewer still holds, or left behind when it ended, keeps the graph alive.
    m_GraphEdit.Reset();
    m_spResizer.Release();
    m_spVidGen.Release();
    m_spGraph.Release();
  }

  bool IsEmpty() const { return m_spGraph == 0; }
  bool HasResizer() const { return m_spResizer != 0; }
  bool HasVideoGenerator() const { return m_spVidGen != 0; }

  // The video window's bottom edge on the dialog's top edge, centred on the work area's width.
  HRESULT PlaceVideoWindow(HWND hWnd);

  // The resizer's settings, passed through unchanged; E_FAIL without a resizer, the
  // out-parameters then untouched.
  HRESULT SetResizeAlgorithm(ResizeAlgorithm eAlgorithm);
  HRESULT GetResizeAlgorithm(ResizeAlgorithm* peAlgorithm);
  HRESULT SetAntialiasing(BOOL bAntialiasing);
  HRESULT GetAntialiasing(BOOL* pbAntialiasing);
  HRESULT SetAutoSupersampling(BOOL bAutoSupersampling);
  HRESULT GetAutoSupersampling(BOOL* pbAutoSupersampling);
  HRESULT SetClippingRect(const RECT* prcClip);
  HRESULT GetClippingRect(RECT* prcClip);
  HRESULT SetOutputSize(LONG cx, LONG cy);
  HRESULT GetOutputSize(LONG* pcx, LONG* pcy);
  HRESULT SetResizingCoeffs(double dX, double dY);
  HRESULT GetResizingCoeffs(double* pdX, double* pdY);
  HRESULT SetFixedOutput(BOOL bFixed);
  HRESULT GetFixedOutput(BOOL* pbFixed);
  HRESULT SetFlip(BOOL bFlip);
  HRESULT GetFlip(BOOL* pbFlip);

  // "Name [R64 v.Number DateTime]"; S_FALSE with the text empty without a resizer.
  HRESULT GetResizerVersion(CComBSTR& cbsVersion);

  // Playback. The graph manager's results pass through unchanged (S_FALSE from Run: still
  // changing state); E_FAIL without a graph.
  HRESULT Run() {
    ATLASSERT(m_spGraph != 0);
    return FrameComing(ControlGraph(&IMediaControl::Run));
  }
  HRESULT Pause() {
    ATLASSERT(m_spGraph != 0);
    return FrameComing(ControlGraph(&IMediaControl::Pause));
  }
  HRESULT Stop() { return ControlGraph(&IMediaControl::Stop); }

  // Absolute positions in 100 ns units; with current >= stop the stop position stays.
  HRESULT SetPositions(LONGLONG llCurrent, LONGLONG llStop);

  // Answers WM_VIDEOREPAINT, posted to the build's window: S_FALSE when nothing was painted.
  HRESULT RepaintVideo() { return m_VideoRepaint.Paint(m_spGraph); }

  // Takes one pending event without waiting; 0 when there is none.
  long GetEvent() {
    if (m_spGraph == 0) return 0;
    CComQIPtr<IMediaEvent, &IID_IMediaEvent> spMediaEvent(m_spGraph);
    ATLASSERT(spMediaEvent != 0);
    if (spMediaEvent == 0) return 0;
    long lEventCode = 0;
    LONG_PTR lParam1 = 0;
    LONG_PTR lParam2 = 0;
    if (spMediaEvent->GetEvent(&lEventCode, &lParam1, &lParam2, 0) != S_OK) return 0;
    spMediaEvent->FreeEventParams(lEventCode, lParam1, lParam2);
    return lEventCode;
  }

  // S_FALSE when there is no Video Generator.
  HRESULT ShowVidGenProperties(HWND hWnd) {
    ATLASSERT(::IsWindow(hWnd) != 0);
    if (!::IsWindow(hWnd)) return E_INVALIDARG;
    if (m_spVidGen) return ShowPropertyPages(m_spVidGen, hWnd);
    return S_FALSE;
  }

  // Hands the graph to the external viewer; the viewer bridge is reset first in every case.
  // E_FAIL without a graph.
  HRESULT ShowGraph() {
    m_GraphEdit.Reset();
    if (m_spGraph) return m_GraphEdit.ShowGraph(m_spGraph);
    return E_FAIL;
  }

  // State, in this order.
  CComPtr<IGraphBuilder> m_spGraph;
  CComPtr<IResizerControl> m_spResizer;
  CComPtr<IBaseFilter> m_spVidGen;
  CGraphEdit m_GraphEdit;
  CVideoRepaint m_VideoRepaint;

private:
  HRESULT CreateGraphManager();
  void TakeResizerControl(IBaseFilter* pResizer);
  HRESULT AttachNotifyWindow(HWND hWnd, UINT uMsg);

  // Running or paused, the renderer is given a frame: its image is what a repaint shows.
  HRESULT FrameComing(HRESULT hr) {
    if (SUCCEEDED(hr)) m_VideoRepaint.FrameShown();
    return hr;
  }

  HRESULT ControlGraph(HRESULT (STDMETHODCALLTYPE IMediaControl::*pfnChange)()) {
    if (m_spGraph == 0) return E_FAIL;
    CComQIPtr<IMediaControl, &IID_IMediaControl> spMediaControl(m_spGraph);
    ATLASSERT(spMediaControl != 0);
    if (spMediaControl == 0) return E_FAIL;
    return (spMediaControl->*pfnChange)();
  }
};
