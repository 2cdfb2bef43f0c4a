// GraphPublisher.exe: a process that publishes a graph the way the bench does, for the viewer's
// tests: Video Generator -> Resizer -> video renderer, registered in the running object table by
// CGraphEdit::RegisterGraph. It serves calls into the graph until WM_QUIT reaches its thread,
// or at the latest after two minutes; a test that wants it to die terminates it.
#include <dshow.h>

#include <atlcomcli.h>

#include <IResizerControl.h>
#include <VideoGenerator.h>

#include "GraphEdit.h"

using ATL::CComPtr;

namespace {

HRESULT Build(IGraphBuilder* pGraph) {
  CComPtr<IBaseFilter> spGenerator, spResizer;
  HRESULT hr = spGenerator.CoCreateInstance(CLSID_VideoGenerator, nullptr, CLSCTX_INPROC_SERVER);
  if (FAILED(hr)) return hr;
  if (FAILED(hr = spResizer.CoCreateInstance(CLSID_Resizer, nullptr, CLSCTX_INPROC_SERVER))) return hr;
  if (FAILED(hr = pGraph->AddFilter(spGenerator, L"Video Generator"))) return hr;
  if (FAILED(hr = pGraph->AddFilter(spResizer, L"Resizer"))) return hr;
  CComPtr<IPin> spOut, spIn, spResized;
  if (FAILED(hr = spGenerator->FindPin(L"Output", &spOut))) return hr;
  if (FAILED(hr = spResizer->FindPin(L"Input", &spIn))) return hr;
  if (FAILED(hr = pGraph->ConnectDirect(spOut, spIn, nullptr))) return hr;
  if (FAILED(hr = spResizer->FindPin(L"Output", &spResized))) return hr;
  return pGraph->Render(spResized);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  MSG msg;
  ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue, for WM_QUIT
  if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  int nExit = 0;
  {
    CComPtr<IGraphBuilder> spGraph;
    DWORD dwCookie = 0;
    HRESULT hr = spGraph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER);
    if (SUCCEEDED(hr)) hr = Build(spGraph);
    if (SUCCEEDED(hr)) hr = CGraphEdit::RegisterGraph(spGraph, &dwCookie);
    if (FAILED(hr)) {
      nExit = 2;
    } else {
      ::SetTimer(nullptr, 0, 120000, nullptr);
      while (::GetMessageW(&msg, nullptr, 0, 0) > 0 && msg.message != WM_TIMER) ::DispatchMessageW(&msg);
      CGraphEdit::RevokeGraph(dwCookie);
    }
  }
  ::CoUninitialize();
  return nExit;
}
