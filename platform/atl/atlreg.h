// Registry keys.
//
//   CRegKey   an owned registry key, closed by Close() or the destructor
//
// Values are checked before they are used: a value of another type is refused with
// ERROR_INVALID_DATA and the output is left alone (a string buffer gets an empty string);
// a string read is always terminated within the buffer.
#pragma once

#include "atldef.h"

namespace ATL {

class CRegKey {
public:
  CRegKey() : m_hKey(NULL) {}
  ~CRegKey() { Close(); }
  CRegKey(const CRegKey&) = delete;
  CRegKey& operator=(const CRegKey&) = delete;

  operator HKEY() const { return m_hKey; }

  // Closes the key held before, but only once the new one is open.
  LONG Open(HKEY hKeyParent, LPCWSTR lpszKeyName, REGSAM samDesired = KEY_READ | KEY_WRITE);
  LONG Close();

  // *pnChars: in, the buffer's size; out, the characters read including the terminator,
  // or on ERROR_MORE_DATA a size that suffices.
  LONG QueryStringValue(LPCWSTR pszValueName, LPWSTR pszValue, ULONG* pnChars);
  // dwValue is set only on success.
  LONG QueryDWORDValue(LPCWSTR pszValueName, DWORD& dwValue);

  HKEY m_hKey;
};

}  // namespace ATL
