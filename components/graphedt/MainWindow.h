// CViewerWindow: the viewer's main window. A caption, system menu and sizing
// frame; the menu and buttons for connecting and for run, pause and stop; the
// list of the graph's filters and connections; the drawing of the graph; the
// link's state and the selected connection's media type.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "FilterCatalog.h"
#include "GraphDocument.h"
#include "GraphEdits.h"
#include "GraphView.h"
#include "GraphWatcher.h"

class CViewerWindow {
public:
  static constexpr const wchar_t* kAppTitle = L"GraphEdit";

  CViewerWindow() = default;
  ~CViewerWindow();
  CViewerWindow(const CViewerWindow&) = delete;
  CViewerWindow& operator=(const CViewerWindow&) = delete;

  bool Create(HINSTANCE hInstance, int nShowCmd);
  HRESULT StartWatching();
  // Ends the watcher and destroys the window. False when the watcher is still inside a call
  // to a publisher that does not answer: the process must then end at once.
  bool Close();
  HWND Handle() const { return m_hWnd; }
  // Makes the file's graph the viewer's own; a refusal is shown in a box.
  void OpenDocument(const std::wstring& path);

private:
  static LRESULT CALLBACK WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam);

  void OnCreate();
  void OnSize();
  void OnCommand(WORD wId, WORD wCode);
  void OnReport(GraphReport* pReport);
  void OnPaint();
  void OnClick(POINT pt, bool bDouble);

  void Connect();
  void LeaveRemote();
  void ShowOwn();
  void ApplyReport(GraphReport report);
  void Control(CGraphWatcher::Command command);
  HRESULT InsertFilter(const RegisteredFilter& filter);
  void RemoveSelection();
  std::wstring Title() const;
  void ShowFailure(LPCWSTR pszWhat, HRESULT hr);
  // An edit of the graph shown: the own graph's at once, a refusal in a box; a remote graph's
  // on the watcher's thread, a refusal in the status line.
  void EditGraph(const std::wstring& what, const CGraphWatcher::EditFn& fnEdit);
  PinName PinNameOf(const ConnectionRef& pin) const;

  // The own graph's file commands (FileCommands.cpp).
  bool ConfirmDiscard();
  void OnRenderFile();
  void NewDocument();
  void OnOpen();
  bool SaveDocument(bool bAskName);

  // Pins, dragging and property pages on the canvas (EditCommands.cpp).
  bool HasPin(const ConnectionRef& pin) const;
  void OnPinClick(const ConnectionRef& pin, bool bDouble);
  void OnDrag(POINT pt);
  void OnDragEnd(POINT pt, bool bIntelligent);
  void ConnectPins(const ConnectionRef& out, const ConnectionRef& in, bool bIntelligent);
  void RenderSelectedPin();
  void OpenPinPage(const ConnectionRef& pin);
  void OpenFilterPages(int nFilter);
  void PaintEditing(HDC hdc);
  void ClearPin();

  // Playing the own graph (Playback.cpp).
  static const UINT kGraphEventMessage = WM_APP + 2;
  static const UINT_PTR kPositionTimer = 1;
  static const UINT kPositionMs = 250;
  void CreatePositionBar(HINSTANCE hInstance);
  void OnPositionTimer();
  void ShowPosition(bool bKnown, LONGLONG llPosition, LONGLONG llDuration);
  void OnSeek(WORD wCode);
  void Rewind();
  void HookEvents();
  void OnGraphEvent();

  // The canvas: layout, scroll bars, boxes moved (Canvas.cpp).
  void CreateScrollBars(HINSTANCE hInstance);
  void Relayout();
  POINT CanvasOrigin() const;
  RECT CanvasArea() const;
  void OnScroll(HWND hBar, WORD wCode);
  void OnWheel(short nDelta);
  void BeginBoxDrag(int nFilter, POINT pt);
  void OnBoxDrag(POINT pt);
  void EndBoxDrag();

  void Select(int nConnection);
  void SelectFilter(int nFilter);
  void OpenMediaTypePage();
  void ShowElements();
  void ShowStatus();
  void ShowDetail();
  RECT CanvasRect() const;

  HWND m_hWnd = nullptr;
  HWND m_hElements = nullptr;
  HWND m_hStatus = nullptr;
  HWND m_hDetail = nullptr;
  HWND m_hPosition = nullptr;
  HWND m_hHScroll = nullptr;
  HWND m_hVScroll = nullptr;
  bool m_bHScroll = false;  // shown: the graph is wider than the canvas
  bool m_bVScroll = false;
  POINT m_ptScroll = {};  // the canvas's scroll position
  BoxPlacements m_placed;
  int m_nMovingFilter = -1;                 // the box being dragged, with the mouse captured
  POINT m_ptGrab = {};                      // where the box was grabbed, from its top left corner
  std::vector<RegisteredFilter> m_catalog;  // read at the first filter selected
  bool m_bCatalogRead = false;
  bool m_bSeeking = false;  // the user holds the bar's thumb
  std::wstring m_position;  // for the status line: " Position: ..." of the own graph
  std::wstring m_event;     // " Last event: ..." of the own graph
  std::unique_ptr<CGraphWatcher> m_spWatcher;
  CGraphDocument m_doc;  // the own graph; while open, the watcher is idle
  GraphReport m_report;
  std::wstring m_itemText;  // the connect dialog's text of the graph shown
  GraphLayout m_layout;
  int m_nSelected = -1;            // index into m_layout.connections
  int m_nSelectedFilter = -1;      // index into m_report.model.filters
  ConnectionRef m_pin = {-1, -1};  // the selected pin
  bool m_bDragging = false;        // from m_pin, with the mouse captured
  POINT m_ptDrag = {};
};
