// The kit's transform base between the generator and the test sink, in a
// graph of Wine's graph manager.
#include <TransformFilter.h>
#include <gtest/gtest.h>

#include <atlcomcli.h>
#include <atlhandle.h>

#include <atomic>
#include <cstring>
#include <new>

#include "GraphEvents.h"
#include "SinkFilter.h"
#include "VideoGenerator.h"

using ATL::CComPtr;
using ATL::CComQIPtr;

namespace {

// {0B7E6D3C-4C2F-4B55-9D55-7C1B0E9A2F10}: for the graph's sake, never registered.
const CLSID CLSID_TestInvert = {0x0b7e6d3c, 0x4c2f, 0x4b55, {0x9d, 0x55, 0x7c, 0x1b, 0x0e, 0x9a, 0x2f, 0x10}};

const BITMAPINFOHEADER* Bitmap(const AM_MEDIA_TYPE* pmt) {
  if (pmt->formattype != FORMAT_VideoInfo || pmt->cbFormat < sizeof(VIDEOINFOHEADER)) return nullptr;
  return &reinterpret_cast<const VIDEOINFOHEADER*>(pmt->pbFormat)->bmiHeader;
}

// Inverts RGB32 frames; its output type is its input type.
class CInvertTransform : public dshow::CTransformFilter {
public:
  CInvertTransform() : CTransformFilter(CLSID_TestInvert) {}

  HRESULT CheckInputType(const AM_MEDIA_TYPE* pmt) override {
    return pmt->subtype == MEDIASUBTYPE_RGB32 && Bitmap(pmt) ? S_OK : S_FALSE;
  }
  HRESULT GetOutputType(int iPosition, AM_MEDIA_TYPE* pmt) override {
    if (iPosition > 0) return VFW_S_NO_MORE_ITEMS;
    dshow::FreeMediaType(pmt);
    return dshow::CopyMediaType(pmt, &Input()->CurrentMediaType());
  }
  HRESULT CheckTransform(const AM_MEDIA_TYPE* pmtIn, const AM_MEDIA_TYPE* pmtOut) override {
    const BITMAPINFOHEADER* pIn = Bitmap(pmtIn);
    const BITMAPINFOHEADER* pOut = Bitmap(pmtOut);
    return pIn && pOut && pOut->biWidth == pIn->biWidth && pOut->biHeight == pIn->biHeight ? S_OK : S_FALSE;
  }
  HRESULT DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pRequest) override {
    pRequest->cBuffers = 1;
    pRequest->cbBuffer = Bitmap(&Output()->CurrentMediaType())->biSizeImage;
    pRequest->cbAlign = 1;
    ALLOCATOR_PROPERTIES actual;
    return pAlloc->SetProperties(pRequest, &actual);
  }
  HRESULT Transform(IMediaSample* pIn, IMediaSample* pOut) override {
    BYTE *pbIn = nullptr, *pbOut = nullptr;
    pIn->GetPointer(&pbIn);
    pOut->GetPointer(&pbOut);
    const LONG cb = pIn->GetActualDataLength();
    for (LONG i = 0; i < cb; i += 4) *reinterpret_cast<DWORD*>(pbOut + i) = *reinterpret_cast<DWORD*>(pbIn + i) ^ 0xFFFFFF;
    return pOut->SetActualDataLength(cb);
  }
};

class TransformTest : public ::testing::Test {
protected:
  virtual CInvertTransform* CreateTransform() { return new CInvertTransform(); }

