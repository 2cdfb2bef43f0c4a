// The Resizer's settings surface on a real filter created through COM (its input not
// connected: the assumed input picture is 640 x 480): every setter's accepted and
// refused values, what the getters report after each, IFilterVersion, IPersistStream.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atlbase.h>

#include <cmath>
#include <cstring>
#include <ctime>
#include <functional>
#include <limits>
#include <string>

#include <dshow.h>

#include "IResizerControl.h"

namespace {

// Every getter's answer at once.
struct Settings {
  ResizeAlgorithm eAlgorithm;
  BOOL bAntialiasing, bAutoSupersampling, bFlip, bFixed;
  RECT rcClip;
  LONG cx, cy;
  double dX, dY;
};

Settings Read(IResizerControl* p) {
  Settings s;
  std::memset(&s, 0xCD, sizeof s);  // sentinel: a getter that writes nothing shows
  EXPECT_EQ(S_OK, p->GetResizeAlgorithm(&s.eAlgorithm));
  EXPECT_EQ(S_OK, p->GetAntialiasing(&s.bAntialiasing));
  EXPECT_EQ(S_OK, p->GetAutoSupersampling(&s.bAutoSupersampling));
  EXPECT_EQ(S_OK, p->GetFlip(&s.bFlip));
  EXPECT_EQ(S_OK, p->GetFixedOutput(&s.bFixed));
  EXPECT_EQ(S_OK, p->GetClippingRect(&s.rcClip));
  EXPECT_EQ(S_OK, p->GetOutputSize(&s.cx, &s.cy));
  EXPECT_EQ(S_OK, p->GetResizingCoeffs(&s.dX, &s.dY));
  return s;
}

void ExpectSettings(const Settings& want, const Settings& got) {
  EXPECT_EQ(want.eAlgorithm, got.eAlgorithm);
  EXPECT_EQ(want.bAntialiasing, got.bAntialiasing);
  EXPECT_EQ(want.bAutoSupersampling, got.bAutoSupersampling);
  EXPECT_EQ(want.bFlip, got.bFlip);
  EXPECT_EQ(want.bFixed, got.bFixed);
  EXPECT_EQ(want.rcClip.left, got.rcClip.left);
  EXPECT_EQ(want.rcClip.top, got.rcClip.top);
  EXPECT_EQ(want.rcClip.right, got.rcClip.right);
  EXPECT_EQ(want.rcClip.bottom, got.rcClip.bottom);
  EXPECT_EQ(want.cx, got.cx);
  EXPECT_EQ(want.cy, got.cy);
  EXPECT_DOUBLE_EQ(want.dX, got.dX);
  EXPECT_DOUBLE_EQ(want.dY, got.dY);
}

const Settings kDefaults = {RESIZE_LINEAR, TRUE, FALSE, FALSE, TRUE, {0, 0, 0, 0}, 640, 480, 1.0, 1.0};

HRESULT CreateResizer(IResizerControl** pp) {
  return ::CoCreateInstance(CLSID_Resizer, nullptr, CLSCTX_INPROC_SERVER, IID_IResizerControl,
                            reinterpret_cast<void**>(pp));
}

using Call = std::function<HRESULT(IResizerControl*)>;
using Expect = std::function<void(Settings&)>;

struct SetterCase {
  const char* label;
  Call arrange;  // accepted steps before the one under test (may be empty)
  Call call;
  HRESULT hr;
  Expect want;  // applied to the settings before the call; empty: nothing changed
};

HRESULT Nothing(IResizerControl*) { return S_OK; }

RECT Rect(LONG l, LONG t, LONG r, LONG b) { return RECT{l, t, r, b}; }

}  // namespace

TEST(ResizerControl, DefaultsBeforeAnyInputIsConnected) {
  CComPtr<IResizerControl> sp;
  ASSERT_EQ(S_OK, CreateResizer(&sp));
  ExpectSettings(kDefaults, Read(sp));
  EXPECT_EQ(0u, sp.Detach()->Release());
}

