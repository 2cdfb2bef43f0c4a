// Debug traces with categories and levels, filtered process-wide.
//
//   CTraceCategory          a trace category: a number 0..31 (its bit in the mask) and a name
//   atlTraceGeneral         the general category, number 0, named "atlTraceGeneral"
//   ATLTRACE(cat, level, format, ...)   a wide printf-style trace (ATLTRACE2 is the same)
//   ATLTRACE(format, ...)               the general category at level 0
//   AtlSetTraceHandler      replaces the report (tests record it); nullptr restores the default
//   AtlTraceLoadSettings    reads the filter from the environment again
//
// A trace is written only if the threshold is not 0xFFFFFFFF, the threshold is at least the
// trace's level and the category's bit is set in the mask. The report text is the category
// name (or its number when it has none), " - " and the message; the default report writes
// "file(line) : text" to the debugger output and to standard error. A trace whose message
// cannot be formatted, or for which no memory can be had, is dropped.
//
// The filter is raised from outside the program through two environment variables, read once
// at the first trace (decimal, or hexadecimal with 0x; a value that does not parse is ignored):
//
//   ATLTRACE_LEVEL   the threshold, initially 0 (0xFFFFFFFF: tracing off)
//   ATLTRACE_MASK    the enabled categories, initially 0xFFFFFFFF (all)
//
//   e.g.  ATLTRACE_LEVEL=2 wine LumivarTest.exe
//
// Without _DEBUG traces compile to nothing; their arguments stay unevaluated operands.
#pragma once

#include "atldef.h"

#include <stdarg.h>

namespace ATL {

class CTraceCategory {
public:
  // Constant-initialised, so categories can be used from any static constructor.
  constexpr explicit CTraceCategory(UINT nCategory, LPCWSTR pszName = nullptr)
      : m_nCategory(nCategory), m_pszName(pszName) {}

  UINT GetCategory() const { return m_nCategory; }
  // No bit for numbers outside 0..31: such a category is never written.
  DWORD GetMaskBit() const { return m_nCategory < 32 ? 1UL << m_nCategory : 0; }
  LPCWSTR GetName() const { return m_pszName; }

private:
  UINT m_nCategory;
  LPCWSTR m_pszName;
};

extern const CTraceCategory atlTraceGeneral;

// pszText is "name - message"; the file and line are those of the ATLTRACE.
using AtlTraceHandler = void (*)(LPCWSTR pszText, const char* pszFile, int nLine);

// Returns the handler that was in place (never null).
AtlTraceHandler AtlSetTraceHandler(AtlTraceHandler pfnHandler);
void AtlTraceLoadSettings();
void AtlTraceV(const char* pszFile, int nLine, const CTraceCategory& category, UINT nLevel,
               LPCWSTR pszFormat, va_list args);

// Carries the call's file and line to the trace, as ATLTRACE's two forms need one object.
class CTraceFileAndLineInfo {
public:
  CTraceFileAndLineInfo(const char* pszFile, int nLine) : m_pszFile(pszFile), m_nLine(nLine) {}

  void operator()(const CTraceCategory& category, UINT nLevel, LPCWSTR pszFormat, ...) const {
    va_list args;
    va_start(args, pszFormat);
    AtlTraceV(m_pszFile, m_nLine, category, nLevel, pszFormat, args);
    va_end(args);
  }
  void operator()(LPCWSTR pszFormat, ...) const {
    va_list args;
    va_start(args, pszFormat);
    AtlTraceV(m_pszFile, m_nLine, atlTraceGeneral, 0, pszFormat, args);
    va_end(args);
  }

private:
  const char* m_pszFile;
  int m_nLine;
};

// Never defined: names the arguments of a compiled-out trace without evaluating them.
template <class... TArgs>
int AtlTraceDiscard(const TArgs&...);

}  // namespace ATL

#ifdef _DEBUG
#define ATLTRACE ::ATL::CTraceFileAndLineInfo(__FILE__, __LINE__)
#else
#define ATLTRACE(...) ((void)sizeof(::ATL::AtlTraceDiscard(__VA_ARGS__)))
#endif
#define ATLTRACE2 ATLTRACE
