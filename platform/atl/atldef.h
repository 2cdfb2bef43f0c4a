// Debug assertions of the framework, reported through a replaceable hook.
//
//   ATLASSERT(expr)             reports the macro-expanded text of expr, file and line
//   ATLASSERT_TEXT(expr, text)  reports the given narrow text instead, for a failure that
//                               reads better as a sentence ("Foo() FAILED") than as code
//   AtlSetAssertHandler         replaces the report (tests record it); nullptr restores the default
//
// The default report goes to the debugger output and to standard error and never blocks;
// when a debugger is attached the program then breaks at the assertion itself, and goes on
// from there when the debugger lets it. A replaced report never breaks.
// Without _DEBUG both compile to nothing; expr stays an unevaluated operand, so variables
// that only an assertion reads do not turn into unused-variable errors.
#pragma once

#include <windows.h>

// The platform SDK spells these so, and assertion texts show the expansion:
// "hr == ((HRESULT)0L)", "(((HRESULT)(hr)) >= 0)". MinGW's values are the same.
#undef S_OK
#define S_OK ((HRESULT)0L)
#undef S_FALSE
#define S_FALSE ((HRESULT)1L)
#undef SUCCEEDED
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#undef FAILED
#define FAILED(hr) (((HRESULT)(hr)) < 0)

namespace ATL {

using AtlAssertHandler = void (*)(const char* pszExpr, const char* pszFile, int nLine);

// Returns the handler that was in place (never null).
AtlAssertHandler AtlSetAssertHandler(AtlAssertHandler pfnHandler);
// Reports; true when the caller is to break into the attached debugger.
bool AtlAssertFailed(const char* pszExpr, const char* pszFile, int nLine);

}  // namespace ATL

#ifdef _DEBUG
// Two levels, so that macros inside expr are expanded before they are quoted.
#define ATLASSERT(expr) ATL_ASSERT_EXPANDED_(expr)
#define ATL_ASSERT_EXPANDED_(expr) ATLASSERT_TEXT(expr, #expr)
#define ATLASSERT_TEXT(expr, text) \
  ((expr) ? (void)0 : ::ATL::AtlAssertFailed(text, __FILE__, __LINE__) ? __debugbreak() : (void)0)
#else
#define ATLASSERT(expr) ((void)sizeof(!(expr)))
#define ATLASSERT_TEXT(expr, text) ((void)sizeof(!(expr)))
#endif
