// The resources of LumivarTest.exe, read from the built file.
#include <gmock/gmock.h>

#include <string>
#include <vector>

#include "TemplateItems.h"
#include "UiDriver.h"

namespace {

class ProgramResources : public ::testing::Test {
protected:
  void SetUp() override {
    m_hExe = ::LoadLibraryExW(harness::WindowsPath(LUMIVAR_EXE).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, m_hExe);
  }
  void TearDown() override { ::FreeLibrary(m_hExe); }

  std::vector<BYTE> Load(LPCWSTR pszType, LPCWSTR pszName) const {
    HRSRC hRes = ::FindResourceW(m_hExe, pszName, pszType);
    if (!hRes) return {};
    const BYTE* p = static_cast<const BYTE*>(::LockResource(::LoadResource(m_hExe, hRes)));
    return std::vector<BYTE>(p, p + ::SizeofResource(m_hExe, hRes));
  }

  HMODULE m_hExe = nullptr;
};

#pragma pack(push, 2)
struct GroupIconEntry {
  BYTE bWidth, bHeight, bColorCount, bReserved;
  WORD wPlanes, wBitCount;
  DWORD dwBytesInRes;
  WORD nId;
};
#pragma pack(pop)

TEST_F(ProgramResources, IconGroupHoldsTheSevenImages) {
  std::vector<BYTE> group = Load(RT_GROUP_ICON, MAKEINTRESOURCEW(200));
  ASSERT_GE(group.size(), 6u);
  const WORD* pHeader = reinterpret_cast<const WORD*>(group.data());
  ASSERT_EQ(7, pHeader[2]);
  const GroupIconEntry* pEntries = reinterpret_cast<const GroupIconEntry*>(group.data() + 6);
  const struct {
    int size, bits;
  } expected[] = {{48, 8}, {32, 8}, {16, 8}, {48, 32}, {32, 32}, {16, 32}, {256, 32}};
  for (int i = 0; i < 7; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(expected[i].size % 256, pEntries[i].bWidth);
    EXPECT_EQ(expected[i].size % 256, pEntries[i].bHeight);
    EXPECT_EQ(expected[i].bits, pEntries[i].wBitCount);
    std::vector<BYTE> image = Load(RT_ICON, MAKEINTRESOURCEW(pEntries[i].nId));
    ASSERT_EQ(pEntries[i].dwBytesInRes, image.size());
    if (expected[i].size == 256) {
      ASSERT_GE(image.size(), 26u);
      EXPECT_EQ(0, memcmp(image.data(), "\x89PNG\r\n\x1a\n", 8)) << "the 256-pixel image is stored as PNG";
      EXPECT_EQ(8, image[24]) << "bit depth";
      EXPECT_EQ(6, image[25]) << "RGBA";
    } else {
      const BITMAPINFOHEADER* pbih = reinterpret_cast<const BITMAPINFOHEADER*>(image.data());
      EXPECT_EQ(expected[i].size, pbih->biWidth);
      EXPECT_EQ(2 * expected[i].size, pbih->biHeight);
      EXPECT_EQ(expected[i].bits, pbih->biBitCount);
    }
  }
}

TEST_F(ProgramResources, NameStringAndManifest) {
  WCHAR sz[64] = {};
  EXPECT_EQ(11, ::LoadStringW(m_hExe, 100, sz, 64));
  EXPECT_STREQ(L"LumivarTest", sz);

  std::vector<BYTE> manifest = Load(RT_MANIFEST, MAKEINTRESOURCEW(1));
  std::string text(manifest.begin(), manifest.end());
  EXPECT_THAT(text, ::testing::HasSubstr("level=\"asInvoker\" uiAccess=\"false\""));
  EXPECT_THAT(text, ::testing::Not(::testing::HasSubstr("Common-Controls")));
}

TEST_F(ProgramResources, VersionMarksAnApplicationOfThisBuildType) {
  std::vector<BYTE> version = Load(RT_VERSION, MAKEINTRESOURCEW(1));
  ASSERT_FALSE(version.empty());
  VS_FIXEDFILEINFO* pInfo = nullptr;
  UINT cb = 0;
  ASSERT_TRUE(::VerQueryValueW(version.data(), L"\\", reinterpret_cast<void**>(&pInfo), &cb));
  EXPECT_EQ(MAKELONG(0, 1), pInfo->dwFileVersionMS);
  EXPECT_EQ(MAKELONG(1, 0), pInfo->dwFileVersionLS);
  EXPECT_EQ(pInfo->dwFileVersionMS, pInfo->dwProductVersionMS);
  EXPECT_EQ(pInfo->dwFileVersionLS, pInfo->dwProductVersionLS);
  EXPECT_EQ(static_cast<DWORD>(VFT_APP), pInfo->dwFileType);
#ifdef _DEBUG
  const DWORD dwExpectedFlags = VS_FF_DEBUG;  // the default build
#else
  const DWORD dwExpectedFlags = 0;
#endif
  EXPECT_EQ(dwExpectedFlags, pInfo->dwFileFlags & pInfo->dwFileFlagsMask);

  const struct {
    const wchar_t* pszName;
    const wchar_t* pszValue;
  } strings[] = {{L"FileDescription", L"LumivarTest"},  {L"InternalName", L"LumivarTest"},
                 {L"OriginalFilename", L"LumivarTest.EXE"}, {L"ProductName", L"LumivarTest Module"},
                 {L"FileVersion", L"1.0.0.1"},          {L"ProductVersion", L"1.0.0.1"}};
  for (const auto& s : strings) {
    std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + s.pszName;
    LPWSTR pszValue = nullptr;
    ASSERT_TRUE(::VerQueryValueW(version.data(), query.c_str(), reinterpret_cast<void**>(&pszValue), &cb))
        << std::string(query.begin(), query.end());
    EXPECT_STREQ(s.pszValue, pszValue);
  }
}

TEST_F(ProgramResources, DialogTemplateIsExtendedWithTahoma8) {
  std::vector<BYTE> tmpl = Load(RT_DIALOG, MAKEINTRESOURCEW(101));
  ASSERT_GE(tmpl.size(), 26u);
  const WORD* pw = reinterpret_cast<const WORD*>(tmpl.data());
  EXPECT_EQ(1, pw[0]) << "version";
  EXPECT_EQ(0xFFFF, pw[1]) << "signature";
  const DWORD* pdw = reinterpret_cast<const DWORD*>(tmpl.data() + 4);
  EXPECT_EQ(0u, pdw[0]) << "help id";
  EXPECT_EQ(0u, pdw[1]) << "extended style";
  EXPECT_EQ(0x80C800C0u, pdw[2]) << "style";
  pw = reinterpret_cast<const WORD*>(tmpl.data() + 16);
  EXPECT_EQ(28, pw[0]) << "items";
  EXPECT_EQ(0, static_cast<short>(pw[1]));
  EXPECT_EQ(0, static_cast<short>(pw[2]));
  EXPECT_EQ(333, pw[3]);
  EXPECT_EQ(201, pw[4]);
  pw += 5;
  EXPECT_EQ(0, *pw++) << "no menu";
  EXPECT_EQ(0, *pw++) << "the dialog class";
  std::wstring title(reinterpret_cast<const wchar_t*>(pw));
  EXPECT_EQ(L"Resizer Test", title);
  pw += title.size() + 1;
  EXPECT_EQ(8, pw[0]) << "point size";
  EXPECT_EQ(0, pw[1]) << "weight";
  EXPECT_EQ(0, pw[2]) << "italic and character set";
  EXPECT_STREQ(L"Tahoma", reinterpret_cast<const wchar_t*>(pw + 3));
}

// A name or an ordinal field of a template: 0xFFFF and the ordinal, or a zero-terminated string.
struct NameOrOrdinal {
  WORD wOrdinal = 0;
  std::wstring name;
};

NameOrOrdinal ReadNameOrOrdinal(const WORD*& pw) {
  NameOrOrdinal field;
  if (*pw == 0xFFFF) {
    field.wOrdinal = pw[1];
    pw += 2;
  } else {
    field.name = reinterpret_cast<const wchar_t*>(pw);
    pw += field.name.size() + 1;
  }
  return field;
}

WORD PredefinedClassOrdinal(const wchar_t* pszClass) {
  const struct {
    const wchar_t* pszName;
    WORD wOrdinal;
  } rgClasses[] = {{L"Button", 0x0080}, {L"Edit", 0x0081},      {L"Static", 0x0082},
                   {L"ListBox", 0x0083}, {L"ScrollBar", 0x0084}, {L"ComboBox", 0x0085}};
  for (const auto& c : rgClasses)
    if (lstrcmpW(c.pszName, pszClass) == 0) return c.wOrdinal;
  return 0;
}

// The items as the platform's resource compiler stores them: predefined classes by ordinal.
TEST_F(ProgramResources, DialogTemplateItemsNamePredefinedClassesByOrdinal) {
  std::vector<BYTE> tmpl = Load(RT_DIALOG, MAKEINTRESOURCEW(101));
  ASSERT_GE(tmpl.size(), 26u);
  const BYTE* pEnd = tmpl.data() + tmpl.size();
  const WORD* pw = reinterpret_cast<const WORD*>(tmpl.data() + 26);
  ReadNameOrOrdinal(pw);  // menu
  ReadNameOrOrdinal(pw);  // class
  ReadNameOrOrdinal(pw);  // title
  pw += 3;                // point size, weight, italic and character set
  ReadNameOrOrdinal(pw);  // face
  for (const TemplateItem& item : rgTemplateItems) {
    SCOPED_TRACE(testing::Message() << "id " << item.id << ", " << std::string(item.pszText, item.pszText + 4));
    // Every item starts on a DWORD boundary.
    const BYTE* p = reinterpret_cast<const BYTE*>(pw);
    p += (4 - (p - tmpl.data()) % 4) % 4;
    ASSERT_LE(p + 24, pEnd);
    const DWORD* pdw = reinterpret_cast<const DWORD*>(p);
    EXPECT_EQ(0u, pdw[0]) << "help id";
    EXPECT_EQ(0u, pdw[1]) << "extended style";
    EXPECT_EQ(item.dwStyle, pdw[2]);
    const short* ps = reinterpret_cast<const short*>(p + 12);
    EXPECT_EQ(item.x, ps[0]);
    EXPECT_EQ(item.y, ps[1]);
    EXPECT_EQ(item.cx, ps[2]);
    EXPECT_EQ(item.cy, ps[3]);
    EXPECT_EQ(item.id, static_cast<int>(*reinterpret_cast<const DWORD*>(p + 20)));
    pw = reinterpret_cast<const WORD*>(p + 24);
    NameOrOrdinal cls = ReadNameOrOrdinal(pw);
    EXPECT_EQ(L"", cls.name);
    EXPECT_EQ(PredefinedClassOrdinal(item.pszClass), cls.wOrdinal);
    NameOrOrdinal text = ReadNameOrOrdinal(pw);
    // Box 204 gets the default graph file only at start.
    EXPECT_EQ(item.id == 204 ? L"" : item.pszText, text.name);
    EXPECT_EQ(0, *pw++) << "no creation data";
  }
  EXPECT_EQ(pEnd, reinterpret_cast<const BYTE*>(pw)) << "nothing behind the 28th item";
}

}  // namespace
