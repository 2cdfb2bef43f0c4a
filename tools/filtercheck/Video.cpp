#include "Video.h"

#include <cstring>

namespace filtercheck {

namespace {

const VIDEOINFOHEADER* Vih(const AM_MEDIA_TYPE* pmt) {
  if (!pmt || pmt->formattype != FORMAT_VideoInfo || pmt->cbFormat < sizeof(VIDEOINFOHEADER) || !pmt->pbFormat)
    return nullptr;
  return reinterpret_cast<const VIDEOINFOHEADER*>(pmt->pbFormat);
}

// Where row y (top-down) of a type's picture starts, and the buffer it needs.
bool Layout(const AM_MEDIA_TYPE* pmt, ptrdiff_t* pcbStride, size_t* pcbNeeded, bool* pbTopDown, SIZE* pSize) {
  const VIDEOINFOHEADER* pvih = Vih(pmt);
  if (!pvih || pvih->bmiHeader.biBitCount != 32 || pvih->bmiHeader.biWidth <= 0 || pvih->bmiHeader.biHeight == 0)
    return false;
  const LONG cy = pvih->bmiHeader.biHeight < 0 ? -pvih->bmiHeader.biHeight : pvih->bmiHeader.biHeight;
  *pcbStride = static_cast<ptrdiff_t>(pvih->bmiHeader.biWidth) * 4;
  *pcbNeeded = static_cast<size_t>(*pcbStride) * cy;
  *pbTopDown = pvih->bmiHeader.biHeight < 0;
  // A target rectangle places a smaller picture inside wider rows.
  const RECT& rc = pvih->rcTarget;
  if (rc.right > rc.left && rc.bottom > rc.top)
    *pSize = {rc.right - rc.left, rc.bottom - rc.top};
  else
    *pSize = {pvih->bmiHeader.biWidth, cy};
  return true;
}

}  // namespace

HRESULT MakeVideoType(int cx, int cy, bool bTopDown, dshow::CMediaType* pmt) {
  if (!pmt) return E_POINTER;
  pmt->Clear();
  auto* pvih = reinterpret_cast<VIDEOINFOHEADER*>(pmt->AllocFormat(sizeof(VIDEOINFOHEADER)));
  if (!pvih) return E_OUTOFMEMORY;
  pmt->majortype = MEDIATYPE_Video;
  pmt->subtype = MEDIASUBTYPE_RGB32;
  pmt->formattype = FORMAT_VideoInfo;
  pmt->bFixedSizeSamples = TRUE;
  pmt->lSampleSize = cx * cy * 4;
  pvih->AvgTimePerFrame = 400000;
  pvih->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  pvih->bmiHeader.biWidth = cx;
  pvih->bmiHeader.biHeight = bTopDown ? -cy : cy;
  pvih->bmiHeader.biPlanes = 1;
  pvih->bmiHeader.biBitCount = 32;
  pvih->bmiHeader.biCompression = BI_RGB;
  pvih->bmiHeader.biSizeImage = pmt->lSampleSize;
  return S_OK;
}

HRESULT MakeOtherType(OtherType type, int cx, int cy, dshow::CMediaType* pmt) {
  HRESULT hr = MakeVideoType(cx, cy, false, pmt);
  if (FAILED(hr)) return hr;
  auto* pvih = reinterpret_cast<VIDEOINFOHEADER*>(pmt->pbFormat);
  switch (type) {
    case OtherType::Rgb24:
      pmt->subtype = MEDIASUBTYPE_RGB24;
      pvih->bmiHeader.biBitCount = 24;
      break;
    case OtherType::Yuy2:
      pmt->subtype = MEDIASUBTYPE_YUY2;
      pvih->bmiHeader.biBitCount = 16;
      pvih->bmiHeader.biCompression = MAKEFOURCC('Y', 'U', 'Y', '2');
      break;
    case OtherType::Audio: {
      pmt->Clear();
      auto* pwfx = reinterpret_cast<WAVEFORMATEX*>(pmt->AllocFormat(sizeof(WAVEFORMATEX)));
      if (!pwfx) return E_OUTOFMEMORY;
      pmt->majortype = MEDIATYPE_Audio;
      pmt->subtype = MEDIASUBTYPE_PCM;
      pmt->formattype = FORMAT_WaveFormatEx;
      pwfx->wFormatTag = WAVE_FORMAT_PCM;
      pwfx->nChannels = 2;
      pwfx->nSamplesPerSec = 48000;
      pwfx->wBitsPerSample = 16;
      pwfx->nBlockAlign = 4;
      pwfx->nAvgBytesPerSec = 192000;
      break;
    }
  }
  return S_OK;
}

bool TypeSize(const AM_MEDIA_TYPE* pmt, SIZE* pSize) {
  ptrdiff_t cbStride;
  size_t cbNeeded;
  bool bTopDown;
  return Layout(pmt, &cbStride, &cbNeeded, &bTopDown, pSize);
}

Picture NoisePicture(int cx, int cy, uint32_t seed) {
  Picture picture(cx, cy);
  uint32_t x = seed * 2654435761u + 1;
  for (size_t i = 0; i < picture.bytes.size(); ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    picture.bytes[i] = (i % 4 == 3) ? 255 : static_cast<uint8_t>(x >> 24);
  }
  return picture;
}

bool ReadPicture(const AM_MEDIA_TYPE* pmt, const BYTE* pb, size_t cb, Picture* pPicture) {
  ptrdiff_t cbStride;
  size_t cbNeeded;
  bool bTopDown;
  SIZE size;
  if (!Layout(pmt, &cbStride, &cbNeeded, &bTopDown, &size) || !pb || cb < cbNeeded) return false;
  const VIDEOINFOHEADER* pvih = Vih(pmt);
  const LONG cyBitmap = static_cast<LONG>(cbNeeded / cbStride);
  const LONG x0 = pvih->rcTarget.right > pvih->rcTarget.left ? pvih->rcTarget.left : 0;
  const LONG y0 = pvih->rcTarget.bottom > pvih->rcTarget.top ? pvih->rcTarget.top : 0;
  *pPicture = Picture(size.cx, size.cy);
  for (LONG y = 0; y < size.cy; ++y) {
    const LONG row = bTopDown ? y0 + y : cyBitmap - 1 - (y0 + y);
    std::memcpy(pPicture->Row(y), pb + row * cbStride + x0 * 4, static_cast<size_t>(size.cx) * 4);
  }
  return true;
}

bool WritePicture(const AM_MEDIA_TYPE* pmt, const Picture& picture, BYTE* pb, size_t cb) {
  ptrdiff_t cbStride;
  size_t cbNeeded;
  bool bTopDown;
  SIZE size;
  if (!Layout(pmt, &cbStride, &cbNeeded, &bTopDown, &size) || !pb || cb < cbNeeded || size.cx != picture.width ||
      size.cy != picture.height)
    return false;
  for (LONG y = 0; y < size.cy; ++y)
    std::memcpy(pb + (bTopDown ? y : size.cy - 1 - y) * cbStride, picture.Row(y), static_cast<size_t>(size.cx) * 4);
  return true;
}

}  // namespace filtercheck