  void SetUp() override {
    ASSERT_EQ(S_OK, m_spGraph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER));
    ASSERT_EQ(S_OK, m_spGenerator.CoCreateInstance(CLSID_VideoGenerator, nullptr, CLSCTX_INPROC_SERVER));
    m_spSettings = m_spGenerator;
    ASSERT_TRUE(m_spSettings);
    const VideoGeneratorSettings settings = {64, 48, 25, 200};
    ASSERT_EQ(S_OK, m_spSettings->SetSettings(&settings));
    m_pTransform = CreateTransform();
    ASSERT_EQ(S_OK, CSinkFilter::Create(&m_pSink));
    m_pSink->Input()->KeepData(true);
    ASSERT_EQ(S_OK, m_spGraph->AddFilter(m_spGenerator, L"Video Generator"));
    ASSERT_EQ(S_OK, m_spGraph->AddFilter(m_pTransform, L"Invert"));
    ASSERT_EQ(S_OK, m_spGraph->AddFilter(m_pSink, L"Sink"));
    CComPtr<IPin> spGeneratorOut;
    ASSERT_EQ(S_OK, m_spGenerator->FindPin(L"Output", &spGeneratorOut));
    ASSERT_EQ(S_OK, m_spGraph->ConnectDirect(spGeneratorOut, m_pTransform->Input(), nullptr));
    ASSERT_EQ(S_OK, m_spGraph->ConnectDirect(m_pTransform->Output(), m_pSink->Input(), nullptr));
    m_spControl = m_spGraph;
    ASSERT_TRUE(m_spControl);
  }
  void TearDown() override {
    if (m_spControl) m_spControl->Stop();
    m_spControl.Release();
    m_spSettings.Release();
    m_spGenerator.Release();
    m_spGraph.Release();
    // With the graph gone, the test holds the last reference to each.
    if (m_pTransform) {
      EXPECT_EQ(0u, m_pTransform->Release());
    }
    if (m_pSink) {
      EXPECT_EQ(0u, m_pSink->Release());
    }
  }

  SIZE SinkSize() {
    const BITMAPINFOHEADER* pbmi = Bitmap(&m_pSink->Input()->CurrentMediaType());
    return pbmi ? SIZE{pbmi->biWidth, pbmi->biHeight} : SIZE{0, 0};
  }

  CComPtr<IGraphBuilder> m_spGraph;
  CComPtr<IBaseFilter> m_spGenerator;
  CComQIPtr<IVideoGeneratorSettings, &IID_IVideoGeneratorSettings> m_spSettings;
  CComQIPtr<IMediaControl, &IID_IMediaControl> m_spControl;
  CInvertTransform* m_pTransform = nullptr;
  CSinkFilter* m_pSink = nullptr;
};

TEST_F(TransformTest, SamplesArriveTransformedWithTheirTimes) {
  ASSERT_GE(m_spControl->Run(), 0);
  ASSERT_TRUE(m_pSink->Input()->WaitForEndOfStream(5000));
  const std::vector<SinkSample> samples = m_pSink->Input()->Samples();
  ASSERT_EQ(5u, samples.size());
  for (size_t i = 0; i < samples.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_TRUE(samples[i].bHasTime);
    EXPECT_EQ(static_cast<REFERENCE_TIME>(i) * 400000, samples[i].tStart);
    EXPECT_EQ(static_cast<REFERENCE_TIME>(i + 1) * 400000, samples[i].tStop);
    EXPECT_EQ(i == 0, samples[i].bDiscontinuity);
    ASSERT_EQ(64 * 48 * 4, samples[i].cbData);
    // The top row (last in the bottom-up buffer) starts with the white bar
    // and ends with the black one: inverted, black then white.
    const DWORD* pTop = reinterpret_cast<const DWORD*>(samples[i].data.data()) + 47 * 64;
    EXPECT_EQ(0x000000u, pTop[0] & 0xFFFFFF);
    EXPECT_EQ(0xFFFFFFu, pTop[63] & 0xFFFFFF);
  }
}

TEST_F(TransformTest, OutputTakesTheNewInputFormatWhenReconnected) {
  const VideoGeneratorSettings smaller = {32, 24, 25, 200};
  ASSERT_EQ(S_OK, m_spSettings->SetSettings(&smaller));
  EXPECT_EQ(64, SinkSize().cx);  // the output keeps its type until reconnected
  ASSERT_EQ(S_OK, m_pTransform->ReconnectOutput());
  EXPECT_EQ(32, SinkSize().cx);
  EXPECT_EQ(24, SinkSize().cy);

  ASSERT_GE(m_spControl->Run(), 0);
  ASSERT_TRUE(m_pSink->Input()->WaitForEndOfStream(5000));
  EXPECT_EQ(32 * 24 * 4, m_pSink->Input()->Samples().at(0).cbData);
}

TEST_F(TransformTest, OutputIsNotReconnectedWhilePaused) {
  ASSERT_GE(m_spControl->Pause(), 0);
  EXPECT_EQ(VFW_E_NOT_STOPPED, m_pTransform->ReconnectOutput());
  EXPECT_EQ(64, SinkSize().cx);
}

