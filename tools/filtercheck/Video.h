// RGB32 video as the checker's source sends it and its sink reads it back.
//
//   MakeVideoType     an RGB32 VIDEOINFOHEADER type of a size, bottom-up or top-down
//   MakeOtherType     a type a resizer must refuse (RGB24, YUY2, audio)
//   TypeSize          the picture size a video type describes
//   NoisePicture      a picture of seeded random levels (alpha opaque)
//   ReadPicture       a sample's picture (top-down) as the connection type lays it out
#pragma once

#include <dshow.h>

#include <cstdint>
#include <vector>

#include "MediaType.h"
#include "Picture.h"

namespace filtercheck {

using lumivar::test::Picture;

HRESULT MakeVideoType(int cx, int cy, bool bTopDown, dshow::CMediaType* pmt);

enum class OtherType { Rgb24, Yuy2, Audio };
HRESULT MakeOtherType(OtherType type, int cx, int cy, dshow::CMediaType* pmt);

// False when pmt is no VIDEOINFOHEADER video.
bool TypeSize(const AM_MEDIA_TYPE* pmt, SIZE* pSize);

Picture NoisePicture(int cx, int cy, uint32_t seed);

// False when the buffer is too short for the type's picture.
bool ReadPicture(const AM_MEDIA_TYPE* pmt, const BYTE* pb, size_t cb, Picture* pPicture);
// Fills a buffer laid out as pmt (bottom-up or top-down, rows of biWidth pixels).
bool WritePicture(const AM_MEDIA_TYPE* pmt, const Picture& picture, BYTE* pb, size_t cb);

}  // namespace filtercheck
