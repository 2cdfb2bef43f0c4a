#include "VideoFormat.h"

#include <dvdmedia.h>

#include <cstdint>

namespace lumivar {

namespace {

// Rows wider or taller than this are refused before any arithmetic on them.
constexpr LONG kMaxBitmapSide = 65536;

struct VideoFormat {
  const RECT* prcSource;
  const RECT* prcTarget;
  const BITMAPINFOHEADER* pbmi;
};

bool FindVideoFormat(const AM_MEDIA_TYPE* pmt, VideoFormat* pFormat) {
  if (!pmt || pmt->majortype != MEDIATYPE_Video || pmt->subtype != MEDIASUBTYPE_RGB32 ||
      !pmt->pbFormat)
    return false;
  if (pmt->formattype == FORMAT_VideoInfo && pmt->cbFormat >= sizeof(VIDEOINFOHEADER)) {
    const auto* pvih = reinterpret_cast<const VIDEOINFOHEADER*>(pmt->pbFormat);
    *pFormat = VideoFormat{&pvih->rcSource, &pvih->rcTarget, &pvih->bmiHeader};
  } else if (pmt->formattype == FORMAT_VideoInfo2 && pmt->cbFormat >= sizeof(VIDEOINFOHEADER2)) {
    const auto* pvih = reinterpret_cast<const VIDEOINFOHEADER2*>(pmt->pbFormat);
    *pFormat = VideoFormat{&pvih->rcSource, &pvih->rcTarget, &pvih->bmiHeader};
  } else {
    return false;
  }
  const BITMAPINFOHEADER& bmi = *pFormat->pbmi;
  return bmi.biBitCount == 32 && bmi.biCompression == BI_RGB && bmi.biWidth > 0 &&
         bmi.biWidth <= kMaxBitmapSide && bmi.biHeight != 0 && bmi.biHeight >= -kMaxBitmapSide &&
         bmi.biHeight <= kMaxBitmapSide;
}

bool IsEmpty(const RECT& rc) { return rc.left == 0 && rc.top == 0 && rc.right == 0 && rc.bottom == 0; }

// The picture rc inside the bitmap; false unless rc is non-empty and lies inside it, and
// the whole bitmap fits in one sample, whose length is a long. The bitmap's bytes are
// counted in 64 bits; once they are known to fit a long, every offset into them fits a
// ptrdiff_t of a 32-bit build too.
bool Locate(const BITMAPINFOHEADER& bmi, const RECT& rc, PictureLayout* pLayout) {
  const LONG cRows = bmi.biHeight < 0 ? -bmi.biHeight : bmi.biHeight;
  if (rc.left < 0 || rc.top < 0 || rc.left >= rc.right || rc.top >= rc.bottom ||
      rc.right > bmi.biWidth || rc.bottom > cRows)
    return false;
  if (static_cast<uint64_t>(cRows) * static_cast<uint64_t>(bmi.biWidth) * 4 > static_cast<uint64_t>(MAXLONG))
    return false;
  const ptrdiff_t cbRow = static_cast<ptrdiff_t>(bmi.biWidth) * 4;
  const bool bBottomUp = bmi.biHeight > 0;
  const ptrdiff_t cbTop = bBottomUp ? (cRows - 1) * cbRow : 0;
  const ptrdiff_t cbStride = bBottomUp ? -cbRow : cbRow;
  pLayout->size = SIZE{rc.right - rc.left, rc.bottom - rc.top};
  pLayout->cbOffset = cbTop + rc.top * cbStride + rc.left * 4;
  pLayout->cbStride = cbStride;
  pLayout->cbBuffer = static_cast<size_t>(cRows) * static_cast<size_t>(cbRow);
  return true;
}

}  // namespace

bool InputPicture(const AM_MEDIA_TYPE* pmt, PictureLayout* pLayout) {
  VideoFormat format;
  if (!FindVideoFormat(pmt, &format)) return false;
  const BITMAPINFOHEADER& bmi = *format.pbmi;
  const RECT rcWhole{0, 0, bmi.biWidth, bmi.biHeight < 0 ? -bmi.biHeight : bmi.biHeight};
  return Locate(bmi, IsEmpty(*format.prcSource) ? rcWhole : *format.prcSource, pLayout);
}

bool OutputPicture(const AM_MEDIA_TYPE* pmt, SIZE size, PictureLayout* pLayout) {
  VideoFormat format;
  if (!FindVideoFormat(pmt, &format)) return false;
  const RECT rc = IsEmpty(*format.prcTarget) ? RECT{0, 0, size.cx, size.cy} : *format.prcTarget;
  PictureLayout layout;
  if (!Locate(*format.pbmi, rc, &layout) || layout.size.cx != size.cx || layout.size.cy != size.cy)
    return false;
  *pLayout = layout;
  return true;
}

HRESULT MakeOutputType(const AM_MEDIA_TYPE* pmtIn, SIZE size, dshow::CMediaType* pmt) {
  if (!pmt) return E_POINTER;
  if (size.cx <= 0 || size.cy <= 0) return E_INVALIDARG;
  pmt->Clear();
  auto* pvih = reinterpret_cast<VIDEOINFOHEADER*>(pmt->AllocFormat(sizeof(VIDEOINFOHEADER)));
  if (!pvih) return E_OUTOFMEMORY;
  if (pmtIn && pmtIn->formattype == FORMAT_VideoInfo && pmtIn->pbFormat &&
      pmtIn->cbFormat >= sizeof(VIDEOINFOHEADER))
    pvih->AvgTimePerFrame = reinterpret_cast<const VIDEOINFOHEADER*>(pmtIn->pbFormat)->AvgTimePerFrame;
  pvih->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  pvih->bmiHeader.biWidth = size.cx;
  pvih->bmiHeader.biHeight = size.cy;
  pvih->bmiHeader.biPlanes = 1;
  pvih->bmiHeader.biBitCount = 32;
  pvih->bmiHeader.biCompression = BI_RGB;
  pvih->bmiHeader.biSizeImage = static_cast<DWORD>(size.cx) * static_cast<DWORD>(size.cy) * 4;
  pmt->majortype = MEDIATYPE_Video;
  pmt->subtype = MEDIASUBTYPE_RGB32;
  pmt->formattype = FORMAT_VideoInfo;
  pmt->bFixedSizeSamples = TRUE;
  pmt->bTemporalCompression = FALSE;
  pmt->lSampleSize = pvih->bmiHeader.biSizeImage;
  return S_OK;
}

}  // namespace lumivar
