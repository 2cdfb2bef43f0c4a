// VidGenPlay.exe: plays the registered Video Generator into Wine's (or
// Windows') video window, pauses on the picture and holds it, so that a
// script can photograph it.
//
//   VidGenPlay.exe [play_ms [hold_ms]]   prints READY once paused
#include <dshow.h>

#include <atlcomcli.h>

#include <cstdio>
#include <cwchar>

#include "VideoGenerator.h"

using ATL::CComPtr;
using ATL::CComQIPtr;

namespace {

// Keeps the windows of this thread answering for dwTime ms.
void Pump(DWORD dwTime) {
  const DWORD dwStart = ::GetTickCount();
  for (DWORD dwElapsed = 0; dwElapsed < dwTime; dwElapsed = ::GetTickCount() - dwStart) {
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, dwTime - dwElapsed, QS_ALLINPUT);
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
  }
}

HRESULT Play(DWORD dwPlay, DWORD dwHold) {
  CComPtr<IGraphBuilder> spGraph;
  HRESULT hr = spGraph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER);
  if (FAILED(hr)) return hr;
  CComPtr<IBaseFilter> spGenerator;
  hr = spGenerator.CoCreateInstance(CLSID_VideoGenerator, nullptr, CLSCTX_INPROC_SERVER);
  if (FAILED(hr)) return hr;
  if (FAILED(hr = spGraph->AddFilter(spGenerator, L"Video Generator"))) return hr;
  CComPtr<IPin> spOut;
  if (FAILED(hr = spGenerator->FindPin(L"Output", &spOut))) return hr;
  if (FAILED(hr = spGraph->Render(spOut))) return hr;

  CComQIPtr<IVideoWindow, &IID_IVideoWindow> spWindow(spGraph);
  CComQIPtr<IMediaControl, &IID_IMediaControl> spControl(spGraph);
  if (!spWindow || !spControl) return E_NOINTERFACE;
  BSTR bstrCaption = ::SysAllocString(L"Video Generator");
  spWindow->put_Caption(bstrCaption);
  ::SysFreeString(bstrCaption);
  spWindow->SetWindowPosition(40, 40, 680, 520);

  if (FAILED(hr = spControl->Run())) return hr;
  OAFilterState state;
  if (FAILED(hr = spControl->GetState(5000, &state))) return hr;
  Pump(dwPlay);
  if (FAILED(hr = spControl->Pause())) return hr;
  Pump(200);  // the paused frame is drawn
  std::printf("READY\n");
  std::fflush(stdout);
  Pump(dwHold);
  return spControl->Stop();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const DWORD dwPlay = argc > 1 ? std::wcstoul(argv[1], nullptr, 10) : 1500;
  const DWORD dwHold = argc > 2 ? std::wcstoul(argv[2], nullptr, 10) : 5000;
  HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (FAILED(hr)) return static_cast<int>(hr);
  hr = Play(dwPlay, dwHold);
  ::CoUninitialize();
  if (FAILED(hr)) std::fprintf(stderr, "VidGenPlay: failed, 0x%08lX\n", static_cast<unsigned long>(hr));
  return FAILED(hr) ? 1 : 0;
}
