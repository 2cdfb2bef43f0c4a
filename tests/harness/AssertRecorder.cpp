#include "AssertRecorder.h"

#include <cstring>

namespace {
// Recorders nest; the innermost one receives the reports.
AssertRecorder* g_pCurrent = nullptr;
}  // namespace

AssertRecorder::AssertRecorder() : m_pPrevious(g_pCurrent) {
  g_pCurrent = this;
  m_pfnPrevious = ATL::AtlSetAssertHandler(&AssertRecorder::Record);
}

AssertRecorder::~AssertRecorder() {
  ATL::AtlSetAssertHandler(m_pfnPrevious);
  g_pCurrent = m_pPrevious;
}

std::vector<std::string> AssertRecorder::Texts() const {
  std::vector<std::string> texts;
  for (const Report& r : m_reports) texts.push_back(r.text);
  return texts;
}

void AssertRecorder::Record(const char* pszExpr, const char* pszFile, int nLine) {
  const char* pszBase = pszFile;
  for (const char* p = pszFile; *p; ++p)
    if (*p == '/' || *p == '\\') pszBase = p + 1;
  g_pCurrent->m_reports.push_back({pszExpr, pszBase, nLine});
}
