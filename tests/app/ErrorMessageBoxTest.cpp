// ErrorMessageBox, read back from the real message box by a driver thread.
#include <gmock/gmock.h>

#include <string>

#include "ErrorMessageBox.h"
#include "UiDriver.h"

namespace {

const HRESULT hrNoDescription = static_cast<HRESULT>(0xA0000001);  // facility 0, in no message table
const HRESULT hrInterface = static_cast<HRESULT>(0x80040209);       // facility 4: DirectShow's texts

struct Composition {
  const char* label;
  const wchar_t* pszText;
  HRESULT hr;
  UINT uType;
  std::wstring expectedText;
  LPCWSTR pszIcon;  // the system icon shown, or null
};

// Wine's descriptions, measured: FormatMessageW keeps its "\r\n" ending, and
// AMGetErrorTextW answers "Error: 0x..." for every code.
std::wstring SystemText(HRESULT hr) {
  WCHAR sz[1024] = {};
  ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, hr, 0x400, sz, 1023, nullptr);
  return sz;
}

class ErrorMessageBoxComposition : public ::testing::TestWithParam<Composition> {};

TEST_P(ErrorMessageBoxComposition, ShowsTextDescriptionAndCode) {
  const Composition& c = GetParam();
  harness::MessageBoxCatcher catcher;
  int nResult = ErrorMessageBox(nullptr, c.pszText, L"Resizer Test", c.hr, c.uType);
  harness::MessageBoxInfo box;
  ASSERT_TRUE(catcher.Take(&box)) << "no message box";
  EXPECT_EQ(IDOK, nResult);
  EXPECT_EQ(L"Resizer Test", box.caption);
  EXPECT_EQ(c.expectedText, box.text);
  EXPECT_EQ(c.pszIcon != nullptr, box.bIconShown);
  if (c.pszIcon) {
    EXPECT_EQ(::LoadIconW(nullptr, c.pszIcon), box.hIcon);
  }
}

const std::wstring sz1023(1023, L'a');
const std::wstring sz1022(1022, L'b');
const std::wstring sz1500 = std::wstring(1023, L'c') + std::wstring(477, L'd');

INSTANTIATE_TEST_SUITE_P(
    Table, ErrorMessageBoxComposition,
    ::testing::Values(
        Composition{"notice", L"The end", S_OK, MB_OK, L"The end", nullptr},
        Composition{"text_and_description", L".grf file not selected", E_INVALIDARG, MB_OK,
                    L".grf file not selected\n" + SystemText(E_INVALIDARG) + L"\nError 0x80070057", IDI_HAND},
        Composition{"null_text_no_leading_line_feed", nullptr, E_FAIL, MB_OK,
                    SystemText(E_FAIL) + L"\nError 0x80004005", IDI_HAND},
        Composition{"text_without_description", L"Invalid value", hrNoDescription, MB_OK,
                    L"Invalid value\nError 0xA0000001", IDI_HAND},
        Composition{"empty_text_without_description", L"", hrNoDescription, MB_OK, L"Error 0xA0000001", IDI_HAND},
        Composition{"interface_code_from_directshow", L"Can't play file", hrInterface, MB_OK,
                    L"Can't play file\nError: 0x80040209\nError 0x80040209", IDI_HAND},
        Composition{"positive_code_as_failure", L"Odd", 1, MB_OK, L"Odd\n" + SystemText(1) + L"\nError 0x1", IDI_HAND},
        Composition{"text_of_1023_fills_the_box", sz1023.c_str(), E_INVALIDARG, MB_OK, sz1023, IDI_HAND},
        Composition{"text_of_1022_gets_the_line_feed_only", sz1022.c_str(), E_INVALIDARG, MB_OK, sz1022 + L"\n",
                    IDI_HAND},
        Composition{"overlong_text_is_cut", sz1500.c_str(), S_OK, MB_OK, sz1500.substr(0, 1023), nullptr},
        Composition{"given_style_is_kept", L"Careful", E_FAIL, MB_ICONWARNING,
                    L"Careful\n" + SystemText(E_FAIL) + L"\nError 0x80004005", IDI_EXCLAMATION}),
    [](const ::testing::TestParamInfo<Composition>& info) { return std::string(info.param.label); });

TEST(ErrorMessageBoxDescriptions, AreWinesMeasuredTexts) {
  // The compositions above take the system's texts from the platform; these pin what they are.
  EXPECT_EQ(L"Invalid parameter.\r\n", SystemText(E_INVALIDARG));
  EXPECT_EQ(L"Call failed.\r\n", SystemText(E_FAIL));
  EXPECT_EQ(L"", SystemText(hrNoDescription));
}

TEST(ErrorMessageBoxOwner, IsTheGivenWindowWhileItExists) {
  HWND hWnd = ::CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr, nullptr,
                                nullptr);
  ASSERT_NE(nullptr, hWnd);
  {
    harness::MessageBoxCatcher catcher;
    ErrorMessageBox(hWnd, L"owned", L"Resizer Test", S_OK, MB_OK);
    harness::MessageBoxInfo box;
    ASSERT_TRUE(catcher.Take(&box));
    EXPECT_EQ(hWnd, box.hWndOwner);
  }
  ASSERT_TRUE(::DestroyWindow(hWnd));

  // Gone: the box falls back to the active window, and this thread has none.
  ASSERT_EQ(nullptr, ::GetActiveWindow());
  harness::MessageBoxCatcher catcher;
  ErrorMessageBox(hWnd, L"orphan", L"Resizer Test", S_OK, MB_OK);
  harness::MessageBoxInfo box;
  ASSERT_TRUE(catcher.Take(&box));
  EXPECT_EQ(L"orphan", box.text);
  EXPECT_EQ(nullptr, box.hWndOwner);
}

}  // namespace
