// CEnumMediaTypes: IEnumMediaTypes over the preferred types a pin offered
// when it was asked (CBasePin::GetMediaType by position).
#pragma once

#include <dshow.h>

namespace dshow {

class CBasePin;

class CEnumMediaTypes {
public:
  // The caller holds the filter lock.
  static HRESULT Create(CBasePin* pPin, IEnumMediaTypes** ppEnum);
};

}  // namespace dshow
