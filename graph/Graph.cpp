#include "Graph.h"

#include "VideoGenerator.h"

const ResizeAlgorithmName g_ResizeAlgorithms[kResizeAlgorithmCount] = {
    {RESIZE_NEAREST, L"Nearest"},
    {RESIZE_LINEAR, L"Linear"},
    {RESIZE_CUBIC_BSPLINE, L"Cubic (BSpline)"},
    {RESIZE_CUBIC_CATMULLROM, L"Cubic (CatmullRom)"},
    {RESIZE_CUBIC_B05C03, L"Cubic (B05C03)"},
    {RESIZE_LANCZOS2, L"Lanczos (2-lobed)"},
    {RESIZE_LANCZOS3, L"Lanczos (3-lobed)"},
    {RESIZE_SUPERSAMPLING, L"Supersampling"},
};

namespace {

// The version text's buffer, terminator included.
const int kVersionChars = 512;

// Appends as much of pszTail as fits in psz's cch characters; a null string (a component that
// delivered none) adds nothing.
void AppendBounded(LPWSTR psz, int cch, LPCWSTR pszTail) {
  if (pszTail == 0) return;
  const int cchUsed = ::lstrlenW(psz);
  if (cchUsed < cch - 1) ::lstrcpynW(psz + cchUsed, pszTail, cch - cchUsed);
}

}  // namespace

HRESULT CGraph::BuildGraph(LPCWSTR pszName, HWND hWnd, UINT uMsg) {
  ATLASSERT(pszName != 0);
  if (pszName == 0) return E_INVALIDARG;
  ATLASSERT(::IsWindow(hWnd));
  if (!::IsWindow(hWnd)) return E_INVALIDARG;

  Close();

  HRESULT hr = CreateGraphManager();
  if (hr != S_OK) {
    ATLASSERT(!L"CGraph::BuildGraph(): m_spGraph.CoCreateInstance() FAILED");
    return hr;
  }

  hr = BuildFromGRF(m_spGraph, pszName);
  if (hr != S_OK) return hr;

  hr = FindFilter(m_spGraph, CLSID_VideoGenerator, &m_spVidGen);
  // A file's graph need not hold a Video Generator.
  ATLASSERT(hr != S_OK || m_spVidGen != 0);

  CComPtr<IBaseFilter> spResizer;
  hr = FindFilter(m_spGraph, CLSID_Resizer, &spResizer);
  if (hr != S_OK) {
    ATLASSERT(!L"CGraph::BuildGraph(): Resizer is not found in graph");
    return hr == S_FALSE ? E_FAIL : hr;
  }
  ATLASSERT(spResizer != 0);
  TakeResizerControl(spResizer);

  PlaceVideoWindow(hWnd);
  m_VideoRepaint.Watch(m_spGraph, hWnd);
  return AttachNotifyWindow(hWnd, uMsg);
}

HRESULT CGraph::BuildVidGenGraph(HWND hWnd, UINT uMsg) {
  ATLASSERT(::IsWindow(hWnd));
  if (!::IsWindow(hWnd)) return E_INVALIDARG;

  Close();

  HRESULT hr = CreateGraphManager();
  if (hr != S_OK) {
    ATLASSERT(!L"CGraph::BuildVidGenGraph(): m_spGraph.CoCreateInstance() FAILED");
    return hr;
  }

  CComPtr<IBaseFilter> spResizer;
  hr = InsertFilter(m_spGraph, CLSID_Resizer, L"Resizer", &spResizer);
  if (hr != S_OK) return hr;
  ATLASSERT(spResizer != 0);
  TakeResizerControl(spResizer);

  hr = InsertFilter(m_spGraph, CLSID_VideoGenerator, L"Video Generator", &m_spVidGen);
  if (hr != S_OK) return hr;
  ATLASSERT(m_spVidGen != 0);

  CComPtr<IPin> spOut;
  hr = GetPin(m_spVidGen, false, false, MEDIATYPE_Video, &spOut);
  ATLASSERT(hr == S_OK);
  CComPtr<IPin> spResizerIn;
  hr = GetPin(spResizer, true, false, GUID_NULL, &spResizerIn);
  ATLASSERT(hr == S_OK);

  // A pin not found gets the refusal the graph manager documents for a null pin; Wine's
  // manager would dereference it.
  hr = (spOut != 0 && spResizerIn != 0) ? m_spGraph->ConnectDirect(spOut, spResizerIn, 0)
                                        : E_POINTER;
  if (hr != S_OK) {
    ATLASSERT(!L"CGraph::BuildVidGenGraph(): Vid Gen -> Resizer connection FAILED");
    return hr;
  }

  hr = RenderFilter(m_spGraph, spResizer);
  if (hr != S_OK) return hr;

  PlaceVideoWindow(hWnd);
  m_VideoRepaint.Watch(m_spGraph, hWnd);
  return AttachNotifyWindow(hWnd, uMsg);
}

