// graphedt.exe: a graph viewer. It lists the filter graphs other processes
// published in the running object table, connects to one and shows its
// filters, pins, connections and state.
//
//   graphedt.exe                 the viewer
//   graphedt.exe /RegServer      writes the viewer's Path value; /UnregServer removes it
#include <objbase.h>

#include <cwchar>

#include "MainWindow.h"
#include "ViewerRegistration.h"
#include "resource.h"

namespace {

// How long a watcher still inside a call at the end is given to finish it and release the
// graph, once the publisher serves calls again.
const DWORD kReleaseBoundMs = 5000;

DWORD WINAPI EndWhenReleased(LPVOID pThread) {
  ::WaitForSingleObject(static_cast<HANDLE>(pThread), kReleaseBoundMs);
  ::ExitProcess(0);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, LPWSTR pszCmdLine, int nShowCmd) {
  if (pszCmdLine && std::wcsstr(pszCmdLine, L"/RegServer")) return FAILED(RegisterViewer()) ? 1 : 0;
  if (pszCmdLine && std::wcsstr(pszCmdLine, L"/UnregServer")) return FAILED(UnregisterViewer()) ? 1 : 0;

  // The window exists before the first wait on the message queue: whoever
  // waits for this process to become idle then finds it.
  CViewerWindow window;
  if (!window.Create(hInstance, nShowCmd)) return 1;
  const HRESULT hrCom = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (FAILED(hrCom) || FAILED(window.StartWatching())) return 1;

  HACCEL hAccel = ::LoadAcceleratorsW(hInstance, MAKEINTRESOURCEW(IDR_MAIN));
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (hAccel && ::TranslateAcceleratorW(window.Handle(), hAccel, &msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  HANDLE hReading = window.Close();
  ::CoUninitialize();
  if (!hReading) return 0;
  // A watcher still inside a call to the publisher: this thread ends now, so that a
  // publisher waiting for it serves calls again and the watcher can release what it took;
  // the process ends when the watcher has, or at the bound.
  if (!::CreateThread(nullptr, 0, EndWhenReleased, hReading, 0, nullptr)) ::ExitProcess(0);
  ::ExitThread(0);
}
