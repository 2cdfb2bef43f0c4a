// The kit's helpers and enumerators, on the kit's own test sink.
#include <MediaType.h>
#include <gtest/gtest.h>

#include <atlcomcli.h>
#include <atlhandle.h>
#include <prsht.h>

#include <limits>

#include "ComEnvironment.h"
#include "PinUtil.h"
#include "SinkFilter.h"
#include "VideoGenerator.h"

using ATL::CComPtr;

namespace {

AM_MEDIA_TYPE VideoType(const GUID& subtype, LONG cx) {
  AM_MEDIA_TYPE mt = {};
  mt.majortype = MEDIATYPE_Video;
  mt.subtype = subtype;
  mt.formattype = FORMAT_VideoInfo;
  auto* pvi = static_cast<VIDEOINFOHEADER*>(::CoTaskMemAlloc(sizeof(VIDEOINFOHEADER)));
  *pvi = VIDEOINFOHEADER();
  pvi->bmiHeader.biWidth = cx;
  mt.cbFormat = sizeof(VIDEOINFOHEADER);
  mt.pbFormat = reinterpret_cast<BYTE*>(pvi);
  return mt;
}

TEST(MediaTypeTest, CopyIsDeepAndFreeLeavesNothing) {
  dshow::CMediaType original;
  AM_MEDIA_TYPE source = VideoType(MEDIASUBTYPE_RGB32, 320);
  ASSERT_EQ(S_OK, original.Set(&source));
  dshow::FreeMediaType(&source);
  EXPECT_EQ(nullptr, source.pbFormat);
  EXPECT_EQ(0u, source.cbFormat);

  AM_MEDIA_TYPE* pCopy = dshow::CreateMediaType(&original);
  ASSERT_NE(nullptr, pCopy);
  EXPECT_NE(original.pbFormat, pCopy->pbFormat);
  EXPECT_TRUE(dshow::EqualMediaType(&original, pCopy));
  reinterpret_cast<VIDEOINFOHEADER*>(pCopy->pbFormat)->bmiHeader.biWidth = 640;
  EXPECT_FALSE(dshow::EqualMediaType(&original, pCopy));
  dshow::DeleteMediaType(pCopy);
}

struct MatchCase {
  const char* label;
  GUID majortype, subtype, formattype;
  bool bMatches;
};

TEST(MediaTypeTest, PartialTypesMatchOnTheirSetFields) {
  const MatchCase cases[] = {
      {"everything open", GUID_NULL, GUID_NULL, GUID_NULL, true},
      {"major type only", MEDIATYPE_Video, GUID_NULL, GUID_NULL, true},
      {"other major type", MEDIATYPE_Audio, GUID_NULL, GUID_NULL, false},
      {"same subtype", MEDIATYPE_Video, MEDIASUBTYPE_RGB32, GUID_NULL, true},
      {"other subtype", MEDIATYPE_Video, MEDIASUBTYPE_YUY2, GUID_NULL, false},
      {"other format type", GUID_NULL, GUID_NULL, FORMAT_VideoInfo2, false},
  };
  dshow::CMediaType mt;
  AM_MEDIA_TYPE source = VideoType(MEDIASUBTYPE_RGB32, 320);
  ASSERT_EQ(S_OK, mt.Set(&source));
  dshow::FreeMediaType(&source);
  for (const MatchCase& c : cases) {
    AM_MEDIA_TYPE partial = {};
    partial.majortype = c.majortype;
    partial.subtype = c.subtype;
    partial.formattype = c.formattype;
    EXPECT_EQ(c.bMatches, dshow::MatchesPartial(&mt, &partial)) << c.label;
  }
}

TEST(EnumPinsTest, NextSkipResetAndCloneFollowTheContract) {
  CSinkFilter* pSink = nullptr;
  ASSERT_EQ(S_OK, CSinkFilter::Create(&pSink));
  {
    CComPtr<IEnumPins> spEnum;
    ASSERT_EQ(S_OK, pSink->EnumPins(&spEnum));
    IPin* rgPins[2] = {nullptr, reinterpret_cast<IPin*>(0x1)};  // the second a sentinel
    ULONG cFetched = 99;
    EXPECT_EQ(E_INVALIDARG, spEnum->Next(2, rgPins, nullptr));
    EXPECT_EQ(S_FALSE, spEnum->Next(2, rgPins, &cFetched));
    EXPECT_EQ(1u, cFetched);
    EXPECT_EQ(static_cast<IPin*>(pSink->Input()), rgPins[0]);
    EXPECT_EQ(reinterpret_cast<IPin*>(0x1), rgPins[1]);
    rgPins[0]->Release();
    EXPECT_EQ(S_FALSE, spEnum->Skip(1));
    EXPECT_EQ(S_OK, spEnum->Reset());
    CComPtr<IEnumPins> spClone;
    ASSERT_EQ(S_OK, spEnum->Clone(&spClone));
    EXPECT_EQ(S_OK, spClone->Skip(1));
    EXPECT_EQ(S_FALSE, spClone->Next(1, rgPins, &cFetched));
    EXPECT_EQ(0u, cFetched);
  }
  // The enumerators and the pins they handed out are all given back.
  EXPECT_EQ(0u, pSink->Release());
}

TEST(InputPinTest, RefusesWhatItDoesNotTakeAndLeavesOutputsAlone) {
  CSinkFilter* pSink = nullptr;
  ASSERT_EQ(S_OK, CSinkFilter::Create(&pSink));
  {
    IPin* pInput = pSink->Input();
    AM_MEDIA_TYPE partial = {};
    partial.majortype = MEDIATYPE_Video;
    partial.subtype = MEDIASUBTYPE_YUY2;
    pSink->Input()->Accept(&partial);
    AM_MEDIA_TYPE rgb = VideoType(MEDIASUBTYPE_RGB32, 320);
    EXPECT_EQ(S_FALSE, pInput->QueryAccept(&rgb));
    dshow::FreeMediaType(&rgb);

    IPin* pSentinel = reinterpret_cast<IPin*>(0x1);
    IPin* pPeer = pSentinel;
    EXPECT_EQ(VFW_E_NOT_CONNECTED, pInput->ConnectedTo(&pPeer));
    EXPECT_EQ(nullptr, pPeer);
    EXPECT_EQ(S_FALSE, pInput->Disconnect());
    EXPECT_EQ(E_UNEXPECTED, pInput->Connect(pInput, nullptr));

    CComPtr<IMemInputPin> spMemInput;
    ASSERT_EQ(S_OK, pInput->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&spMemInput)));
    CComPtr<IMemAllocator> spAlloc;
    EXPECT_EQ(S_OK, spMemInput->GetAllocator(&spAlloc));
    EXPECT_NE(nullptr, spAlloc.p);
  }
  EXPECT_EQ(0u, pSink->Release());
}

