#include "VideoRepaint.h"

#include <d3d9.h>
#include <strmif.h>
#include <vmr9.h>

#include <vector>

#include "atlbase.h"

namespace {

const wchar_t kPropProc[] = L"Lumivar.VideoRepaint.Proc";
const wchar_t kPropNotify[] = L"Lumivar.VideoRepaint.Notify";
const wchar_t kPropPending[] = L"Lumivar.VideoRepaint.Pending";

// Larger frames than any renderer is given are refused rather than allocated.
const long kMaxSide = 16384;

bool RunsOnWine() {
  HMODULE hNtdll = ::GetModuleHandleW(L"ntdll.dll");
  return hNtdll != 0 && ::GetProcAddress(hNtdll, "wine_get_version") != 0;
}

struct WindowSearch {
  DWORD dwProcess;
  const wchar_t* pszCaption;
  RECT rc;
  HWND hFound;
};

BOOL CALLBACK MatchVideoWindow(HWND hWnd, LPARAM lParam) {
  WindowSearch* pSearch = reinterpret_cast<WindowSearch*>(lParam);
  DWORD dwProcess = 0;
  ::GetWindowThreadProcessId(hWnd, &dwProcess);
  if (dwProcess != pSearch->dwProcess || !::IsWindowVisible(hWnd)) return TRUE;
  wchar_t szCaption[256] = {};
  ::GetWindowTextW(hWnd, szCaption, 256);
  RECT rc = {};
  ::GetWindowRect(hWnd, &rc);
  if (::lstrcmpW(szCaption, pSearch->pszCaption) != 0 || !::EqualRect(&rc, &pSearch->rc)) return TRUE;
  pSearch->hFound = hWnd;
  return FALSE;
}

// The renderer's top-level window: this process's visible window with the caption and the place
// the renderer reports.
HWND FindVideoWindow(IGraphBuilder* pGraph) {
  CComQIPtr<IVideoWindow, &IID_IVideoWindow> spWindow(pGraph);
  if (spWindow == 0) return 0;
  CComBSTR cbsCaption;
  long nLeft = 0, nTop = 0, nWidth = 0, nHeight = 0;
  if (spWindow->get_Caption(&cbsCaption) != S_OK || cbsCaption == 0 ||
      spWindow->GetWindowPosition(&nLeft, &nTop, &nWidth, &nHeight) != S_OK)
    return 0;
  WindowSearch search = {::GetCurrentProcessId(), cbsCaption, {nLeft, nTop, nLeft + nWidth, nTop + nHeight}, 0};
  ::EnumWindows(MatchVideoWindow, reinterpret_cast<LPARAM>(&search));
  return search.hFound;
}

// The filter that draws into the video window: the one with a window of its own.
CComPtr<IBaseFilter> FindRenderer(IGraphBuilder* pGraph) {
  CComPtr<IEnumFilters> spEnum;
  if (pGraph->EnumFilters(&spEnum) != S_OK || spEnum == 0) return 0;
  for (CComPtr<IBaseFilter> spFilter; spEnum->Next(1, &spFilter, 0) == S_OK; spFilter.Release()) {
    if (spFilter == 0) break;
    CComQIPtr<IVideoWindow, &IID_IVideoWindow> spWindow(spFilter);
    if (spWindow) return spFilter;
  }
  return 0;
}

// Wine's renderers read their connection's format and device without asking whether there is one.
bool HasInput(IBaseFilter* pRenderer) {
  CComPtr<IEnumPins> spEnum;
  if (pRenderer->EnumPins(&spEnum) != S_OK || spEnum == 0) return false;
  for (CComPtr<IPin> spPin; spEnum->Next(1, &spPin, 0) == S_OK; spPin.Release()) {
    if (spPin == 0) break;
    PIN_DIRECTION eDirection = PINDIR_OUTPUT;
    CComPtr<IPin> spPeer;
    if (spPin->QueryDirection(&eDirection) == S_OK && eDirection == PINDIR_INPUT &&
        spPin->ConnectedTo(&spPeer) == S_OK && spPeer != 0)
      return true;
  }
  return false;
}

// Wine's mixing renderers copy their surface's rows from the top under a bottom-up header (only
// Wine's renderers are watched, so a mixing renderer here is one of Wine's).
bool ImageRowsFromTop(IBaseFilter* pRenderer) {
  CComPtr<IUnknown> spConfig;
  return pRenderer->QueryInterface(IID_IVMRFilterConfig, reinterpret_cast<void**>(&spConfig)) == S_OK ||
         pRenderer->QueryInterface(IID_IVMRFilterConfig9, reinterpret_cast<void**>(&spConfig)) == S_OK;
}

}  // namespace

