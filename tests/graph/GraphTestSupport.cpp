#include "GraphTestSupport.h"

#include "ComEnvironment.h"
#include "UiDriver.h"
#include "VideoGenerator.h"

namespace {

const wchar_t kWindowClass[] = L"LumivarGraphTestWindow";

}  // namespace

NotifyWindow::NotifyWindow(int x, int y, int cx, int cy) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = &NotifyWindow::WindowProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = kWindowClass;
  ::RegisterClassW(&wc);  // a second registration fails harmlessly
  m_hWnd = ::CreateWindowExW(0, kWindowClass, L"Graph test", WS_OVERLAPPEDWINDOW, x, y, cx, cy, nullptr, nullptr,
                             wc.hInstance, this);
}

NotifyWindow::~NotifyWindow() {
  if (m_hWnd) ::DestroyWindow(m_hWnd);
}

int NotifyWindow::Notifications() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
  return m_cNotifications;
}

bool NotifyWindow::PumpUntil(const std::function<bool()>& fnDone, DWORD dwTimeoutMs) {
  return harness::WaitUntil(
      [&] {
        Notifications();
        return fnDone();
      },
      dwTimeoutMs);
}

LRESULT CALLBACK NotifyWindow::WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  if (uMsg == WM_NCCREATE) {
    auto* pCreate = reinterpret_cast<CREATESTRUCTW*>(lParam);
    ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(pCreate->lpCreateParams));
  }
  auto* pThis = reinterpret_cast<NotifyWindow*>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA));
  if (uMsg == kGraphNotify && pThis) {
    ++pThis->m_cNotifications;
    return 0;
  }
  return ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

ULONG RefsOf(IUnknown* pUnknown) {
  pUnknown->AddRef();
  return pUnknown->Release();
}

HRESULT SetStreamLength(IBaseFilter* pVidGen, LONG lDurationMs) {
  ATL::CComQIPtr<IVideoGeneratorSettings, &IID_IVideoGeneratorSettings> spSettings(pVidGen);
  if (!spSettings) return E_NOINTERFACE;
  VideoGeneratorSettings settings = {};
  HRESULT hr = spSettings->GetSettings(&settings);
  if (FAILED(hr)) return hr;
  settings.lDurationMs = lDurationMs;
  return spSettings->SetSettings(&settings);
}

bool WaitForState(IGraphBuilder* pGraph, OAFilterState state, DWORD dwTimeoutMs) {
  ATL::CComQIPtr<IMediaControl, &IID_IMediaControl> spControl(pGraph);
  return spControl && harness::WaitUntil(
                          [&] {
                            OAFilterState now = -1;
                            return spControl->GetState(50, &now) == S_OK && now == state;
                          },
                          dwTimeoutMs);
}
