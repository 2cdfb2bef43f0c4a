// What a resizer promises of its frames: each algorithm's output held to a
// double-precision reference of its kernel (tests/native/Reference), and its speed.
#include "Checks.h"

#include <cstdlib>

#include "Reference.h"

namespace filtercheck {

namespace {

// The stated tolerance: every colour channel within one level of the reference
// rounded to the nearest level. Alpha is the filter's own business.
const int kToleranceLevels = 1;

struct FrameCase {
  const char* pszName;
  int cxIn, cyIn;
  ResizeAlgorithm eAlgorithm;
  int cxOut, cyOut;
  bool bAntialiasing, bAutoSupersampling, bFlip;
  RECT rcClip;  // 0, 0, 0, 0: the whole picture
};

const char* const kAlgorithmNames[] = {"",
                                       "Nearest",
                                       "Linear",
                                       "Cubic (BSpline)",
                                       "Cubic (CatmullRom)",
                                       "Cubic (B05C03)",
                                       "Lanczos (2-lobed)",
                                       "Lanczos (3-lobed)",
                                       "Supersampling"};

// Frames a second of one algorithm; the rig runs and takes cx x cy frames.
double FramesPerSecond(CRig& rig, const Picture& picture, ResizeAlgorithm eAlgorithm) {
  if (FAILED(rig.m_spControl->SetResizeAlgorithm(eAlgorithm))) return 0;
  LARGE_INTEGER freq, t0, t;
  ::QueryPerformanceFrequency(&freq);
  ::QueryPerformanceCounter(&t0);
  const size_t cBefore = rig.m_spSink->Input()->SampleCount();
  size_t cPushed = 0;
  do {
    if (FAILED(rig.Push(picture, static_cast<int>(cBefore + cPushed)))) return 0;
    ++cPushed;
    ::QueryPerformanceCounter(&t);
  } while (cPushed < 3 || t.QuadPart - t0.QuadPart < freq.QuadPart / 3);
  if (!rig.m_spSink->Input()->WaitFor(SinkEvent::Sample, cBefore + cPushed, 10000)) return 0;
  ::QueryPerformanceCounter(&t);
  rig.m_spSink->Input()->ClearEvents();
  return cPushed * static_cast<double>(freq.QuadPart) / (t.QuadPart - t0.QuadPart);
}

}  // namespace

void CheckFrames(CCheck& check) {
  std::vector<FrameCase> cases;
  for (int i = 1; i <= 8; ++i) {
    const ResizeAlgorithm e = static_cast<ResizeAlgorithm>(i);
    cases.push_back({"down", 64, 48, e, 40, 30, true, false, false, {}});
    cases.push_back({"up", 24, 18, e, 56, 40, true, false, false, {}});
  }
  cases.push_back({"down, antialiasing off", 64, 48, RESIZE_LANCZOS3, 24, 20, false, false, false, {}});
  cases.push_back({"down, automatic supersampling", 64, 48, RESIZE_CUBIC_CATMULLROM, 20, 16, true, true, false, {}});
  cases.push_back({"flipped", 64, 48, RESIZE_CUBIC_CATMULLROM, 40, 30, true, false, true, {}});
  cases.push_back({"flipped, up", 24, 18, RESIZE_NEAREST, 50, 37, true, false, true, {}});
  cases.push_back({"clipped", 64, 48, RESIZE_LANCZOS2, 30, 20, true, false, false, {5, 3, 53, 41}});
  cases.push_back({"clipped and flipped", 64, 48, RESIZE_LINEAR, 70, 50, true, false, true, {9, 0, 40, 48}});
  std::vector<Picture> downs;  // each algorithm's "down" frame
  for (const FrameCase& c : cases) {
    CRig rig(check);
    if (!rig.Make(c.cxIn, c.cyIn)) return;
    IResizerControl* p = rig.m_spControl;
    const std::string name = std::string(kAlgorithmNames[c.eAlgorithm]) + ", " + c.pszName;
    const HRESULT results[] = {p->SetResizeAlgorithm(c.eAlgorithm),
                               p->SetAntialiasing(c.bAntialiasing),
                               p->SetAutoSupersampling(c.bAutoSupersampling),
                               p->SetFlip(c.bFlip),
                               p->SetClippingRect(&c.rcClip),
                               p->SetOutputSize(c.cxOut, c.cyOut)};
    bool bSet = true;
    for (HRESULT hr : results) bSet = bSet && check.ExpectOk(hr, (name + ": a setting").c_str());
    if (!bSet || !rig.ConnectInput() || !rig.ConnectOutput() || !rig.SetState(State_Running)) continue;
    const Picture source = NoisePicture(c.cxIn, c.cyIn, static_cast<uint32_t>(c.cxOut * 131 + c.eAlgorithm));
    Picture out;
    if (!rig.Transfer(source, &out)) continue;
    const bool bWhole = c.rcClip.right == 0;
    lumivar::ResampleGeometry g = {
        c.cxIn,
        c.cyIn,
        {bWhole ? 0 : static_cast<int>(c.rcClip.left), bWhole ? 0 : static_cast<int>(c.rcClip.top),
         bWhole ? c.cxIn : static_cast<int>(c.rcClip.right), bWhole ? c.cyIn : static_cast<int>(c.rcClip.bottom)},
        c.cxOut,
        c.cyOut,
        static_cast<lumivar::ResampleKernel>(c.eAlgorithm),
        c.bAntialiasing,
        c.bAutoSupersampling,
        c.bFlip};
    if (!check.Expect(out.width == c.cxOut && out.height == c.cyOut, "%s: the frame came out %dx%d, not %dx%d",
                      name.c_str(), out.width, out.height, c.cxOut, c.cyOut))
      continue;
    const Picture want = lumivar::test::Rounded(g, lumivar::test::ReferenceResample(g, source));
    int iWorst = -1, worst = 0, cOff = 0;
    for (size_t k = 0; k < want.bytes.size(); ++k) {
      if (k % 4 == 3) continue;
      const int diff = std::abs(static_cast<int>(out.bytes[k]) - want.bytes[k]);
      cOff += diff > kToleranceLevels;
      if (diff > worst) {
        worst = diff;
        iWorst = static_cast<int>(k);
      }
    }
    check.Expect(worst <= kToleranceLevels,
                 "%s: %d channel values differ from the reference by more than %d level (worst %d at x %d, y %d)",
                 name.c_str(), cOff, kToleranceLevels, worst, iWorst / 4 % c.cxOut, iWorst / 4 / c.cxOut);
    if (std::string(c.pszName) == "down") downs.push_back(out);
  }
  // Each algorithm gives frames of its own.
  for (size_t i = 0; i < downs.size(); ++i)
    for (size_t j = i + 1; j < downs.size(); ++j)
      check.Expect(downs[i] != downs[j], "%s and %s give the same frame", kAlgorithmNames[i + 1],
                   kAlgorithmNames[j + 1]);
}

void MeasureSpeed(CCheck& check) {
  CRig rig(check);
  if (!rig.Make(1920, 1080) || !check.ExpectOk(rig.m_spControl->SetOutputSize(1280, 720), "SetOutputSize(1280, 720)") ||
      !rig.ConnectInput() || !rig.ConnectOutput() || !rig.SetState(State_Running))
    return;
  rig.m_spSink->Input()->KeepPictures(false);
  const Picture picture = NoisePicture(1920, 1080, 11);
  for (int i = 1; i <= 8; ++i) {
    const double fps = FramesPerSecond(rig, picture, static_cast<ResizeAlgorithm>(i));
    check.Note("%-20s %7.1f frames/s", kAlgorithmNames[i], fps);
  }
}

}  // namespace filtercheck
