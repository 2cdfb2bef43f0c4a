// What every DirectShow filter must do: connection rules and allocator negotiation.
#include "Checks.h"

namespace filtercheck {

namespace {

bool Unconnected(IPin* pPin) {
  IPin* pPeer = nullptr;
  HRESULT hr = pPin->ConnectedTo(&pPeer);
  if (pPeer) pPeer->Release();
  return hr == VFW_E_NOT_CONNECTED && !pPeer;
}

}  // namespace

void CheckConnectionRefusals(CCheck& check) {
  CRig rig(check);
  if (!rig.Make(64, 48)) return;
  dshow::CMediaType mtVideo, mtOther;
  MakeVideoType(64, 48, false, &mtVideo);
  // Wrong direction: an input pin does not connect out, an output pin does not receive,
  // and an input pin takes no connection from another input pin.
  check.Expect(FAILED(rig.m_spIn->Connect(rig.m_spSink->Input(), &mtVideo)), "the input pin's Connect succeeded");
  check.Expect(FAILED(rig.m_spOut->ReceiveConnection(rig.m_spSource->Output(), &mtVideo)),
               "the output pin's ReceiveConnection succeeded");
  check.Expect(FAILED(rig.m_spIn->ReceiveConnection(rig.m_spSink->Input(), &mtVideo)),
               "the input pin took a connection from an input pin");
  check.Expect(Unconnected(rig.m_spIn) && Unconnected(rig.m_spOut), "a refused connection left a pin connected");
  // The output connects only after the input.
  check.Expect(FAILED(rig.m_spOut->Connect(rig.m_spSink->Input(), nullptr)),
               "the output connected before the input was connected");
  // Unacceptable types.
  for (OtherType type : {OtherType::Audio, OtherType::Rgb24}) {
    MakeOtherType(type, 64, 48, &mtOther);
    check.ExpectHr(VFW_E_TYPE_NOT_ACCEPTED, rig.m_spIn->ReceiveConnection(rig.m_spSource->Output(), &mtOther),
                   type == OtherType::Audio ? "ReceiveConnection(audio)" : "ReceiveConnection(RGB24)");
  }
  check.Expect(Unconnected(rig.m_spIn), "a refused type left the input connected");
  // While running or paused.
  for (FILTER_STATE state : {State_Paused, State_Running}) {
    if (!check.ExpectOk(state == State_Running ? rig.m_spFilter->Run(0) : rig.m_spFilter->Pause(), "a state change"))
      return;
    check.ExpectHr(VFW_E_NOT_STOPPED, rig.m_spIn->ReceiveConnection(rig.m_spSource->Output(), &mtVideo),
                   state == State_Running ? "ReceiveConnection while running" : "ReceiveConnection while paused");
  }
  rig.m_spFilter->Stop();
  check.Expect(Unconnected(rig.m_spIn), "a connection refused while running left the input connected");
  if (!rig.ConnectInput()) return;
  // A sink that takes nothing.
  rig.m_spSink->Input()->AcceptNothing(true);
  check.Expect(FAILED(rig.m_spOut->Connect(rig.m_spSink->Input(), nullptr)),
               "the output connected to a pin that accepts no type");
  check.Expect(Unconnected(rig.m_spOut), "a refused connection left the output connected");
  rig.m_spSink->Input()->AcceptNothing(false);
  if (!check.ExpectOk(rig.m_spFilter->Run(0), "Run")) return;
  check.ExpectHr(VFW_E_NOT_STOPPED, rig.m_spOut->Connect(rig.m_spSink->Input(), nullptr),
                 "the output's Connect while running");
  rig.m_spFilter->Stop();
  if (!rig.ConnectOutput()) return;
  // Already connected.
  check.ExpectHr(VFW_E_ALREADY_CONNECTED, rig.m_spIn->ReceiveConnection(rig.m_spSource->Output(), &mtVideo),
                 "ReceiveConnection of a connected input");
  check.ExpectHr(VFW_E_ALREADY_CONNECTED, rig.m_spOut->Connect(rig.m_spSink->Input(), nullptr),
                 "Connect of a connected output");
}

void CheckConnection(CCheck& check) {
  CRig rig(check);
  if (!rig.Make(64, 48)) return;
  for (IPin* pPin : {rig.m_spIn.p, rig.m_spOut.p}) {
    const char* pszPin = pPin == rig.m_spIn ? "input" : "output";
    IPin* pPeer = reinterpret_cast<IPin*>(1);
    HRESULT hr = pPin->ConnectedTo(&pPeer);
    check.Expect(hr == VFW_E_NOT_CONNECTED && !pPeer, "the unconnected %s's ConnectedTo answered %s%s", pszPin,
                 FormatHr(hr).c_str(), pPeer ? " and left the out-pointer set" : "");
    check.ExpectHr(E_POINTER, pPin->ConnectedTo(nullptr), "ConnectedTo(null)");
    AM_MEDIA_TYPE mt = {};
    mt.majortype = MEDIATYPE_Audio;
    hr = pPin->ConnectionMediaType(&mt);
    check.Expect(hr == VFW_E_NOT_CONNECTED, "the unconnected %s's ConnectionMediaType answered %s", pszPin,
                 FormatHr(hr).c_str());
    if (SUCCEEDED(hr)) dshow::FreeMediaType(&mt);
    check.ExpectHr(S_FALSE, pPin->Disconnect(), "Disconnect of an unconnected pin");
  }
  if (!rig.ConnectInput() || !rig.ConnectOutput()) return;
  const struct {
    IPin* pPin;
    IPin* pPeer;
    const AM_MEDIA_TYPE* pmtPeer;
    const char* pszName;
  } sides[] = {
      {rig.m_spIn, rig.m_spSource->Output(), &rig.m_spSource->Output()->CurrentMediaType(), "input"},
      {rig.m_spOut, rig.m_spSink->Input(), &rig.m_spSink->Input()->CurrentMediaType(), "output"},
  };
  for (const auto& side : sides) {
    CComPtr<IPin> spPeer;
    check.ExpectOk(side.pPin->ConnectedTo(&spPeer), "ConnectedTo of a connected pin");
    check.Expect(SameObject(spPeer, side.pPeer), "the %s's ConnectedTo names another pin than its peer", side.pszName);
    AM_MEDIA_TYPE mt = {};
    if (check.ExpectOk(side.pPin->ConnectionMediaType(&mt), "ConnectionMediaType of a connected pin")) {
      check.Expect(dshow::EqualMediaType(&mt, side.pmtPeer), "the %s's ConnectionMediaType differs from its peer's",
                   side.pszName);
      dshow::FreeMediaType(&mt);
    }
  }
  LONG cx = 0, cy = 0;
  rig.m_spControl->GetOutputSize(&cx, &cy);
  SIZE size = {};
  check.Expect(TypeSize(&rig.m_spSink->Input()->CurrentMediaType(), &size) && size.cx == cx && size.cy == cy,
               "the output connected with %ldx%ld, its output size is %ldx%ld", size.cx, size.cy, cx, cy);
  if (!rig.SetState(State_Running)) return;
  check.ExpectHr(VFW_E_NOT_STOPPED, rig.m_spIn->Disconnect(), "the input's Disconnect while running");
  check.ExpectHr(VFW_E_NOT_STOPPED, rig.m_spOut->Disconnect(), "the output's Disconnect while running");
  if (!rig.SetState(State_Stopped)) return;
  for (IPin* pPin : {rig.m_spOut.p, rig.m_spIn.p}) {
    const char* pszPin = pPin == rig.m_spIn ? "the input's" : "the output's";
    check.Expect(pPin->Disconnect() == S_OK, "%s Disconnect while stopped did not answer S_OK", pszPin);
    check.Expect(Unconnected(pPin), "%s ConnectedTo after Disconnect still names a peer", pszPin);
    HRESULT hr = pPin->Disconnect();
    check.Expect(hr == S_FALSE, "%s second Disconnect answered %s, expected S_FALSE", pszPin, FormatHr(hr).c_str());
  }
  rig.m_spSink->Input()->Disconnect();
  rig.m_spSource->Output()->Disconnect();
  // Connected again with the same peers, after the disconnection.
  if (rig.ConnectInput()) rig.ConnectOutput();
}

void CheckAllocator(CCheck& check) {
  CRig rig(check);
  if (!rig.Make(64, 48)) return;
  CComQIPtr<IMemInputPin> spMemInput(rig.m_spIn);
  if (!check.Expect(spMemInput != nullptr, "the input pin shows no IMemInputPin")) return;
  check.ExpectHr(E_POINTER, spMemInput->GetAllocator(nullptr), "GetAllocator(null)");
  CComPtr<IMemAllocator> spAllocator;
  HRESULT hr = spMemInput->GetAllocator(&spAllocator);
  check.Expect((hr == S_OK && spAllocator) || (hr == VFW_E_NO_ALLOCATOR && !spAllocator),
               "GetAllocator answered %s; S_OK with an allocator or VFW_E_NO_ALLOCATOR are the answers",
               FormatHr(hr).c_str());
  ALLOCATOR_PROPERTIES props = {};
  hr = spMemInput->GetAllocatorRequirements(&props);
  check.Expect(hr == S_OK || hr == E_NOTIMPL, "GetAllocatorRequirements answered %s; S_OK or E_NOTIMPL are the answers",
               FormatHr(hr).c_str());
  hr = spMemInput->ReceiveCanBlock();
  check.Expect(hr == S_OK || hr == S_FALSE, "ReceiveCanBlock answered %s", FormatHr(hr).c_str());
  if (!rig.ConnectInput()) return;
  // The source's connection gave the input an allocator; the output sizes the sink's.
  if (!rig.ConnectOutput()) return;
  CTestSinkPin* pSink = rig.m_spSink->Input();
  check.Expect(pSink->Notified(), "the output never called the sink's NotifyAllocator");
  LONG cx = 0, cy = 0;
  rig.m_spControl->GetOutputSize(&cx, &cy);
  const long cbFrame = cx * cy * 4;
  if (pSink->NotifiedOwnAllocator()) {
    ALLOCATOR_PROPERTIES actual = {};
    pSink->OwnAllocator()->GetProperties(&actual);
    check.Expect(actual.cbBuffer >= cbFrame && actual.cBuffers >= 1,
                 "the output set the sink's allocator to %ld buffers of %ld bytes; a frame takes %ld", actual.cBuffers,
                 actual.cbBuffer, cbFrame);
  }
  if (!rig.SetState(State_Running)) return;
  Picture out;
  rig.Transfer(NoisePicture(64, 48, 3), &out);
}

}  // namespace filtercheck
