// Test support for graph viewers: our own graphedt.exe and the hostile ones made for the tests.
//
//   GraphPublisherPath, GraphViewerPath   the helper processes, as Windows paths
//   PublishedGraphOf      the running object table's entry of a process, once it is there
//   FindMainWindow        a viewer's visible top-level window with caption, system menu and sizing frame
//   FindConnectDialog     a top-level window owned by hWndOwner, and its first "ListBox"
#pragma once

#include <windows.h>

#include <string>

#include "PublishedGraphs.h"

namespace viewer_test {

std::wstring GraphPublisherPath();
std::wstring GraphViewerPath();

bool PublishedGraphOf(DWORD dwProcessId, PublishedGraph* pGraph, DWORD dwTimeoutMs = 10000);

HWND FindMainWindow(DWORD dwProcessId);
bool FindConnectDialog(HWND hWndOwner, HWND* phDialog, HWND* phList);
}  // namespace viewer_test
