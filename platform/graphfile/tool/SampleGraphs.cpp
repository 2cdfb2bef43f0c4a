#include "SampleGraphs.h"

#include <vfw.h>

#include <atlcomcli.h>

#include <cwchar>
#include <vector>

#include "IResizerControl.h"

using ATL::CComPtr;
using ATL::CComQIPtr;

namespace {

CComPtr<IPin> FirstPin(IBaseFilter* pFilter, PIN_DIRECTION want) {
  CComPtr<IEnumPins> spEnum;
  if (FAILED(pFilter->EnumPins(&spEnum))) return nullptr;
  for (;;) {
    CComPtr<IPin> spPin;
    ULONG cFetched = 0;
    if (spEnum->Next(1, &spPin, &cFetched) != S_OK || !spPin) return nullptr;
    PIN_DIRECTION dir = PINDIR_INPUT;
    if (SUCCEEDED(spPin->QueryDirection(&dir)) && dir == want) return spPin;
  }
}

HRESULT AddFilter(IGraphBuilder* pGraph, REFCLSID clsid, LPCWSTR pszName, IBaseFilter** ppFilter) {
  CComPtr<IBaseFilter> spFilter;
  HRESULT hr = spFilter.CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER);
  if (FAILED(hr)) return hr;
  hr = pGraph->AddFilter(spFilter, pszName);
  if (FAILED(hr)) return hr;
  *ppFilter = spFilter.Detach();
  return S_OK;
}

// Settings that depend on the input picture go once the input is connected, and before the
// output is, so that the renderer gets the size they give.
HRESULT ApplyResizerOptions(IBaseFilter* pResizer, const ResizerOptions& options) {
  CComQIPtr<IResizerControl> spControl(pResizer);
  if (!spControl) return E_NOINTERFACE;
  HRESULT hr = S_OK;
  if (options.lAlgorithm != 0 && FAILED(hr = spControl->SetResizeAlgorithm(static_cast<ResizeAlgorithm>(options.lAlgorithm))))
    return hr;
  if (!::IsRectEmpty(&options.clip) && FAILED(hr = spControl->SetClippingRect(&options.clip))) return hr;
  if (options.outputSize.cx != 0 && FAILED(hr = spControl->SetOutputSize(options.outputSize.cx, options.outputSize.cy)))
    return hr;
  return S_OK;
}

HRESULT ResizeAndRender(IGraphBuilder* pGraph, IPin* pUpstream, const ResizerOptions& options, bool bDirect) {
  CComPtr<IBaseFilter> spResizer;
  HRESULT hr = AddFilter(pGraph, CLSID_Resizer, L"Resizer", &spResizer);
  if (FAILED(hr)) return hr;
  CComPtr<IPin> spIn = FirstPin(spResizer, PINDIR_INPUT), spOut = FirstPin(spResizer, PINDIR_OUTPUT);
  if (!spIn || !spOut) return VFW_E_NOT_FOUND;
  hr = bDirect ? pGraph->ConnectDirect(pUpstream, spIn, nullptr) : pGraph->Connect(pUpstream, spIn);
  if (FAILED(hr)) return hr;
  hr = ApplyResizerOptions(spResizer, options);
  if (FAILED(hr)) return hr;
  return pGraph->Render(spOut);
}

}  // namespace

HRESULT BuildVidGenGraph(IGraphBuilder* pGraph, const VideoGeneratorSettings& vidgen, const ResizerOptions& resizer) {
  if (!pGraph) return E_POINTER;
  CComPtr<IBaseFilter> spVidGen;
  HRESULT hr = AddFilter(pGraph, CLSID_VideoGenerator, L"Video Generator", &spVidGen);
  if (FAILED(hr)) return hr;
  CComQIPtr<IVideoGeneratorSettings> spSettings(spVidGen);
  if (!spSettings) return E_NOINTERFACE;
  hr = spSettings->SetSettings(&vidgen);
  if (FAILED(hr)) return hr;
  CComPtr<IPin> spOut = FirstPin(spVidGen, PINDIR_OUTPUT);
  if (!spOut) return VFW_E_NOT_FOUND;
  return ResizeAndRender(pGraph, spOut, resizer, true);
}

