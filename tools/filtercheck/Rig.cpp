#include "Rig.h"

namespace filtercheck {

ULONG RefCount(IUnknown* pUnk) {
  pUnk->AddRef();
  return pUnk->Release();
}

bool SameObject(IUnknown* pA, IUnknown* pB) {
  if (!pA || !pB) return pA == pB;
  CComPtr<IUnknown> spA, spB;
  pA->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&spA));
  pB->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&spB));
  return spA && spA == spB;
}

HRESULT FindPinByDirection(IBaseFilter* pFilter, PIN_DIRECTION dir, IPin** ppPin) {
  *ppPin = nullptr;
  CComPtr<IEnumPins> spEnum;
  HRESULT hr = pFilter->EnumPins(&spEnum);
  if (FAILED(hr)) return hr;
  CComPtr<IPin> spPin;
  while (spEnum->Next(1, &spPin, nullptr) == S_OK) {
    PIN_INFO info = {};
    if (SUCCEEDED(spPin->QueryPinInfo(&info))) {
      if (info.pFilter) info.pFilter->Release();
      if (info.dir == dir) {
        *ppPin = spPin.Detach();
        return S_OK;
      }
    }
    spPin.Release();
  }
  return VFW_E_NOT_FOUND;
}

CRig::~CRig() {
  if (!m_spFilter) return;
  if (m_spGraph) {
    CComQIPtr<IMediaControl> spControl(m_spGraph);
    if (spControl) spControl->Stop();
  } else {
    SetState(State_Stopped);
  }
  if (m_spOut) m_spOut->Disconnect();
  if (m_spSink) m_spSink->Input()->Disconnect();
  if (m_spIn) m_spIn->Disconnect();
  if (m_spSource) m_spSource->Output()->Disconnect();
}

void CRig::Abandon() {
  m_check.Filters().KeepLoaded();
  m_spControl.Detach();
  m_spIn.Detach();
  m_spOut.Detach();
  m_spFilter.Detach();
  m_spSource.Detach();
  m_spSink.Detach();
  m_spGraph.Detach();
}

bool CRig::Make(int cx, int cy) {
  m_cx = cx;
  m_cy = cy;
  if (!m_check.Setup(m_check.Filters().Create(&m_spFilter), "creating the filter")) return false;
  m_spControl = m_spFilter;
  if (!m_check.Expect(m_spControl != nullptr, "the filter shows no IResizerControl")) return false;
  if (!m_check.Expect(SUCCEEDED(FindPinByDirection(m_spFilter, PINDIR_INPUT, &m_spIn)), "no input pin found") ||
      !m_check.Expect(SUCCEEDED(FindPinByDirection(m_spFilter, PINDIR_OUTPUT, &m_spOut)), "no output pin found"))
    return false;
  return m_check.Setup(CTestSource::Create(cx, cy, &m_spSource), "creating the source") &&
         m_check.Setup(CTestSink::Create(&m_spSink), "creating the sink");
}

bool CRig::MakeGraph() {
  HRESULT hr = m_spGraph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER);
  if (!m_check.Setup(hr, "creating the filter graph manager")) return false;
  return m_check.Setup(m_spGraph->AddFilter(m_spSource, L"Source"), "adding the source") &&
         m_check.ExpectOk(m_spGraph->AddFilter(m_spFilter, L"Resizer"), "IFilterGraph::AddFilter(the filter)") &&
         m_check.Setup(m_spGraph->AddFilter(m_spSink, L"Sink"), "adding the sink");
}

bool CRig::ConnectInput() {
  HRESULT hr = m_spGraph ? m_spGraph->ConnectDirect(m_spSource->Output(), m_spIn, nullptr)
                         : m_spSource->Output()->Connect(m_spIn, nullptr);
  return m_check.ExpectOk(hr, "connecting the source to the input pin");
}

bool CRig::ConnectOutput() {
  HRESULT hr = m_spGraph ? m_spGraph->ConnectDirect(m_spOut, m_spSink->Input(), nullptr)
                         : m_spOut->Connect(m_spSink->Input(), nullptr);
  return m_check.ExpectOk(hr, "connecting the output pin to the sink");
}

bool CRig::SetState(FILTER_STATE state) {
  if (m_spGraph) {
    CComQIPtr<IMediaControl> spControl(m_spGraph);
    HRESULT hr = state == State_Running  ? spControl->Run()
                 : state == State_Paused ? spControl->Pause()
                                         : spControl->Stop();
    if (!m_check.ExpectOk(hr, "IMediaControl state change")) return false;
    OAFilterState fs;
    return m_check.ExpectOk(spControl->GetState(5000, &fs), "IMediaControl::GetState");
  }
  IBaseFilter* filters[] = {m_spSink, m_spFilter, m_spSource};
  bool bOk = true;
  for (IBaseFilter* pFilter : filters) {
    if (!pFilter) continue;
    HRESULT hr = state == State_Running ? pFilter->Run(0) : state == State_Paused ? pFilter->Pause() : pFilter->Stop();
    if (pFilter == m_spFilter.p)
      bOk &= m_check.ExpectOk(hr, state == State_Running ? "Run" : state == State_Paused ? "Pause" : "Stop");
  }
  return bOk;
}

HRESULT CRig::Push(const Picture& picture, int iFrame) {
  return m_spSource->Push(picture, iFrame * 400000LL, (iFrame + 1) * 400000LL);
}

bool CRig::Transfer(const Picture& picture, Picture* pOut) {
  const size_t cBefore = m_spSink->Input()->SampleCount();
  HRESULT hr = Push(picture, static_cast<int>(cBefore));
  if (!m_check.ExpectOk(hr, "delivering a frame to the input")) return false;
  if (!m_check.Expect(m_spSink->Input()->WaitFor(SinkEvent::Sample, cBefore + 1, 5000),
                      "no output frame within 5 s of an input frame"))
    return false;
  const std::vector<SinkEvent> events = m_spSink->Input()->Events();
  for (auto it = events.rbegin(); it != events.rend(); ++it)
    if (it->kind == SinkEvent::Sample) {
      *pOut = it->picture;
      return true;
    }
  return false;
}

}  // namespace filtercheck
