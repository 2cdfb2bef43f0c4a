// Records the framework's trace reports for the length of a scope, from any thread, with the
// threshold raised the way it is raised from outside: the environment, read again.
//
//   TraceRecorder traces(L"2");
//   ... run what traces ...
//   EXPECT_THAT(traces.Texts(), ElementsAre(L"atlTraceGeneral - ...\n"));
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "atltrace.h"

class TraceRecorder {
public:
  // pszLevel: ATLTRACE_LEVEL for the scope; the previous filter comes back afterwards.
  explicit TraceRecorder(LPCWSTR pszLevel);
  ~TraceRecorder();
  TraceRecorder(const TraceRecorder&) = delete;
  TraceRecorder& operator=(const TraceRecorder&) = delete;

  std::vector<std::wstring> Texts() const;

private:
  static void Record(LPCWSTR pszText, const char* pszFile, int nLine);

  mutable std::mutex m_mutex;
  std::vector<std::wstring> m_texts;
  ATL::AtlTraceHandler m_pfnPrevious;
  std::wstring m_previousLevel;
  bool m_bHadLevel;
};
