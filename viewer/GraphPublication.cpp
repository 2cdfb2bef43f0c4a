#include "GraphPublication.h"

#include <dshow.h>

#include "atlbase.h"

#include <vector>

namespace {

struct Publication {
  DWORD dwCookie;
  HANDLE hThread;
  DWORD dwThreadId;
};

SRWLOCK g_lock = SRWLOCK_INIT;
std::vector<Publication> g_publications;

// What the publishing thread is given, and answers before it starts serving.
struct Request {
  IUnknown* pUnk;
  LPCWSTR pszItemName;
  HANDLE hAnswered;
  HRESULT hr;
  DWORD dwCookie;
};

HRESULT Register(IUnknown* pUnk, LPCWSTR pszItemName, CComPtr<IRunningObjectTable>& spROT, DWORD* pdwCookie) {
  HRESULT hr = ::GetRunningObjectTable(0, &spROT);
  if (hr != S_OK) return hr;
  CComPtr<IMoniker> spMoniker;
  hr = ::CreateItemMoniker(L"!", pszItemName, &spMoniker);
  if (FAILED(hr)) return hr;
  return spROT->Register(0, pUnk, spMoniker, pdwCookie);
}

// CoDisconnectObject on a graph, its filters and their pins, from the apartment that holds
// their stubs: further calls through those proxies fail at once instead of queueing here.
void DisconnectGraph(IUnknown* pUnk) {
  ::CoDisconnectObject(pUnk, 0);
  CComQIPtr<IFilterGraph, &IID_IFilterGraph> spGraph(pUnk);
  CComPtr<IEnumFilters> spFilters;
  if (!spGraph || FAILED(spGraph->EnumFilters(&spFilters))) return;
  CComPtr<IBaseFilter> spFilter;
  ULONG cFetched = 0;
  while (spFilters->Next(1, &spFilter, &cFetched) == S_OK && spFilter) {
    CComPtr<IEnumPins> spPins;
    if (SUCCEEDED(spFilter->EnumPins(&spPins))) {
      CComPtr<IPin> spPin;
      while (spPins->Next(1, &spPin, &cFetched) == S_OK && spPin) {
        ::CoDisconnectObject(spPin, 0);
        spPin.Release();
      }
    }
    ::CoDisconnectObject(spFilter, 0);
    spFilter.Release();
  }
}

// Serves the calls already queued for this thread until it has been quiet for a while, within
// a bound: a call still waiting when the apartment ends would hold it, and its stubs, open.
void ServeQueuedCalls() {
  const DWORD kQuietMs = 100;
  const DWORD kBoundMs = 500;
  const DWORD dwStart = ::GetTickCount();
  while (::GetTickCount() - dwStart < kBoundMs) {
    if (::MsgWaitForMultipleObjects(0, nullptr, FALSE, kQuietMs, QS_ALLINPUT) != WAIT_OBJECT_0) return;
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
}

// Whether this thread still has a message-only window: it makes none itself, so that is its
// apartment's, and the apartment outlived CoUninitialize, held open by a call from another
// process already on its way to this thread.
bool ApartmentOutlivedItsEnd() {
  HWND hWnd = nullptr;
  while ((hWnd = ::FindWindowExW(HWND_MESSAGE, hWnd, nullptr, nullptr)) != nullptr)
    if (::GetWindowThreadProcessId(hWnd, nullptr) == ::GetCurrentThreadId()) return true;
  return false;
}

// Ends the apartment, and with it every stub of the object and of what it handed out:
// enumerators too, which no disconnection reaches. A call that caught the apartment as it
// ended waits for this thread; left unserved, it would hold the apartment and its stubs
// forever. It is served from a fresh apartment, which then ends in turn.
void EndApartment() {
  const int kRounds = 3;
  for (int nRound = 0; nRound < kRounds; ++nRound) {
    ::CoUninitialize();
    if (!ApartmentOutlivedItsEnd() || FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return;
    ServeQueuedCalls();
  }
  ::CoUninitialize();
}

DWORD WINAPI PublishingThread(LPVOID pParam) {
  Request* pRequest = static_cast<Request*>(pParam);
  HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (FAILED(hr)) {
    pRequest->hr = hr;
    ::SetEvent(pRequest->hAnswered);
    return 0;
  }
  // The queue exists before the owner can post WM_QUIT to it.
  MSG msg;
  ::PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
  DWORD dwCookie = 0;
  {
    // The thread's own reference: the owner may stop waiting before the thread ends.
    CComPtr<IUnknown> spUnk(pRequest->pUnk);
    CComPtr<IRunningObjectTable> spROT;
    hr = Register(spUnk, pRequest->pszItemName, spROT, &dwCookie);
    if (FAILED(hr)) dwCookie = 0;
    pRequest->hr = hr;
    pRequest->dwCookie = dwCookie;
    ::SetEvent(pRequest->hAnswered);  // pRequest is gone from here on
    if (dwCookie != 0) {
      while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
      }
      spROT->Revoke(dwCookie);
      DisconnectGraph(spUnk);
      ServeQueuedCalls();
    }
  }
  EndApartment();
  return 0;
}

}  // namespace

HRESULT PublishGraph(IUnknown* pUnk, LPCWSTR pszItemName, DWORD* pdwCookie) {
  ATLASSERT(pUnk != 0 && pszItemName != 0 && pdwCookie != 0);
  if (pdwCookie == 0) return E_POINTER;
  *pdwCookie = 0;
  if (pUnk == 0 || pszItemName == 0) return E_INVALIDARG;

  Request request = {pUnk, pszItemName, ::CreateEventW(nullptr, TRUE, FALSE, nullptr), E_FAIL, 0};
  if (request.hAnswered == 0) return HRESULT_FROM_WIN32(::GetLastError());
  DWORD dwThreadId = 0;
  HANDLE hThread = ::CreateThread(nullptr, 0, PublishingThread, &request, 0, &dwThreadId);
  if (hThread == 0) {
    const HRESULT hr = HRESULT_FROM_WIN32(::GetLastError());
    ::CloseHandle(request.hAnswered);
    return hr;
  }
  // The table's answer is awaited as the table itself would have been by a direct call.
  ::WaitForSingleObject(request.hAnswered, INFINITE);
  ::CloseHandle(request.hAnswered);
  if (request.dwCookie == 0) {
    ::WaitForSingleObject(hThread, INFINITE);
    ::CloseHandle(hThread);
    return request.hr;
  }
  ::AcquireSRWLockExclusive(&g_lock);
  g_publications.push_back(Publication{request.dwCookie, hThread, dwThreadId});
  ::ReleaseSRWLockExclusive(&g_lock);
  *pdwCookie = request.dwCookie;
  return request.hr;
}

void WithdrawGraph(DWORD dwCookie, DWORD dwTimeoutMs) {
  if (dwCookie == 0) return;
  Publication publication = {};
  ::AcquireSRWLockExclusive(&g_lock);
  for (auto it = g_publications.begin(); it != g_publications.end(); ++it) {
    if (it->dwCookie == dwCookie) {
      publication = *it;
      g_publications.erase(it);
      break;
    }
  }
  ::ReleaseSRWLockExclusive(&g_lock);
  if (publication.hThread == 0) {
    CComPtr<IRunningObjectTable> spROT;
    if (::GetRunningObjectTable(0, &spROT) == S_OK) spROT->Revoke(dwCookie);
    return;
  }
  ::PostThreadMessageW(publication.dwThreadId, WM_QUIT, 0, 0);
  ::WaitForSingleObject(publication.hThread, dwTimeoutMs);
  ::CloseHandle(publication.hThread);
}
