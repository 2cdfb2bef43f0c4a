// CEnumSnapshot: an IEnumXxx over a snapshot taken when the enumerator was
// made, so a pin or filter may change while it is walked.
//
// Traits supply, for the stored Item (copyable, owning itself) and the Elem
// the interface hands out: static HRESULT Out(const Item&, Elem*), the
// caller's copy with its own reference or memory, and static void Free(Elem*),
// which takes back such a copy.
#pragma once

#include <windows.h>

#include <new>
#include <utility>
#include <vector>

#include "Module.h"

namespace dshow {

template <class IEnum, const IID* piid, class Item, class Elem, class Traits>
class CEnumSnapshot : public IEnum {
public:
  explicit CEnumSnapshot(std::vector<Item> items) : m_items(std::move(items)) {}
  virtual ~CEnumSnapshot() = default;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (riid != IID_IUnknown && riid != *piid) {
      *ppv = nullptr;
      return E_NOINTERFACE;
    }
    *ppv = static_cast<IEnum*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ::InterlockedIncrement(&m_cRef); }
  STDMETHODIMP_(ULONG) Release() override {
    ULONG cRef = ::InterlockedDecrement(&m_cRef);
    if (cRef == 0) delete this;
    return cRef;
  }

  STDMETHODIMP Next(ULONG cElems, Elem* pElems, ULONG* pcFetched) override {
    if (!pElems) return E_POINTER;
    if (cElems != 1 && !pcFetched) return E_INVALIDARG;
    ULONG cFetched = 0;
    while (cFetched < cElems && m_iPos < m_items.size()) {
      HRESULT hr = Traits::Out(m_items[m_iPos], &pElems[cFetched]);
      if (FAILED(hr)) {
        while (cFetched) Traits::Free(&pElems[--cFetched]);
        if (pcFetched) *pcFetched = 0;
        return hr;
      }
      ++m_iPos;
      ++cFetched;
    }
    if (pcFetched) *pcFetched = cFetched;
    return cFetched == cElems ? S_OK : S_FALSE;
  }
  STDMETHODIMP Skip(ULONG cElems) override {
    size_t cLeft = m_items.size() - m_iPos;
    if (cElems > cLeft) {
      m_iPos = m_items.size();
      return S_FALSE;
    }
    m_iPos += cElems;
    return S_OK;
  }
  STDMETHODIMP Reset() override {
    m_iPos = 0;
    return S_OK;
  }
  STDMETHODIMP Clone(IEnum** ppEnum) override {
    if (!ppEnum) return E_POINTER;
    *ppEnum = nullptr;
    CEnumSnapshot* pClone = nullptr;
    try {
      pClone = new CEnumSnapshot(m_items);
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
    pClone->m_iPos = m_iPos;
    *ppEnum = pClone;
    return S_OK;
  }

private:
  CModuleRef m_moduleRef;
  LONG m_cRef = 1;
  std::vector<Item> m_items;
  size_t m_iPos = 0;
};

}  // namespace dshow
