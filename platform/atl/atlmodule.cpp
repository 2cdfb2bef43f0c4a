#include "atlmodule.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace ATL {

CAtlBaseModule _AtlBaseModule;
CAtlWinModule _AtlWinModule;
CAtlModule* _pAtlModule = nullptr;

HINSTANCE CAtlBaseModule::GetModuleInstance() const {
  return reinterpret_cast<HINSTANCE>(&__ImageBase);
}

HINSTANCE CAtlBaseModule::SetResourceInstance(HINSTANCE hInst) {
  HINSTANCE hOld = GetResourceInstance();
  m_hInstResource = hInst;
  return hOld;
}

CAtlWinModule::CAtlWinModule() : m_bInit(true), m_pCreateWndList(nullptr) {
  ::InitializeCriticalSection(&m_csWindowCreate);
}

CAtlWinModule::~CAtlWinModule() { Term(); }

bool CAtlWinModule::AddCreateWndData(_AtlCreateWndData* pData, void* pObject) {
  ATLASSERT(pData != 0 && pObject != 0);
  ATLASSERT(m_bInit && L"The window module is terminated");
  if (pData == nullptr || pObject == nullptr || !m_bInit) return false;
  pData->m_pThis = pObject;
  pData->m_dwThreadID = ::GetCurrentThreadId();
  ::EnterCriticalSection(&m_csWindowCreate);
  pData->m_pNext = m_pCreateWndList;
  m_pCreateWndList = pData;
  ::LeaveCriticalSection(&m_csWindowCreate);
  return true;
}

void* CAtlWinModule::ExtractCreateWndData() {
  if (!m_bInit) return nullptr;
  const DWORD dwThreadID = ::GetCurrentThreadId();
  void* pObject = nullptr;
  ::EnterCriticalSection(&m_csWindowCreate);
  for (_AtlCreateWndData** ppEntry = &m_pCreateWndList; *ppEntry; ppEntry = &(*ppEntry)->m_pNext) {
    if ((*ppEntry)->m_dwThreadID == dwThreadID) {
      pObject = (*ppEntry)->m_pThis;
      *ppEntry = (*ppEntry)->m_pNext;
      break;
    }
  }
  ::LeaveCriticalSection(&m_csWindowCreate);
  return pObject;
}

void CAtlWinModule::Term() {
  if (!m_bInit) return;
  m_bInit = false;
  ATLASSERT(m_pCreateWndList == 0 && L"A window object is still waiting for its window");
  m_pCreateWndList = nullptr;
  ::DeleteCriticalSection(&m_csWindowCreate);
}

CAtlModule::CAtlModule() {
  ATLASSERT(_pAtlModule == 0 && L"One module object per program");
  _pAtlModule = this;
}

CAtlModule::~CAtlModule() {
  if (_pAtlModule == this) _pAtlModule = nullptr;
}

void CAtlModule::Term() { _AtlWinModule.Term(); }

}  // namespace ATL
