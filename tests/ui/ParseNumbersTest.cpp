// CMainDialog::ParseNumbers in both forms, and the display forms that it reads back.
#include <gmock/gmock.h>

#include <cmath>
#include <string>
#include <vector>

#include "AssertRecorder.h"
#include "MainDialog.h"
#include "NumberList.h"

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

const int nSentinel = 0x5EED;

template <class T>
struct ParseCase {
  const char* label;
  const wchar_t* pszText;
  UINT nNumbers;
  bool bResult;
  std::vector<T> values;
};

template <class T>
std::string Label(const ::testing::TestParamInfo<ParseCase<T>>& info) {
  return info.param.label;
}

class ParseIntegers : public ::testing::TestWithParam<ParseCase<int>> {};

TEST_P(ParseIntegers, ReadsExactlyTheExpectedFields) {
  const ParseCase<int>& c = GetParam();
  // One element more than asked for: it must stay as it was.
  std::vector<int> values(c.nNumbers + 1, nSentinel);
  EXPECT_EQ(c.bResult, CMainDialog::ParseNumbers(c.pszText, c.nNumbers, values.data()));
  EXPECT_THAT(std::vector<int>(values.begin(), values.end() - 1), ElementsAreArray(c.values));
  EXPECT_EQ(nSentinel, values.back());
}

INSTANTIATE_TEST_SUITE_P(
    Table, ParseIntegers,
    ::testing::Values(
        ParseCase<int>{"plain", L"100,80,640,480", 4, true, {100, 80, 640, 480}},
        ParseCase<int>{"blanks_everywhere", L"  100 , 80 ,\t640 , 480  ", 4, true, {100, 80, 640, 480}},
        ParseCase<int>{"display_form", L"100, 80, 640, 480", 4, true, {100, 80, 640, 480}},
        ParseCase<int>{"empty", L"", 4, true, {0, 0, 0, 0}},
        ParseCase<int>{"blanks_only", L"   ", 4, true, {0, 0, 0, 0}},
        ParseCase<int>{"null", nullptr, 4, true, {0, 0, 0, 0}},
        ParseCase<int>{"one_short", L"100,80,640", 4, false, {100, 80, 640, 0}},
        ParseCase<int>{"trailing_comma", L"100,80,640,480,", 4, false, {100, 80, 640, 480}},
        ParseCase<int>{"trailing_word", L"100,80,640,480 x", 4, false, {100, 80, 640, 480}},
        ParseCase<int>{"blanks_instead_of_commas", L"100 80 640 480", 4, false, {100, 0, 0, 0}},
        ParseCase<int>{"empty_field_is_zero", L"1,,3,4", 4, true, {1, 0, 3, 4}},
        ParseCase<int>{"commas_only", L",,,", 4, true, {0, 0, 0, 0}},
        ParseCase<int>{"signs_and_overflow", L"-5,+7,0,99999999999", 4, true, {-5, 7, 0, 2147483647}},
        ParseCase<int>{"negative_overflow", L"-99999999999", 1, true, {-2147483647 - 1}},
        ParseCase<int>{"no_hex_prefix", L"0x10,1,2,3", 4, false, {0, 0, 0, 0}},
        ParseCase<int>{"single", L"42", 1, true, {42}},
        ParseCase<int>{"single_word", L"abc", 1, false, {0}}),
    Label<int>);

class ParseReals : public ::testing::TestWithParam<ParseCase<double>> {};

TEST_P(ParseReals, ReadsExactlyTheExpectedFields) {
  const ParseCase<double>& c = GetParam();
  std::vector<double> values(c.nNumbers + 1, nSentinel);
  EXPECT_EQ(c.bResult, CMainDialog::ParseNumbers(c.pszText, c.nNumbers, values.data()));
  EXPECT_THAT(std::vector<double>(values.begin(), values.end() - 1), ElementsAreArray(c.values));
  EXPECT_EQ(nSentinel, values.back());
}

