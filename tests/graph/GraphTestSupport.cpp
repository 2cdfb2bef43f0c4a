#include "GraphTestSupport.h"

#include "ComEnvironment.h"
#include "ImportPatch.h"
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
  m_hWnd = ::CreateWindowExW(0, kWindowClass, L"Graph test", WS_OVERLAPPEDWINDOW, x, y, cx, cy,
                             nullptr, nullptr, wc.hInstance, this);
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
  return harness::WaitUntil([&] {
    Notifications();
    return fnDone();
  }, dwTimeoutMs);
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

namespace {

// One substitute at a time: the patch owns the import slot.
CLSID g_clsidSubstituted = GUID_NULL;
ClassSubstitute::Create g_fnCreate;
std::unique_ptr<ImportPatch> g_pPatch;

HRESULT WINAPI SubstitutingCoCreateInstance(REFCLSID rclsid, LPUNKNOWN pOuter, DWORD dwContext,
                                            REFIID riid, LPVOID* ppv) {
  if (rclsid == g_clsidSubstituted) return g_fnCreate(riid, ppv);
  return reinterpret_cast<decltype(&::CoCreateInstance)>(g_pPatch->Original())(
      rclsid, pOuter, dwContext, riid, ppv);
}

}  // namespace

ClassSubstitute::ClassSubstitute(REFCLSID clsid, Create fnCreate) {
  g_clsidSubstituted = clsid;
  g_fnCreate = std::move(fnCreate);
  g_pPatch = std::make_unique<ImportPatch>("ole32.dll", "CoCreateInstance",
                                           reinterpret_cast<void*>(&SubstitutingCoCreateInstance));
}

ClassSubstitute::~ClassSubstitute() {
  g_pPatch.reset();
  g_clsidSubstituted = GUID_NULL;
  g_fnCreate = nullptr;
}

bool ClassSubstitute::Active() const { return g_pPatch && g_pPatch->Active(); }

HRESULT ClassSubstitute::CreateReal(REFCLSID clsid, IUnknown* pOuter, REFIID riid, void** ppv) {
  auto pfnCreate = g_pPatch ? reinterpret_cast<decltype(&::CoCreateInstance)>(g_pPatch->Original())
                            : &::CoCreateInstance;
  return pfnCreate(clsid, pOuter, CLSCTX_INPROC_SERVER, riid, ppv);
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
  return spControl && harness::WaitUntil([&] {
    OAFilterState now = -1;
    return spControl->GetState(50, &now) == S_OK && now == state;
  }, dwTimeoutMs);
}
