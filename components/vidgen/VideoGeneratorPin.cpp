#include "VideoGeneratorPin.h"

#include "TestPicture.h"
#include "VideoGeneratorFilter.h"

namespace {

const REFERENCE_TIME kUnitsPerSecond = 10000000;

LONG FrameBytes(const VideoGeneratorSettings& s) { return s.lWidth * s.lHeight * 4; }

// Start of frame iFrame in stream time.
REFERENCE_TIME FrameStart(LONGLONG iFrame, LONG lFrameRate) { return iFrame * kUnitsPerSecond / lFrameRate; }

// The first frame that starts at or after rt.
LONGLONG FirstFrameAt(REFERENCE_TIME rt, LONG lFrameRate) {
  return (rt * lFrameRate + kUnitsPerSecond - 1) / kUnitsPerSecond;
}

}  // namespace

CVideoGeneratorPin::CVideoGeneratorPin(CVideoGenerator* pGenerator)
    : dshow::CSourcePin(pGenerator, L"Output"), m_pGenerator(pGenerator) {}

HRESULT CVideoGeneratorPin::BuildMediaType(const VideoGeneratorSettings& s, dshow::CMediaType* pmt) {
  pmt->Clear();
  auto* pvi = reinterpret_cast<VIDEOINFOHEADER*>(pmt->AllocFormat(sizeof(VIDEOINFOHEADER)));
  if (!pvi) return E_OUTOFMEMORY;
  pvi->AvgTimePerFrame = kUnitsPerSecond / s.lFrameRate;
  // Up to 4096 x 4096 at 120 fps is 64 Gbit/s, more than a DWORD holds: held at its top.
  const ULONGLONG ullBitRate = static_cast<ULONGLONG>(FrameBytes(s)) * 8 * static_cast<ULONGLONG>(s.lFrameRate);
  pvi->dwBitRate = ullBitRate > MAXDWORD ? MAXDWORD : static_cast<DWORD>(ullBitRate);
  pvi->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  pvi->bmiHeader.biWidth = s.lWidth;
  pvi->bmiHeader.biHeight = s.lHeight;  // bottom-up
  pvi->bmiHeader.biPlanes = 1;
  pvi->bmiHeader.biBitCount = 32;
  pvi->bmiHeader.biCompression = BI_RGB;
  pvi->bmiHeader.biSizeImage = FrameBytes(s);
  pmt->majortype = MEDIATYPE_Video;
  pmt->subtype = MEDIASUBTYPE_RGB32;
  pmt->formattype = FORMAT_VideoInfo;
  pmt->bFixedSizeSamples = TRUE;
  pmt->bTemporalCompression = FALSE;
  pmt->lSampleSize = FrameBytes(s);
  return S_OK;
}

HRESULT CVideoGeneratorPin::CheckMediaType(const AM_MEDIA_TYPE* pmt) {
  if (!pmt) return E_POINTER;
  if (pmt->majortype != MEDIATYPE_Video || pmt->subtype != MEDIASUBTYPE_RGB32 ||
      pmt->formattype != FORMAT_VideoInfo || pmt->cbFormat < sizeof(VIDEOINFOHEADER) || !pmt->pbFormat)
    return S_FALSE;
  const VideoGeneratorSettings s = m_pGenerator->Settings();
  const BITMAPINFOHEADER& bmi = reinterpret_cast<const VIDEOINFOHEADER*>(pmt->pbFormat)->bmiHeader;
  if (bmi.biWidth != s.lWidth || bmi.biHeight != s.lHeight || bmi.biBitCount != 32 ||
      bmi.biCompression != BI_RGB)
    return S_FALSE;
  return S_OK;
}

HRESULT CVideoGeneratorPin::GetMediaType(int iPosition, AM_MEDIA_TYPE* pmt) {
  if (!pmt) return E_POINTER;
  if (iPosition < 0) return E_INVALIDARG;
  if (iPosition > 0) return VFW_S_NO_MORE_ITEMS;
  dshow::CMediaType mt;
  HRESULT hr = BuildMediaType(m_pGenerator->Settings(), &mt);
  if (FAILED(hr)) return hr;
  dshow::FreeMediaType(pmt);
  return dshow::CopyMediaType(pmt, &mt);
}

HRESULT CVideoGeneratorPin::DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pRequest) {
  const LONG cbFrame = FrameBytes(m_pGenerator->Settings());
  if (pRequest->cBuffers < 2) pRequest->cBuffers = 2;
  if (pRequest->cbBuffer < cbFrame) pRequest->cbBuffer = cbFrame;
  if (pRequest->cbAlign < 1) pRequest->cbAlign = 1;
  ALLOCATOR_PROPERTIES actual;
  HRESULT hr = pAlloc->SetProperties(pRequest, &actual);
  if (FAILED(hr)) return hr;
  return actual.cbBuffer >= cbFrame && actual.cBuffers >= 1 ? S_OK : E_FAIL;
}

HRESULT CVideoGeneratorPin::GetStreamDuration(REFERENCE_TIME* prtDuration) {
  *prtDuration = static_cast<REFERENCE_TIME>(m_pGenerator->Settings().lDurationMs) * 10000;
  return S_OK;
}

HRESULT CVideoGeneratorPin::FillBuffer(IMediaSample* pSample, const Segment& seg, LONGLONG iSample) {
  const VideoGeneratorSettings s = m_pGenerator->Settings();
  const REFERENCE_TIME rtDuration = static_cast<REFERENCE_TIME>(s.lDurationMs) * 10000;
  const LONGLONG iFrame = FirstFrameAt(seg.rtStart, s.lFrameRate) + iSample;
  const REFERENCE_TIME rtFrame = FrameStart(iFrame, s.lFrameRate);
  if (rtFrame >= seg.rtStop || rtFrame >= rtDuration) return S_FALSE;

  BYTE* pBits = nullptr;
  HRESULT hr = pSample->GetPointer(&pBits);
  if (FAILED(hr)) return hr;
  const LONG cbFrame = FrameBytes(s);
  if (pSample->GetSize() < cbFrame) return VFW_E_BUFFER_OVERFLOW;
  DrawTestPicture(pBits, s.lWidth * 4, s.lWidth, s.lHeight, iFrame, s.lFrameRate);

  REFERENCE_TIME tStart = rtFrame - seg.rtStart;
  REFERENCE_TIME tStop = FrameStart(iFrame + 1, s.lFrameRate) - seg.rtStart;
  LONGLONG tMediaStart = iFrame, tMediaStop = iFrame + 1;
  pSample->SetTime(&tStart, &tStop);
  pSample->SetMediaTime(&tMediaStart, &tMediaStop);
  pSample->SetSyncPoint(TRUE);
  pSample->SetPreroll(FALSE);
  return pSample->SetActualDataLength(cbFrame);
}