HRESULT CGraph::CreateGraphManager() {
  HRESULT hr = m_spGraph.CoCreateInstance(CLSID_FilterGraph, 0, CLSCTX_INPROC_SERVER);
  // Whatever a creation that did not answer S_OK left behind is not a graph.
  if (hr != S_OK) m_spGraph.Release();
  return hr;
}

void CGraph::TakeResizerControl(IBaseFilter* pResizer) {
  // A resizer without its controls still makes a graph that plays: m_spResizer stays empty.
  if (pResizer) pResizer->QueryInterface(IID_IResizerControl, reinterpret_cast<void**>(&m_spResizer));
}

HRESULT CGraph::AttachNotifyWindow(HWND hWnd, UINT uMsg) {
  CComQIPtr<IMediaEventEx, &IID_IMediaEventEx> spMediaEventEx(m_spGraph);
  ATLASSERT(spMediaEventEx != 0);
  // Without it the dialog would never hear of the stream's end: the build fails.
  if (spMediaEventEx == 0) return E_FAIL;
  HRESULT hr = spMediaEventEx->SetNotifyWindow(reinterpret_cast<OAHWND>(hWnd), uMsg, 0);
  ATLASSERT(hr == S_OK);
  return hr;
}

HRESULT CGraph::PlaceVideoWindow(HWND hWnd) {
  ATLASSERT(::IsWindow(hWnd));
  ATLASSERT(m_spGraph != 0);
  if (m_spGraph == 0) return E_FAIL;

  CComQIPtr<IVideoWindow, &IID_IVideoWindow> spVideoWindow(m_spGraph);
  ATLASSERT(spVideoWindow != 0);
  if (spVideoWindow == 0) return E_FAIL;

  RECT rcArea = {};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &rcArea, 0);
  RECT rc = {};
  ::GetWindowRect(hWnd, &rc);

  // Row 0 of the screen, not the work area's top, when there is no room above the dialog.
  long nHeight = 0;
  HRESULT hr = spVideoWindow->get_Height(&nHeight);
  ATLASSERT(hr == S_OK);
  long nTop = rc.top - nHeight;
  if (nTop < 0) nTop = 0;
  hr = spVideoWindow->put_Top(nTop);
  ATLASSERT(hr == S_OK);

  // Centred on the work area's width, not offset by its left edge, and not clamped.
  long nWidth = 0;
  hr = spVideoWindow->get_Width(&nWidth);
  ATLASSERT(hr == S_OK);
  hr = spVideoWindow->put_Left((rcArea.right - rcArea.left - nWidth) / 2);
  ATLASSERT(hr == S_OK);

  hr = spVideoWindow->put_Visible(OATRUE);
  ATLASSERT(hr == S_OK);
  return S_OK;
}

#define LUMIVAR_FORWARD_TO_RESIZER(call) \
  ATLASSERT(m_spResizer != 0);           \
  if (m_spResizer == 0) return E_FAIL;   \
  return m_spResizer->call

