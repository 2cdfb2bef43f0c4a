#include "atlreg.h"

#include <algorithm>

namespace ATL {

namespace {

bool IsStringType(DWORD dwType) { return dwType == REG_SZ || dwType == REG_EXPAND_SZ; }

}  // namespace

LONG CRegKey::Open(HKEY hKeyParent, LPCWSTR lpszKeyName, REGSAM samDesired) {
  ATLASSERT(hKeyParent != 0);
  HKEY hKey = NULL;
  const LONG lRes = ::RegOpenKeyExW(hKeyParent, lpszKeyName, 0, samDesired, &hKey);
  if (lRes != ERROR_SUCCESS) return lRes;
  Close();
  m_hKey = hKey;
  return ERROR_SUCCESS;
}

LONG CRegKey::Close() {
  if (m_hKey == NULL) return ERROR_SUCCESS;
  const LONG lRes = ::RegCloseKey(m_hKey);
  m_hKey = NULL;
  return lRes;
}

LONG CRegKey::QueryStringValue(LPCWSTR pszValueName, LPWSTR pszValue, ULONG* pnChars) {
  ATLASSERT(m_hKey != 0);
  ATLASSERT(pszValue != 0 && pnChars != 0);
  if (pszValue == nullptr || pnChars == nullptr) return ERROR_INVALID_PARAMETER;
  const ULONG nCapacity = *pnChars;
  auto fail = [&](LONG lRes, ULONG nNeeded) {
    if (nCapacity > 0) pszValue[0] = 0;
    *pnChars = nNeeded;
    return lRes;
  };

  // The type first, so that a value of another type never reaches the buffer.
  DWORD dwType = REG_NONE;
  DWORD cbData = 0;
  LONG lRes = ::RegQueryValueExW(m_hKey, pszValueName, NULL, &dwType, NULL, &cbData);
  if (lRes != ERROR_SUCCESS) return fail(lRes, 0);
  if (!IsStringType(dwType)) return fail(ERROR_INVALID_DATA, 0);

  cbData = static_cast<DWORD>(std::min<ULONG>(nCapacity, MAXDWORD / sizeof(wchar_t)) * sizeof(wchar_t));
  lRes = ::RegQueryValueExW(m_hKey, pszValueName, NULL, &dwType, reinterpret_cast<LPBYTE>(pszValue),
                            &cbData);
  // Room for the characters and a terminator that the stored value may lack.
  if (lRes == ERROR_MORE_DATA) return fail(lRes, cbData / sizeof(wchar_t) + 1);
  if (lRes != ERROR_SUCCESS) return fail(lRes, 0);
  // Changed between the two reads, or not made of whole characters.
  if (!IsStringType(dwType) || cbData % sizeof(wchar_t) != 0) return fail(ERROR_INVALID_DATA, 0);

  ULONG nChars = cbData / sizeof(wchar_t);
  if (nChars == 0 || pszValue[nChars - 1] != 0) {
    if (nChars >= nCapacity) return fail(ERROR_MORE_DATA, nChars + 1);
    pszValue[nChars++] = 0;
  }
  *pnChars = nChars;
  return ERROR_SUCCESS;
}

LONG CRegKey::QueryDWORDValue(LPCWSTR pszValueName, DWORD& dwValue) {
  ATLASSERT(m_hKey != 0);
  DWORD dwType = REG_NONE;
  DWORD dwData = 0;
  DWORD cbData = sizeof dwData;
  const LONG lRes = ::RegQueryValueExW(m_hKey, pszValueName, NULL, &dwType,
                                       reinterpret_cast<LPBYTE>(&dwData), &cbData);
  // Longer than a DWORD: not one, whatever its type says.
  if (lRes == ERROR_MORE_DATA) return ERROR_INVALID_DATA;
  if (lRes != ERROR_SUCCESS) return lRes;
  if (dwType != REG_DWORD || cbData != sizeof dwData) return ERROR_INVALID_DATA;
  dwValue = dwData;
  return ERROR_SUCCESS;
}

}  // namespace ATL