TEST(ResizerControl, SettersAcceptTheirRangeRefuseTheRestAndGettersReportTheRule) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const auto variable = [](IResizerControl* p) { return p->SetFixedOutput(FALSE); };
  const SetterCase cases[] = {
      // Algorithm
      {"algorithm 1", Nothing, [](IResizerControl* p) { return p->SetResizeAlgorithm(RESIZE_NEAREST); },
       S_OK, [](Settings& s) { s.eAlgorithm = RESIZE_NEAREST; }},
      {"algorithm 8", Nothing,
       [](IResizerControl* p) { return p->SetResizeAlgorithm(RESIZE_SUPERSAMPLING); }, S_OK,
       [](Settings& s) { s.eAlgorithm = RESIZE_SUPERSAMPLING; }},
      {"algorithm 0", Nothing,
       [](IResizerControl* p) { return p->SetResizeAlgorithm(static_cast<ResizeAlgorithm>(0)); },
       E_INVALIDARG, nullptr},
      {"algorithm 9", Nothing,
       [](IResizerControl* p) { return p->SetResizeAlgorithm(static_cast<ResizeAlgorithm>(9)); },
       E_INVALIDARG, nullptr},
      {"algorithm -1", Nothing,
       [](IResizerControl* p) { return p->SetResizeAlgorithm(static_cast<ResizeAlgorithm>(-1)); },
       E_INVALIDARG, nullptr},
      // Flags: any non-zero value reads back as 1
      {"antialiasing off", Nothing, [](IResizerControl* p) { return p->SetAntialiasing(FALSE); },
       S_OK, [](Settings& s) { s.bAntialiasing = FALSE; }},
      {"auto supersampling 2", Nothing,
       [](IResizerControl* p) { return p->SetAutoSupersampling(2); }, S_OK,
       [](Settings& s) { s.bAutoSupersampling = TRUE; }},
      {"flip -1", Nothing, [](IResizerControl* p) { return p->SetFlip(-1); }, S_OK,
       [](Settings& s) { s.bFlip = TRUE; }},
      {"variable output", Nothing, variable, S_OK, [](Settings& s) { s.bFixed = FALSE; }},
      // Clipping rectangle; fixed output keeps the size, the coefficients follow
      {"clip inside", Nothing,
       [](IResizerControl* p) { RECT rc = Rect(100, 80, 640, 480); return p->SetClippingRect(&rc); },
       S_OK,
       [](Settings& s) {
         s.rcClip = Rect(100, 80, 640, 480);
         s.dX = 640.0 / 540;
         s.dY = 480.0 / 400;
       }},
      {"clip one pixel", Nothing,
       [](IResizerControl* p) { RECT rc = Rect(639, 479, 640, 480); return p->SetClippingRect(&rc); },
       S_OK,
       [](Settings& s) {
         s.rcClip = Rect(639, 479, 640, 480);
         s.dX = 640;
         s.dY = 480;
       }},
      {"clip back to the whole picture",
       [](IResizerControl* p) { RECT rc = Rect(0, 0, 320, 240); return p->SetClippingRect(&rc); },
       [](IResizerControl* p) { RECT rc = Rect(0, 0, 0, 0); return p->SetClippingRect(&rc); }, S_OK,
       [](Settings& s) {
         s.rcClip = Rect(0, 0, 0, 0);
         s.dX = 1;
         s.dY = 1;
       }},
      {"clip with variable output: the size follows", variable,
       [](IResizerControl* p) { RECT rc = Rect(10, 20, 330, 260); return p->SetClippingRect(&rc); },
       S_OK,
       [](Settings& s) {
         s.rcClip = Rect(10, 20, 330, 260);
         s.cx = 320;
         s.cy = 240;
       }},
      {"clip past the right edge", Nothing,
       [](IResizerControl* p) { RECT rc = Rect(0, 0, 641, 480); return p->SetClippingRect(&rc); },
       E_INVALIDARG, nullptr},
      {"clip past the bottom edge", Nothing,
       [](IResizerControl* p) { RECT rc = Rect(0, 0, 640, 481); return p->SetClippingRect(&rc); },
       E_INVALIDARG, nullptr},
      {"clip left == right", Nothing,
       [](IResizerControl* p) { RECT rc = Rect(10, 0, 10, 480); return p->SetClippingRect(&rc); },
       E_INVALIDARG, nullptr},
      {"clip top > bottom", Nothing,
       [](IResizerControl* p) { RECT rc = Rect(0, 300, 640, 200); return p->SetClippingRect(&rc); },
       E_INVALIDARG, nullptr},
      {"clip negative left", Nothing,
       [](IResizerControl* p) { RECT rc = Rect(-1, 0, 640, 480); return p->SetClippingRect(&rc); },
       E_INVALIDARG, nullptr},
      {"clip null", Nothing, [](IResizerControl* p) { return p->SetClippingRect(nullptr); },
       E_POINTER, nullptr},
      // Output size; the coefficients follow
      {"size 1 x 1", Nothing, [](IResizerControl* p) { return p->SetOutputSize(1, 1); }, S_OK,
       [](Settings& s) {
         s.cx = s.cy = 1;
         s.dX = 1.0 / 640;
         s.dY = 1.0 / 480;
       }},
      {"size 8192 x 8192", Nothing, [](IResizerControl* p) { return p->SetOutputSize(8192, 8192); },
       S_OK,
       [](Settings& s) {
         s.cx = s.cy = 8192;
         s.dX = 12.8;
         s.dY = 8192.0 / 480;
       }},
      {"size 0 wide", Nothing, [](IResizerControl* p) { return p->SetOutputSize(0, 480); },
       E_INVALIDARG, nullptr},
      {"size 8193 high", Nothing, [](IResizerControl* p) { return p->SetOutputSize(640, 8193); },
       E_INVALIDARG, nullptr},
      {"size negative", Nothing, [](IResizerControl* p) { return p->SetOutputSize(-640, 480); },
       E_INVALIDARG, nullptr},
      // Coefficients; the size follows, rounded half up
      {"coefficients 0.5", Nothing, [](IResizerControl* p) { return p->SetResizingCoeffs(0.5, 0.5); },
       S_OK,
       [](Settings& s) {
         s.cx = 320;
         s.cy = 240;
         s.dX = s.dY = 0.5;
       }},
      {"coefficients rounded to whole pixels", Nothing,
       [](IResizerControl* p) { return p->SetResizingCoeffs(0.3337, 1.5); }, S_OK,
       [](Settings& s) {
         s.cx = 214;  // 213.568
         s.cy = 720;
         s.dX = 214.0 / 640;
         s.dY = 1.5;
       }},
      {"coefficient at the top limit", Nothing,
       [](IResizerControl* p) { return p->SetResizingCoeffs(12.8, 1); }, S_OK,
       [](Settings& s) {
         s.cx = 8192;
         s.dX = 12.8;
       }},
      {"coefficient past the top limit", Nothing,
       [](IResizerControl* p) { return p->SetResizingCoeffs(12.801, 1); }, E_INVALIDARG, nullptr},
      {"coefficient giving no pixel", Nothing,
       [](IResizerControl* p) { return p->SetResizingCoeffs(1, 0.001); }, E_INVALIDARG, nullptr},
      {"coefficient 0", Nothing, [](IResizerControl* p) { return p->SetResizingCoeffs(0, 1); },
       E_INVALIDARG, nullptr},
      {"coefficient negative", Nothing,
       [](IResizerControl* p) { return p->SetResizingCoeffs(1, -0.5); }, E_INVALIDARG, nullptr},
      {"coefficient NaN", Nothing,
       [nan](IResizerControl* p) { return p->SetResizingCoeffs(nan, 1); }, E_INVALIDARG, nullptr},
      {"coefficient infinite", Nothing,
       [inf](IResizerControl* p) { return p->SetResizingCoeffs(1, inf); }, E_INVALIDARG, nullptr},
      {"coefficients relative to the clip",
       [](IResizerControl* p) { RECT rc = Rect(0, 0, 100, 50); return p->SetClippingRect(&rc); },
       [](IResizerControl* p) { return p->SetResizingCoeffs(3, 2); }, S_OK,
       [](Settings& s) {
         s.rcClip = Rect(0, 0, 100, 50);
         s.cx = 300;
         s.cy = 100;
         s.dX = 3;
         s.dY = 2;
       }},
  };
  for (const SetterCase& c : cases) {
    SCOPED_TRACE(c.label);
    CComPtr<IResizerControl> sp;
    ASSERT_EQ(S_OK, CreateResizer(&sp));
    ASSERT_EQ(S_OK, c.arrange(sp));
    Settings want = Read(sp);
    EXPECT_EQ(c.hr, c.call(sp));
    if (c.want) c.want(want);
    ExpectSettings(want, Read(sp));
    EXPECT_EQ(0u, sp.Detach()->Release());
  }
}

