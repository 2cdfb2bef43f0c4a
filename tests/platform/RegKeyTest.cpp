// CRegKey on a scratch key of the prefix's registry.
#include <gmock/gmock.h>

#include <string>

#include "atlbase.h"

namespace {

constexpr wchar_t kScratch[] = L"Software\\LumivarTest\\PlatformTests";
constexpr wchar_t kPath[] = L"C:\\Program Files\\GraphEdit\\graphedt.exe";
constexpr ULONG kPathChars = ARRAYSIZE(kPath);  // with the terminator

class RegKeyTest : public ::testing::Test {
protected:
  void SetUp() override {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kScratch);
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(HKEY_CURRENT_USER, kScratch, 0, NULL, 0,
                                               KEY_ALL_ACCESS, NULL, &m_hKey, NULL));
    SetString(L"Path", REG_SZ, kPath);
    SetString(L"Empty", REG_SZ, L"");
    SetString(L"Expandable", REG_EXPAND_SZ, L"%SystemRoot%\\graphedt.exe");
    // Stored without its terminator.
    Set(L"Unterminated", REG_SZ, L"abc", 3 * sizeof(wchar_t));
    Set(L"Multi", REG_MULTI_SZ, L"a\0b\0", 5 * sizeof(wchar_t));
    const DWORD dw = 42;
    Set(L"Number", REG_DWORD, &dw, sizeof dw);
    Set(L"Binary", REG_BINARY, &dw, sizeof dw);
    const ULONGLONG qw = 42;
    Set(L"Quad", REG_QWORD, &qw, sizeof qw);
  }
  void TearDown() override {
    ::RegCloseKey(m_hKey);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kScratch);
  }

  void Set(LPCWSTR pszName, DWORD dwType, const void* pData, DWORD cb) {
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegSetValueExW(m_hKey, pszName, 0, dwType, static_cast<const BYTE*>(pData), cb));
  }
  void SetString(LPCWSTR pszName, DWORD dwType, LPCWSTR psz) {
    Set(pszName, dwType, psz, static_cast<DWORD>((wcslen(psz) + 1) * sizeof(wchar_t)));
  }

  HKEY m_hKey = NULL;
};

TEST_F(RegKeyTest, QueryStringValue) {
  const struct {
    const char* label;
    LPCWSTR pszName;
    ULONG nCapacity;
    LONG lExpected;
    LPCWSTR pszExpected;
    ULONG nCharsExpected;  // on ERROR_MORE_DATA, the least that would suffice
  } cases[] = {
      {"string", L"Path", 260, ERROR_SUCCESS, kPath, kPathChars},
      {"string filling the buffer", L"Path", kPathChars, ERROR_SUCCESS, kPath, kPathChars},
      {"empty string", L"Empty", 260, ERROR_SUCCESS, L"", 1},
      {"expandable string, not expanded", L"Expandable", 260, ERROR_SUCCESS,
       L"%SystemRoot%\\graphedt.exe", 26},
      {"stored without terminator", L"Unterminated", 260, ERROR_SUCCESS, L"abc", 4},
      {"no room for the terminator", L"Unterminated", 3, ERROR_MORE_DATA, L"", 4},
      {"overlong string", L"Path", kPathChars - 1, ERROR_MORE_DATA, L"", kPathChars},
      {"DWORD value", L"Number", 260, ERROR_INVALID_DATA, L"", 0},
      {"binary value", L"Binary", 260, ERROR_INVALID_DATA, L"", 0},
      {"multi-string value", L"Multi", 260, ERROR_INVALID_DATA, L"", 0},
      {"missing value", L"Nothing", 260, ERROR_FILE_NOT_FOUND, L"", 0},
  };
  CRegKey key;
  ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_CURRENT_USER, kScratch, KEY_READ));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    std::wstring buffer(c.nCapacity + 1, L'#');  // one sentinel beyond the buffer
    ULONG nChars = c.nCapacity;

    EXPECT_EQ(c.lExpected, key.QueryStringValue(c.pszName, &buffer[0], &nChars));

    EXPECT_EQ(std::wstring(c.pszExpected), buffer.c_str());
    if (c.lExpected == ERROR_MORE_DATA) {
      EXPECT_GE(nChars, c.nCharsExpected);
    } else {
      EXPECT_EQ(c.nCharsExpected, nChars);
    }
    EXPECT_EQ(L'#', buffer[c.nCapacity]);
    if (c.lExpected == ERROR_INVALID_DATA || c.lExpected == ERROR_FILE_NOT_FOUND) {
      // Refused before anything was read into the buffer.
      EXPECT_EQ(std::wstring(c.nCapacity, L'#'), buffer.substr(1));
    }
  }
}

