#include "atldef.h"

#include <atomic>
#include <cstdio>

namespace ATL {
namespace {

void DefaultAssertHandler(const char* pszExpr, const char* pszFile, int nLine) {
  char sz[1024];
  _snprintf(sz, sizeof sz - 1, "%s(%d) : Assertion failed: %s\n", pszFile, nLine, pszExpr);
  sz[sizeof sz - 1] = 0;
  ::OutputDebugStringA(sz);
  std::fputs(sz, stderr);
}

std::atomic<AtlAssertHandler> g_pfnAssert{DefaultAssertHandler};

}  // namespace

AtlAssertHandler AtlSetAssertHandler(AtlAssertHandler pfnHandler) {
  return g_pfnAssert.exchange(pfnHandler ? pfnHandler : DefaultAssertHandler);
}

bool AtlAssertFailed(const char* pszExpr, const char* pszFile, int nLine) {
  const AtlAssertHandler pfn = g_pfnAssert.load();
  pfn(pszExpr, pszFile, nLine);
  return pfn == DefaultAssertHandler && ::IsDebuggerPresent();
}

}  // namespace ATL
