// What a resizer promises through IResizerControl and IFilterVersion.
#include "Checks.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "Settings.h"

namespace filtercheck {

namespace {

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

bool Near(double a, double b) { return std::fabs(a - b) <= 1e-9 * std::fmax(1.0, std::fabs(b)); }

// A new filter with its control, or a recorded failure.
bool NewControl(CCheck& check, CComPtr<IBaseFilter>& spFilter, CComQIPtr<IResizerControl>& spControl) {
  if (!check.Setup(check.Filters().Create(&spFilter), "creating the filter")) return false;
  spControl = spFilter;
  return check.Expect(spControl != nullptr, "the filter shows no IResizerControl");
}

}  // namespace

void CheckSettings(CCheck& check) {
  CComPtr<IBaseFilter> spFilter;
  CComQIPtr<IResizerControl> spControl;
  if (!NewControl(check, spFilter, spControl)) return;
  IResizerControl* p = spControl;
  ResizerState defaults;
  defaults.eAlgorithm = RESIZE_LINEAR;
  defaults.bAntialiasing = TRUE;
  defaults.bAutoSupersampling = FALSE;
  defaults.bFixed = TRUE;
  defaults.bFlip = FALSE;
  defaults.rcClip = {0, 0, 0, 0};
  defaults.cx = 640;
  defaults.cy = 480;
  defaults.dX = defaults.dY = 1.0;
  const ResizerState initial = ReadState(p);
  check.Expect(initial == defaults, "a new filter reports %s; the defaults are %s", initial.Text().c_str(),
               defaults.Text().c_str());
  for (int i = 1; i <= 8; ++i) {
    ResizeAlgorithm e = static_cast<ResizeAlgorithm>(0);
    check.ExpectHr(S_OK, p->SetResizeAlgorithm(static_cast<ResizeAlgorithm>(i)), "SetResizeAlgorithm(1..8)");
    const HRESULT hr = p->GetResizeAlgorithm(&e);
    check.Expect(SUCCEEDED(hr) && e == i, "SetResizeAlgorithm(%d) read back as %d (%s)", i, e, FormatHr(hr).c_str());
  }
  // Booleans: any non-zero value is TRUE, read back as exactly 1.
  const struct {
    const char* pszName;
    HRESULT (STDMETHODCALLTYPE IResizerControl::*pfnSet)(BOOL);
    HRESULT (STDMETHODCALLTYPE IResizerControl::*pfnGet)(BOOL*);
  } flags[] = {
      {"Antialiasing", &IResizerControl::SetAntialiasing, &IResizerControl::GetAntialiasing},
      {"AutoSupersampling", &IResizerControl::SetAutoSupersampling, &IResizerControl::GetAutoSupersampling},
      {"FixedOutput", &IResizerControl::SetFixedOutput, &IResizerControl::GetFixedOutput},
      {"Flip", &IResizerControl::SetFlip, &IResizerControl::GetFlip},
  };
  for (const auto& flag : flags)
    for (BOOL bSet : {5, 0, 1, -1, 0}) {
      BOOL b = 7;
      check.ExpectHr(S_OK, (p->*flag.pfnSet)(bSet), flag.pszName);
      const HRESULT hr = (p->*flag.pfnGet)(&b);
      check.Expect(SUCCEEDED(hr) && b == (bSet ? 1 : 0), "Set%s(%d) read back as %d (%s)", flag.pszName, bSet, b,
                   FormatHr(hr).c_str());
    }
  const RECT rcClip = {10, 20, 330, 260}, rcWhole = {0, 0, 0, 0};
  for (const RECT& rc : {rcClip, rcWhole}) {
    RECT rcBack = {-1, -1, -1, -1};
    check.ExpectHr(S_OK, p->SetClippingRect(&rc), "SetClippingRect");
    const HRESULT hr = p->GetClippingRect(&rcBack);
    check.Expect(SUCCEEDED(hr) && SameRect(rc, rcBack), "SetClippingRect(%ld,%ld,%ld,%ld) read back as %ld,%ld,%ld,%ld",
                 rc.left, rc.top, rc.right, rc.bottom, rcBack.left, rcBack.top, rcBack.right, rcBack.bottom);
  }
  check.ExpectHr(S_OK, p->SetOutputSize(320, 200), "SetOutputSize(320, 200)");
  ResizerState s = ReadState(p);
  check.Expect(s.cx == 320 && s.cy == 200 && Near(s.dX, 0.5) && Near(s.dY, 200.0 / 480),
               "after SetOutputSize(320, 200) on 640x480: %s", s.Text().c_str());
  check.ExpectHr(S_OK, p->SetResizingCoeffs(0.75, 1.25), "SetResizingCoeffs(0.75, 1.25)");
  s = ReadState(p);
  check.Expect(s.cx == 480 && s.cy == 600 && Near(s.dX, 0.75) && Near(s.dY, 1.25),
               "after SetResizingCoeffs(0.75, 1.25) on 640x480: %s", s.Text().c_str());
}

void CheckRefusals(CCheck& check) {
  CComPtr<IBaseFilter> spFilter;
  CComQIPtr<IResizerControl> spControl;
  if (!NewControl(check, spFilter, spControl)) return;
  IResizerControl* p = spControl;
  if (!check.ExpectOk(SetDistinctSettings(p, RESIZE_CUBIC_B05C03), "setting every setting")) return;
  const ResizerState before = ReadState(p);
  auto unchanged = [&](const char* pszCall) {
    const ResizerState after = ReadState(p);
    check.Expect(after == before, "%s changed the settings: %s, before %s", pszCall, after.Text().c_str(),
                 before.Text().c_str());
  };
  LONG l = 0;
  double d = 0;
  const struct {
    const char* pszCall;
    HRESULT hr;
  } nulls[] = {
      {"GetResizeAlgorithm(null)", p->GetResizeAlgorithm(nullptr)},
      {"GetAntialiasing(null)", p->GetAntialiasing(nullptr)},
      {"GetAutoSupersampling(null)", p->GetAutoSupersampling(nullptr)},
      {"GetClippingRect(null)", p->GetClippingRect(nullptr)},
      {"GetOutputSize(null, cy)", p->GetOutputSize(nullptr, &l)},
      {"GetOutputSize(cx, null)", p->GetOutputSize(&l, nullptr)},
      {"GetResizingCoeffs(null, dY)", p->GetResizingCoeffs(nullptr, &d)},
      {"GetResizingCoeffs(dX, null)", p->GetResizingCoeffs(&d, nullptr)},
      {"GetFixedOutput(null)", p->GetFixedOutput(nullptr)},
      {"GetFlip(null)", p->GetFlip(nullptr)},
      {"SetClippingRect(null)", p->SetClippingRect(nullptr)},
  };
  for (const auto& row : nulls) check.ExpectHr(E_POINTER, row.hr, row.pszCall);
  unchanged("a null pointer");
  char sz[96];
  for (int i : {0, 9, -1, 0x7FFFFFFF}) {
    snprintf(sz, sizeof sz, "SetResizeAlgorithm(%d)", i);
    check.ExpectHr(E_INVALIDARG, p->SetResizeAlgorithm(static_cast<ResizeAlgorithm>(i)), sz);
    unchanged(sz);
  }
  const SIZE sizes[] = {{0, 10}, {10, 0}, {8193, 10}, {10, 8193}, {-1, 10}, {10, -8}};
  for (const SIZE& size : sizes) {
    snprintf(sz, sizeof sz, "SetOutputSize(%ld, %ld)", size.cx, size.cy);
    check.ExpectHr(E_INVALIDARG, p->SetOutputSize(size.cx, size.cy), sz);
    unchanged(sz);
  }
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  // The clip is 512 x 384: 16 is within reach of the limits, 17 is not.
  const double coeffs[][2] = {{0, 1},   {1, 0},    {-1, 1}, {1, -0.5}, {nan, 1},  {1, nan},
                              {inf, 1}, {1, -inf}, {17, 1}, {1, 22},   {1e-4, 1}, {1, 1e-4}};
  for (const auto& c : coeffs) {
    snprintf(sz, sizeof sz, "SetResizingCoeffs(%g, %g)", c[0], c[1]);
    check.ExpectHr(E_INVALIDARG, p->SetResizingCoeffs(c[0], c[1]), sz);
    unchanged(sz);
  }
  const RECT clips[] = {{10, 10, 10, 20}, {20, 10, 10, 30}, {0, 30, 40, 20}, {0, 0, 641, 480},
                        {0, 0, 640, 481}, {-1, 0, 10, 10},  {0, -1, 10, 10}, {0, 0, 0, 1}};
  for (const RECT& rc : clips) {
    snprintf(sz, sizeof sz, "SetClippingRect(%ld, %ld, %ld, %ld) on 640x480", rc.left, rc.top, rc.right, rc.bottom);
    check.ExpectHr(E_INVALIDARG, p->SetClippingRect(&rc), sz);
    unchanged(sz);
  }
}

void CheckWrongState(CCheck& check) {
  CRig rig(check);
  if (!rig.Make(64, 48)) return;
  IResizerControl* p = rig.m_spControl;
  if (!check.ExpectOk(p->SetOutputSize(32, 24), "SetOutputSize while unconnected") || !rig.ConnectInput() ||
      !rig.ConnectOutput())
    return;
  for (FILTER_STATE state : {State_Paused, State_Running}) {
    if (!rig.SetState(state)) return;
    const char* pszState = state == State_Paused ? "paused" : "running";
    check.ExpectOk(p->SetFixedOutput(TRUE), "SetFixedOutput(TRUE), which keeps the size");
    const ResizerState before = ReadState(p);
    auto refused = [&](HRESULT hr, const char* pszCall) {
      check.Expect(hr == VFW_E_WRONG_STATE, "%s while %s answered %s, expected VFW_E_WRONG_STATE", pszCall, pszState,
                   FormatHr(hr).c_str());
      const ResizerState after = ReadState(p);
      check.Expect(after == before, "%s while %s changed the settings: %s", pszCall, pszState, after.Text().c_str());
    };
    refused(p->SetOutputSize(40, 30), "SetOutputSize(40, 30)");
    refused(p->SetResizingCoeffs(2.0, 2.0), "SetResizingCoeffs(2, 2)");
    // Settings that keep the output size apply at once.
    const RECT rcHalf = {0, 0, 32, 24};
    check.ExpectHr(S_OK, p->SetOutputSize(32, 24), "SetOutputSize of the same size while streaming");
    check.ExpectHr(S_OK, p->SetResizeAlgorithm(RESIZE_LANCZOS3), "SetResizeAlgorithm while streaming");
    check.ExpectHr(S_OK, p->SetFlip(TRUE), "SetFlip while streaming");
    check.ExpectHr(S_OK, p->SetClippingRect(&rcHalf), "SetClippingRect with fixed output while streaming");
    check.ExpectHr(S_OK, p->SetFixedOutput(FALSE), "SetFixedOutput(FALSE) while streaming");
    const ResizerState variable = ReadState(p);
    const RECT rcWhole = {0, 0, 0, 0};
    HRESULT hr = p->SetClippingRect(&rcWhole);
    check.Expect(hr == VFW_E_WRONG_STATE && ReadState(p) == variable,
                 "SetClippingRect changing the size of variable output while %s answered %s", pszState,
                 FormatHr(hr).c_str());
    p->SetFixedOutput(TRUE);
    p->SetClippingRect(&rcWhole);
    p->SetFlip(FALSE);
  }
}

void CheckOutputSize(CCheck& check) {
  CComPtr<IBaseFilter> spFilter;
  CComQIPtr<IResizerControl> spControl;
  if (!NewControl(check, spFilter, spControl)) return;
  IResizerControl* p = spControl;
  // Coefficient x clip, rounded to the nearest pixel, halves up; reported back as size / clip.
  const RECT rc512 = {64, 48, 576, 304};  // 512 x 256: binary fractions are exact
  check.ExpectHr(S_OK, p->SetClippingRect(&rc512), "SetClippingRect(64, 48, 576, 304)");
  check.ExpectHr(S_OK, p->SetResizingCoeffs(100.5 / 512, 50.5 / 256), "SetResizingCoeffs(100.5/512, 50.5/256)");
  ResizerState s = ReadState(p);
  check.Expect(s.cx == 101 && s.cy == 51 && Near(s.dX, 101.0 / 512) && Near(s.dY, 51.0 / 256),
               "coefficients giving 100.5 x 50.5 on a 512x256 clip: %s; expected 101x51 (halves up)", s.Text().c_str());
  check.ExpectHr(S_OK, p->SetResizingCoeffs(1.0 / 3, 0.3), "SetResizingCoeffs(1/3, 0.3)");
  s = ReadState(p);
  check.Expect(s.cx == 171 && s.cy == 77, "coefficients 1/3, 0.3 on a 512x256 clip gave %ldx%ld, expected 171x77", s.cx,
               s.cy);
  // Fixed output keeps the size when the clip changes; variable output keeps the coefficients.
  const RECT rcWhole = {0, 0, 0, 0}, rcQuarter = {0, 0, 320, 240};
  p->SetClippingRect(&rcWhole);
  check.ExpectOk(p->SetOutputSize(320, 240), "SetOutputSize(320, 240)");
  check.ExpectHr(S_OK, p->SetClippingRect(&rcQuarter), "SetClippingRect(0, 0, 320, 240) with fixed output");
  s = ReadState(p);
  check.Expect(s.cx == 320 && s.cy == 240 && Near(s.dX, 1) && Near(s.dY, 1),
               "fixed output after a new clip: %s; expected the size kept, coefficients 1, 1", s.Text().c_str());
  p->SetClippingRect(&rcWhole);
  p->SetOutputSize(320, 240);
  check.ExpectHr(S_OK, p->SetFixedOutput(FALSE), "SetFixedOutput(FALSE)");
  check.ExpectHr(S_OK, p->SetClippingRect(&rcQuarter), "SetClippingRect(0, 0, 320, 240) with variable output");
  s = ReadState(p);
  check.Expect(s.cx == 160 && s.cy == 120 && Near(s.dX, 0.5) && Near(s.dY, 0.5),
               "variable output after a new clip: %s; expected coefficients kept, 160x120", s.Text().c_str());
  spControl.Release();
  spFilter.Release();

  // At the input's connection the real picture replaces the assumed 640 x 480.
  for (BOOL bFixed : {TRUE, FALSE}) {
    CRig rig(check);
    if (!rig.Make(64, 48)) return;
    rig.m_spControl->SetFixedOutput(bFixed);
    rig.m_spControl->SetOutputSize(320, 240);
    if (!rig.ConnectInput()) return;
    s = ReadState(rig.m_spControl);
    if (bFixed)
      check.Expect(s.cx == 320 && s.cy == 240 && Near(s.dX, 5) && Near(s.dY, 5),
                   "fixed output 320x240 after a 64x48 input connected: %s", s.Text().c_str());
    else
      check.Expect(s.cx == 32 && s.cy == 24 && Near(s.dX, 0.5) && Near(s.dY, 0.5),
                   "variable output (coefficients 0.5) after a 64x48 input connected: %s", s.Text().c_str());
  }

  // Connected in a graph and stopped, a new size reconnects the output.
  CRig rig(check);
  if (!rig.Make(64, 48) || !rig.MakeGraph() || !rig.ConnectInput() || !rig.ConnectOutput()) return;
  SIZE size = {};
  for (const SIZE& want : {SIZE{100, 80}, SIZE{48, 36}}) {
    HRESULT hr =
        want.cx == 100 ? rig.m_spControl->SetOutputSize(100, 80) : rig.m_spControl->SetResizingCoeffs(0.75, 0.75);
    if (!check.ExpectHr(S_OK, hr, "a new output size with the output connected and the graph stopped")) return;
    AM_MEDIA_TYPE mt = {};
    if (check.ExpectOk(rig.m_spOut->ConnectionMediaType(&mt), "the output's ConnectionMediaType after the change")) {
      check.Expect(TypeSize(&mt, &size) && size.cx == want.cx && size.cy == want.cy,
                   "after a change to %ldx%ld the output is connected with %ldx%ld", want.cx, want.cy, size.cx,
                   size.cy);
      dshow::FreeMediaType(&mt);
    }
    check.Expect(
        TypeSize(&rig.m_spSink->Input()->CurrentMediaType(), &size) && size.cx == want.cx && size.cy == want.cy,
        "after a change to %ldx%ld the sink is connected with %ldx%ld", want.cx, want.cy, size.cx, size.cy);
  }
  if (!rig.SetState(State_Running)) return;
  Picture out;
  if (rig.Transfer(NoisePicture(64, 48, 5), &out))
    check.Expect(out.width == 48 && out.height == 36, "after the reconnection frames come out %dx%d, not 48x36",
                 out.width, out.height);
}

void CheckVersion(CCheck& check) {
  CComPtr<IBaseFilter> spFilter;
  if (!check.Setup(check.Filters().Create(&spFilter), "creating the filter")) return;
  CComQIPtr<IFilterVersion> spVersion(spFilter);
  if (!spVersion) {
    check.Skip("the filter shows no IFilterVersion (filter.interfaces reports it)");
    return;
  }
  FilterBuildType eType = static_cast<FilterBuildType>(-1);
  FilterPlatform eOS = static_cast<FilterPlatform>(-1);
  check.ExpectOk(spVersion->GetType(&eType), "GetType");
  check.Expect(eType == FILTER_BUILD_DEBUG || eType == FILTER_BUILD_RELEASE, "GetType answered %d", eType);
  check.ExpectOk(spVersion->GetOS(&eOS), "GetOS");
  const FilterPlatform eWant = sizeof(void*) == 8 ? FILTER_PLATFORM_64BIT : FILTER_PLATFORM_32BIT;
  check.Expect(eOS == eWant, "GetOS answered %d in a %d-bit process", eOS, static_cast<int>(sizeof(void*) * 8));
  const struct {
    const char* pszName;
    HRESULT (STDMETHODCALLTYPE IFilterVersion::*pfn)(BSTR*);
  } texts[] = {{"GetName", &IFilterVersion::GetName},
               {"GetNumber", &IFilterVersion::GetNumber},
               {"GetDateTime", &IFilterVersion::GetDateTime}};
  for (const auto& text : texts) {
    check.ExpectHr(E_POINTER, (spVersion->*text.pfn)(nullptr), text.pszName);
    BSTR bstr = nullptr;
    if (!check.ExpectOk((spVersion.p->*text.pfn)(&bstr), text.pszName)) continue;
    const std::wstring value = bstr ? bstr : L"";
    ::SysFreeString(bstr);
    check.Expect(!value.empty(), "%s gave an empty text", text.pszName);
    if (text.pfn == &IFilterVersion::GetNumber) {
      unsigned a, b, c, d;
      wchar_t tail;
      check.Expect(swscanf(value.c_str(), L"%u.%u.%u.%u%lc", &a, &b, &c, &d, &tail) == 4,
                   "GetNumber gave \"%ls\", not major.minor.build.revision", value.c_str());
    } else if (text.pfn == &IFilterVersion::GetDateTime) {
      wchar_t month[4] = {};
      unsigned day, year, h, m, sec;
      check.Expect(swscanf(value.c_str(), L"%3ls %u %u %u:%u:%u", month, &day, &year, &h, &m, &sec) == 6 &&
                       wcsstr(L"JanFebMarAprMayJunJulAugSepOctNovDec", month) && day >= 1 && day <= 31 && h < 24 &&
                       m < 60 && sec < 60,
                   "GetDateTime gave \"%ls\", not like \"Dec 10 2026 11:05:00\"", value.c_str());
    }
  }
}

}  // namespace filtercheck
