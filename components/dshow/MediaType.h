// Media-type helpers.
//
//   CopyMediaType      deep copy (the format block is duplicated)
//   FreeMediaType      frees what a media type owns, leaves the struct
//   CreateMediaType    a CoTaskMemAlloc'd deep copy (for IEnumMediaTypes::Next)
//   DeleteMediaType    FreeMediaType, then frees the struct itself
//   EqualMediaType     same major type, subtype, format type and format bytes
//   MatchesPartial     a type against a partial one whose GUID_NULL fields are wildcards
//   CMediaType         an AM_MEDIA_TYPE that owns its format block
#pragma once

#include <dshow.h>

namespace dshow {

HRESULT CopyMediaType(AM_MEDIA_TYPE* pDest, const AM_MEDIA_TYPE* pSrc);
void FreeMediaType(AM_MEDIA_TYPE* pmt);
AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* pSrc);
void DeleteMediaType(AM_MEDIA_TYPE* pmt);
bool EqualMediaType(const AM_MEDIA_TYPE* pA, const AM_MEDIA_TYPE* pB);
bool MatchesPartial(const AM_MEDIA_TYPE* pmt, const AM_MEDIA_TYPE* pPartial);

class CMediaType : public AM_MEDIA_TYPE {
public:
  CMediaType();
  ~CMediaType();
  CMediaType(const CMediaType&) = delete;
  CMediaType& operator=(const CMediaType&) = delete;

  // Replaces the held type by a copy of pmt (null empties it).
  HRESULT Set(const AM_MEDIA_TYPE* pmt);
  void Clear();
  // Reserves a zeroed format block of cb bytes.
  BYTE* AllocFormat(ULONG cb);
  bool IsEmpty() const { return majortype == GUID_NULL; }
};

}  // namespace dshow
