// A second process for the viewer bridge's tests: it looks a published graph up in the
// running object table, or stands in for a started viewer that does or does not obey WM_QUIT.
//
//   viewer_peer lookup NAME   exit 100 + the graph's filter count, 1 when NAME is not running
//   viewer_peer obey-quit     leaves its message loop at WM_QUIT, exit 0
//   viewer_peer ignore-quit   takes WM_QUIT and goes on waiting, until it is terminated
#include <dshow.h>
#include <windows.h>

#include <cwchar>

namespace {

int Lookup(LPCWSTR pszName) {
  if (FAILED(::CoInitialize(nullptr))) return 2;
  int nExit = 2;
  IRunningObjectTable* pROT = nullptr;
  IMoniker* pMoniker = nullptr;
  IUnknown* pUnknown = nullptr;
  IFilterGraph* pGraph = nullptr;
  IEnumFilters* pEnum = nullptr;
  if (::GetRunningObjectTable(0, &pROT) == S_OK && ::CreateItemMoniker(L"!", pszName, &pMoniker) == S_OK) {
    HRESULT hr = pROT->GetObject(pMoniker, &pUnknown);
    if (hr == MK_E_UNAVAILABLE) {
      nExit = 1;
    } else if (hr == S_OK && pUnknown->QueryInterface(IID_IFilterGraph, reinterpret_cast<void**>(&pGraph)) == S_OK &&
               pGraph->EnumFilters(&pEnum) == S_OK) {
      // Across processes the enumerator takes one filter a call, with a fetched count.
      int cFilters = 0;
      IBaseFilter* pFilter = nullptr;
      ULONG cFetched = 0;
      while (pEnum->Next(1, &pFilter, &cFetched) == S_OK && cFetched == 1) {
        pFilter->Release();
        ++cFilters;
      }
      nExit = 100 + cFilters;
    }
  }
  if (pEnum) pEnum->Release();
  if (pGraph) pGraph->Release();
  if (pUnknown) pUnknown->Release();
  if (pMoniker) pMoniker->Release();
  if (pROT) pROT->Release();
  ::CoUninitialize();
  return nExit;
}

int MessageLoop(bool bObeyQuit) {
  MSG msg;
  for (;;) {
    const BOOL bGot = ::GetMessageW(&msg, nullptr, 0, 0);
    if (bGot == -1) return 2;
    if (bGot == 0 && bObeyQuit) return 0;
    if (bGot != 0) ::DispatchMessageW(&msg);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  int argc = 0;
  LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  if (argv == nullptr || argc < 2) return 3;
  if (std::wcscmp(argv[1], L"lookup") == 0 && argc == 3) return Lookup(argv[2]);
  if (std::wcscmp(argv[1], L"obey-quit") == 0) return MessageLoop(true);
  if (std::wcscmp(argv[1], L"ignore-quit") == 0) return MessageLoop(false);
  return 3;
}
