#include "NumberList.h"

#include <cstdarg>
#include <cwchar>

#include <atldef.h>

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

}  // namespace

void FormatClippingRect(LPWSTR psz, size_t cch, const RECT& rc) {
  FormatBounded(psz, cch, L"%i, %i, %i, %i", static_cast<int>(rc.left), static_cast<int>(rc.top),
                static_cast<int>(rc.right), static_cast<int>(rc.bottom));
}

void FormatOutputSize(LPWSTR psz, size_t cch, int cx, int cy) { FormatBounded(psz, cch, L"%i, %i", cx, cy); }

void FormatResizingCoeffs(LPWSTR psz, size_t cch, double dX, double dY) {
  FormatBounded(psz, cch, L"%f, %f", dX, dY);
}
