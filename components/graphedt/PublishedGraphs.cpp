#include "PublishedGraphs.h"

#include <objbase.h>

#include <atlcomcli.h>
#include <atlhandle.h>

#include <cwchar>

using ATL::CComPtr;

namespace {

const wchar_t kPrefix[] = L"FilterGraph ";
const wchar_t kPid[] = L" pid ";

// Eight to sixteen hexadecimal digits: "%08x" of a 32-bit publisher, up to "%016llx" of a
// 64-bit one. Advances *ppsz past them; *pull holds their value.
bool ReadHex(LPCWSTR* ppsz, unsigned long long* pull) {
  unsigned long long ull = 0;
  int cDigits = 0;
  for (LPCWSTR p = *ppsz;; ++p, ++cDigits) {
    const wchar_t c = *p;
    int nDigit;
    if (c >= L'0' && c <= L'9')
      nDigit = c - L'0';
    else if (c >= L'a' && c <= L'f')
      nDigit = c - L'a' + 10;
    else if (c >= L'A' && c <= L'F')
      nDigit = c - L'A' + 10;
    else
      break;
    if (cDigits == 16) return false;
    ull = ull << 4 | static_cast<unsigned>(nDigit);
  }
  if (cDigits < 8) return false;
  *ppsz += cDigits;
  *pull = ull;
  return true;
}

// The file name of a process's executable, or empty when it cannot be read.
std::wstring ProcessName(DWORD dwProcessId) {
  ATL::CHandle hProcess(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, dwProcessId));
  if (!hProcess) return std::wstring();
  wchar_t szPath[MAX_PATH] = {};
  DWORD cch = MAX_PATH;
  const BOOL bRead = ::QueryFullProcessImageNameW(hProcess, 0, szPath, &cch);
  if (!bRead) return std::wstring();
  LPCWSTR pszName = szPath;
  for (LPCWSTR p = szPath; *p; ++p)
    if (*p == L'\\' || *p == L'/') pszName = p + 1;
  return pszName;
}

std::wstring ItemText(DWORD dwProcessId, DWORD dwGraph) {
  // The bench reads items into 64 characters: the name is cut to keep every item shorter.
  std::wstring name = ProcessName(dwProcessId).substr(0, 20);
  wchar_t szText[64];
  if (name.empty())
    std::swprintf(szText, 64, L"pid %x IFilterGraph = %x", static_cast<unsigned>(dwProcessId),
                  static_cast<unsigned>(dwGraph));
  else
    std::swprintf(szText, 64, L"pid %x %ls IFilterGraph = %x", static_cast<unsigned>(dwProcessId), name.c_str(),
                  static_cast<unsigned>(dwGraph));
  return szText;
}

}  // namespace

bool ParseCookieName(LPCWSTR pszName, DWORD* pdwGraph, DWORD* pdwProcessId) {
  if (!pszName || !pdwGraph || !pdwProcessId) return false;
  if (*pszName == L'!') ++pszName;
  const size_t cchPrefix = std::wcslen(kPrefix);
  const size_t cchPid = std::wcslen(kPid);
  if (std::wcsncmp(pszName, kPrefix, cchPrefix) != 0) return false;
  LPCWSTR p = pszName + cchPrefix;
  unsigned long long ullGraph = 0, ullProcess = 0;
  if (!ReadHex(&p, &ullGraph) || std::wcsncmp(p, kPid, cchPid) != 0) return false;
  p += cchPid;
  if (!ReadHex(&p, &ullProcess) || *p != L'\0' || ullProcess > 0xFFFFFFFFull) return false;
  // The bench knows its graph by the pointer's low 32 bits.
  *pdwGraph = static_cast<DWORD>(ullGraph);
  *pdwProcessId = static_cast<DWORD>(ullProcess);
  return true;
}

HRESULT ListPublishedGraphs(std::vector<PublishedGraph>* pGraphs) {
  if (!pGraphs) return E_POINTER;
  pGraphs->clear();
  CComPtr<IRunningObjectTable> spTable;
  HRESULT hr = ::GetRunningObjectTable(0, &spTable);
  if (FAILED(hr)) return hr;
  CComPtr<IEnumMoniker> spEnum;
  if (FAILED(hr = spTable->EnumRunning(&spEnum))) return hr;
  if (!spEnum) return S_FALSE;
  CComPtr<IBindCtx> spContext;
  if (FAILED(hr = ::CreateBindCtx(0, &spContext))) return hr;

  const DWORD dwSelf = ::GetCurrentProcessId();
  for (;;) {
    CComPtr<IMoniker> spMoniker;
    ULONG cFetched = 0;
    if (spEnum->Next(1, &spMoniker, &cFetched) != S_OK || cFetched != 1 || !spMoniker) break;
    LPOLESTR pszName = nullptr;
    if (FAILED(spMoniker->GetDisplayName(spContext, nullptr, &pszName)) || !pszName) continue;
    PublishedGraph graph;
    if (ParseCookieName(pszName, &graph.dwGraph, &graph.dwProcessId) && graph.dwProcessId != dwSelf) {
      graph.cookieName = pszName[0] == L'!' ? pszName + 1 : pszName;
      graph.text = ItemText(graph.dwProcessId, graph.dwGraph);
      pGraphs->push_back(graph);
    }
    ::CoTaskMemFree(pszName);
  }
  return S_OK;
}

HRESULT BindPublishedGraph(const std::wstring& cookieName, IFilterGraph** ppGraph) {
  if (!ppGraph) return E_POINTER;
  *ppGraph = nullptr;
  CComPtr<IRunningObjectTable> spTable;
  HRESULT hr = ::GetRunningObjectTable(0, &spTable);
  if (FAILED(hr)) return hr;
  CComPtr<IMoniker> spMoniker;
  if (FAILED(hr = ::CreateItemMoniker(L"!", cookieName.c_str(), &spMoniker))) return hr;
  CComPtr<IUnknown> spObject;
  if (FAILED(hr = spTable->GetObject(spMoniker, &spObject))) return hr;
  // Wine's table has answered success without an object (seen by the soak; the viewer's
  // connect crash): no graph then.
  if (!spObject) return MK_E_UNAVAILABLE;
  if (FAILED(hr = spObject->QueryInterface(IID_IFilterGraph, reinterpret_cast<void**>(ppGraph)))) return hr;
  return *ppGraph ? S_OK : E_NOINTERFACE;
}
