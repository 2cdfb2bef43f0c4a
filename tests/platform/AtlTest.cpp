#include <gmock/gmock.h>

#include "AssertRecorder.h"
#include "ProbeRun.h"
#include "atlbase.h"

using ::testing::ElementsAre;

TEST(AtlAssert, ReportsTheExpandedExpressionText) {
  AssertRecorder asserts;
  HRESULT hr = E_FAIL;
  ATLASSERT(hr == S_OK);
  ATLASSERT(SUCCEEDED(hr));
  const wchar_t* pPin = nullptr;
  ATLASSERT(pPin != 0 && L"The pin pointer must be free");
  ATLASSERT(!L"Op(): call FAILED");
  EXPECT_THAT(asserts.Texts(),
              ElementsAre("hr == ((HRESULT)0L)", "(((HRESULT)(hr)) >= 0)",
                          "pPin != 0 && L\"The pin pointer must be free\"",
                          "!L\"Op(): call FAILED\""));
  EXPECT_EQ("AtlTest.cpp", asserts.Reports()[0].file);
}

TEST(AtlAssert, TrueConditionReportsNothing) {
  AssertRecorder asserts;
  ATLASSERT(1 + 1 == 2);
  EXPECT_TRUE(asserts.Reports().empty());
}

// The default report, in a process of its own: standard error is in text mode there.
const char kProbeReport[] = "probe.cpp(30) : Assertion failed: 1 + 1 == 3\r\n";

TEST(AtlAssert, DefaultReportGoesOnWithoutADebugger) {
  const ProbeRun run = RunReportProbe(L"assert", false);
  EXPECT_EQ(std::string(kProbeReport) + "went on\r\n", run.errorOutput);
  EXPECT_EQ(0u, run.dwExitCode);
}

TEST(AtlAssert, DefaultReportBreaksIntoAnAttachedDebuggerThenGoesOn) {
  const ProbeRun run = RunReportProbe(L"assert", true);
  EXPECT_THAT(run.debugEvents, ElementsAre("output: probe.cpp(30) : Assertion failed: 1 + 1 == 3\n", "break"));
  EXPECT_EQ(std::string(kProbeReport) + "went on\r\n", run.errorOutput);
  EXPECT_EQ(0u, run.dwExitCode);
}

TEST(AtlAssert, TextVariantReportsTheGivenText) {
  AssertRecorder asserts;
  const HRESULT hRes = S_FALSE;
  ATLASSERT_TEXT(hRes == S_OK, "_AtlModule.InitializeCom() FAILED");
  ATLASSERT_TEXT(hRes == S_FALSE, "never reported");
  EXPECT_THAT(asserts.Texts(), ElementsAre("_AtlModule.InitializeCom() FAILED"));
}