// A renderer asks for its upstream peer from the streaming thread, while Stop holds the
// filter lock and waits for that thread: ConnectedTo must answer without the filter lock.
TEST(BasePinTest, ConnectedToDoesNotWaitForTheFilterLock) {
  CSinkFilter* pSink = nullptr;
  ASSERT_EQ(S_OK, CSinkFilter::Create(&pSink));
  pSink->FilterLock()->Lock();
  ATL::CHandle hThread(::CreateThread(
      nullptr, 0,
      [](void* pv) -> DWORD {
        IPin* pPeer = nullptr;
        return static_cast<DWORD>(static_cast<IPin*>(pv)->ConnectedTo(&pPeer));
      },
      static_cast<IPin*>(pSink->Input()), 0, nullptr));
  ASSERT_NE(nullptr, hThread.m_h);
  const DWORD dwWait = ::WaitForSingleObject(hThread, 5000);
  // Let a thread stuck on the lock go before the filter does.
  pSink->FilterLock()->Unlock();
  ::WaitForSingleObject(hThread, INFINITE);
  DWORD dwResult = 0;
  EXPECT_TRUE(::GetExitCodeThread(hThread, &dwResult));
  EXPECT_EQ(WAIT_OBJECT_0, dwWait);
  EXPECT_EQ(static_cast<DWORD>(VFW_E_NOT_CONNECTED), dwResult);
  EXPECT_EQ(0u, pSink->Release());
}

