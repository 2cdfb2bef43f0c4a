#include "ViewerRegistration.h"

#include <cwchar>

namespace {

const wchar_t kKey[] = L"Software\\Microsoft\\Shared Tools\\Graphedit";
const wchar_t kValue[] = L"Path";

}  // namespace

HRESULT RegisterViewer() {
  wchar_t szPath[MAX_PATH];
  const DWORD cch = ::GetModuleFileNameW(nullptr, szPath, MAX_PATH);
  if (cch == 0 || cch >= MAX_PATH) return E_FAIL;
  HKEY hKey = nullptr;
  LONG lRes = ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &hKey, nullptr);
  if (lRes != ERROR_SUCCESS) return HRESULT_FROM_WIN32(lRes);
  lRes = ::RegSetValueExW(hKey, kValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(szPath),
                          static_cast<DWORD>((cch + 1) * sizeof(wchar_t)));
  ::RegCloseKey(hKey);
  return HRESULT_FROM_WIN32(lRes);
}

HRESULT UnregisterViewer() {
  HKEY hKey = nullptr;
  LONG lRes = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, KEY_SET_VALUE, &hKey);
  if (lRes == ERROR_FILE_NOT_FOUND) return S_OK;
  if (lRes != ERROR_SUCCESS) return HRESULT_FROM_WIN32(lRes);
  lRes = ::RegDeleteValueW(hKey, kValue);
  ::RegCloseKey(hKey);
  return lRes == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(lRes);
}
