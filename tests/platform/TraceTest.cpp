// The trace filter, raised from outside through the environment, and the trace text.
#include <gmock/gmock.h>

#include <string>
#include <vector>

#include "FailingAllocations.h"
#include "ProbeRun.h"
#include "atlbase.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

// Records the framework's trace reports for the length of a scope.
class TraceRecorder {
public:
  struct Report {
    std::wstring text;
    std::string file;
    int line;
  };

  TraceRecorder() : m_pfnPrevious(AtlSetTraceHandler(Record)) { s_pCurrent = this; }
  ~TraceRecorder() {
    AtlSetTraceHandler(m_pfnPrevious);
    s_pCurrent = nullptr;
  }
  TraceRecorder(const TraceRecorder&) = delete;
  TraceRecorder& operator=(const TraceRecorder&) = delete;

  const std::vector<Report>& Reports() const { return m_reports; }
  std::vector<std::wstring> Texts() const {
    std::vector<std::wstring> texts;
    for (const Report& r : m_reports) texts.push_back(r.text);
    return texts;
  }

private:
  static void Record(LPCWSTR pszText, const char* pszFile, int nLine) {
    s_pCurrent->m_reports.push_back({pszText, pszFile, nLine});
  }

  static TraceRecorder* s_pCurrent;
  std::vector<Report> m_reports;
  AtlTraceHandler m_pfnPrevious;
};

TraceRecorder* TraceRecorder::s_pCurrent = nullptr;

// Sets the filter the outside way for the length of a scope: the environment, read again.
// Null leaves a variable unset.
class TraceEnvironment {
public:
  TraceEnvironment(LPCWSTR pszLevel, LPCWSTR pszMask)
      : m_level(L"ATLTRACE_LEVEL", pszLevel), m_mask(L"ATLTRACE_MASK", pszMask) {
    AtlTraceLoadSettings();
  }
  ~TraceEnvironment() {
    m_level.Restore();
    m_mask.Restore();
    AtlTraceLoadSettings();
  }
  TraceEnvironment(const TraceEnvironment&) = delete;
  TraceEnvironment& operator=(const TraceEnvironment&) = delete;

private:
  class Variable {
  public:
    Variable(LPCWSTR pszName, LPCWSTR pszValue) : m_pszName(pszName) {
      wchar_t sz[64];
      const DWORD cch = ::GetEnvironmentVariableW(pszName, sz, ARRAYSIZE(sz));
      m_bHadValue = cch > 0 && cch < ARRAYSIZE(sz);
      if (m_bHadValue) m_previous = sz;
      ::SetEnvironmentVariableW(pszName, pszValue);
    }
    void Restore() { ::SetEnvironmentVariableW(m_pszName, m_bHadValue ? m_previous.c_str() : nullptr); }

  private:
    LPCWSTR m_pszName;
    bool m_bHadValue;
    std::wstring m_previous;
  };

  Variable m_level;
  Variable m_mask;
};

const CTraceCategory traceProbe(3, L"probe");
const CTraceCategory traceUnnamed(5);

void WriteSamples() {
  ATLTRACE(atlTraceGeneral, 2, L"event 0x%X\n", 0x2Au);
  ATLTRACE(atlTraceGeneral, 10, L"rest is %i ms\n", 7);
  ATLTRACE(traceProbe, 2, L"%s\n", L"three");
  ATLTRACE(traceUnnamed, 0, L"plain\n");
}

TEST(AtlTrace, FilterOfThresholdAndMask) {
  const std::wstring general2 = L"atlTraceGeneral - event 0x2A\n";
  const std::wstring general10 = L"atlTraceGeneral - rest is 7 ms\n";
  const std::wstring probe2 = L"probe - three\n";
  const std::wstring unnamed0 = L"5 - plain\n";
  const struct {
    const char* label;
    LPCWSTR pszLevel;
    LPCWSTR pszMask;
    std::vector<std::wstring> expected;
  } cases[] = {
      {"initial filter: threshold 0", nullptr, nullptr, {unnamed0}},
      {"threshold 2", L"2", nullptr, {general2, probe2, unnamed0}},
      {"threshold 10, in hexadecimal", L"0xA", nullptr, {general2, general10, probe2, unnamed0}},
      {"mask without the general category", L"10", L"0xFFFFFFFE", {probe2, unnamed0}},
      {"mask of the general category only", L"10", L"1", {general2, general10}},
      {"tracing off", L"0xFFFFFFFF", nullptr, {}},
      {"threshold that does not parse", L"2x", nullptr, {unnamed0}},
      {"negative threshold", L"-1", nullptr, {unnamed0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    TraceEnvironment environment(c.pszLevel, c.pszMask);
    TraceRecorder traces;
    WriteSamples();
    EXPECT_EQ(c.expected, traces.Texts());
  }
}

TEST(AtlTrace, ReportsTheFileAndLineOfTheCall) {
  TraceEnvironment environment(L"2", nullptr);
  TraceRecorder traces;
  const int nLine = __LINE__ + 1;
  ATLTRACE(atlTraceGeneral, 2, L"here\n");
  ATLTRACE(L"short form %d\n", 5);

  ASSERT_EQ(2u, traces.Reports().size());
  EXPECT_EQ(__FILE__, traces.Reports()[0].file);
  EXPECT_EQ(nLine, traces.Reports()[0].line);
  EXPECT_EQ(L"atlTraceGeneral - short form 5\n", traces.Reports()[1].text);
}

TEST(AtlTrace, LongMessageIsWrittenWhole) {
  TraceEnvironment environment(nullptr, nullptr);
  TraceRecorder traces;
  const std::wstring message(5000, L'm');
  ATLTRACE(atlTraceGeneral, 0, L"%s", message.c_str());
  EXPECT_THAT(traces.Texts(), ElementsAre(L"atlTraceGeneral - " + message));
}

TEST(AtlTrace, DroppedWhenFormattingFailsOrMemoryRunsOut) {
  TraceEnvironment environment(nullptr, nullptr);
  TraceRecorder traces;
  // Wider than any text can be.
  ATLTRACE(atlTraceGeneral, 0, L"%2147483647d\n", 1);
  for (int nPassingFirst : {0, 1}) {
    SCOPED_TRACE(nPassingFirst == 0 ? "no memory for the message" : "no memory for the text");
    FailingAllocations noMemory(1, nPassingFirst);
    ATLTRACE(atlTraceGeneral, 0, L"lost\n");
    EXPECT_EQ(0, noMemory.Remaining());
  }
  EXPECT_THAT(traces.Texts(), IsEmpty());
  ATLTRACE(atlTraceGeneral, 0, L"kept\n");
  EXPECT_THAT(traces.Texts(), ElementsAre(L"atlTraceGeneral - kept\n"));
}

TEST(AtlTrace, ThresholdRaisedFromOutsideReachesStandardError) {
  const struct {
    const char* label;
    LPCWSTR pszLevel;
    std::string expected;
  } cases[] = {
      {"environment unset", nullptr, ""},
      {"ATLTRACE_LEVEL=2", L"2",
       "probe.cpp(10) : atlTraceGeneral - event 0x2A\r\n"},
      {"ATLTRACE_LEVEL=10", L"10",
       "probe.cpp(10) : atlTraceGeneral - event 0x2A\r\n"
       "probe.cpp(11) : atlTraceGeneral - rest is 7 ms\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    TraceEnvironment environment(c.pszLevel, nullptr);
    EXPECT_EQ(c.expected, RunReportProbe(nullptr, false).errorOutput);
  }
}

}  // namespace
