// Test support for graph viewers: our own graphedt.exe and the hostile ones made for the tests.
//
//   GraphPublisherPath, GraphViewerPath, HostilePath   the helper processes, as Windows paths
//   PublishedGraphOf      the running object table's entry of a process, once it is there
//   HasTopWindow          whether a process has a top-level window, visible or not
//   FindMainWindow        a viewer's visible top-level window with caption, system menu and sizing frame
//   FindConnectDialog     a top-level window owned by hWndOwner, and its first "ListBox"
#pragma once

#include <windows.h>

#include <string>

#include "PublishedGraphs.h"

namespace viewer_test {

std::wstring GraphPublisherPath();
std::wstring GraphViewerPath();
// One of the hostile viewers, by its program's name ("NeverIdle").
std::wstring HostilePath(LPCWSTR pszName);

bool PublishedGraphOf(DWORD dwProcessId, PublishedGraph* pGraph, DWORD dwTimeoutMs = 10000);

bool HasTopWindow(DWORD dwProcessId);
HWND FindMainWindow(DWORD dwProcessId);
bool FindConnectDialog(HWND hWndOwner, HWND* phDialog, HWND* phList);
}  // namespace viewer_test
