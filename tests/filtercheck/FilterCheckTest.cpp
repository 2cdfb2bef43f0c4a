// filtercheck against our stand-in (every check passes), against each fault of
// FaultyResizer.dll (that fault's check fails, no other), and against DLLs that are
// no resizer filter (refused with a reason).
#include <gtest/gtest.h>

#include <set>

#include "FilterDll.h"
#include "Report.h"
#include "Runner.h"

namespace filtercheck {
namespace {

// The build's paths, as Wine sees them through its Z: drive.
std::wstring WinePath(const char* pszUnix) {
  std::wstring path = L"Z:";
  for (const char* p = pszUnix; *p; ++p) path += *p == '/' ? L'\\' : static_cast<wchar_t>(*p);
  return path;
}

std::string Describe(const std::vector<CheckResult>& results) {
  std::string text;
  for (const CheckResult& r : results)
    if (r.outcome != CheckOutcome::Ok)
      text += (r.outcome == CheckOutcome::Fail ? "FAIL " : "SKIP ") + r.name + ": " +
              (r.findings.empty() ? std::string() : r.findings.front()) + "\n";
  return text;
}

std::vector<CheckResult> RunAgainst(const char* pszDll, const wchar_t* pszFault) {
  ::SetEnvironmentVariableW(L"FAULTY_RESIZER_FAULT", pszFault);
  std::unique_ptr<FilterDll> spDll;
  std::string refusal;
  EXPECT_EQ(S_OK, FilterDll::Open(WinePath(pszDll), &spDll, &refusal)) << refusal;
  std::vector<CheckResult> results = spDll ? RunChecks(spDll.get(), RunOptions()) : std::vector<CheckResult>();
  ::SetEnvironmentVariableW(L"FAULTY_RESIZER_FAULT", nullptr);
  // A hung check leaves the DLL loaded on purpose; the rest is released here.
  return results;
}

TEST(StandIn, PassesEveryCheck) {
  const std::vector<CheckResult> results = RunAgainst(RESIZER_DLL, nullptr);
  EXPECT_EQ(AllChecks().size(), results.size());
  EXPECT_EQ("", Describe(results));
}

struct FaultCase {
  const wchar_t* pszFault;
  const char* pszCheck;  // the one check that must fail; null: none
};

void PrintTo(const FaultCase& c, std::ostream* out) {
  *out << std::string(c.pszFault, c.pszFault + wcslen(c.pszFault));
}

class Fault : public ::testing::TestWithParam<FaultCase> {};

TEST_P(Fault, FailsItsCheckAndNoOther) {
  const FaultCase& c = GetParam();
  const std::vector<CheckResult> results = RunAgainst(FAULTY_RESIZER_DLL, c.pszFault);
  std::set<std::string> failed;
  for (const CheckResult& r : results)
    if (r.outcome == CheckOutcome::Fail) failed.insert(r.name);
  const std::set<std::string> want = c.pszCheck ? std::set<std::string>{c.pszCheck} : std::set<std::string>{};
  EXPECT_EQ(want, failed) << Describe(results);
}

// Every check has a fault that it alone catches (the last row: the faulty DLL with no
// fault passes, so the faults are all there is to catch).
const FaultCase kFaults[] = {
    {L"missing-interface", "filter.interfaces"},
    {L"aggregation-ignored", "filter.aggregation"},
    {L"leaked-reference", "filter.refcounts"},
    {L"stale-state", "filter.states"},
    {L"enum-skip", "pins.enumeration"},
    {L"pin-id", "pins.identity"},
    {L"accepts-rgb24", "pins.media-types"},
    {L"connects-while-running", "pins.connection-refusals"},
    {L"disconnect-twice", "pins.connection"},
    {L"allocator-requirements", "pins.allocator"},
    {L"times-dropped", "stream.samples"},
    {L"segment-swallowed", "stream.new-segment"},
    {L"end-of-stream-swallowed", "stream.end-of-stream"},
    {L"flush-not-passed", "stream.flush"},
    {L"seeking-not-passed", "stream.seeking"},
    {L"no-quality", "stream.quality"},
    {L"bool-not-normalised", "resizer.settings"},
    {L"wrong-refusal-code", "resizer.refusals"},
    {L"size-while-running", "resizer.wrong-state"},
    {L"size-off-by-one", "resizer.output-size"},
    {L"flip-ignored", "resizer.frames"},
    {L"version-wrong-os", "resizer.version"},
    {L"cut-record-accepted", "resizer.persistence"},
    {L"none", nullptr},
    // Last: its hung threads stay behind in this process.
    {L"deadlock-on-type-query", "stream.type-query-deadlock"},
};

INSTANTIATE_TEST_SUITE_P(FaultyResizer, Fault, ::testing::ValuesIn(kFaults));

TEST(Faults, CoverEveryCheck) {
  std::set<std::string> covered, all;
  for (const FaultCase& c : kFaults)
    if (c.pszCheck) covered.insert(c.pszCheck);
  for (const CheckInfo& info : AllChecks()) all.insert(info.pszName);
  EXPECT_EQ(all, covered);
}

TEST(NotAResizer, IsRefusedWithItsReason) {
  const struct {
    std::wstring path;
    const char* pszReason;
  } cases[] = {
      {WinePath(VIDGEN_DLL), "not a resizer filter: DllGetClassObject(CLSID_Resizer) answered 0x80040111"},
      {WinePath(TEXT_FILE), "cannot load it: it is not a DLL of this bitness (or not a DLL at all)"},
      {L"Z:\\no\\such\\Filter.dll", "cannot load it: the file (or a DLL it needs) was not found"},
  };
  for (const auto& c : cases) {
    std::unique_ptr<FilterDll> spDll;
    std::string refusal;
    EXPECT_TRUE(FAILED(FilterDll::Open(c.path, &spDll, &refusal)));
    EXPECT_FALSE(spDll);
    EXPECT_EQ(c.pszReason, refusal);
  }
}

TEST(JUnit, EscapesFindingsAndCountsOutcomes) {
  std::vector<CheckResult> results(3);
  results[0].name = "filter.interfaces";
  results[1].name = "pins.connection";
  results[1].outcome = CheckOutcome::Fail;
  results[1].findings = {"Disconnect answered <S_OK> & \"more\"\x01"};
  results[2].name = "resizer.version";
  results[2].outcome = CheckOutcome::Skip;
  results[2].findings = {"no IFilterVersion"};
  const std::string xml = JUnitXml("C:\\a&b.dll", results);
  EXPECT_NE(std::string::npos, xml.find("tests=\"3\" failures=\"1\" errors=\"0\" skipped=\"1\""));
  EXPECT_NE(std::string::npos,
            xml.find("<failure message=\"Disconnect answered &lt;S_OK&gt; &amp; &quot;more&quot;?\">"));
  EXPECT_NE(std::string::npos, xml.find("<testcase classname=\"filtercheck.resizer\" name=\"resizer.version\""));
  EXPECT_NE(std::string::npos, xml.find("value=\"C:\\a&amp;b.dll\""));
}

}  // namespace
}  // namespace filtercheck