TEST_F(RegKeyTest, SizeReportedForAnOverlongStringSuffices) {
  CRegKey key;
  ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_CURRENT_USER, kScratch, KEY_READ));
  wchar_t sz[8];
  ULONG nChars = ARRAYSIZE(sz);
  ASSERT_EQ(ERROR_MORE_DATA, key.QueryStringValue(L"Path", sz, &nChars));

  std::wstring buffer(nChars, L'#');
  EXPECT_EQ(ERROR_SUCCESS, key.QueryStringValue(L"Path", &buffer[0], &nChars));
  EXPECT_EQ(std::wstring(kPath), buffer.c_str());
}

TEST_F(RegKeyTest, QueryDWORDValue) {
  const struct {
    const char* label;
    LPCWSTR pszName;
    LONG lExpected;
    DWORD dwExpected;
  } cases[] = {
      {"DWORD", L"Number", ERROR_SUCCESS, 42},
      {"string value", L"Path", ERROR_INVALID_DATA, 0xBAADF00D},
      {"binary value of DWORD size", L"Binary", ERROR_INVALID_DATA, 0xBAADF00D},
      {"QWORD value", L"Quad", ERROR_INVALID_DATA, 0xBAADF00D},
      {"missing value", L"Nothing", ERROR_FILE_NOT_FOUND, 0xBAADF00D},
  };
  CRegKey key;
  ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_CURRENT_USER, kScratch, KEY_READ));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    DWORD dw = 0xBAADF00D;
    EXPECT_EQ(c.lExpected, key.QueryDWORDValue(c.pszName, dw));
    EXPECT_EQ(c.dwExpected, dw);
  }
}

TEST_F(RegKeyTest, FailedOpenKeepsTheKeyHeld) {
  CRegKey key;
  ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_CURRENT_USER, kScratch, KEY_READ));
  const HKEY hHeld = key.m_hKey;

  EXPECT_EQ(ERROR_FILE_NOT_FOUND, key.Open(HKEY_CURRENT_USER, L"Software\\LumivarTest\\Nowhere"));

  EXPECT_EQ(hHeld, key.m_hKey);
  DWORD dw = 0;
  EXPECT_EQ(ERROR_SUCCESS, key.QueryDWORDValue(L"Number", dw));
}

TEST_F(RegKeyTest, CloseAndDestructorReleaseTheKey) {
  HKEY hClosed = NULL;
  {
    CRegKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_CURRENT_USER, kScratch, KEY_READ));
    hClosed = key.m_hKey;
  }
  EXPECT_EQ(ERROR_INVALID_HANDLE, ::RegCloseKey(hClosed));

  CRegKey key;
  ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_CURRENT_USER, kScratch, KEY_READ));
  hClosed = key.m_hKey;
  EXPECT_EQ(ERROR_SUCCESS, key.Close());
  EXPECT_EQ(nullptr, key.m_hKey);
  EXPECT_EQ(ERROR_SUCCESS, key.Close());
  EXPECT_EQ(ERROR_INVALID_HANDLE, ::RegCloseKey(hClosed));
}

}  // namespace
