// The checks' common ground.
//
//   CheckOutcome   ok, FAIL or SKIP
//   CheckResult    one check's outcome, why, and how long it took
//   CCheck         what a check body writes its findings to
//   CheckInfo      a check's name, what it covers, and its body
//   FilterDll      where a check gets fresh instances of the filter under test
//
// Every check makes its own filter instances, so one check's fault cannot spill
// into the next. A finding names what was asked and what came back.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace filtercheck {

enum class CheckOutcome { Ok, Fail, Skip };

struct CheckResult {
  std::string name;
  CheckOutcome outcome = CheckOutcome::Ok;
  std::vector<std::string> findings;  // why it failed, or why it was skipped
  double seconds = 0;
};

class FilterDll;

class CCheck {
public:
  explicit CCheck(FilterDll* pDll) : m_pDll(pDll) {}

  FilterDll& Filters() { return *m_pDll; }

  // Records a broken rule when bOk is false; returns bOk.
  bool Expect(bool bOk, const char* pszFormat, ...) __attribute__((format(gnu_printf, 3, 4)));
  // Records a broken rule when hr is not hrExpected.
  bool ExpectHr(HRESULT hrExpected, HRESULT hr, const char* pszWhat);
  // Records a broken rule when hr failed.
  bool ExpectOk(HRESULT hr, const char* pszWhat);
  // The check cannot run on this filter (a missing interface another check reports).
  void Skip(const char* pszFormat, ...) __attribute__((format(gnu_printf, 2, 3)));
  // Something the check needed of the platform or its own fixtures failed.
  bool Setup(HRESULT hr, const char* pszWhat);
  // A figure for the record; never fails the check.
  void Note(const char* pszFormat, ...) __attribute__((format(gnu_printf, 2, 3)));

  bool Failed() const { return !m_failures.empty(); }
  bool Skipped() const { return !m_skips.empty(); }
  const std::vector<std::string>& Failures() const { return m_failures; }
  const std::vector<std::string>& Skips() const { return m_skips; }
  const std::vector<std::string>& Notes() const { return m_notes; }

private:
  FilterDll* m_pDll;
  std::vector<std::string> m_failures, m_skips, m_notes;
};

struct CheckInfo {
  const char* pszName;    // "group.rule"
  const char* pszCovers;  // one line: what it holds the filter to
  void (*pfnRun)(CCheck& check);
  DWORD dwBoundMs;  // a body still running after this is reported as hung
};

// Every check, in the order they run.
const std::vector<CheckInfo>& AllChecks();

std::string FormatHr(HRESULT hr);

}  // namespace filtercheck
