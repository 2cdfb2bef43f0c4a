#include "PinUtil.h"

using ATL::CComPtr;

CComPtr<IPin> FirstPin(IBaseFilter* pFilter, PIN_DIRECTION dir) {
  CComPtr<IEnumPins> spEnum;
  if (FAILED(pFilter->EnumPins(&spEnum))) return nullptr;
  for (;;) {
    CComPtr<IPin> spPin;
    ULONG cFetched = 0;
    if (spEnum->Next(1, &spPin, &cFetched) != S_OK) return nullptr;
    PIN_DIRECTION pinDir;
    if (SUCCEEDED(spPin->QueryDirection(&pinDir)) && pinDir == dir) return spPin;
  }
}

SIZE VideoSizeOf(const AM_MEDIA_TYPE& mt) {
  if (mt.formattype != FORMAT_VideoInfo || mt.cbFormat < sizeof(VIDEOINFOHEADER)) return SIZE{0, 0};
  const BITMAPINFOHEADER& bmi = reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat)->bmiHeader;
  return SIZE{bmi.biWidth, bmi.biHeight};
}

SIZE ConnectedSize(IPin* pPin) {
  AM_MEDIA_TYPE mt = {};
  if (pPin->ConnectionMediaType(&mt) != S_OK) return SIZE{0, 0};
  const SIZE size = VideoSizeOf(mt);
  ::CoTaskMemFree(mt.pbFormat);
  if (mt.pUnk) mt.pUnk->Release();
  return size;
}
