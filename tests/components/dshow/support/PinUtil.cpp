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

SIZE ConnectedSize(IPin* pPin) {
  AM_MEDIA_TYPE mt = {};
  SIZE size = {0, 0};
  if (pPin->ConnectionMediaType(&mt) != S_OK) return size;
  if (mt.formattype == FORMAT_VideoInfo && mt.cbFormat >= sizeof(VIDEOINFOHEADER)) {
    const BITMAPINFOHEADER& bmi = reinterpret_cast<VIDEOINFOHEADER*>(mt.pbFormat)->bmiHeader;
    size = {bmi.biWidth, bmi.biHeight};
  }
  ::CoTaskMemFree(mt.pbFormat);
  if (mt.pUnk) mt.pUnk->Release();
  return size;
}
