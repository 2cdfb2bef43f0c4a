// RGB32 video formats as the resizer reads and writes them.
//
//   PictureLayout     where a picture sits in a sample buffer: size, first row, row step
//   InputPicture      the picture of an RGB32 input type (its rcSource, or the whole bitmap)
//   OutputPicture     the picture of an output type for a given size (its rcTarget, or the
//                     bitmap's top left), allowing the wider rows a renderer may ask for
//   MakeOutputType    the RGB32 type the output offers for a size
#pragma once

#include <dshow.h>

#include <cstddef>

#include "MediaType.h"

namespace lumivar {

struct PictureLayout {
  SIZE size;           // pixels
  ptrdiff_t cbOffset;  // from the buffer's start to the picture's top left pixel
  ptrdiff_t cbStride;  // from one row to the next one down; negative for bottom-up
  size_t cbBuffer;     // bytes the buffer must hold
};

// False for anything but uncompressed 32-bit RGB video with a consistent format block, and
// for a bitmap larger than one sample can hold (2^31 - 1 bytes).
bool InputPicture(const AM_MEDIA_TYPE* pmt, PictureLayout* pLayout);
bool OutputPicture(const AM_MEDIA_TYPE* pmt, SIZE size, PictureLayout* pLayout);

// Bottom-up RGB32 of the given size; the frame rate is the input's (pmtIn may be null).
HRESULT MakeOutputType(const AM_MEDIA_TYPE* pmtIn, SIZE size, dshow::CMediaType* pmt);

}  // namespace lumivar
