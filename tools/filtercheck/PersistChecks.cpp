// What a resizer promises of its saved settings (IPersistStream).
#include "Checks.h"

#include <cmath>

#include "Settings.h"

namespace filtercheck {

namespace {

HRESULT StreamOf(const std::vector<BYTE>& bytes, IStream** ppStream) {
  HRESULT hr = ::CreateStreamOnHGlobal(nullptr, TRUE, ppStream);
  if (FAILED(hr)) return hr;
  ULONG cb = 0;
  if (!bytes.empty() && FAILED(hr = (*ppStream)->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &cb))) return hr;
  const LARGE_INTEGER zero = {};
  return (*ppStream)->Seek(zero, STREAM_SEEK_SET, nullptr);
}

HRESULT Saved(IPersistStream* pPersist, std::vector<BYTE>* pBytes) {
  CComPtr<IStream> spStream;
  HRESULT hr = ::CreateStreamOnHGlobal(nullptr, TRUE, &spStream);
  if (FAILED(hr) || FAILED(hr = pPersist->Save(spStream, TRUE))) return hr;
  STATSTG stat = {};
  if (FAILED(hr = spStream->Stat(&stat, STATFLAG_NONAME))) return hr;
  pBytes->resize(static_cast<size_t>(stat.cbSize.QuadPart));
  const LARGE_INTEGER zero = {};
  spStream->Seek(zero, STREAM_SEEK_SET, nullptr);
  ULONG cb = 0;
  return pBytes->empty() ? S_OK : spStream->Read(pBytes->data(), static_cast<ULONG>(pBytes->size()), &cb);
}

// What the setters could have made on the assumed 640 x 480 picture (how the getters
// read Booleans back is resizer.settings' to judge).
bool Lawful(const ResizerState& s) {
  const RECT& rc = s.rcClip;
  const bool bWhole = rc.left == 0 && rc.top == 0 && rc.right == 0 && rc.bottom == 0;
  if (!bWhole &&
      (rc.left < 0 || rc.top < 0 || rc.right > 640 || rc.bottom > 480 || rc.left >= rc.right || rc.top >= rc.bottom))
    return false;
  const double cxClip = bWhole ? 640 : rc.right - rc.left, cyClip = bWhole ? 480 : rc.bottom - rc.top;
  return SUCCEEDED(s.hr) && s.eAlgorithm >= 1 && s.eAlgorithm <= 8 && s.cx >= 1 && s.cx <= 8192 && s.cy >= 1 &&
         s.cy <= 8192 && std::fabs(s.dX - s.cx / cxClip) < 1e-9 && std::fabs(s.dY - s.cy / cyClip) < 1e-9;
}

}  // namespace

