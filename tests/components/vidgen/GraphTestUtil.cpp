#include "GraphTestUtil.h"

#include <gtest/gtest.h>

namespace {

const UINT WM_GRAPHNOTIFY = WM_APP + 123;

// COM for the whole run, on the test's thread.
class CComEnvironment : public ::testing::Environment {
public:
  void SetUp() override { ASSERT_EQ(S_OK, ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)); }
  void TearDown() override { ::CoUninitialize(); }
};

const auto* g_pComEnvironment = ::testing::AddGlobalTestEnvironment(new CComEnvironment);

}  // namespace

HRESULT CreateGenerator(IBaseFilter** ppFilter, const VideoGeneratorSettings* pSettings) {
  CComPtr<IBaseFilter> spFilter;
  HRESULT hr = spFilter.CoCreateInstance(CLSID_VideoGenerator, nullptr, CLSCTX_INPROC_SERVER);
  if (FAILED(hr)) return hr;
  if (pSettings) {
    CComQIPtr<IVideoGeneratorSettings, &IID_IVideoGeneratorSettings> spSettings(spFilter);
    if (!spSettings) return E_NOINTERFACE;
    hr = spSettings->SetSettings(pSettings);
    if (FAILED(hr)) return hr;
  }
  *ppFilter = spFilter.Detach();
  return S_OK;
}

CComPtr<IPin> FirstPin(IBaseFilter* pFilter, PIN_DIRECTION dir) {
  CComPtr<IEnumPins> spEnum;
  if (FAILED(pFilter->EnumPins(&spEnum))) return nullptr;
  for (;;) {
    CComPtr<IPin> spPin;
    ULONG cFetched = 0;
    if (spEnum->Next(1, &spPin, &cFetched) != S_OK) return nullptr;
    PIN_DIRECTION pinDir;
    if (SUCCEEDED(spPin->QueryDirection(&pinDir)) && pinDir == dir) return spPin;
  }
}

SIZE ConnectedSize(IPin* pPin) {
  AM_MEDIA_TYPE mt = {};
  SIZE size = {0, 0};
  if (pPin->ConnectionMediaType(&mt) != S_OK) return size;
  if (mt.formattype == FORMAT_VideoInfo && mt.cbFormat >= sizeof(VIDEOINFOHEADER)) {
    const BITMAPINFOHEADER& bmi = reinterpret_cast<VIDEOINFOHEADER*>(mt.pbFormat)->bmiHeader;
    size = {bmi.biWidth, bmi.biHeight};
  }
  ::CoTaskMemFree(mt.pbFormat);
  if (mt.pUnk) mt.pUnk->Release();
  return size;
}

CGraphEvents::CGraphEvents(IGraphBuilder* pGraph)
    : m_spEvents(pGraph),
      m_hWnd(::CreateWindowExW(0, L"STATIC", L"graph events", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                               nullptr)) {
  if (m_spEvents && m_hWnd) m_spEvents->SetNotifyWindow(reinterpret_cast<OAHWND>(m_hWnd), WM_GRAPHNOTIFY, 0);
}

CGraphEvents::~CGraphEvents() {
  if (m_spEvents) m_spEvents->SetNotifyWindow(0, 0, 0);
  if (m_hWnd) ::DestroyWindow(m_hWnd);
}

void CGraphEvents::Drain() {
  long lCode;
  LONG_PTR lParam1, lParam2;
  while (m_spEvents && m_spEvents->GetEvent(&lCode, &lParam1, &lParam2, 0) == S_OK) {
    m_spEvents->FreeEventParams(lCode, lParam1, lParam2);
    if (m_cCodes < 64) m_codes[m_cCodes++] = lCode;
  }
}

bool CGraphEvents::Seen(long lCode) const {
  for (int i = 0; i < m_cCodes; ++i)
    if (m_codes[i] == lCode) return true;
  return false;
}

bool CGraphEvents::PumpUntil(DWORD dwTimeout, long lCode) {
  const DWORD dwStart = ::GetTickCount();
  for (;;) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.hwnd == m_hWnd && msg.message == WM_GRAPHNOTIFY)
        Drain();
      else
        ::DispatchMessageW(&msg);
    }
    if (lCode && Seen(lCode)) return true;
    const DWORD dwElapsed = ::GetTickCount() - dwStart;
    if (dwElapsed >= dwTimeout) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, dwTimeout - dwElapsed, QS_ALLINPUT);
  }
}

void CGraphEvents::Pump(DWORD dwTime) { PumpUntil(dwTime, 0); }

bool CGraphEvents::WaitFor(long lCode, DWORD dwTimeout) {
  m_cCodes = 0;
  return PumpUntil(dwTimeout, lCode);
}
