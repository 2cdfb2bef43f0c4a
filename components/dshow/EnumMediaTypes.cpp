#include "EnumMediaTypes.h"

#include "BasePin.h"
#include "EnumBase.h"

#include <memory>

namespace dshow {
namespace {

using SharedType = std::shared_ptr<CMediaType>;

struct TypeTraits {
  static HRESULT Out(const SharedType& spType, AM_MEDIA_TYPE** ppmt) {
    *ppmt = CreateMediaType(spType.get());
    return *ppmt ? S_OK : E_OUTOFMEMORY;
  }
  static void Free(AM_MEDIA_TYPE** ppmt) {
    DeleteMediaType(*ppmt);
    *ppmt = nullptr;
  }
};

using CTypeEnumerator =
    CEnumSnapshot<IEnumMediaTypes, &IID_IEnumMediaTypes, SharedType, AM_MEDIA_TYPE*, TypeTraits>;

}  // namespace

HRESULT CEnumMediaTypes::Create(CBasePin* pPin, IEnumMediaTypes** ppEnum) {
  std::vector<SharedType> types;
  try {
    for (int i = 0;; ++i) {
      auto spType = std::make_shared<CMediaType>();
      HRESULT hr = pPin->GetMediaType(i, spType.get());
      if (FAILED(hr)) return hr;
      if (hr != S_OK) break;
      types.push_back(std::move(spType));
    }
    *ppEnum = new CTypeEnumerator(std::move(types));
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

}  // namespace dshow
