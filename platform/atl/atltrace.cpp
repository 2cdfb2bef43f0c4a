#include "atltrace.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cwchar>
#include <cwctype>
#include <memory>
#include <new>

namespace ATL {

const CTraceCategory atlTraceGeneral(0, L"atlTraceGeneral");

namespace {

constexpr DWORD kLevelOff = 0xFFFFFFFF;
constexpr DWORD kAllCategories = 0xFFFFFFFF;

using Text = std::unique_ptr<wchar_t[]>;

// Sized first, so the text is never cut; empty when formatting fails or memory runs out.
Text FormatV(LPCWSTR pszFormat, va_list args) {
  va_list argsCount;
  va_copy(argsCount, args);
  const int cch = _vscwprintf(pszFormat, argsCount);
  va_end(argsCount);
  if (cch < 0) return nullptr;
  Text text(new (std::nothrow) wchar_t[static_cast<size_t>(cch) + 1]);
  if (!text || _vsnwprintf(text.get(), static_cast<size_t>(cch) + 1, pszFormat, args) != cch)
    return nullptr;
  return text;
}

Text Format(LPCWSTR pszFormat, ...) {
  va_list args;
  va_start(args, pszFormat);
  Text text = FormatV(pszFormat, args);
  va_end(args);
  return text;
}

void DefaultTraceHandler(LPCWSTR pszText, const char* pszFile, int nLine) {
  Text line = Format(L"%hs(%d) : %s", pszFile, nLine, pszText);
  if (!line) return;
  ::OutputDebugStringW(line.get());
  std::fputws(line.get(), stderr);
  std::fflush(stderr);
}

std::atomic<AtlTraceHandler> g_pfnTrace{DefaultTraceHandler};
std::atomic<DWORD> g_dwLevel{0};
std::atomic<DWORD> g_dwMask{kAllCategories};
INIT_ONCE g_settingsOnce = INIT_ONCE_STATIC_INIT;

DWORD ReadSetting(LPCWSTR pszName, DWORD dwDefault) {
  wchar_t sz[32];
  const DWORD cch = ::GetEnvironmentVariableW(pszName, sz, ARRAYSIZE(sz));
  if (cch == 0 || cch >= ARRAYSIZE(sz) || !std::iswdigit(sz[0])) return dwDefault;
  wchar_t* pEnd = nullptr;
  errno = 0;
  const unsigned long ul = std::wcstoul(sz, &pEnd, 0);
  return (errno == 0 && *pEnd == 0) ? static_cast<DWORD>(ul) : dwDefault;
}

BOOL CALLBACK LoadSettingsOnce(PINIT_ONCE, PVOID, PVOID*) {
  AtlTraceLoadSettings();
  return TRUE;
}

bool IsEnabled(const CTraceCategory& category, UINT nLevel) {
  ::InitOnceExecuteOnce(&g_settingsOnce, LoadSettingsOnce, nullptr, nullptr);
  const DWORD dwLevel = g_dwLevel.load();
  return dwLevel != kLevelOff && dwLevel >= nLevel && (g_dwMask.load() & category.GetMaskBit()) != 0;
}

}  // namespace

AtlTraceHandler AtlSetTraceHandler(AtlTraceHandler pfnHandler) {
  return g_pfnTrace.exchange(pfnHandler ? pfnHandler : DefaultTraceHandler);
}

void AtlTraceLoadSettings() {
  g_dwLevel.store(ReadSetting(L"ATLTRACE_LEVEL", 0));
  g_dwMask.store(ReadSetting(L"ATLTRACE_MASK", kAllCategories));
}

void AtlTraceV(const char* pszFile, int nLine, const CTraceCategory& category, UINT nLevel,
               LPCWSTR pszFormat, va_list args) {
  if (pszFormat == nullptr || !IsEnabled(category, nLevel)) return;
  Text message = FormatV(pszFormat, args);
  if (!message) return;
  Text text = category.GetName() ? Format(L"%s - %s", category.GetName(), message.get())
                                 : Format(L"%u - %s", category.GetCategory(), message.get());
  if (!text) return;
  g_pfnTrace.load()(text.get(), pszFile, nLine);
}

}  // namespace ATL
