// CEnumPins: IEnumPins over the pins a filter had when it was asked.
#pragma once

#include <dshow.h>

namespace dshow {

class CBaseFilter;

class CEnumPins {
public:
  // The caller holds the filter lock.
  static HRESULT Create(CBaseFilter* pFilter, IEnumPins** ppEnum);
};

}  // namespace dshow