TEST(ResizerControl, GettersRefuseNullAndLeaveTheOtherOutputAlone) {
  CComPtr<IResizerControl> sp;
  ASSERT_EQ(S_OK, CreateResizer(&sp));
  LONG n = -7;
  double d = -7;
  EXPECT_EQ(E_POINTER, sp->GetResizeAlgorithm(nullptr));
  EXPECT_EQ(E_POINTER, sp->GetAntialiasing(nullptr));
  EXPECT_EQ(E_POINTER, sp->GetAutoSupersampling(nullptr));
  EXPECT_EQ(E_POINTER, sp->GetFlip(nullptr));
  EXPECT_EQ(E_POINTER, sp->GetFixedOutput(nullptr));
  EXPECT_EQ(E_POINTER, sp->GetClippingRect(nullptr));
  EXPECT_EQ(E_POINTER, sp->GetOutputSize(&n, nullptr));
  EXPECT_EQ(E_POINTER, sp->GetOutputSize(nullptr, &n));
  EXPECT_EQ(E_POINTER, sp->GetResizingCoeffs(&d, nullptr));
  EXPECT_EQ(E_POINTER, sp->GetResizingCoeffs(nullptr, &d));
  EXPECT_EQ(-7, n);
  EXPECT_EQ(-7, d);
  EXPECT_EQ(0u, sp.Detach()->Release());
}

