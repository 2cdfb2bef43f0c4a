// The DLL's class table and its class factory.
//
//   CFactoryTemplate   one creatable class: id, name, creator, filter listing
//   CClassFactory      IClassFactory over one template
//   GetClassObject     DllGetClassObject over a table
#pragma once

#include <dshow.h>

#include "Module.h"

namespace dshow {

struct CFactoryTemplate {
  const CLSID* pClsid;
  LPCWSTR pszName;
  // A new object with one reference on *ppUnk.
  HRESULT (*pfnCreate)(IUnknown** ppUnk);
  // Listed with the filter mapper when set; a plain COM class (a property page) when null.
  const REGFILTER2* pFilter;
};

class CClassFactory : public IClassFactory {
public:
  explicit CClassFactory(const CFactoryTemplate* pTemplate) : m_pTemplate(pTemplate) {}
  virtual ~CClassFactory() = default;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP CreateInstance(IUnknown* pOuter, REFIID riid, void** ppv) override;
  STDMETHODIMP LockServer(BOOL bLock) override;

private:
  CModuleRef m_moduleRef;
  LONG m_cRef = 1;
  const CFactoryTemplate* m_pTemplate;
};

HRESULT GetClassObject(const CFactoryTemplate* pTemplates, int cTemplates, REFCLSID rclsid,
                       REFIID riid, void** ppv);

}  // namespace dshow