void CheckPersistence(CCheck& check) {
  CComPtr<IBaseFilter> spSaver;
  if (!check.Setup(check.Filters().Create(&spSaver), "creating the filter")) return;
  CComQIPtr<IPersistStream> spPersist(spSaver);
  CComQIPtr<IResizerControl> spControl(spSaver);
  if (!spPersist) {
    check.Skip("the filter shows no IPersistStream (filter.interfaces reports it)");
    return;
  }
  if (!spControl) return;
  CLSID clsid = GUID_NULL;
  check.Expect(SUCCEEDED(spPersist->GetClassID(&clsid)) && clsid == CLSID_Resizer, "GetClassID is not CLSID_Resizer");
  check.ExpectHr(S_OK, spControl->SetFlip(TRUE), "SetFlip(TRUE)");
  check.ExpectHr(S_OK, spPersist->IsDirty(), "IsDirty after a setting changed");
  if (!check.ExpectOk(SetDistinctSettings(spControl, RESIZE_LANCZOS3), "setting every setting")) return;
  const ResizerState saved = ReadState(spControl);
  std::vector<BYTE> record;
  if (!check.ExpectOk(Saved(spPersist, &record), "Save")) return;
  check.ExpectHr(S_FALSE, spPersist->IsDirty(), "IsDirty after Save(clear dirty)");
  ULARGE_INTEGER cbMax = {};
  const HRESULT hrMax = spPersist->GetSizeMax(&cbMax);
  check.Expect(SUCCEEDED(hrMax) && cbMax.QuadPart >= record.size(),
               "GetSizeMax answered %llu for a record of %zu bytes", static_cast<unsigned long long>(cbMax.QuadPart),
               record.size());

  // Loaded into a new filter: the same settings, the same frames.
  CRig loaded(check), original(check);
  if (!loaded.Make(64, 48) || !original.Make(64, 48)) return;
  CComQIPtr<IPersistStream> spLoad(loaded.m_spFilter);
  CComPtr<IStream> spStream;
  if (!spLoad || !check.Setup(StreamOf(record, &spStream), "a stream") ||
      !check.ExpectOk(spLoad->Load(spStream), "Load of a saved record"))
    return;
  const ResizerState back = ReadState(loaded.m_spControl);
  check.Expect(back == saved, "a record saved with %s loads back as %s", saved.Text().c_str(), back.Text().c_str());
  SetDistinctSettings(original.m_spControl, RESIZE_LANCZOS3);
  Picture a, b;
  const Picture source = NoisePicture(64, 48, 21);
  for (CRig* pRig : {&loaded, &original})
    if (!pRig->ConnectInput() || !pRig->ConnectOutput() || !pRig->SetState(State_Running)) return;
  if (loaded.Transfer(source, &a) && original.Transfer(source, &b))
    check.Expect(a == b, "the loaded filter's frames differ from the saved filter's");

  // Cut or corrupt: refused with nothing changed, or (corrupt) taken as a lawful record.
  CComPtr<IBaseFilter> spTarget;
  if (!check.Setup(check.Filters().Create(&spTarget), "creating the filter")) return;
  CComQIPtr<IPersistStream> spTargetPersist(spTarget);
  CComQIPtr<IResizerControl> spTargetControl(spTarget);
  SetDistinctSettings(spTargetControl, RESIZE_CUBIC_BSPLINE);
  const ResizerState before = ReadState(spTargetControl);
  int cCutTaken = 0, cCutChanged = 0, cCorruptChanged = 0, cCorruptUnlawful = 0;
  for (size_t cb = 0; cb < record.size(); ++cb) {
    spStream.Release();
    const std::vector<BYTE> cut(record.begin(), record.begin() + static_cast<ptrdiff_t>(cb));
    if (FAILED(StreamOf(cut, &spStream))) continue;
    const HRESULT hr = spTargetPersist->Load(spStream);
    cCutTaken += SUCCEEDED(hr);
    cCutChanged += ReadState(spTargetControl) != before;
  }
  check.Expect(cCutTaken == 0, "%d of the %zu records cut short were accepted", cCutTaken, record.size());
  check.Expect(cCutChanged == 0, "%d records cut short changed the settings", cCutChanged);
  for (size_t i = 0; i < record.size(); ++i)
    for (BYTE flip : {0xFF, 0x01}) {
      std::vector<BYTE> corrupt = record;
      corrupt[i] ^= flip;
      CComPtr<IBaseFilter> spFresh;
      if (FAILED(check.Filters().Create(&spFresh))) continue;
      CComQIPtr<IPersistStream> spFreshPersist(spFresh);
      CComQIPtr<IResizerControl> spFreshControl(spFresh);
      SetDistinctSettings(spFreshControl, RESIZE_CUBIC_BSPLINE);
      spStream.Release();
      if (FAILED(StreamOf(corrupt, &spStream))) continue;
      const HRESULT hr = spFreshPersist->Load(spStream);
      const ResizerState after = ReadState(spFreshControl);
      if (FAILED(hr))
        cCorruptChanged += after != before;
      else
        cCorruptUnlawful += !Lawful(after);
    }
  check.Expect(cCorruptChanged == 0, "%d refused corrupt records changed the settings", cCorruptChanged);
  check.Expect(cCorruptUnlawful == 0, "%d corrupt records were taken with settings no setter could make",
               cCorruptUnlawful);
}

}  // namespace filtercheck