namespace {

std::wstring FileVersionOf(const wchar_t* pszPath) {
  DWORD dwHandle = 0;
  const DWORD cb = ::GetFileVersionInfoSizeW(pszPath, &dwHandle);
  std::string block(cb, '\0');
  VS_FIXEDFILEINFO* pInfo = nullptr;
  UINT cbInfo = 0;
  if (!cb || !::GetFileVersionInfoW(pszPath, 0, cb, &block[0]) ||
      !::VerQueryValueW(&block[0], L"\\", reinterpret_cast<void**>(&pInfo), &cbInfo))
    return L"";
  wchar_t sz[64];
  swprintf(sz, 64, L"%u.%u.%u.%u", HIWORD(pInfo->dwFileVersionMS), LOWORD(pInfo->dwFileVersionMS),
           HIWORD(pInfo->dwFileVersionLS), LOWORD(pInfo->dwFileVersionLS));
  return sz;
}

// "Dec 10 2026 11:05:00" into seconds since 1970, UTC; -1 when it does not parse.
long long ParseDateTime(const std::wstring& s) {
  static const wchar_t* const rgMonth[] = {L"Jan", L"Feb", L"Mar", L"Apr", L"May", L"Jun",
                                           L"Jul", L"Aug", L"Sep", L"Oct", L"Nov", L"Dec"};
  wchar_t szMonth[4] = {};
  unsigned day, year, h, m, sec;
  wchar_t chExtra;
  if (swscanf(s.c_str(), L"%3ls %u %u %2u:%2u:%2u%lc", szMonth, &day, &year, &h, &m, &sec, &chExtra) != 6)
    return -1;
  for (int i = 0; i < 12; ++i) {
    if (wcscmp(szMonth, rgMonth[i]) != 0) continue;
    SYSTEMTIME st = {};
    st.wYear = static_cast<WORD>(year);
    st.wMonth = static_cast<WORD>(i + 1);
    st.wDay = static_cast<WORD>(day);
    st.wHour = static_cast<WORD>(h);
    st.wMinute = static_cast<WORD>(m);
    st.wSecond = static_cast<WORD>(sec);
    FILETIME ft;
    if (!::SystemTimeToFileTime(&st, &ft)) return -1;
    const ULONGLONG ull = (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    return static_cast<long long>(ull / 10000000ULL) - 11644473600LL;
  }
  return -1;
}

long long LastWriteOf(const wchar_t* pszPath) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExW(pszPath, GetFileExInfoStandard, &data)) return -1;
  const ULONGLONG ull = (static_cast<ULONGLONG>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                        data.ftLastWriteTime.dwLowDateTime;
  return static_cast<long long>(ull / 10000000ULL) - 11644473600LL;
}

}  // namespace

