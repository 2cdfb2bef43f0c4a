// The viewer's own registry entry: the "Path" value under
// HKEY_LOCAL_MACHINE\Software\Microsoft\Shared Tools\Graphedit, naming this executable.
//   graphedt.exe /RegServer     writes it
//   graphedt.exe /UnregServer   removes the value
#pragma once

#include <windows.h>

HRESULT RegisterViewer();
HRESULT UnregisterViewer();
