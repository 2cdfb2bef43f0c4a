#include "Resizer.h"

#include <new>

namespace lumivar {

HRESULT CResizer::Create(IUnknown** ppUnk) {
  if (!ppUnk) return E_POINTER;
  CResizer* pResizer = new (std::nothrow) CResizer;
  *ppUnk = pResizer ? static_cast<IBaseFilter*>(pResizer) : nullptr;
  return pResizer ? S_OK : E_OUTOFMEMORY;
}

CResizer::CResizer() : CBaseFilter(CLSID_Resizer), m_input(this), m_output(this, &m_input) {}

HRESULT CResizer::GetInterface(REFIID riid, void** ppv) {
  if (riid == IID_IResizerControl) return dshow::GetInterfaceOf(static_cast<IResizerControl*>(this), ppv);
  if (riid == IID_IFilterVersion) return dshow::GetInterfaceOf(static_cast<IFilterVersion*>(this), ppv);
  if (riid == IID_IPersistStream) return dshow::GetInterfaceOf(static_cast<IPersistStream*>(this), ppv);
  return CBaseFilter::GetInterface(riid, ppv);
}

dshow::CBasePin* CResizer::GetPin(int n) {
  if (n == 0) return &m_input;
  if (n == 1) return &m_output;
  return nullptr;
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
  m_frames.SetInputLayout(layout);
  if (FAILED(hr = Install(next))) return hr;
  // Variable output on a new input while the output stays connected: the output
  // follows, as it does for a new size set while stopped. A refusal downstream leaves
  // the output unconnected; it is no reason to refuse this input.
  if (bNewSize && m_output.IsConnected() && Graph()) Graph()->Reconnect(&m_output);
  return S_OK;
}

void CResizer::InputDisconnected() { m_frames.Install(nullptr); }

HRESULT CResizer::CheckOutputType(const AM_MEDIA_TYPE* pmt) {
  if (!m_input.IsConnected()) return VFW_E_NOT_CONNECTED;
  PictureLayout layout;
  return OutputPicture(pmt, m_settings.OutputSize(), &layout) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CResizer::GetOutputType(int iPosition, AM_MEDIA_TYPE* pmt) {
  if (!pmt) return E_POINTER;
  if (iPosition < 0) return E_INVALIDARG;
  if (iPosition > 0 || !m_input.IsConnected()) return VFW_S_NO_MORE_ITEMS;
  dshow::CMediaType mt;
  HRESULT hr = MakeOutputType(&m_input.CurrentMediaType(), m_settings.OutputSize(), &mt);
  if (FAILED(hr)) return hr;
  return dshow::CopyMediaType(pmt, &mt);
}

HRESULT CResizer::OutputTypeChosen(const AM_MEDIA_TYPE* pmt) {
  PictureLayout layout;
  if (!OutputPicture(pmt, m_settings.OutputSize(), &layout)) return VFW_E_TYPE_NOT_ACCEPTED;
  m_frames.SetOutputLayout(layout);
  return S_OK;
}

size_t CResizer::OutputBufferSize() { return m_frames.OutputLayout().cbBuffer; }

HRESULT CResizer::Install(const ResizerSettings& settings) {
  std::shared_ptr<const Resampler> spResampler;
  if (m_input.IsConnected()) {
    HRESULT hr = FrameResizer::Prepare(settings, &spResampler);
    if (FAILED(hr)) return hr;
  }
  m_settings = settings;
  m_frames.Install(std::move(spResampler));
  return S_OK;
}

HRESULT CResizer::AdoptSampleType(IMediaSample* pOut) {
  AM_MEDIA_TYPE* pmt = nullptr;
  if (pOut->GetMediaType(&pmt) != S_OK || !pmt) return S_OK;
  PictureLayout layout;
  const bool bTaken = OutputPicture(pmt, m_frames.OutputLayout().size, &layout);
  dshow::DeleteMediaType(pmt);
  if (!bTaken) return VFW_E_TYPE_NOT_ACCEPTED;
  m_frames.SetOutputLayout(layout);
  return S_OK;
}

HRESULT CResizer::Receive(IMediaSample* pIn) {
  ATL::CComPtr<IMediaSample> spOut;
  HRESULT hr = m_output.GetDeliveryBuffer(&spOut);
  if (FAILED(hr)) return hr;
  if (FAILED(hr = AdoptSampleType(spOut))) return hr;
  BYTE* pbIn = nullptr;
  BYTE* pbOut = nullptr;
  if (FAILED(hr = pIn->GetPointer(&pbIn)) || FAILED(hr = spOut->GetPointer(&pbOut))) return hr;
  const long cbIn = pIn->GetActualDataLength();
  const long cbOut = spOut->GetSize();
  hr = m_frames.Process(pbIn, cbIn > 0 ? static_cast<size_t>(cbIn) : 0, pbOut,
                        cbOut > 0 ? static_cast<size_t>(cbOut) : 0);
  if (FAILED(hr)) return hr;

  REFERENCE_TIME tStart = 0, tStop = 0;
  hr = pIn->GetTime(&tStart, &tStop);
  if (hr == S_OK)
    spOut->SetTime(&tStart, &tStop);
  else if (hr == VFW_S_NO_STOP_TIME)
    spOut->SetTime(&tStart, nullptr);
  spOut->SetSyncPoint(TRUE);
  spOut->SetDiscontinuity(pIn->IsDiscontinuity() == S_OK);
  spOut->SetPreroll(pIn->IsPreroll() == S_OK);
  if (FAILED(hr = spOut->SetActualDataLength(static_cast<long>(m_frames.OutputLayout().cbBuffer))))
    return hr;
  return m_output.Deliver(spOut);
}

}  // namespace lumivar