INSTANTIATE_TEST_SUITE_P(
    Table, ParseReals,
    ::testing::Values(ParseCase<double>{"plain", L"1.5,2.4", 2, true, {1.5, 2.4}},
                      ParseCase<double>{"display_form", L"1.500000, 2.400000", 2, true, {1.5, 2.4}},
                      ParseCase<double>{"exponents", L"1e3, -2.5E-1", 2, true, {1000.0, -0.25}},
                      ParseCase<double>{"comma_is_no_decimal_point", L"1,5;2", 2, false, {1.0, 5.0}},
                      ParseCase<double>{"blank_instead_of_comma", L"1.5 2.4", 2, false, {1.5, 0.0}},
                      ParseCase<double>{"single_comma", L",", 2, true, {0.0, 0.0}},
                      ParseCase<double>{"null", nullptr, 2, true, {0.0, 0.0}}),
    Label<double>);

TEST(ParseNumbersArguments, AreRefusedWithTheArrayLeftAlone) {
  AssertRecorder asserts;
  int rgInt[2] = {nSentinel, nSentinel};
  double rgReal[2] = {nSentinel, nSentinel};
  EXPECT_FALSE(CMainDialog::ParseNumbers(L"1,2", 0, rgInt));
  EXPECT_FALSE(CMainDialog::ParseNumbers(L"1,2", 0, rgReal));
  EXPECT_FALSE(CMainDialog::ParseNumbers(L"1,2", 2, static_cast<int*>(nullptr)));
  EXPECT_FALSE(CMainDialog::ParseNumbers(L"1,2", 2, static_cast<double*>(nullptr)));
  EXPECT_THAT(rgInt, ElementsAre(nSentinel, nSentinel));
  EXPECT_THAT(rgReal, ElementsAre(nSentinel, nSentinel));
  EXPECT_THAT(asserts.Texts(),
              ElementsAre("nNumbers != 0", "nNumbers != 0", "pArrNumbers != 0", "pArrNumbers != 0"));
  for (const auto& report : asserts.Reports()) EXPECT_EQ("MainDialog.cpp", report.file);
}

TEST(DisplayForms, ReadBackToTheSameValues) {
  const RECT rgRects[] = {{100, 80, 640, 480}, {0, 0, 0, 0}, {-2147483647 - 1, -1, 2147483647, 7}};
  for (const RECT& rc : rgRects) {
    WCHAR sz[cchClipText];
    FormatClippingRect(sz, cchClipText, rc);
    int values[4] = {};
    EXPECT_TRUE(CMainDialog::ParseNumbers(sz, 4, values)) << sz;
    EXPECT_THAT(values, ElementsAre(rc.left, rc.top, rc.right, rc.bottom));
  }
  WCHAR sz[cchValueText];
  FormatClippingRect(sz, cchValueText, RECT{100, 80, 640, 480});
  EXPECT_STREQ(L"100, 80, 640, 480", sz);

  FormatOutputSize(sz, cchValueText, 100, 200);
  EXPECT_STREQ(L"100, 200", sz);
  int size[2] = {};
  EXPECT_TRUE(CMainDialog::ParseNumbers(sz, 2, size));
  EXPECT_THAT(size, ElementsAre(100, 200));

  FormatResizingCoeffs(sz, cchValueText, 1.5, 2.4);
  EXPECT_STREQ(L"1.500000, 2.400000", sz);
  double coeffs[2] = {};
  EXPECT_TRUE(CMainDialog::ParseNumbers(sz, 2, coeffs));
  EXPECT_THAT(coeffs, ElementsAre(1.5, 2.4));

  // Six decimals are all that the form keeps.
  FormatResizingCoeffs(sz, cchValueText, -0.1234567, 1e6);
  EXPECT_STREQ(L"-0.123457, 1000000.000000", sz);
}

TEST(DisplayForms, CutAnOverlongResultInsideTheBuffer) {
  WCHAR sz[12];
  std::fill(std::begin(sz), std::end(sz), L'#');
  FormatClippingRect(sz, 8, RECT{100, 80, 640, 480});
  EXPECT_STREQ(L"100, 80", sz);
  EXPECT_EQ(L'#', sz[8]) << "written beyond the buffer";

  // The widest coefficients do not fit the box's 64 characters: cut to 63.
  WCHAR szCoeffs[cchValueText + 1];
  szCoeffs[cchValueText] = L'#';
  FormatResizingCoeffs(szCoeffs, cchValueText, 1e300, -1e300);
  EXPECT_EQ(cchValueText - 1, wcslen(szCoeffs));
  EXPECT_EQ(L'#', szCoeffs[cchValueText]);
}

}  // namespace
