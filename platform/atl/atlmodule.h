// The module objects: the image's instance handles, the windowing bookkeeping, COM start-up.
//
//   CAtlBaseModule      module and resource instance of the image (_AtlBaseModule)
//   _AtlCreateWndData   one window object waiting for its window to be created
//   CAtlWinModule       window-creation bookkeeping (_AtlWinModule)
//   CAtlModule          base of the one module object of a program (_pAtlModule)
//   CAtlExeModuleT<T>   an executable's module object: COM initialisation
//
// A program declares its module object once:
//   class CMyModule : public CAtlExeModuleT<CMyModule> {};
//   CMyModule _AtlModule;
#pragma once

#include "atldef.h"

#include <objbase.h>

namespace ATL {

class CAtlBaseModule {
public:
  constexpr CAtlBaseModule() : m_hInstResource(nullptr) {}

  // The image this code is linked into, executable or DLL.
  HINSTANCE GetModuleInstance() const;
  // Where dialog templates and icons come from; the module instance unless set.
  HINSTANCE GetResourceInstance() const {
    return m_hInstResource ? m_hInstResource : GetModuleInstance();
  }
  HINSTANCE SetResourceInstance(HINSTANCE hInst);

private:
  HINSTANCE m_hInstResource;
};

extern CAtlBaseModule _AtlBaseModule;

struct _AtlCreateWndData {
  void* m_pThis;
  DWORD m_dwThreadID;
  _AtlCreateWndData* m_pNext;
};

class CAtlWinModule {
public:
  CAtlWinModule();
  ~CAtlWinModule();
  CAtlWinModule(const CAtlWinModule&) = delete;
  CAtlWinModule& operator=(const CAtlWinModule&) = delete;

  // Registers pObject for the next window created on this thread; pData is the caller's
  // storage and must stay valid until extracted. False once the module is terminated.
  bool AddCreateWndData(_AtlCreateWndData* pData, void* pObject);
  // The object most recently added on this thread, or null.
  void* ExtractCreateWndData();

  // Releases the window-creation lock; windows can no longer be attached afterwards. Runs at
  // most once.
  void Term();

private:
  CRITICAL_SECTION m_csWindowCreate;
  bool m_bInit;
  _AtlCreateWndData* m_pCreateWndList;
};

extern CAtlWinModule _AtlWinModule;

class CAtlModule;
extern CAtlModule* _pAtlModule;

class CAtlModule {
public:
  CAtlModule();
  virtual ~CAtlModule();
  CAtlModule(const CAtlModule&) = delete;
  CAtlModule& operator=(const CAtlModule&) = delete;

  // Terminates the windowing state (_AtlWinModule.Term()).
  void Term();
};

template <class T>
class CAtlExeModuleT : public CAtlModule {
public:
  // Single-threaded apartment; S_FALSE when this thread had COM already.
  static HRESULT InitializeCom() { return ::CoInitialize(NULL); }
  static void UninitializeCom() { ::CoUninitialize(); }
};

}  // namespace ATL
