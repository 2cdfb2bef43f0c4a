#include "MediaType.h"

#include <cstring>

namespace dshow {

HRESULT CopyMediaType(AM_MEDIA_TYPE* pDest, const AM_MEDIA_TYPE* pSrc) {
  if (!pDest || !pSrc) return E_POINTER;
  AM_MEDIA_TYPE mt = *pSrc;
  mt.pbFormat = nullptr;
  mt.cbFormat = 0;
  if (pSrc->cbFormat && pSrc->pbFormat) {
    mt.pbFormat = static_cast<BYTE*>(::CoTaskMemAlloc(pSrc->cbFormat));
    if (!mt.pbFormat) return E_OUTOFMEMORY;
    std::memcpy(mt.pbFormat, pSrc->pbFormat, pSrc->cbFormat);
    mt.cbFormat = pSrc->cbFormat;
  }
  if (mt.pUnk) mt.pUnk->AddRef();
  *pDest = mt;
  return S_OK;
}

void FreeMediaType(AM_MEDIA_TYPE* pmt) {
  if (!pmt) return;
  ::CoTaskMemFree(pmt->pbFormat);
  pmt->pbFormat = nullptr;
  pmt->cbFormat = 0;
  if (pmt->pUnk) {
    pmt->pUnk->Release();
    pmt->pUnk = nullptr;
  }
}

AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* pSrc) {
  auto* pmt = static_cast<AM_MEDIA_TYPE*>(::CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
  if (!pmt) return nullptr;
  if (FAILED(CopyMediaType(pmt, pSrc))) {
    ::CoTaskMemFree(pmt);
    return nullptr;
  }
  return pmt;
}

void DeleteMediaType(AM_MEDIA_TYPE* pmt) {
  if (!pmt) return;
  FreeMediaType(pmt);
  ::CoTaskMemFree(pmt);
}

bool EqualMediaType(const AM_MEDIA_TYPE* pA, const AM_MEDIA_TYPE* pB) {
  if (!pA || !pB) return false;
  return pA->majortype == pB->majortype && pA->subtype == pB->subtype &&
         pA->formattype == pB->formattype && pA->cbFormat == pB->cbFormat &&
         (pA->cbFormat == 0 || std::memcmp(pA->pbFormat, pB->pbFormat, pA->cbFormat) == 0);
}

bool MatchesPartial(const AM_MEDIA_TYPE* pmt, const AM_MEDIA_TYPE* pPartial) {
  if (!pmt) return false;
  if (!pPartial) return true;
  if (pPartial->majortype != GUID_NULL && pPartial->majortype != pmt->majortype) return false;
  if (pPartial->subtype != GUID_NULL && pPartial->subtype != pmt->subtype) return false;
  if (pPartial->formattype != GUID_NULL) {
    if (pPartial->formattype != pmt->formattype) return false;
    if (pPartial->cbFormat &&
        (pPartial->cbFormat != pmt->cbFormat ||
         std::memcmp(pPartial->pbFormat, pmt->pbFormat, pmt->cbFormat) != 0))
      return false;
  }
  return true;
}

CMediaType::CMediaType() : AM_MEDIA_TYPE() {}

CMediaType::~CMediaType() { FreeMediaType(this); }

HRESULT CMediaType::Set(const AM_MEDIA_TYPE* pmt) {
  if (pmt == this) return S_OK;
  if (!pmt) {
    Clear();
    return S_OK;
  }
  AM_MEDIA_TYPE copy;
  HRESULT hr = CopyMediaType(&copy, pmt);
  if (FAILED(hr)) return hr;
  FreeMediaType(this);
  *static_cast<AM_MEDIA_TYPE*>(this) = copy;
  return S_OK;
}

void CMediaType::Clear() {
  FreeMediaType(this);
  *static_cast<AM_MEDIA_TYPE*>(this) = AM_MEDIA_TYPE();
}

BYTE* CMediaType::AllocFormat(ULONG cb) {
  BYTE* pb = static_cast<BYTE*>(::CoTaskMemAlloc(cb));
  if (!pb) return nullptr;
  std::memset(pb, 0, cb);
  ::CoTaskMemFree(pbFormat);
  pbFormat = pb;
  cbFormat = cb;
  return pb;
}

}  // namespace dshow
