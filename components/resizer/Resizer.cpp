#include "Resizer.h"

#include <algorithm>
#include <new>

namespace lumivar {

HRESULT CResizer::Create(IUnknown** ppUnk) {
  if (!ppUnk) return E_POINTER;
  CResizer* pResizer = new (std::nothrow) CResizer;
  *ppUnk = pResizer ? static_cast<IBaseFilter*>(pResizer) : nullptr;
  return pResizer ? S_OK : E_OUTOFMEMORY;
}

CResizer::CResizer() : CTransformFilter(CLSID_Resizer) {}

HRESULT CResizer::GetInterface(REFIID riid, void** ppv) {
  if (riid == IID_IResizerControl) return dshow::GetInterfaceOf(static_cast<IResizerControl*>(this), ppv);
  if (riid == IID_IFilterVersion) return dshow::GetInterfaceOf(static_cast<IFilterVersion*>(this), ppv);
  if (riid == IID_IPersistStream) return dshow::GetInterfaceOf(static_cast<IPersistStream*>(this), ppv);
  return CTransformFilter::GetInterface(riid, ppv);
}

HRESULT CResizer::CheckInputType(const AM_MEDIA_TYPE* pmt) {
  PictureLayout layout;
  if (!InputPicture(pmt, &layout)) return VFW_E_TYPE_NOT_ACCEPTED;
  ResizerSettings trial = m_settings;
  return SUCCEEDED(trial.SetInputSize(layout.size.cx, layout.size.cy)) ? S_OK
                                                                        : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CResizer::InputConnected(const AM_MEDIA_TYPE* pmt) {
  PictureLayout layout;
  if (!InputPicture(pmt, &layout)) return VFW_E_TYPE_NOT_ACCEPTED;
  ResizerSettings next = m_settings;
  HRESULT hr = next.SetInputSize(layout.size.cx, layout.size.cy);
  if (FAILED(hr)) return hr;
  const bool bNewSize = !next.SameOutputSize(m_settings);
  if (FAILED(hr = Install(next, &layout))) return hr;
  m_bOutputMustFollow = bNewSize && Output()->IsConnected();
  return S_OK;
}

// Variable output on a new input while the output stays connected: the output follows,
// as it does for a new size set while stopped. When downstream cannot take the new size
// the input refuses its new type, so that the filter upstream keeps the type it had.
HRESULT CResizer::AfterInputConnected() {
  ATL::CComPtr<IPin> spPeer;
  dshow::CMediaType mtNew;
  {
    dshow::CAutoLock lock(FilterLock());
    const bool bFollow = m_bOutputMustFollow;
    m_bOutputMustFollow = false;
    if (!bFollow || Output()->ConnectedTo(&spPeer) != S_OK) return S_OK;
    HRESULT hr = GetOutputType(0, &mtNew);
    if (hr != S_OK) return FAILED(hr) ? hr : VFW_E_NO_ACCEPTABLE_TYPES;
  }
  if (spPeer->QueryAccept(&mtNew) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
  return ReconnectOutput();
}

void CResizer::InputDisconnected() { m_frames.Install(nullptr); }

HRESULT CResizer::CheckTransform(const AM_MEDIA_TYPE*, const AM_MEDIA_TYPE* pmtOut) {
  PictureLayout layout;
  return OutputPicture(pmtOut, m_settings.OutputSize(), &layout) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CResizer::GetOutputType(int iPosition, AM_MEDIA_TYPE* pmt) {
  if (!pmt) return E_POINTER;
  if (iPosition < 0) return E_INVALIDARG;
  if (iPosition > 0 || !Input()->IsConnected()) return VFW_S_NO_MORE_ITEMS;
  dshow::CMediaType mt;
  HRESULT hr = MakeOutputType(&Input()->CurrentMediaType(), m_settings.OutputSize(), &mt);
  if (FAILED(hr)) return hr;
  return dshow::CopyMediaType(pmt, &mt);
}

HRESULT CResizer::OutputTypeChosen(const AM_MEDIA_TYPE* pmt) {
  PictureLayout layout;
  if (!OutputPicture(pmt, m_settings.OutputSize(), &layout)) return VFW_E_TYPE_NOT_ACCEPTED;
  m_frames.SetOutputLayout(layout);
  return S_OK;
}

HRESULT CResizer::DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pRequest) {
  if (!pAlloc || !pRequest) return E_POINTER;
  const size_t cbNeeded = m_frames.OutputLayout().cbBuffer;
  if (cbNeeded == 0 || cbNeeded > static_cast<size_t>(MAXLONG)) return VFW_E_SIZENOTSET;
  ALLOCATOR_PROPERTIES want = *pRequest;
  want.cBuffers = std::max(want.cBuffers, 1L);
  want.cbBuffer = std::max(want.cbBuffer, static_cast<long>(cbNeeded));
  want.cbAlign = std::max(want.cbAlign, 1L);
  ALLOCATOR_PROPERTIES actual = {};
  HRESULT hr = pAlloc->SetProperties(&want, &actual);
  if (FAILED(hr)) return hr;
  if (actual.cbBuffer < static_cast<long>(cbNeeded) || actual.cBuffers < 1) return VFW_E_SIZENOTSET;
  *pRequest = actual;
  return S_OK;
}

HRESULT CResizer::Install(const ResizerSettings& settings, const PictureLayout* pInput) {
  std::shared_ptr<const Resampler> spResampler;
  if (Input()->IsConnected()) {
    HRESULT hr = FrameResizer::Prepare(settings, &spResampler);
    if (FAILED(hr)) return hr;
  }
  Commit(settings);
  if (pInput) m_frames.SetInputLayout(*pInput);
  m_frames.Install(std::move(spResampler));
  return S_OK;
}

// Read under the inner lock, written under both it and the filter lock.
ResizerSettings CResizer::Current() {
  dshow::CAutoLock inner(InnerLock());
  return m_settings;
}

void CResizer::Commit(const ResizerSettings& settings) {
  dshow::CAutoLock inner(InnerLock());
  m_settings = settings;
}

HRESULT CResizer::AdoptSampleType(IMediaSample* pOut) {
  AM_MEDIA_TYPE* pmt = nullptr;
  if (pOut->GetMediaType(&pmt) != S_OK || !pmt) return S_OK;
  PictureLayout layout;
  const bool bTaken = OutputPicture(pmt, m_frames.OutputLayout().size, &layout);
  dshow::DeleteMediaType(pmt);
  // Rows this sample's buffer cannot hold would fail every frame from here on.
  const long cbSample = pOut->GetSize();
  if (!bTaken || cbSample < 0 || layout.cbBuffer > static_cast<size_t>(cbSample)) return VFW_E_TYPE_NOT_ACCEPTED;
  m_frames.SetOutputLayout(layout);
  return S_OK;
}

HRESULT CResizer::Transform(IMediaSample* pIn, IMediaSample* pOut) {
  HRESULT hr = AdoptSampleType(pOut);
  if (FAILED(hr)) return hr;
  BYTE* pbIn = nullptr;
  BYTE* pbOut = nullptr;
  if (FAILED(hr = pIn->GetPointer(&pbIn)) || FAILED(hr = pOut->GetPointer(&pbOut))) return hr;
  const long cbIn = pIn->GetActualDataLength();
  const long cbOut = pOut->GetSize();
  hr = m_frames.Process(pbIn, cbIn > 0 ? static_cast<size_t>(cbIn) : 0, pbOut,
                        cbOut > 0 ? static_cast<size_t>(cbOut) : 0);
  if (FAILED(hr)) return hr;
  // Every uncompressed frame stands alone.
  pOut->SetSyncPoint(TRUE);
  return pOut->SetActualDataLength(static_cast<long>(m_frames.OutputLayout().cbBuffer));
}

}  // namespace lumivar
