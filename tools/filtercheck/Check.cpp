#include "Check.h"

#include <cstdarg>
#include <cstdio>

namespace filtercheck {

namespace {

std::string Format(const char* pszFormat, va_list args) {
  char sz[1024];
  vsnprintf(sz, sizeof sz, pszFormat, args);
  return sz;
}

}  // namespace

std::string FormatHr(HRESULT hr) {
  char sz[16];
  snprintf(sz, sizeof sz, "0x%08lX", static_cast<unsigned long>(hr));
  return sz;
}

bool CCheck::Expect(bool bOk, const char* pszFormat, ...) {
  if (bOk) return true;
  va_list args;
  va_start(args, pszFormat);
  m_failures.push_back(Format(pszFormat, args));
  va_end(args);
  return false;
}

bool CCheck::ExpectHr(HRESULT hrExpected, HRESULT hr, const char* pszWhat) {
  return Expect(hr == hrExpected, "%s answered %s, expected %s", pszWhat, FormatHr(hr).c_str(),
                FormatHr(hrExpected).c_str());
}

bool CCheck::ExpectOk(HRESULT hr, const char* pszWhat) {
  return Expect(SUCCEEDED(hr), "%s failed with %s", pszWhat, FormatHr(hr).c_str());
}

void CCheck::Skip(const char* pszFormat, ...) {
  va_list args;
  va_start(args, pszFormat);
  m_skips.push_back(Format(pszFormat, args));
  va_end(args);
}

bool CCheck::Setup(HRESULT hr, const char* pszWhat) {
  if (SUCCEEDED(hr)) return true;
  m_failures.push_back(std::string(pszWhat) + " failed with " + FormatHr(hr));
  return false;
}

void CCheck::Note(const char* pszFormat, ...) {
  va_list args;
  va_start(args, pszFormat);
  m_notes.push_back(Format(pszFormat, args));
  va_end(args);
}

}  // namespace filtercheck