HRESULT CVideoRepaint::Watch(IGraphBuilder* pGraph, HWND hNotify) {
  Release();
  m_bFrameShown = false;
  if (pGraph == 0 || !::IsWindow(hNotify)) return E_INVALIDARG;
  if (!RunsOnWine()) return S_FALSE;
  HWND hVideo = FindVideoWindow(pGraph);
  if (hVideo == 0) return S_FALSE;
  // The properties first: the watching procedure may run on the window's thread at once.
  const LONG_PTR pfnPrevious = ::GetWindowLongPtrW(hVideo, GWLP_WNDPROC);
  if (pfnPrevious == 0 || !::SetPropW(hVideo, kPropProc, reinterpret_cast<HANDLE>(pfnPrevious)) ||
      !::SetPropW(hVideo, kPropNotify, hNotify))
    return E_FAIL;
  ::SetWindowLongPtrW(hVideo, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchProc));
  m_hVideo = hVideo;
  return S_OK;
}

void CVideoRepaint::Release() {
  if (m_hVideo == 0) return;
  // A window destroyed meanwhile has put its procedure back itself.
  if (::IsWindow(m_hVideo) && ::GetWindowLongPtrW(m_hVideo, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(WatchProc)) {
    ::SetWindowLongPtrW(m_hVideo, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(::GetPropW(m_hVideo, kPropProc)));
    ::RemovePropW(m_hVideo, kPropProc);
    ::RemovePropW(m_hVideo, kPropNotify);
    ::RemovePropW(m_hVideo, kPropPending);
  }
  m_hVideo = 0;
}

// Runs on the renderer's window thread: it only asks, the dialog's thread paints.
LRESULT CALLBACK CVideoRepaint::WatchProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  WNDPROC pfnPrevious = reinterpret_cast<WNDPROC>(::GetPropW(hWnd, kPropProc));
  if (pfnPrevious == 0) return ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
  if (uMsg == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(pfnPrevious));
    ::RemovePropW(hWnd, kPropProc);
    ::RemovePropW(hWnd, kPropNotify);
    ::RemovePropW(hWnd, kPropPending);
    return ::CallWindowProcW(pfnPrevious, hWnd, uMsg, wParam, lParam);
  }
  const LRESULT lResult = ::CallWindowProcW(pfnPrevious, hWnd, uMsg, wParam, lParam);
  if (uMsg == WM_PAINT && ::GetPropW(hWnd, kPropPending) == 0) {
    HWND hNotify = static_cast<HWND>(::GetPropW(hWnd, kPropNotify));
    if (hNotify != 0 && ::PostMessageW(hNotify, WM_VIDEOREPAINT, 0, 0))
      ::SetPropW(hWnd, kPropPending, reinterpret_cast<HANDLE>(1));
  }
  return lResult;
}