HRESULT CGraph::SetResizeAlgorithm(ResizeAlgorithm eAlgorithm) {
  LUMIVAR_FORWARD_TO_RESIZER(SetResizeAlgorithm(eAlgorithm));
}
HRESULT CGraph::GetResizeAlgorithm(ResizeAlgorithm* peAlgorithm) {
  LUMIVAR_FORWARD_TO_RESIZER(GetResizeAlgorithm(peAlgorithm));
}
HRESULT CGraph::SetAntialiasing(BOOL bAntialiasing) {
  LUMIVAR_FORWARD_TO_RESIZER(SetAntialiasing(bAntialiasing));
}
HRESULT CGraph::GetAntialiasing(BOOL* pbAntialiasing) {
  LUMIVAR_FORWARD_TO_RESIZER(GetAntialiasing(pbAntialiasing));
}
HRESULT CGraph::SetAutoSupersampling(BOOL bAutoSupersampling) {
  LUMIVAR_FORWARD_TO_RESIZER(SetAutoSupersampling(bAutoSupersampling));
}
HRESULT CGraph::GetAutoSupersampling(BOOL* pbAutoSupersampling) {
  LUMIVAR_FORWARD_TO_RESIZER(GetAutoSupersampling(pbAutoSupersampling));
}
HRESULT CGraph::SetClippingRect(const RECT* prcClip) {
  LUMIVAR_FORWARD_TO_RESIZER(SetClippingRect(prcClip));
}
HRESULT CGraph::GetClippingRect(RECT* prcClip) {
  LUMIVAR_FORWARD_TO_RESIZER(GetClippingRect(prcClip));
}
HRESULT CGraph::SetOutputSize(LONG cx, LONG cy) {
  LUMIVAR_FORWARD_TO_RESIZER(SetOutputSize(cx, cy));
}
HRESULT CGraph::GetOutputSize(LONG* pcx, LONG* pcy) {
  LUMIVAR_FORWARD_TO_RESIZER(GetOutputSize(pcx, pcy));
}
HRESULT CGraph::SetResizingCoeffs(double dX, double dY) {
  LUMIVAR_FORWARD_TO_RESIZER(SetResizingCoeffs(dX, dY));
}
HRESULT CGraph::GetResizingCoeffs(double* pdX, double* pdY) {
  LUMIVAR_FORWARD_TO_RESIZER(GetResizingCoeffs(pdX, pdY));
}
HRESULT CGraph::SetFixedOutput(BOOL bFixed) {
  LUMIVAR_FORWARD_TO_RESIZER(SetFixedOutput(bFixed));
}
HRESULT CGraph::GetFixedOutput(BOOL* pbFixed) {
  LUMIVAR_FORWARD_TO_RESIZER(GetFixedOutput(pbFixed));
}
HRESULT CGraph::SetFlip(BOOL bFlip) {
  LUMIVAR_FORWARD_TO_RESIZER(SetFlip(bFlip));
}
HRESULT CGraph::GetFlip(BOOL* pbFlip) {
  LUMIVAR_FORWARD_TO_RESIZER(GetFlip(pbFlip));
}

#undef LUMIVAR_FORWARD_TO_RESIZER

HRESULT CGraph::GetResizerVersion(CComBSTR& cbsVersion) {
  cbsVersion.Empty();
  if (m_spResizer == 0) return S_FALSE;

  CComQIPtr<IFilterVersion> spVersion(m_spResizer);
  ATLASSERT(spVersion != 0);
  // Nothing to describe the build with: the same answer as no resizer, the title stays plain.
  if (spVersion == 0) return S_FALSE;

  FilterBuildType eType = static_cast<FilterBuildType>(0);
  HRESULT hr = spVersion->GetType(&eType);
  ATLASSERT(hr == S_OK);
  FilterPlatform eOS = static_cast<FilterPlatform>(0);
  hr = spVersion->GetOS(&eOS);
  ATLASSERT(hr == S_OK);
  CComBSTR cbsName;
  hr = spVersion->GetName(&cbsName);
  ATLASSERT(hr == S_OK);
  CComBSTR cbsNumber;
  hr = spVersion->GetNumber(&cbsNumber);
  ATLASSERT(hr == S_OK);
  CComBSTR cbsDateTime;
  hr = spVersion->GetDateTime(&cbsDateTime);
  ATLASSERT(hr == S_OK);

  // Texts too long for the buffer are cut; a string not delivered counts as empty.
  WCHAR sz[kVersionChars] = L"";
  AppendBounded(sz, kVersionChars, cbsName);
  AppendBounded(sz, kVersionChars, eType == 0 ? L" [D" : L" [R");
  AppendBounded(sz, kVersionChars, eOS == 0 ? L"32" : L"64");
  AppendBounded(sz, kVersionChars, L" v.");
  AppendBounded(sz, kVersionChars, cbsNumber);
  AppendBounded(sz, kVersionChars, L" ");
  AppendBounded(sz, kVersionChars, cbsDateTime);
  AppendBounded(sz, kVersionChars, L"]");

  cbsVersion = sz;
  return cbsVersion.m_str != 0 ? S_OK : E_OUTOFMEMORY;
}

HRESULT CGraph::SetPositions(LONGLONG llCurrent, LONGLONG llStop) {
  if (m_spGraph == 0) return E_FAIL;
  CComQIPtr<IMediaSeeking, &IID_IMediaSeeking> spMediaSeeking(m_spGraph);
  ATLASSERT(spMediaSeeking != 0);
  // Like a graph manager that cannot be controlled.
  if (spMediaSeeking == 0) return E_FAIL;
  if (llCurrent < llStop) {
    return spMediaSeeking->SetPositions(&llCurrent, AM_SEEKING_AbsolutePositioning, &llStop,
                                        AM_SEEKING_AbsolutePositioning);
  }
  return spMediaSeeking->SetPositions(&llCurrent, AM_SEEKING_AbsolutePositioning, 0,
                                      AM_SEEKING_NoPositioning);
}
