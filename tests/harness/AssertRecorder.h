// Records the framework's assertion reports for the length of a scope.
//
//   AssertRecorder asserts;
//   ... call the code under test ...
//   EXPECT_THAT(asserts.Texts(), ElementsAre("pGraph != 0"));
#pragma once

#include <string>
#include <vector>

#include "atldef.h"

class AssertRecorder {
public:
  struct Report {
    std::string text;
    std::string file;  // base name of the source file
    int line;
  };

  AssertRecorder();
  ~AssertRecorder();
  AssertRecorder(const AssertRecorder&) = delete;
  AssertRecorder& operator=(const AssertRecorder&) = delete;

  const std::vector<Report>& Reports() const { return m_reports; }
  std::vector<std::string> Texts() const;
  void Clear() { m_reports.clear(); }

private:
  static void Record(const char* pszExpr, const char* pszFile, int nLine);

  std::vector<Report> m_reports;
  AssertRecorder* m_pPrevious;
  ATL::AtlAssertHandler m_pfnPrevious;
};