TEST_F(TransformTest, GraphSeekingReachesTheSourceThroughTheOutput) {
  CComQIPtr<IMediaSeeking, &IID_IMediaSeeking> spSeeking(m_spGraph);
  ASSERT_TRUE(spSeeking);
  LONGLONG llDuration = 0;
  ASSERT_EQ(S_OK, spSeeking->GetDuration(&llDuration));
  EXPECT_EQ(2000000, llDuration);
  LONGLONG llStart = 1000000;  // 0.1 s: between frames 2 and 3
  ASSERT_EQ(S_OK, spSeeking->SetPositions(&llStart, AM_SEEKING_AbsolutePositioning, nullptr,
                                          AM_SEEKING_NoPositioning));
  ASSERT_GE(m_spControl->Run(), 0);
  ASSERT_TRUE(m_pSink->Input()->WaitForEndOfStream(5000));
  const std::vector<SinkSample> samples = m_pSink->Input()->Samples();
  ASSERT_EQ(2u, samples.size());  // frames 3 and 4
  EXPECT_EQ(3, samples[0].tMediaStart);
  EXPECT_EQ(3 * 400000 - llStart, samples[0].tStart);
  // The segment, passed through the transform, says where the times start.
  const std::vector<SinkSegment> segments = m_pSink->Input()->Segments();
  ASSERT_EQ(1u, segments.size());
  EXPECT_EQ(llStart, segments[0].tStart);
  EXPECT_EQ(llDuration, segments[0].tStop);
  EXPECT_EQ(1.0, segments[0].dRate);
}

// Wine's renderer on the transform's output: it connects, asks the output
// pin for seeking (passed on to the generator) and reports the end.
TEST(TransformRenderTest, WinesRendererPlaysTheTransformedStreamToTheEnd) {
  CComPtr<IGraphBuilder> spGraph;
  ASSERT_EQ(S_OK, spGraph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER));
  CComPtr<IBaseFilter> spGenerator;
  ASSERT_EQ(S_OK, spGenerator.CoCreateInstance(CLSID_VideoGenerator, nullptr, CLSCTX_INPROC_SERVER));
  CComQIPtr<IVideoGeneratorSettings, &IID_IVideoGeneratorSettings> spSettings(spGenerator);
  const VideoGeneratorSettings settings = {64, 48, 25, 400};
  ASSERT_EQ(S_OK, spSettings->SetSettings(&settings));
  auto* pTransform = new CInvertTransform();
  ASSERT_EQ(S_OK, spGraph->AddFilter(spGenerator, L"Video Generator"));
  ASSERT_EQ(S_OK, spGraph->AddFilter(pTransform, L"Invert"));
  CComPtr<IPin> spGeneratorOut;
  ASSERT_EQ(S_OK, spGenerator->FindPin(L"Output", &spGeneratorOut));
  ASSERT_EQ(S_OK, spGraph->ConnectDirect(spGeneratorOut, pTransform->Input(), nullptr));
  ASSERT_EQ(S_OK, spGraph->Render(pTransform->Output()));

  CComQIPtr<IMediaSeeking, &IID_IMediaSeeking> spSeeking(spGraph);
  LONGLONG llDuration = 0;
  ASSERT_EQ(S_OK, spSeeking->GetDuration(&llDuration));
  EXPECT_EQ(4000000, llDuration);
  {
    CGraphEvents events(spGraph);
    CComQIPtr<IMediaControl, &IID_IMediaControl> spControl(spGraph);
    ASSERT_GE(spControl->Run(), 0);
    EXPECT_TRUE(events.WaitFor(EC_COMPLETE, 3000));
    EXPECT_EQ(S_OK, spControl->Stop());
  }
  spSeeking.Release();
  spSettings.Release();
  spGeneratorOut.Release();
  spGenerator.Release();
  spGraph.Release();
  EXPECT_EQ(0u, pTransform->Release());
}

const HRESULT kTransformFailure = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x0BAD);

// Fails its third Transform.
class CFailingTransform : public CInvertTransform {
public:
  HRESULT Transform(IMediaSample* pIn, IMediaSample* pOut) override {
    if (++m_cCalls == 3) return kTransformFailure;
    return CInvertTransform::Transform(pIn, pOut);
  }
  std::atomic<int> m_cCalls{0};
};

class FailingTransformTest : public TransformTest {
protected:
  CInvertTransform* CreateTransform() override { return m_pFailing = new CFailingTransform(); }
  CFailingTransform* m_pFailing = nullptr;
};

