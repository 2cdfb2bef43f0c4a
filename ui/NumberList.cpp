#include "NumberList.h"

#include <cstdarg>
#include <cstdlib>
#include <cwchar>
#include <cwctype>

#include "MainDialog.h"

namespace {

void FormatBounded(LPWSTR psz, size_t cch, LPCWSTR pszFormat, ...) {
  ATLASSERT(psz != 0 && cch != 0);
  if (psz == 0 || cch == 0) return;
  va_list args;
  va_start(args, pszFormat);
  // Writes at most cch - 1 characters and leaves out the terminator when it cuts.
  _vsnwprintf(psz, cch - 1, pszFormat, args);
  va_end(args);
  psz[cch - 1] = 0;
}

int ReadNumber(LPCWSTR psz, LPWSTR* ppszEnd, int*) { return static_cast<int>(::wcstol(psz, ppszEnd, 10)); }
double ReadNumber(LPCWSTR psz, LPWSTR* ppszEnd, double*) { return ::wcstod(psz, ppszEnd); }

template <class T>
bool ParseList(LPCWSTR psz, UINT nNumbers, T* pArrNumbers) {
  ATLASSERT(nNumbers != 0);
  if (nNumbers == 0) return false;
  ATLASSERT(pArrNumbers != 0);
  if (pArrNumbers == 0) return false;
  for (UINT i = 0; i < nNumbers; ++i) pArrNumbers[i] = 0;
  if (psz == 0) return true;
  while (*psz && ::iswspace(*psz)) ++psz;
  if (*psz == 0) return true;

  LPWSTR pszEnd = 0;
  UINT i = 0;
  while (i < nNumbers) {
    // A field without a number reads as 0, with pszEnd left where the field starts.
    pArrNumbers[i] = ReadNumber(psz, &pszEnd, pArrNumbers);
    while (::iswspace(*pszEnd)) ++pszEnd;
    if (*pszEnd != L',') break;
    psz = pszEnd + 1;
    ++i;
  }
  // A comma after the last number runs i up to nNumbers, which fails too.
  return i == nNumbers - 1 && *pszEnd == 0;
}

}  // namespace

void FormatClippingRect(LPWSTR psz, size_t cch, const RECT& rc) {
  FormatBounded(psz, cch, L"%i, %i, %i, %i", static_cast<int>(rc.left), static_cast<int>(rc.top),
                static_cast<int>(rc.right), static_cast<int>(rc.bottom));
}

void FormatOutputSize(LPWSTR psz, size_t cch, int cx, int cy) { FormatBounded(psz, cch, L"%i, %i", cx, cy); }

void FormatResizingCoeffs(LPWSTR psz, size_t cch, double dX, double dY) {
  FormatBounded(psz, cch, L"%f, %f", dX, dY);
}

bool CMainDialog::ParseNumbers(LPCWSTR psz, UINT nNumbers, int* pArrNumbers) {
  return ParseList(psz, nNumbers, pArrNumbers);
}

bool CMainDialog::ParseNumbers(LPCWSTR psz, UINT nNumbers, double* pArrNumbers) {
  return ParseList(psz, nNumbers, pArrNumbers);
}
