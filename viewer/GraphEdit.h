// GraphEdit: the bridge to the external graph viewer.
//
//   CGraphEdit   publishes a graph in the running object table, starts the viewer, finds its
//                windows, selects the graph in its connect dialog, and ends the viewer it started
//
// The viewer finds the graph by its item name "FilterGraph <low 32 bits of the pointer> pid
// <process id>", both as eight lowercase hexadecimal digits. Its connect dialog lists the graph
// as an item holding "pid <process id> " and ending in "IFilterGraph = <graph number>".
//
// The published graph is served to other processes from an apartment of its own
// (GraphPublication), which Reset ends. Everything else runs on the caller's thread and every
// wait is bounded: 1000 ms for the viewer to become idle and to end, and for the publication's
// apartment to end, 100 ms for its main window to show, nine tries 10 ms apart for its connect
// dialog, whose list answers within those 90 ms or is given up.
#pragma once

#include <objbase.h>
#include <windows.h>

class CGraphEdit {
public:
  // bCloseOnDestroy: whether destruction performs Reset.
  explicit CGraphEdit(bool bCloseOnDestroy);
  ~CGraphEdit();
  // It owns the viewer's handles and the registration.
  CGraphEdit(const CGraphEdit&) = delete;
  CGraphEdit& operator=(const CGraphEdit&) = delete;

  // Revokes the registration, forgets the viewer's windows and ends the viewer.
  void Reset();

  // Registers pGraph under its item name; *pdwCookie is 0 unless the table took it.
  static HRESULT RegisterGraph(IUnknown* pGraph, DWORD* pdwCookie);
  // Cookie 0 is nothing registered; failures are ignored.
  static void RevokeGraph(DWORD dwCookie);

  // Asks the viewer's primary thread to quit, waits for it at most 1000 ms, never
  // terminates it, and closes both handles.
  void CloseGraphEdit();

  // Publishes pGraph, starts the viewer and drives it into connecting to the graph. S_OK once
  // the viewer's main window was found, whatever its connect dialog then did; S_FALSE when
  // the window was not found; REGDB_E_CLASSNOTREG when Proppage.dll is not registered.
  HRESULT ShowGraph(IUnknown* pGraph);

  // Proppage.dll's registration: true when registered and, for a non-null pszPath (260
  // characters), its path was read; pszPath is empty otherwise.
  static bool GetProppagePath(LPWSTR pszPath);
  // Starts the viewer named by the registry's Path value (or graphedt.exe in the current
  // directory), or else the one beside Proppage.dll, and waits until it is idle.
  HRESULT LoadGraphEdit(LPCWSTR pszProppagePath);
  // The viewer's top-level window with caption, system menu and sizing frame, once visible.
  bool FindMainWindow();
  bool WaitWhileHidden();
  static BOOL CALLBACK EnumMainWindowProc(HWND hWnd, LPARAM lParam);
  BOOL EnumMainWindow(HWND hWnd);

  // The viewer's connect command, posted to its main window.
  void PostConnectCommand();
  // Selects pGraph's item in the connect dialog and confirms it, when the dialog shows it in time.
  void SelectRemoteGraph(IUnknown* pGraph);
  static BOOL CALLBACK EnumDialogProc(HWND hWnd, LPARAM lParam);
  BOOL EnumDialog(HWND hWnd);
  static BOOL CALLBACK EnumListBoxProc(HWND hWnd, LPARAM lParam);
  BOOL EnumListBox(HWND hWnd);
  // Index of the first item of m_hWndList that names pGraph, or -1. The list's answers are
  // awaited 90 ms at most, all together.
  int FindGraphItem(IUnknown* pGraph);
  // Whether one item text names this process and pGraph.
  static bool MatchCookieName(LPCWSTR pszCookieName, IUnknown* pGraph);

  // The same with the list's answers awaited until dwDeadline (GetTickCount); *pbAnswered is
  // false when the list did not answer in time, or its thread hangs.
  int FindGraphItemBefore(IUnknown* pGraph, DWORD dwDeadline, bool* pbAnswered);

  // State, in this order; only the operations above change it.
  DWORD m_dwCookie;
  PROCESS_INFORMATION m_rgPI;  // the viewer this object started; its handles are owned
  HWND m_hWndGraphEdit;        // another process's window: cached, not owned
  HWND m_hWndList;             // likewise
  bool m_bCloseOnDestroy;
};