TEST_F(FailingTransformTest, AFailedTransformEndsTheStreamWithErrorAbortAndTheGraphStops) {
  CGraphEvents events(m_spGraph);
  ASSERT_GE(m_spControl->Run(), 0);
  ASSERT_TRUE(events.WaitFor(EC_ERRORABORT, 5000));
  EXPECT_EQ(kTransformFailure, static_cast<HRESULT>(events.FirstParam(EC_ERRORABORT)));
  EXPECT_EQ(S_OK, m_spControl->Stop());
  // The source stopped at the refusal: two frames, no end of the stream, nothing more transformed.
  EXPECT_EQ(2u, m_pSink->Input()->Samples().size());
  EXPECT_EQ(0, m_pSink->Input()->EndOfStreamCount());
  EXPECT_EQ(3, m_pFailing->m_cCalls);
  // A new start is a new stream.
  m_pSink->Input()->ClearRecord();
  ASSERT_GE(m_spControl->Run(), 0);
  EXPECT_TRUE(m_pSink->Input()->WaitForEndOfStream(5000));
  EXPECT_EQ(S_OK, m_spControl->Stop());
}

const HRESULT kPauseRefusal = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x0FA5);

class CPauseRefusingTransform : public CInvertTransform {
protected:
  HRESULT OnPause() override { return kPauseRefusal; }
};

class PauseRefusedTest : public TransformTest {
protected:
  CInvertTransform* CreateTransform() override { return new CPauseRefusingTransform(); }
};

TEST_F(PauseRefusedTest, ARefusedPauseLeavesTheFilterStoppedWithNoPinActive) {
  EXPECT_EQ(kPauseRefusal, m_pTransform->Pause());
  FILTER_STATE state = State_Running;
  EXPECT_EQ(S_OK, m_pTransform->GetState(0, &state));
  EXPECT_EQ(State_Stopped, state);
  // The output's allocator is no longer committed: no buffer for a stream that never began.
  CComPtr<IMediaSample> spSample;
  EXPECT_EQ(VFW_E_NOT_COMMITTED, m_pTransform->Output()->Allocator()->GetBuffer(&spSample, nullptr, nullptr, 0));
  EXPECT_EQ(nullptr, spSample.p);
}

// A renderer asks its peer about types on the streaming thread (a new stride, inside
// GetBuffer), while Stop holds the peer's filter lock and waits for that very thread.
TEST_F(TransformTest, APeerAsksAboutTypesOnTheStreamingThreadWithoutWaitingForTheFilterLock) {
  struct Answers {
    HRESULT hrType = E_PENDING, hrAccept = E_PENDING, hrEnum = E_PENDING, hrInfo = E_PENDING, hrState = E_PENDING;
  } answers;
  ATL::CHandle hAnswered(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  ASSERT_TRUE(hAnswered);
  IPin* pOutput = m_pTransform->Output();
  IBaseFilter* pFilter = m_pTransform;
  m_pSink->Input()->SetReceiveProbe([&](IMediaSample*) {
    if (::WaitForSingleObject(hAnswered, 0) == WAIT_OBJECT_0) return S_OK;
    AM_MEDIA_TYPE mt = {};
    answers.hrType = pOutput->ConnectionMediaType(&mt);
    answers.hrAccept = pOutput->QueryAccept(&mt);
    dshow::FreeMediaType(&mt);
    CComPtr<IEnumMediaTypes> spEnum;
    answers.hrEnum = pOutput->EnumMediaTypes(&spEnum);
    FILTER_INFO info = {};
    answers.hrInfo = pFilter->QueryFilterInfo(&info);
    if (info.pGraph) info.pGraph->Release();
    FILTER_STATE state;
    answers.hrState = pFilter->GetState(0, &state);
    ::SetEvent(hAnswered);
    return S_OK;
  });
  m_pTransform->FilterLock()->Lock();
  const HRESULT hrRun = m_spControl->Run();
  const DWORD dwWait = ::WaitForSingleObject(hAnswered, 5000);
  // A probe stuck on the lock goes on once it is free, and the graph then stops.
  m_pTransform->FilterLock()->Unlock();
  EXPECT_TRUE(m_pSink->Input()->WaitForEndOfStream(5000));
  EXPECT_EQ(S_OK, m_spControl->Stop());
  m_pSink->Input()->SetReceiveProbe(nullptr);
  ASSERT_GE(hrRun, 0);
  EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), dwWait);
  EXPECT_EQ(S_OK, answers.hrType);
  EXPECT_EQ(S_OK, answers.hrAccept);
  EXPECT_EQ(S_OK, answers.hrEnum);
  EXPECT_EQ(S_OK, answers.hrInfo);
  EXPECT_EQ(S_OK, answers.hrState);
}

