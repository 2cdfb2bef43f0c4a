// GraphEdit: the bridge to the external graph viewer.
//
//   CGraphEdit   publishes a graph in the running object table and ends the viewer it started
//
// The viewer finds the graph by its item name "FilterGraph <low 32 bits of the pointer> pid
// <process id>", both as eight lowercase hexadecimal digits.
#pragma once

#include <windows.h>
#include <objbase.h>

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

  // State, in this order; only the operations above change it.
  DWORD m_dwCookie;
  PROCESS_INFORMATION m_rgPI;  // the viewer this object started; its handles are owned
  HWND m_hWndGraphEdit;        // another process's window: cached, not owned
  HWND m_hWndList;             // likewise
  bool m_bCloseOnDestroy;
};
