#include "ErrorMessageBox.h"

#include <errors.h>

namespace {

const int cchMessage = 1024;

// Description of hr: DirectShow's texts first for interface codes, then the system's message table.
DWORD DescribeResult(HRESULT hr, LPWSTR pszBuffer, DWORD cchBuffer) {
  DWORD n = 0;
  if (HRESULT_FACILITY(hr) == FACILITY_ITF) n = ::AMGetErrorTextW(hr, pszBuffer, cchBuffer);
  if (n == 0)
    n = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, 0, hr,
                         MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), pszBuffer, cchBuffer, 0);
  return n;
}

}  // namespace

int ErrorMessageBox(HWND hWndOwner, LPCWSTR pszText, LPCWSTR pszCaption, HRESULT hr, UINT uType) {
  WCHAR msg[cchMessage] = {};
  WCHAR str[cchMessage] = {};
  int cch = 0;
  if (pszText) {
    ::lstrcpynW(msg, pszText, cchMessage);
    cch = ::lstrlenW(msg);
  }
  if (hr != 0) {
    if (DescribeResult(hr, str, cchMessage - 1) != 0) {
      // A text that fills the buffer gets no separator, and then nothing else fits.
      if (cch > 0 && cch < cchMessage - 1) {
        msg[cch++] = L'\n';
        msg[cch] = 0;
      }
      ::lstrcpynW(msg + cch, str, cchMessage - cch);
      cch += ::lstrlenW(msg + cch);
    }
    ::wsprintfW(str, L"%sError 0x%X", cch ? L"\n" : L"", static_cast<unsigned>(hr));
    ::lstrcpynW(msg + cch, str, cchMessage - cch);
    if (uType == MB_OK) uType = MB_ICONERROR;
  }
  HWND hWndBoxOwner = ::IsWindow(hWndOwner) ? hWndOwner : ::GetActiveWindow();
  return ::MessageBoxW(hWndBoxOwner, msg, pszCaption, uType);
}
