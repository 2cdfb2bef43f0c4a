// Small pin lookups for tests over graphs.
//
//   FirstPin        a filter's first pin in a direction
//   VideoSizeOf     the video size a media type describes
//   ConnectedSize   the video size a connected pin carries
#pragma once

#include <dshow.h>

#include <atlcomcli.h>

// The filter's first pin in that direction, or null.
ATL::CComPtr<IPin> FirstPin(IBaseFilter* pFilter, PIN_DIRECTION dir);
// biWidth and biHeight (negative: top-down) of a VIDEOINFOHEADER type; {0, 0} for another.
SIZE VideoSizeOf(const AM_MEDIA_TYPE& mt);
// The size of the video (VIDEOINFOHEADER) a connected pin carries; {0, 0} when none.
SIZE ConnectedSize(IPin* pPin);