TEST(FilterVersion, TellsTheBuildOfTheDllItCameFrom) {
  CComPtr<IResizerControl> spControl;
  ASSERT_EQ(S_OK, CreateResizer(&spControl));
  CComQIPtr<IFilterVersion> spVersion(spControl);
  ASSERT_TRUE(spVersion != nullptr);
  wchar_t szPath[MAX_PATH] = {};
  ASSERT_NE(0u, ::GetModuleFileNameW(::GetModuleHandleW(L"Resizer.dll"), szPath, MAX_PATH));

  FilterBuildType eType = FILTER_BUILD_FORCE_DWORD;
  EXPECT_EQ(S_OK, spVersion->GetType(&eType));
#ifdef _DEBUG  // the tests are built with the DLL's build type
  EXPECT_EQ(FILTER_BUILD_DEBUG, eType);
#else
  EXPECT_EQ(FILTER_BUILD_RELEASE, eType);
#endif
  FilterPlatform eOS = FILTER_PLATFORM_FORCE_DWORD;
  EXPECT_EQ(S_OK, spVersion->GetOS(&eOS));
  EXPECT_EQ(FILTER_PLATFORM_64BIT, eOS);

  CComBSTR cbsName, cbsNumber, cbsDateTime;
  EXPECT_EQ(S_OK, spVersion->GetName(&cbsName));
  EXPECT_STREQ(L"Resizer", cbsName);
  EXPECT_EQ(S_OK, spVersion->GetNumber(&cbsNumber));
  EXPECT_EQ(FileVersionOf(szPath), std::wstring(cbsNumber));
  EXPECT_STREQ(L"1.0.0.1", cbsNumber);
  EXPECT_EQ(S_OK, spVersion->GetDateTime(&cbsDateTime));
  // The link time: the moment the DLL file was written, give or take the linker's run.
  const long long tBuilt = ParseDateTime(std::wstring(cbsDateTime));
  ASSERT_NE(-1, tBuilt) << cbsDateTime;
  EXPECT_NEAR(static_cast<double>(LastWriteOf(szPath)), static_cast<double>(tBuilt), 120.0);

  EXPECT_EQ(E_POINTER, spVersion->GetType(nullptr));
  EXPECT_EQ(E_POINTER, spVersion->GetOS(nullptr));
  EXPECT_EQ(E_POINTER, spVersion->GetName(nullptr));
  EXPECT_EQ(E_POINTER, spVersion->GetNumber(nullptr));
  EXPECT_EQ(E_POINTER, spVersion->GetDateTime(nullptr));
  spVersion.Release();
  EXPECT_EQ(0u, spControl.Detach()->Release());
}

namespace {

HRESULT SaveTo(IResizerControl* p, IStream** ppStm) {
  CComQIPtr<IPersistStream> spPersist(p);
  if (!spPersist) return E_NOINTERFACE;
  HRESULT hr = ::CreateStreamOnHGlobal(nullptr, TRUE, ppStm);
  if (FAILED(hr)) return hr;
  if (FAILED(hr = spPersist->Save(*ppStm, TRUE))) return hr;
  const LARGE_INTEGER zero = {};
  return (*ppStm)->Seek(zero, STREAM_SEEK_SET, nullptr);
}

}  // namespace

TEST(ResizerPersistence, ASavedFilterLoadsBackIntoAFreshOne) {
  CComPtr<IResizerControl> spSaved;
  ASSERT_EQ(S_OK, CreateResizer(&spSaved));
  CComQIPtr<IPersistStream> spPersist(spSaved);
  ASSERT_TRUE(spPersist != nullptr);
  EXPECT_EQ(S_FALSE, spPersist->IsDirty());
  RECT rc = Rect(100, 80, 420, 320);
  ASSERT_EQ(S_OK, spSaved->SetResizeAlgorithm(RESIZE_LANCZOS2));
  ASSERT_EQ(S_OK, spSaved->SetAntialiasing(FALSE));
  ASSERT_EQ(S_OK, spSaved->SetAutoSupersampling(TRUE));
  ASSERT_EQ(S_OK, spSaved->SetFlip(TRUE));
  ASSERT_EQ(S_OK, spSaved->SetFixedOutput(FALSE));
  ASSERT_EQ(S_OK, spSaved->SetClippingRect(&rc));
  ASSERT_EQ(S_OK, spSaved->SetResizingCoeffs(2.5, 0.75));
  EXPECT_EQ(S_OK, spPersist->IsDirty());
  ULARGE_INTEGER cbMax = {};
  EXPECT_EQ(S_OK, spPersist->GetSizeMax(&cbMax));

  CComPtr<IStream> spStm;
  ASSERT_EQ(S_OK, SaveTo(spSaved, &spStm));
  EXPECT_EQ(S_FALSE, spPersist->IsDirty());
  STATSTG stat = {};
  ASSERT_EQ(S_OK, spStm->Stat(&stat, STATFLAG_NONAME));
  EXPECT_EQ(cbMax.QuadPart, stat.cbSize.QuadPart);

  CComPtr<IResizerControl> spLoaded;
  ASSERT_EQ(S_OK, CreateResizer(&spLoaded));
  CComQIPtr<IPersistStream> spLoader(spLoaded);
  ASSERT_EQ(S_OK, spLoader->Load(spStm));
  EXPECT_EQ(S_FALSE, spLoader->IsDirty());
  ExpectSettings(Read(spSaved), Read(spLoaded));
  EXPECT_EQ(800, Read(spLoaded).cx);

  spLoader.Release();
  spPersist.Release();
  EXPECT_EQ(0u, spLoaded.Detach()->Release());
  EXPECT_EQ(0u, spSaved.Detach()->Release());
}

