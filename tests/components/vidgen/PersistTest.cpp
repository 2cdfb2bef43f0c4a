// The generator's settings kept through its IPersistStream, in a real
// compound file as a graph file holds them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "GraphTestUtil.h"

namespace {

const VideoGeneratorSettings kSaved = {200, 100, 30, 2500};

bool Equal(const VideoGeneratorSettings& a, const VideoGeneratorSettings& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

VideoGeneratorSettings SettingsOf(IBaseFilter* pFilter) {
  VideoGeneratorSettings settings = {};
  CComQIPtr<IVideoGeneratorSettings, &IID_IVideoGeneratorSettings> spSettings(pFilter);
  if (spSettings) spSettings->GetSettings(&settings);
  return settings;
}

std::wstring TempFile(LPCWSTR pszName) {
  WCHAR szDir[MAX_PATH];
  ::GetTempPathW(MAX_PATH, szDir);
  return std::wstring(szDir) + pszName;
}

TEST(PersistTest, SettingsSavedInACompoundFileLoadIntoANewGenerator) {
  const std::wstring file = TempFile(L"vidgen-persist.stg");
  {
    CComPtr<IBaseFilter> spGenerator;
    ASSERT_EQ(S_OK, CreateGenerator(&spGenerator, &kSaved));
    CComQIPtr<IPersistStream, &IID_IPersistStream> spPersist(spGenerator);
    ASSERT_TRUE(spPersist);
    EXPECT_EQ(S_OK, spPersist->IsDirty());
    ULARGE_INTEGER cbMax = {};
    ASSERT_EQ(S_OK, spPersist->GetSizeMax(&cbMax));
    CComPtr<IStorage> spStorage;
    ASSERT_EQ(S_OK, ::StgCreateDocfile(file.c_str(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, &spStorage));
    CComPtr<IStream> spStream;
    ASSERT_EQ(S_OK, spStorage->CreateStream(L"Video Generator", STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0,
                                            0, &spStream));
    ASSERT_EQ(S_OK, spPersist->Save(spStream, TRUE));
    EXPECT_EQ(S_FALSE, spPersist->IsDirty());
    STATSTG stat = {};
    ASSERT_EQ(S_OK, spStream->Stat(&stat, STATFLAG_NONAME));
    EXPECT_EQ(cbMax.QuadPart, stat.cbSize.QuadPart);
    ASSERT_EQ(S_OK, spStorage->Commit(STGC_DEFAULT));
  }
  CComPtr<IStorage> spStorage;
  ASSERT_EQ(S_OK, ::StgOpenStorage(file.c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, &spStorage));
  CComPtr<IStream> spStream;
  ASSERT_EQ(S_OK, spStorage->OpenStream(L"Video Generator", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &spStream));
  CComPtr<IBaseFilter> spLoaded;
  ASSERT_EQ(S_OK, CreateGenerator(&spLoaded));
  CComQIPtr<IPersistStream, &IID_IPersistStream> spPersist(spLoaded);
  ASSERT_EQ(S_OK, spPersist->Load(spStream));
  EXPECT_TRUE(Equal(kSaved, SettingsOf(spLoaded)));
  EXPECT_EQ(S_FALSE, spPersist->IsDirty());
  spStream.Release();
  spStorage.Release();
  ::DeleteFileW(file.c_str());
}

struct BadStream {
  const char* label;
  DWORD rgdw[5];
  ULONG cb;
  HRESULT hr;
};

TEST(PersistTest, BadStreamsAreRefusedAndChangeNothing) {
  const BadStream cases[] = {
      {"empty", {}, 0, VFW_E_INVALID_FILE_FORMAT},
      {"a later version", {2, 200, 100, 30, 2500}, 20, VFW_E_INVALID_FILE_VERSION},
      {"cut short", {1, 200, 100, 30, 2500}, 12, VFW_E_INVALID_FILE_FORMAT},
      {"width out of range", {1, 5, 100, 30, 2500}, 20, VFW_E_INVALID_FILE_FORMAT},
      {"no frames a second", {1, 200, 100, 0, 2500}, 20, VFW_E_INVALID_FILE_FORMAT},
  };
  const VideoGeneratorSettings kBefore = {128, 96, 12, 3000};
  for (const BadStream& c : cases) {
    SCOPED_TRACE(c.label);
    CComPtr<IBaseFilter> spGenerator;
    ASSERT_EQ(S_OK, CreateGenerator(&spGenerator, &kBefore));
    CComPtr<IStream> spStream;
    ASSERT_EQ(S_OK, ::CreateStreamOnHGlobal(nullptr, TRUE, &spStream));
    ULONG cbWritten = 0;
    ASSERT_EQ(S_OK, spStream->Write(c.rgdw, c.cb, &cbWritten));
    const LARGE_INTEGER zero = {};
    ASSERT_EQ(S_OK, spStream->Seek(zero, STREAM_SEEK_SET, nullptr));
    CComQIPtr<IPersistStream, &IID_IPersistStream> spPersist(spGenerator);
    EXPECT_EQ(c.hr, spPersist->Load(spStream));
    EXPECT_TRUE(Equal(kBefore, SettingsOf(spGenerator)));
  }
}

}  // namespace
