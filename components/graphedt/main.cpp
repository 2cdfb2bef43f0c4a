// graphedt.exe: a graph viewer and editor. It lists the filter graphs other processes
// published in the running object table, connects to one and shows its filters, pins,
// connections and state; and it makes, changes, saves and plays graphs of its own.
//
//   graphedt.exe                 the viewer
//   graphedt.exe FILE.grf        the viewer with the file's graph as its own
//   graphedt.exe /RegServer      writes the viewer's Path value; /UnregServer removes it
#include <objbase.h>

#include <commctrl.h>

#include <cwchar>
#include <string>

#include "MainWindow.h"
#include "ViewerRegistration.h"
#include "resource.h"

namespace {

// The command line's file, without the quotes around it.
std::wstring GraphFileArgument(LPCWSTR pszCmdLine) {
  std::wstring file = pszCmdLine ? pszCmdLine : L"";
  file.erase(0, file.find_first_not_of(L" \t"));
  file.erase(file.find_last_not_of(L" \t") + 1);
  if (file.size() >= 2 && file.front() == L'"' && file.back() == L'"') file = file.substr(1, file.size() - 2);
  return file;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, LPWSTR pszCmdLine, int nShowCmd) {
  if (pszCmdLine && std::wcsstr(pszCmdLine, L"/RegServer")) return FAILED(RegisterViewer()) ? 1 : 0;
  if (pszCmdLine && std::wcsstr(pszCmdLine, L"/UnregServer")) return FAILED(UnregisterViewer()) ? 1 : 0;

  // The window exists before the first wait on the message queue: whoever
  // waits for this process to become idle then finds it.
  // The position bar is a trackbar.
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_BAR_CLASSES};
  ::InitCommonControlsEx(&icc);
  CViewerWindow window;
  if (!window.Create(hInstance, nShowCmd)) return 1;
  const HRESULT hrCom = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (FAILED(hrCom) || FAILED(window.StartWatching())) return 1;
  const std::wstring file = GraphFileArgument(pszCmdLine);
  if (!file.empty()) window.OpenDocument(file);

  HACCEL hAccel = ::LoadAcceleratorsW(hInstance, MAKEINTRESOURCEW(IDR_MAIN));
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (hAccel && ::TranslateAcceleratorW(window.Handle(), hAccel, &msg)) continue;
    // Tab and Shift+Tab move between the window's controls.
    if (::IsDialogMessageW(window.Handle(), &msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  const bool bStopped = window.Close();
  ::CoUninitialize();
  // A watcher inside a call to a publisher that does not answer ends with the process.
  if (!bStopped) ::ExitProcess(0);
  return 0;
}