TEST(ResizerPersistence, ATruncatedOrForeignStreamChangesNothing) {
  CComPtr<IResizerControl> spSource;
  ASSERT_EQ(S_OK, CreateResizer(&spSource));
  ASSERT_EQ(S_OK, spSource->SetOutputSize(100, 100));
  CComPtr<IStream> spGood;
  ASSERT_EQ(S_OK, SaveTo(spSource, &spGood));
  STATSTG stat = {};
  ASSERT_EQ(S_OK, spGood->Stat(&stat, STATFLAG_NONAME));
  std::string bytes(static_cast<size_t>(stat.cbSize.QuadPart), '\0');
  ULONG cbRead = 0;
  ASSERT_EQ(S_OK, spGood->Read(&bytes[0], static_cast<ULONG>(bytes.size()), &cbRead));

  struct Case {
    const char* label;
    std::string data;
  };
  std::string foreignVersion = bytes;
  foreignVersion[0] = 9;
  const Case cases[] = {
      {"empty", std::string()},
      {"cut short", bytes.substr(0, bytes.size() - 1)},
      {"another version", foreignVersion},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    CComPtr<IStream> spStm;
    ASSERT_EQ(S_OK, ::CreateStreamOnHGlobal(nullptr, TRUE, &spStm));
    ULONG cbWritten = 0;
    if (!c.data.empty()) {
      ASSERT_EQ(S_OK, spStm->Write(c.data.data(), static_cast<ULONG>(c.data.size()), &cbWritten));
    }
    const LARGE_INTEGER zero = {};
    ASSERT_EQ(S_OK, spStm->Seek(zero, STREAM_SEEK_SET, nullptr));

    CComPtr<IResizerControl> spTarget;
    ASSERT_EQ(S_OK, CreateResizer(&spTarget));
    ASSERT_EQ(S_OK, spTarget->SetFlip(TRUE));
    const Settings before = Read(spTarget);
    CComQIPtr<IPersistStream> spLoader(spTarget);
    EXPECT_EQ(E_INVALIDARG, spLoader->Load(spStm));
    ExpectSettings(before, Read(spTarget));
    spLoader.Release();
    EXPECT_EQ(0u, spTarget.Detach()->Release());
  }
  EXPECT_EQ(0u, spSource.Detach()->Release());
}

TEST(ResizerRegistration, TheFilterIsListedInTheDirectShowCategoryUnderItsName) {
  CComPtr<ICreateDevEnum> spDevEnum;
  ASSERT_EQ(S_OK, spDevEnum.CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER));
  CComPtr<IEnumMoniker> spEnum;
  ASSERT_EQ(S_OK, spDevEnum->CreateClassEnumerator(CLSID_LegacyAmFilterCategory, &spEnum, 0));
  int cFound = 0;
  for (;;) {
    CComPtr<IMoniker> spMoniker;
    if (spEnum->Next(1, &spMoniker, nullptr) != S_OK) break;
    CComPtr<IPropertyBag> spBag;
    if (FAILED(spMoniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, reinterpret_cast<void**>(&spBag))))
      continue;
    VARIANT var;
    ::VariantInit(&var);
    if (FAILED(spBag->Read(L"CLSID", &var, nullptr))) continue;
    CLSID clsid = {};
    const bool bOurs = var.vt == VT_BSTR && SUCCEEDED(::CLSIDFromString(var.bstrVal, &clsid)) &&
                       clsid == CLSID_Resizer;
    ::VariantClear(&var);
    if (!bOurs) continue;
    ++cFound;
    ASSERT_EQ(S_OK, spBag->Read(L"FriendlyName", &var, nullptr));
    EXPECT_EQ(VT_BSTR, var.vt);
    EXPECT_STREQ(L"Resizer", var.bstrVal);
    ::VariantClear(&var);
  }
  EXPECT_EQ(1, cFound);
}
