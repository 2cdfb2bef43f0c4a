#include "ModuleInfo.h"

#include <cwchar>
#include <memory>
#include <new>

namespace lumivar {

namespace {

HRESULT LastError() {
  const DWORD dw = ::GetLastError();
  return dw ? HRESULT_FROM_WIN32(dw) : E_FAIL;
}

HRESULT ToBstr(const wchar_t* psz, BSTR* pbstr) {
  *pbstr = ::SysAllocString(psz);
  return *pbstr ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

HRESULT ModuleFileVersion(HMODULE hModule, BSTR* pbstr) {
  if (!pbstr) return E_POINTER;
  *pbstr = 0;
  wchar_t szPath[MAX_PATH];
  const DWORD cch = ::GetModuleFileNameW(hModule, szPath, MAX_PATH);
  if (cch == 0 || cch >= MAX_PATH) return cch ? HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER) : LastError();
  DWORD dwHandle = 0;
  const DWORD cb = ::GetFileVersionInfoSizeW(szPath, &dwHandle);
  if (cb == 0) return LastError();
  std::unique_ptr<BYTE[]> pBlock(new (std::nothrow) BYTE[cb]);
  if (!pBlock) return E_OUTOFMEMORY;
  if (!::GetFileVersionInfoW(szPath, 0, cb, pBlock.get())) return LastError();
  VS_FIXEDFILEINFO* pInfo = 0;
  UINT cbInfo = 0;
  if (!::VerQueryValueW(pBlock.get(), L"\\", reinterpret_cast<void**>(&pInfo), &cbInfo) ||
      cbInfo < sizeof(VS_FIXEDFILEINFO) || pInfo->dwSignature != VS_FFI_SIGNATURE)
    return HRESULT_FROM_WIN32(ERROR_RESOURCE_DATA_NOT_FOUND);
  wchar_t sz[64];
  swprintf(sz, 64, L"%u.%u.%u.%u", HIWORD(pInfo->dwFileVersionMS), LOWORD(pInfo->dwFileVersionMS),
           HIWORD(pInfo->dwFileVersionLS), LOWORD(pInfo->dwFileVersionLS));
  return ToBstr(sz, pbstr);
}

HRESULT ModuleLinkTime(HMODULE hModule, BSTR* pbstr) {
  if (!pbstr) return E_POINTER;
  *pbstr = 0;
  const BYTE* pBase = reinterpret_cast<const BYTE*>(hModule);
  if (!pBase) return E_INVALIDARG;
  const IMAGE_DOS_HEADER* pDos = reinterpret_cast<const IMAGE_DOS_HEADER*>(pBase);
  if (pDos->e_magic != IMAGE_DOS_SIGNATURE) return E_FAIL;
  const IMAGE_NT_HEADERS* pNt = reinterpret_cast<const IMAGE_NT_HEADERS*>(pBase + pDos->e_lfanew);
  if (pNt->Signature != IMAGE_NT_SIGNATURE) return E_FAIL;

  // Seconds since 1970 into the FILETIME scale (100 ns since 1601).
  const ULONGLONG ull = (pNt->FileHeader.TimeDateStamp + 11644473600ULL) * 10000000ULL;
  const FILETIME ft{static_cast<DWORD>(ull), static_cast<DWORD>(ull >> 32)};
  SYSTEMTIME st;
  if (!::FileTimeToSystemTime(&ft, &st)) return LastError();
  static const wchar_t* const rgMonth[] = {L"Jan", L"Feb", L"Mar", L"Apr", L"May", L"Jun",
                                           L"Jul", L"Aug", L"Sep", L"Oct", L"Nov", L"Dec"};
  wchar_t sz[64];
  swprintf(sz, 64, L"%ls %u %u %02u:%02u:%02u", rgMonth[(st.wMonth - 1) % 12], st.wDay, st.wYear,
           st.wHour, st.wMinute, st.wSecond);
  return ToBstr(sz, pbstr);
}

}  // namespace lumivar