HRESULT BuildFileGraph(IGraphBuilder* pGraph, LPCWSTR pszVideo, const ResizerOptions& resizer) {
  if (!pGraph || !pszVideo) return E_POINTER;
  CComPtr<IBaseFilter> spSource;
  HRESULT hr = AddFilter(pGraph, CLSID_AsyncReader, L"Source", &spSource);
  if (FAILED(hr)) return hr;
  CComQIPtr<IFileSourceFilter> spFile(spSource);
  if (!spFile) return E_NOINTERFACE;
  hr = spFile->Load(pszVideo, nullptr);
  if (FAILED(hr)) return hr;
  CComPtr<IPin> spOut = FirstPin(spSource, PINDIR_OUTPUT);
  if (!spOut) return VFW_E_NOT_FOUND;
  // The manager finds the splitter between the file's stream and the resizer.
  return ResizeAndRender(pGraph, spOut, resizer, false);
}

HRESULT WriteTestAvi(LPCWSTR pszPath, LONG cx, LONG cy, LONG cFrames) {
  if (!pszPath || cx <= 0 || cy <= 0 || cx > 4096 || cy > 4096 || cFrames <= 0) return E_INVALIDARG;
  const LONG cbFrame = cx * cy * 4;
  ::AVIFileInit();
  PAVIFILE pFile = nullptr;
  PAVISTREAM pStream = nullptr;
  HRESULT hr = ::AVIFileOpenW(&pFile, pszPath, OF_CREATE | OF_WRITE, nullptr);
  if (SUCCEEDED(hr)) {
    AVISTREAMINFOW info = {};
    info.fccType = streamtypeVIDEO;
    info.fccHandler = mmioFOURCC('D', 'I', 'B', ' ');
    info.dwScale = 1;
    info.dwRate = 25;
    info.dwSuggestedBufferSize = cbFrame;
    ::SetRect(&info.rcFrame, 0, 0, cx, cy);
    hr = ::AVIFileCreateStreamW(pFile, &pStream, &info);
  }
  if (SUCCEEDED(hr)) {
    BITMAPINFOHEADER bih = {};
    bih.biSize = sizeof bih;
    bih.biWidth = cx;
    bih.biHeight = cy;
    bih.biPlanes = 1;
    bih.biBitCount = 32;
    bih.biCompression = BI_RGB;
    bih.biSizeImage = cbFrame;
    hr = ::AVIStreamSetFormat(pStream, 0, &bih, sizeof bih);
  }
  // Bars that move one step a frame, on a grid of fine lines: resizing shows in both.
  std::vector<DWORD> frame(static_cast<size_t>(cx) * cy);
  for (LONG n = 0; SUCCEEDED(hr) && n < cFrames; ++n) {
    for (LONG y = 0; y < cy; ++y)
      for (LONG x = 0; x < cx; ++x) {
        const bool bLine = x % 16 == 0 || y % 16 == 0;
        const DWORD bar = ((x + 4 * n) / 32) % 2 ? 0x00C04020 : 0x002040C0;
        frame[static_cast<size_t>(y) * cx + x] = bLine ? 0x00FFFFFF : bar;
      }
    hr = ::AVIStreamWrite(pStream, n, 1, frame.data(), cbFrame, AVIIF_KEYFRAME, nullptr, nullptr);
  }
  if (pStream) ::AVIStreamRelease(pStream);
  if (pFile) ::AVIFileRelease(pFile);
  ::AVIFileExit();
  return hr;
}

bool ParseSize(LPCWSTR psz, SIZE* pSize) {
  wchar_t* pEnd = nullptr;
  const long cx = std::wcstol(psz, &pEnd, 10);
  if (pEnd == psz || *pEnd != L'x') return false;
  const wchar_t* pszY = pEnd + 1;
  const long cy = std::wcstol(pszY, &pEnd, 10);
  if (pEnd == pszY || *pEnd != 0 || cx <= 0 || cy <= 0) return false;
  *pSize = {cx, cy};
  return true;
}

bool ParseRect(LPCWSTR psz, RECT* pRect) {
  long v[4] = {};
  const wchar_t* p = psz;
  for (int i = 0; i < 4; ++i) {
    wchar_t* pEnd = nullptr;
    v[i] = std::wcstol(p, &pEnd, 10);
    if (pEnd == p || *pEnd != (i < 3 ? L',' : L'\0')) return false;
    p = pEnd + 1;
  }
  ::SetRect(pRect, v[0], v[1], v[2], v[3]);
  return true;
}
