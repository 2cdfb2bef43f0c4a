#include "GraphEdit.h"

#include "atlbase.h"

namespace {

// How long the viewer's primary thread is given to leave its message loop.
const DWORD kQuitTimeoutMs = 1000;

}  // namespace

CGraphEdit::CGraphEdit(bool bCloseOnDestroy)
    : m_dwCookie(0),
      m_rgPI(),
      m_hWndGraphEdit(0),
      m_hWndList(0),
      m_bCloseOnDestroy(bCloseOnDestroy) {}

CGraphEdit::~CGraphEdit() {
  if (m_bCloseOnDestroy) Reset();
}

void CGraphEdit::Reset() {
  RevokeGraph(m_dwCookie);
  m_dwCookie = 0;
  m_hWndList = 0;
  m_hWndGraphEdit = 0;
  CloseGraphEdit();
}

HRESULT CGraphEdit::RegisterGraph(IUnknown* pGraph, DWORD* pdwCookie) {
  ATLASSERT(pGraph != 0);
  if (pGraph == 0) return E_INVALIDARG;
  ATLASSERT(pdwCookie != 0);
  if (pdwCookie == 0) return E_POINTER;
  *pdwCookie = 0;

  CComPtr<IRunningObjectTable> spROT;
  HRESULT hr = ::GetRunningObjectTable(0, &spROT);
  if (hr != S_OK) return hr;

  WCHAR szName[64];
  ::wsprintfW(szName, L"FilterGraph %08x pid %08x",
              static_cast<DWORD>(reinterpret_cast<DWORD_PTR>(pGraph)), ::GetCurrentProcessId());
  CComPtr<IMoniker> spMoniker;
  hr = ::CreateItemMoniker(L"!", szName, &spMoniker);
  if (FAILED(hr)) return hr;

  return spROT->Register(0, pGraph, spMoniker, pdwCookie);
}

void CGraphEdit::RevokeGraph(DWORD dwCookie) {
  if (dwCookie == 0) return;
  CComPtr<IRunningObjectTable> spROT;
  if (::GetRunningObjectTable(0, &spROT) == S_OK) spROT->Revoke(dwCookie);
}

void CGraphEdit::CloseGraphEdit() {
  if (m_rgPI.hThread != 0) {
    // A viewer that has already gone makes the post fail and the wait end at once.
    ::PostThreadMessageW(m_rgPI.dwThreadId, WM_QUIT, 0, 0);
    ::WaitForSingleObject(m_rgPI.hThread, kQuitTimeoutMs);
    ::CloseHandle(m_rgPI.hThread);
  }
  if (m_rgPI.hProcess != 0) ::CloseHandle(m_rgPI.hProcess);
  m_rgPI = PROCESS_INFORMATION();
}
