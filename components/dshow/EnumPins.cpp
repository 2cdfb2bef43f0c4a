#include "EnumPins.h"

#include "BaseFilter.h"
#include "BasePin.h"
#include "EnumBase.h"

namespace dshow {
namespace {

struct PinTraits {
  static HRESULT Out(const CComPtr<IPin>& spPin, IPin** ppPin) {
    *ppPin = spPin;
    spPin->AddRef();
    return S_OK;
  }
  static void Free(IPin** ppPin) {
    (*ppPin)->Release();
    *ppPin = nullptr;
  }
};

using CPinEnumerator = CEnumSnapshot<IEnumPins, &IID_IEnumPins, CComPtr<IPin>, IPin*, PinTraits>;

}  // namespace

HRESULT CEnumPins::Create(CBaseFilter* pFilter, IEnumPins** ppEnum) {
  std::vector<CComPtr<IPin>> pins;
  try {
    for (int i = 0; i < pFilter->GetPinCount(); ++i) pins.emplace_back(pFilter->GetPin(i));
    *ppEnum = new CPinEnumerator(std::move(pins));
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

}  // namespace dshow
