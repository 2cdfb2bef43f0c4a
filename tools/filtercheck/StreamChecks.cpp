// What every DirectShow filter must do while streaming: samples, segments, the end of
// the stream, flushing, seeking and quality messages passed on, and no deadlock when
// the sink asks about types on the streaming thread.
#include "Checks.h"

#include <memory>

namespace filtercheck {

namespace {

const DWORD kWaitMs = 5000;

// A running rig: 64 x 48 in, 32 x 24 out.
bool Running(CRig& rig) {
  if (!rig.Make(64, 48)) return false;
  if (!rig.m_check.ExpectOk(rig.m_spControl->SetOutputSize(32, 24), "SetOutputSize(32, 24)")) return false;
  return rig.ConnectInput() && rig.ConnectOutput() && rig.SetState(State_Running);
}

std::vector<SinkEvent> OfKind(const std::vector<SinkEvent>& events, SinkEvent::Kind kind) {
  std::vector<SinkEvent> some;
  for (const SinkEvent& e : events)
    if (e.kind == kind) some.push_back(e);
  return some;
}

}  // namespace

void CheckSamples(CCheck& check) {
  CRig rig(check);
  if (!rig.Make(64, 48) || !rig.ConnectInput()) return;
  CComQIPtr<IMemInputPin> spMemInput(rig.m_spIn);
  if (!rig.ConnectOutput()) return;
  // Stopped, the input takes no sample.
  if (rig.m_spSource->Output()->Allocator()) {
    rig.m_spSource->Output()->Allocator()->Commit();
    CComPtr<IMediaSample> spSample;
    if (SUCCEEDED(rig.m_spSource->Output()->GetDeliveryBuffer(&spSample)) && spMemInput) {
      spSample->SetActualDataLength(64 * 48 * 4);
      check.Expect(FAILED(spMemInput->Receive(spSample)), "a sample was taken while the filter was stopped");
    }
    spSample.Release();
    rig.m_spSource->Output()->Allocator()->Decommit();
  }
  check.Expect(rig.m_spSink->Input()->SampleCount() == 0, "a sample came out while the filter was stopped");
  if (!rig.SetState(State_Running)) return;
  const int kFrames = 5;
  for (int i = 0; i < kFrames; ++i) check.ExpectOk(rig.Push(NoisePicture(64, 48, i), i), "delivering a sample");
  const bool bAll = rig.m_spSink->Input()->WaitFor(SinkEvent::Sample, kFrames, kWaitMs);
  check.Expect(bAll, "%zu of %d samples came out", rig.m_spSink->Input()->SampleCount(), kFrames);
  const std::vector<SinkEvent> samples = OfKind(rig.m_spSink->Input()->Events(), SinkEvent::Sample);
  LONG cx = 0, cy = 0;
  rig.m_spControl->GetOutputSize(&cx, &cy);
  for (size_t i = 0; i < samples.size(); ++i) {
    const SinkEvent& e = samples[i];
    check.Expect(e.bHasTime && e.tStart == static_cast<REFERENCE_TIME>(i) * 400000 &&
                     e.tStop == static_cast<REFERENCE_TIME>(i + 1) * 400000,
                 "sample %zu came out %s%lld-%lld, it went in at %lld-%lld", i, e.bHasTime ? "at " : "without times ",
                 static_cast<long long>(e.tStart), static_cast<long long>(e.tStop), static_cast<long long>(i) * 400000,
                 static_cast<long long>(i + 1) * 400000);
    check.Expect(e.cbData >= cx * cy * 4 && e.picture.width == cx && e.picture.height == cy,
                 "sample %zu holds %ld bytes, not a %ldx%ld frame", i, e.cbData, cx, cy);
  }
}

void CheckNewSegment(CCheck& check) {
  CRig rig(check);
  if (!Running(rig)) return;
  check.ExpectOk(rig.m_spSource->Output()->DeliverNewSegment(2000000, 9000000, 1.0), "NewSegment");
  const bool bCame = rig.m_spSink->Input()->WaitFor(SinkEvent::Segment, 1, kWaitMs);
  const std::vector<SinkEvent> segments = OfKind(rig.m_spSink->Input()->Events(), SinkEvent::Segment);
  if (!check.Expect(bCame && segments.size() == 1, "%zu NewSegment calls reached the sink, expected 1",
                    segments.size()))
    return;
  check.Expect(segments[0].tStart == 2000000 && segments[0].tStop == 9000000 && segments[0].dRate == 1.0,
               "NewSegment(2000000, 9000000, 1.0) reached the sink as (%lld, %lld, %g)",
               static_cast<long long>(segments[0].tStart), static_cast<long long>(segments[0].tStop),
               segments[0].dRate);
}

void CheckEndOfStream(CCheck& check) {
  CRig rig(check);
  if (!Running(rig)) return;
  for (int i = 0; i < 3; ++i) rig.Push(NoisePicture(64, 48, i), i);
  check.ExpectOk(rig.m_spSource->Output()->DeliverEndOfStream(), "EndOfStream");
  if (!check.Expect(rig.m_spSink->Input()->WaitFor(SinkEvent::EndOfStream, 1, kWaitMs),
                    "no EndOfStream reached the sink within %lu ms", kWaitMs))
    return;
  const std::vector<SinkEvent> events = rig.m_spSink->Input()->Events();
  size_t iEnd = events.size();
  for (size_t i = 0; i < events.size(); ++i)
    if (events[i].kind == SinkEvent::EndOfStream && iEnd == events.size()) iEnd = i;
  check.Expect(OfKind(events, SinkEvent::Sample).size() == 3 && iEnd == events.size() - 1,
               "EndOfStream did not come once, after the last of 3 samples");
}

void CheckFlush(CCheck& check) {
  CRig rig(check);
  if (!Running(rig)) return;
  CTestSinkPin* pSink = rig.m_spSink->Input();
  rig.Push(NoisePicture(64, 48, 1), 0);
  check.Expect(pSink->WaitFor(SinkEvent::Sample, 1, kWaitMs), "no sample came out before the flush");
  check.ExpectOk(rig.m_spSource->Output()->DeliverBeginFlush(), "BeginFlush");
  check.Expect(pSink->WaitFor(SinkEvent::BeginFlush, 1, kWaitMs), "BeginFlush did not reach the sink");
  HRESULT hr = rig.Push(NoisePicture(64, 48, 2), 1);
  check.Expect(hr != S_OK, "a sample was taken while flushing (%s)", FormatHr(hr).c_str());
  check.ExpectOk(rig.m_spSource->Output()->DeliverEndFlush(), "EndFlush");
  check.Expect(pSink->WaitFor(SinkEvent::EndFlush, 1, kWaitMs), "EndFlush did not reach the sink");
  check.ExpectOk(rig.Push(NoisePicture(64, 48, 3), 2), "a sample after EndFlush");
  pSink->WaitFor(SinkEvent::Sample, 2, kWaitMs);
  // Whatever was queued when the flush began is gone: one frame before, one after.
  const std::vector<SinkEvent> events = pSink->Events();
  std::vector<SinkEvent::Kind> kinds;
  for (const SinkEvent& e : events) kinds.push_back(e.kind);
  const std::vector<SinkEvent::Kind> want = {SinkEvent::Sample, SinkEvent::BeginFlush, SinkEvent::EndFlush,
                                             SinkEvent::Sample};
  check.Expect(kinds == want,
               "the sink saw %zu events (%zu samples), expected a sample, BeginFlush, EndFlush, a sample",
               events.size(), OfKind(events, SinkEvent::Sample).size());
}

void CheckSeeking(CCheck& check) {
  CRig rig(check);
  if (!rig.Make(64, 48) || !rig.ConnectInput() || !rig.ConnectOutput()) return;
  CComQIPtr<IMediaSeeking> spSeeking(rig.m_spOut);
  if (!check.Expect(spSeeking != nullptr, "the output pin shows no IMediaSeeking")) return;
  LONGLONG tDuration = 0;
  check.ExpectOk(spSeeking->GetDuration(&tDuration), "GetDuration");
  check.Expect(tDuration == CTestSourcePin::kDuration, "GetDuration answered %lld, the source's is %lld",
               static_cast<long long>(tDuration), static_cast<long long>(CTestSourcePin::kDuration));
  LONGLONG tCurrent = 20000000, tStop = 40000000;
  check.ExpectOk(
      spSeeking->SetPositions(&tCurrent, AM_SEEKING_AbsolutePositioning, &tStop, AM_SEEKING_AbsolutePositioning),
      "SetPositions");
  CTestSourcePin* pSource = rig.m_spSource->Output();
  check.Expect(pSource->m_tSeekCurrent == 20000000 && pSource->m_tSeekStop == 40000000,
               "SetPositions(2 s, 4 s) reached the source as %lld, %lld",
               static_cast<long long>(pSource->m_tSeekCurrent.load()),
               static_cast<long long>(pSource->m_tSeekStop.load()));
}

void CheckQuality(CCheck& check) {
  CRig rig(check);
  if (!rig.Make(64, 48) || !rig.ConnectInput() || !rig.ConnectOutput()) return;
  CComQIPtr<IQualityControl> spQuality(rig.m_spOut);
  if (!check.Expect(spQuality != nullptr, "the output pin shows no IQualityControl")) return;
  Quality q = {Famine, 800, 1234567, 4000000};
  check.ExpectOk(spQuality->Notify(rig.m_spSink, q), "Notify");
  CTestSourcePin* pSource = rig.m_spSource->Output();
  check.Expect(pSource->m_cQuality == 1 && pSource->m_tQualityLate == 1234567,
               "a quality message to the output reached the source %d times", pSource->m_cQuality.load());
}

namespace {

// What the deadlock check shares with its threads; left behind if the filter hangs.
struct DeadlockProbe {
  CComPtr<IPin> spOut;
  HANDLE hInReceive = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE hStopDone = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE hDecommit = nullptr;  // the sink's allocator's, not owned
  CComPtr<IBaseFilter> spFilter;
  CComPtr<CTestSource> spSource;
  HRESULT hrQuery = E_FAIL, hrTypes = E_FAIL, hrType = E_FAIL;
  ~DeadlockProbe() {
    ::CloseHandle(hInReceive);
    ::CloseHandle(hStopDone);
  }
};

DWORD WINAPI PushThread(void* pv) {
  auto* p = static_cast<DeadlockProbe*>(pv);
  p->spSource->Push(NoisePicture(64, 48, 9), 0, 400000);
  return 0;
}

DWORD WINAPI StopThread(void* pv) {
  auto* p = static_cast<DeadlockProbe*>(pv);
  p->spFilter->Stop();
  ::SetEvent(p->hStopDone);
  return 0;
}

}  // namespace

void CheckTypeQueryDeadlock(CCheck& check) {
  CRig rig(check);
  if (!Running(rig)) return;
  auto* pProbe = new DeadlockProbe;
  pProbe->spOut = rig.m_spOut;
  pProbe->spFilter = rig.m_spFilter;
  pProbe->spSource = rig.m_spSource;
  CTestSinkPin* pSink = rig.m_spSink->Input();
  pProbe->hDecommit = pSink->NotifiedOwnAllocator() ? pSink->OwnAllocator()->DecommitEvent() : nullptr;
  // On the streaming thread, once Stop is under way (it decommits the allocator first),
  // the sink asks the output about types, as a renderer does.
  pSink->SetProbe([pProbe] {
    ::SetEvent(pProbe->hInReceive);
    if (pProbe->hDecommit) ::WaitForSingleObject(pProbe->hDecommit, 2000);
    dshow::CMediaType mt;
    pProbe->hrType = pProbe->spOut->ConnectionMediaType(&mt);
    pProbe->hrQuery = pProbe->spOut->QueryAccept(&mt);
    CComPtr<IEnumMediaTypes> spTypes;
    pProbe->hrTypes = pProbe->spOut->EnumMediaTypes(&spTypes);
  });
  HANDLE hPush = ::CreateThread(nullptr, 0, PushThread, pProbe, 0, nullptr);
  HANDLE hStop = nullptr;
  bool bHung = false;
  if (check.Expect(hPush && ::WaitForSingleObject(pProbe->hInReceive, kWaitMs) == WAIT_OBJECT_0,
                   "no sample reached the sink within %lu ms", kWaitMs)) {
    hStop = ::CreateThread(nullptr, 0, StopThread, pProbe, 0, nullptr);
    bHung = ::WaitForSingleObject(pProbe->hStopDone, kWaitMs) != WAIT_OBJECT_0;
    check.Expect(
        !bHung,
        "Stop did not return within %lu ms while the sink asked about types on the streaming thread: a deadlock",
        kWaitMs);
  }
  if (!bHung && hPush) bHung = ::WaitForSingleObject(hPush, kWaitMs) != WAIT_OBJECT_0;
  if (hPush) ::CloseHandle(hPush);
  if (hStop) ::CloseHandle(hStop);
  if (bHung) {
    rig.Abandon();  // its threads still hold the filter and the probe
    return;
  }
  pSink->SetProbe(nullptr);
  check.ExpectOk(pProbe->hrType, "ConnectionMediaType on the streaming thread");
  check.ExpectHr(S_OK, pProbe->hrQuery, "QueryAccept of the connection type on the streaming thread");
  check.ExpectOk(pProbe->hrTypes, "EnumMediaTypes on the streaming thread");
  delete pProbe;
}

}  // namespace filtercheck
