// Owning references to COM interfaces and BSTRs.
//
//   CComPtr<T>          owns one reference to T
//   CComQIPtr<T, piid>  CComPtr that queries for T when assigned another interface
//   CComBSTR            owns one BSTR
#pragma once

#include "atldef.h"

#include <objbase.h>
#include <oleauto.h>

#include <memory>

namespace ATL {

template <class T>
class CComPtrBase {
public:
  ~CComPtrBase() {
    if (p) p->Release();
  }

  operator T*() const { return p; }
  T& operator*() const {
    ATLASSERT(p != 0);
    return *p;
  }
  // Taking the address is for out-arguments only, so it must hold nothing.
  T** operator&() {
    ATLASSERT(p == 0);
    return &p;
  }
  T* operator->() const {
    ATLASSERT(p != 0);
    return p;
  }
  bool operator!() const { return p == 0; }
  bool operator==(T* pT) const { return p == pT; }
  bool operator!=(T* pT) const { return p != pT; }

  void Release() {
    T* pTemp = p;
    if (pTemp) {
      p = 0;
      pTemp->Release();
    }
  }
  // Takes over a reference without AddRef.
  void Attach(T* p2) {
    if (p) p->Release();
    p = p2;
  }
  // Gives the reference away without Release.
  T* Detach() {
    T* pt = p;
    p = 0;
    return pt;
  }
  HRESULT CopyTo(T** ppT) {
    ATLASSERT(ppT != 0);
    if (ppT == 0) return E_POINTER;
    *ppT = p;
    if (p) p->AddRef();
    return S_OK;
  }
  HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter = 0,
                           DWORD dwClsContext = CLSCTX_ALL) {
    ATLASSERT(p == 0);
    return ::CoCreateInstance(rclsid, pUnkOuter, dwClsContext, __uuidof(T),
                              reinterpret_cast<void**>(&p));
  }
  template <class Q>
  HRESULT QueryInterface(Q** pp) const {
    ATLASSERT(pp != 0);
    return p->QueryInterface(__uuidof(Q), reinterpret_cast<void**>(pp));
  }

  T* p;

protected:
  CComPtrBase() : p(0) {}
  explicit CComPtrBase(T* lp) : p(lp) {
    if (p) p->AddRef();
  }
  void Assign(T* lp) {
    if (lp) lp->AddRef();
    T* pOld = p;
    p = lp;
    if (pOld) pOld->Release();
  }
};

template <class T>
class CComPtr : public CComPtrBase<T> {
public:
  CComPtr() {}
  CComPtr(T* lp) : CComPtrBase<T>(lp) {}
  CComPtr(const CComPtr& other) : CComPtrBase<T>(other.p) {}
  CComPtr(CComPtr&& other) noexcept { this->p = other.Detach(); }
  T* operator=(T* lp) {
    this->Assign(lp);
    return this->p;
  }
  T* operator=(const CComPtr& other) {
    this->Assign(other.p);
    return this->p;
  }
  CComPtr& operator=(CComPtr&& other) noexcept {
    if (this != std::addressof(other)) this->Attach(other.Detach());
    return *this;
  }
};

template <class T, const IID* piid = &__uuidof(T)>
class CComQIPtr : public CComPtr<T> {
public:
  CComQIPtr() {}
  CComQIPtr(T* lp) : CComPtr<T>(lp) {}
  CComQIPtr(const CComQIPtr& other) : CComPtr<T>(other.p) {}
  explicit CComQIPtr(IUnknown* lp) {
    if (lp) lp->QueryInterface(*piid, reinterpret_cast<void**>(&this->p));
  }
  T* operator=(T* lp) {
    this->Assign(lp);
    return this->p;
  }
  T* operator=(const CComQIPtr& other) {
    this->Assign(other.p);
    return this->p;
  }
  T* operator=(IUnknown* lp) {
    T* pNew = 0;
    if (lp) lp->QueryInterface(*piid, reinterpret_cast<void**>(&pNew));
    this->Attach(pNew);
    return this->p;
  }
};

class CComBSTR {
public:
  BSTR m_str;

  CComBSTR() : m_str(0) {}
  explicit CComBSTR(LPCOLESTR psz) : m_str(psz ? ::SysAllocString(psz) : 0) {}
  CComBSTR(const CComBSTR& other) : m_str(other.Copy()) {}
  CComBSTR(CComBSTR&& other) noexcept : m_str(other.Detach()) {}
  ~CComBSTR() { ::SysFreeString(m_str); }

  CComBSTR& operator=(const CComBSTR& other) {
    if (this != std::addressof(other)) Attach(other.Copy());
    return *this;
  }
  CComBSTR& operator=(CComBSTR&& other) noexcept {
    if (this != std::addressof(other)) Attach(other.Detach());
    return *this;
  }
  CComBSTR& operator=(LPCOLESTR psz) {
    Attach(psz ? ::SysAllocString(psz) : 0);
    return *this;
  }

  operator BSTR() const { return m_str; }
  // For out-arguments only, so it must hold nothing.
  BSTR* operator&() {
    ATLASSERT(m_str == 0);
    return &m_str;
  }
  bool operator!() const { return m_str == 0; }

  unsigned int Length() const { return ::SysStringLen(m_str); }
  void Empty() {
    ::SysFreeString(m_str);
    m_str = 0;
  }
  void Attach(BSTR src) {
    if (m_str != src) {
      ::SysFreeString(m_str);
      m_str = src;
    }
  }
  BSTR Detach() {
    BSTR s = m_str;
    m_str = 0;
    return s;
  }
  BSTR Copy() const { return m_str ? ::SysAllocStringByteLen(reinterpret_cast<const char*>(m_str), ::SysStringByteLen(m_str)) : 0; }
  HRESULT CopyTo(BSTR* pbstr) const {
    ATLASSERT(pbstr != 0);
    if (pbstr == 0) return E_POINTER;
    *pbstr = Copy();
    return (*pbstr == 0 && m_str != 0) ? E_OUTOFMEMORY : S_OK;
  }
};

}  // namespace ATL