// Takes quality messages, as a sink set on a pin does.
class CQualityRecorder : public IQualityControl {
public:
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (riid != IID_IUnknown && riid != IID_IQualityControl) {
      *ppv = nullptr;
      return E_NOINTERFACE;
    }
    *ppv = static_cast<IQualityControl*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++m_cRef; }
  STDMETHODIMP_(ULONG) Release() override { return --m_cRef; }
  STDMETHODIMP Notify(IBaseFilter* pSelf, Quality q) override {
    m_pFrom = pSelf;
    m_q = q;
    ++m_cNotified;
    return S_OK;
  }
  STDMETHODIMP SetSink(IQualityControl*) override { return E_NOTIMPL; }

  ULONG m_cRef = 1;
  IBaseFilter* m_pFrom = nullptr;
  Quality m_q = {};
  int m_cNotified = 0;
};

// Generator -> A -> B -> sink: what the sink tells B's output reaches A's output, as a
// renderer's "drop frames" does in a chain of transforms; A hands it to the sink set on
// its output, in its own name.
TEST(TransformQualityTest, QualityMessagesGoUpstreamInTheTransformsName) {
  CComPtr<IGraphBuilder> spGraph;
  ASSERT_EQ(S_OK, spGraph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER));
  CComPtr<IBaseFilter> spGenerator;
  ASSERT_EQ(S_OK, spGenerator.CoCreateInstance(CLSID_VideoGenerator, nullptr, CLSCTX_INPROC_SERVER));
  auto* pA = new CInvertTransform();
  auto* pB = new CInvertTransform();
  auto* pLone = new CInvertTransform();
  CSinkFilter* pSink = nullptr;
  ASSERT_EQ(S_OK, CSinkFilter::Create(&pSink));
  ASSERT_EQ(S_OK, spGraph->AddFilter(spGenerator, L"Video Generator"));
  ASSERT_EQ(S_OK, spGraph->AddFilter(pA, L"A"));
  ASSERT_EQ(S_OK, spGraph->AddFilter(pB, L"B"));
  ASSERT_EQ(S_OK, spGraph->AddFilter(pSink, L"Sink"));
  CComPtr<IPin> spGeneratorOut;
  ASSERT_EQ(S_OK, spGenerator->FindPin(L"Output", &spGeneratorOut));
  ASSERT_EQ(S_OK, spGraph->ConnectDirect(spGeneratorOut, pA->Input(), nullptr));
  ASSERT_EQ(S_OK, spGraph->ConnectDirect(pA->Output(), pB->Input(), nullptr));
  ASSERT_EQ(S_OK, spGraph->ConnectDirect(pB->Output(), pSink->Input(), nullptr));
  {
    CComQIPtr<IQualityControl, &IID_IQualityControl> spQualityA(static_cast<IPin*>(pA->Output()));
    CComQIPtr<IQualityControl, &IID_IQualityControl> spQualityB(static_cast<IPin*>(pB->Output()));
    ASSERT_TRUE(spQualityA && spQualityB);
    CQualityRecorder recorder;
    ASSERT_EQ(S_OK, spQualityA->SetSink(&recorder));
    const Quality late = {Famine, 500, 2000000, 1230000};
    EXPECT_EQ(S_OK, spQualityB->Notify(pSink, late));
    EXPECT_EQ(1, recorder.m_cNotified);
    EXPECT_EQ(static_cast<IBaseFilter*>(pA), recorder.m_pFrom);
    EXPECT_EQ(Famine, recorder.m_q.Type);
    EXPECT_EQ(500, recorder.m_q.Proportion);
    EXPECT_EQ(2000000, recorder.m_q.Late);
    EXPECT_EQ(1230000, recorder.m_q.TimeStamp);
    // With no sink, A passes it on to the generator, which takes it (and ignores it).
    ASSERT_EQ(S_OK, spQualityA->SetSink(nullptr));
    EXPECT_EQ(S_OK, spQualityB->Notify(pSink, late));
    EXPECT_EQ(1, recorder.m_cNotified);
    EXPECT_EQ(1u, recorder.m_cRef);
    // A transform with nothing upstream has no one to tell.
    CComQIPtr<IQualityControl, &IID_IQualityControl> spQualityLone(static_cast<IPin*>(pLone->Output()));
    ASSERT_TRUE(spQualityLone);
    EXPECT_EQ(VFW_E_NOT_FOUND, spQualityLone->Notify(pSink, late));
  }
  spGeneratorOut.Release();
  spGenerator.Release();
  spGraph.Release();
  EXPECT_EQ(0u, pA->Release());
  EXPECT_EQ(0u, pB->Release());
  EXPECT_EQ(0u, pLone->Release());
  EXPECT_EQ(0u, pSink->Release());
}

}  // namespace