// Positions relative to the current ones (or to the new start) that no stream could
// reach stop at the stream's ends instead of wrapping round.
TEST(SourcePinTest, SeeksFarBeyondTheStreamStopAtItsEnds) {
  CComPtr<IBaseFilter> spGenerator;
  ASSERT_EQ(S_OK, spGenerator.CoCreateInstance(CLSID_VideoGenerator, nullptr, CLSCTX_INPROC_SERVER));
  ATL::CComQIPtr<IVideoGeneratorSettings, &IID_IVideoGeneratorSettings> spSettings(spGenerator);
  const VideoGeneratorSettings settings = {64, 48, 25, 200};
  ASSERT_EQ(S_OK, spSettings->SetSettings(&settings));
  ATL::CComQIPtr<IMediaSeeking, &IID_IMediaSeeking> spSeeking(FirstPin(spGenerator, PINDIR_OUTPUT));
  ASSERT_TRUE(spSeeking);
  const LONGLONG llMax = std::numeric_limits<LONGLONG>::max();
  const LONGLONG llMin = std::numeric_limits<LONGLONG>::min();
  struct Case {
    const char* label;
    LONGLONG llCurrent;
    DWORD dwCurrent;
    LONGLONG llStop;
    DWORD dwStop;
    LONGLONG llWantCurrent, llWantStop;
  };
  const Case cases[] = {
      {"start forward", llMax, AM_SEEKING_RelativePositioning, 0, AM_SEEKING_NoPositioning, 2000000, 1500000},
      {"start back", llMin, AM_SEEKING_RelativePositioning, 0, AM_SEEKING_NoPositioning, 0, 1500000},
      {"stop forward", 0, AM_SEEKING_NoPositioning, llMax, AM_SEEKING_RelativePositioning, 1000000, 2000000},
      {"stop after the start", 1000000, AM_SEEKING_AbsolutePositioning, llMax, AM_SEEKING_IncrementalPositioning,
       1000000, 2000000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    LONGLONG llStart = 1000000, llStop = 1500000;
    ASSERT_EQ(S_OK, spSeeking->SetPositions(&llStart, AM_SEEKING_AbsolutePositioning, &llStop,
                                            AM_SEEKING_AbsolutePositioning));
    LONGLONG llCurrent = c.llCurrent;
    llStop = c.llStop;
    EXPECT_EQ(S_OK, spSeeking->SetPositions(&llCurrent, c.dwCurrent, &llStop, c.dwStop));
    LONGLONG llGotCurrent = -1, llGotStop = -1;
    ASSERT_EQ(S_OK, spSeeking->GetPositions(&llGotCurrent, &llGotStop));
    EXPECT_EQ(c.llWantCurrent, llGotCurrent);
    EXPECT_EQ(c.llWantStop, llGotStop);
  }
}

// A page watches the window it sits in for the sheet's notifications; released while
// still active, it must stop watching, or that window calls into a page that is gone.
TEST(PropertyPageTest, APageReleasedWhileActiveLeavesItsParentAsItWas) {
  HWND hParent = ::CreateWindowExW(0, L"STATIC", L"page parent", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr,
                                   nullptr, nullptr);
  ASSERT_NE(nullptr, hParent);
  const LONG_PTR procBefore = ::GetWindowLongPtrW(hParent, GWLP_WNDPROC);
  CComPtr<IPropertyPage> spPage;
  ASSERT_EQ(S_OK, spPage.CoCreateInstance(CLSID_VideoGeneratorPage, nullptr, CLSCTX_INPROC_SERVER));
  const RECT rc = {0, 0, 300, 200};
  ASSERT_EQ(S_OK, spPage->Activate(hParent, &rc, FALSE));
  // The platform puts its subclassing procedure in front while a subclass is installed.
  EXPECT_NE(procBefore, ::GetWindowLongPtrW(hParent, GWLP_WNDPROC));
  EXPECT_EQ(0u, spPage.Detach()->Release());
  EXPECT_EQ(procBefore, ::GetWindowLongPtrW(hParent, GWLP_WNDPROC));
  // A notification now reaches only the window's own procedure.
  NMHDR nm = {hParent, 0, static_cast<UINT>(PSN_APPLY)};
  ::SendMessageW(hParent, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&nm));
  EXPECT_TRUE(::DestroyWindow(hParent));
}

}  // namespace