HRESULT CVideoRepaint::Paint(IGraphBuilder* pGraph) {
  if (m_hVideo == 0 || pGraph == 0) return S_FALSE;
  ::RemovePropW(m_hVideo, kPropPending);
  // A running graph's next frame paints the window.
  CComQIPtr<IMediaControl, &IID_IMediaControl> spControl(pGraph);
  OAFilterState state = State_Stopped;
  if (spControl == 0 || FAILED(spControl->GetState(0, &state)) || state == State_Running) return S_FALSE;

  RECT rcClient = {};
  ::GetClientRect(m_hVideo, &rcClient);
  HDC hdc = ::GetDC(m_hVideo);
  if (hdc == 0) return E_FAIL;
  HRESULT hr = m_bFrameShown ? PaintImage(pGraph, hdc, rcClient) : S_FALSE;
  // Black rather than whatever covered the window, when there is no image to show.
  if (hr != S_OK) ::FillRect(hdc, &rcClient, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
  ::ReleaseDC(m_hVideo, hdc);
  return hr;
}

HRESULT CVideoRepaint::PaintImage(IGraphBuilder* pGraph, HDC hdc, const RECT& rcClient) {
  CComPtr<IBaseFilter> spRenderer = FindRenderer(pGraph);
  if (spRenderer == 0 || !HasInput(spRenderer)) return VFW_E_NOT_CONNECTED;
  CComQIPtr<IBasicVideo, &IID_IBasicVideo> spVideo(pGraph);
  if (spVideo == 0) return E_NOINTERFACE;
  long cx = 0, cy = 0;
  HRESULT hr = spVideo->GetVideoSize(&cx, &cy);
  if (hr != S_OK) return hr;
  if (cx <= 0 || cy <= 0 || cx > kMaxSide || cy > kMaxSide) return E_UNEXPECTED;

  // Wine's renderers refuse the size query without a buffer: room for 32-bit pixels, the most.
  long cb = static_cast<long>(sizeof(BITMAPINFOHEADER)) + cx * cy * 4;
  std::vector<long> image((cb + sizeof(long) - 1) / sizeof(long));
  hr = spVideo->GetCurrentImage(&cb, image.data());
  if (hr != S_OK) return hr;

  BITMAPINFOHEADER* pHeader = reinterpret_cast<BITMAPINFOHEADER*>(image.data());
  if (pHeader->biSize < sizeof(BITMAPINFOHEADER) || pHeader->biWidth != cx || pHeader->biHeight == 0 ||
      (pHeader->biBitCount != 16 && pHeader->biBitCount != 24 && pHeader->biBitCount != 32))
    return E_UNEXPECTED;
  const long nRows = pHeader->biHeight < 0 ? -pHeader->biHeight : pHeader->biHeight;
  const size_t cbMasks = pHeader->biCompression == BI_BITFIELDS ? 3 * sizeof(DWORD) : 0;
  const size_t cbStride = ((static_cast<size_t>(cx) * pHeader->biBitCount + 31) / 32) * 4;
  const size_t cbBits = pHeader->biSize + cbMasks;
  if (nRows > kMaxSide || cbBits + cbStride * nRows > image.size() * sizeof(long)) return E_UNEXPECTED;
  if (ImageRowsFromTop(spRenderer)) pHeader->biHeight = -nRows;

  long nLeft = 0, nTop = 0, nWidth = rcClient.right, nHeight = rcClient.bottom;
  if (spVideo->GetDestinationPosition(&nLeft, &nTop, &nWidth, &nHeight) != S_OK) {
    nLeft = nTop = 0;
    nWidth = rcClient.right;
    nHeight = rcClient.bottom;
  }
  ::SetStretchBltMode(hdc, COLORONCOLOR);
  const int nLines =
      ::StretchDIBits(hdc, nLeft, nTop, nWidth, nHeight, 0, 0, cx, nRows, reinterpret_cast<BYTE*>(pHeader) + cbBits,
                      reinterpret_cast<BITMAPINFO*>(pHeader), DIB_RGB_COLORS, SRCCOPY);
  return nLines > 0 ? S_OK : E_FAIL;
}
