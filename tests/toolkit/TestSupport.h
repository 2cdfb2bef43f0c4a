// What the toolkit's tests share besides the doubles.
//
//   kNullRenderer, kSampleGrabber  qedit's filters, which the SDK headers do not name
//   kUnregistered                  a class id that nothing registers
//   NewGraph                       Wine's filter graph manager
//   FiltersOf                      a graph's filters in its enumerator's order
//   TempPath                       a fresh file name in the temporary folder
//   ScopedClassObject              a class object registered for the process
#pragma once

#include <dshow.h>

#include <string>
#include <vector>

#include "ComDoubles.h"
#include "atlcomcli.h"

using ATL::CComPtr;
using ATL::CComQIPtr;

extern const CLSID kNullRenderer;
extern const CLSID kSampleGrabber;
extern const CLSID kUnregistered;

CComPtr<IGraphBuilder> NewGraph();
std::vector<CComPtr<IBaseFilter>> FiltersOf(IGraphBuilder* pGraph);
std::wstring TempPath(const wchar_t* pszSuffix);

// Creates its instance by QueryInterface on one given object.
class FakeClassFactory : public CountedObject<IClassFactory> {
public:
  explicit FakeClassFactory(IUnknown* pInstance) : pInstance(pInstance) {}

  IUnknown* pInstance;
  int nCreated = 0;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP CreateInstance(IUnknown* pOuter, REFIID riid, void** ppv) override;
  STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

class ScopedClassObject {
public:
  ScopedClassObject(REFCLSID rclsid, IClassFactory* pFactory);
  ~ScopedClassObject();
  ScopedClassObject(const ScopedClassObject&) = delete;
  ScopedClassObject& operator=(const ScopedClassObject&) = delete;

  HRESULT Result() const { return m_hr; }
  void Revoke();

private:
  DWORD m_dwCookie = 0;
  HRESULT m_hr;
};
