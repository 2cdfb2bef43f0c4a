// libFuzzer over the persisted records of the Resizer (ResizerSettings) and of the Video
// Generator (VideoGeneratorRecord). The first byte picks the record; the rest is the record
// as a stream would hand it over, then, for the Resizer, the steps taken after loading.
//
// What must hold: a refused record changes nothing; a taken one saves back to the very
// same bytes and keeps its output size when its input picture connects again; and whatever
// the setters make of a loaded record loads back in turn.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ResizerSettings.h"
#include "VideoGeneratorRecord.h"

using lumivar::ResizerSettings;

namespace {

void Require(bool bHolds, const char* pszWhat) {
  if (bHolds) return;
  std::fprintf(stderr, "broken: %s\n", pszWhat);
  std::abort();
}

bool SameRecord(const ResizerSettings& a, const ResizerSettings& b) {
  uint8_t ra[ResizerSettings::kPersistSize], rb[ResizerSettings::kPersistSize];
  a.Save(ra);
  b.Save(rb);
  return std::memcmp(ra, rb, sizeof ra) == 0;
}

LONG Take32(const uint8_t*& p, size_t& cb) {
  uint32_t v = 0;
  for (int i = 0; i < 4 && cb > 0; ++i, --cb) v |= static_cast<uint32_t>(*p++) << (8 * i);
  return static_cast<LONG>(v);
}

void FuzzResizer(const uint8_t* p, size_t cb) {
  uint8_t record[ResizerSettings::kPersistSize] = {};
  const size_t cbRecord = cb < sizeof record ? cb : sizeof record;
  std::memcpy(record, p, cbRecord);
  p += cbRecord;
  cb -= cbRecord;

  ResizerSettings settings;
  const ResizerSettings before = settings;
  if (FAILED(settings.Load(record))) {
    Require(SameRecord(before, settings), "a refused record changed the settings");
    return;
  }
  uint8_t saved[ResizerSettings::kPersistSize];
  settings.Save(saved);
  Require(std::memcmp(saved, record, sizeof saved) == 0, "a loaded record saves back as other bytes");
  // The input picture it was saved with, connected again, keeps the output size under
  // either rule, as it does for settings the interface made.
  ResizerSettings reconnected = settings;
  reconnected.SetFixedOutput(false);
  const SIZE sizeInput = reconnected.InputSize();
  Require(SUCCEEDED(reconnected.SetInputSize(sizeInput.cx, sizeInput.cy)) && reconnected.SameOutputSize(settings),
          "the same input picture again gives another output size");

  // The steps a filter takes later: a new input picture, the other output rule, a clip.
  while (cb > 0) {
    const uint8_t step = *p++;
    --cb;
    switch (step % 4) {
      case 0: {
        const LONG cx = Take32(p, cb), cy = Take32(p, cb);
        settings.SetInputSize(cx, cy);
        break;
      }
      case 1:
        settings.SetFixedOutput((step & 4) != 0);
        break;
      case 2: {
        const RECT rc = {Take32(p, cb), Take32(p, cb), Take32(p, cb), Take32(p, cb)};
        settings.SetClip(rc);
        break;
      }
      case 3: {
        const LONG cx = Take32(p, cb), cy = Take32(p, cb);
        settings.SetOutputSize(cx, cy);
        break;
      }
    }
    const SIZE size = settings.OutputSize();
    Require(size.cx >= ResizerSettings::kMinSize && size.cx <= ResizerSettings::kMaxSize &&
                size.cy >= ResizerSettings::kMinSize && size.cy <= ResizerSettings::kMaxSize,
            "an output size out of its limits");
    uint8_t again[ResizerSettings::kPersistSize];
    settings.Save(again);
    ResizerSettings reloaded;
    Require(SUCCEEDED(reloaded.Load(again)), "what the setters made does not load back");
    Require(SameRecord(settings, reloaded), "what the setters made loads back as another");
  }
}

void FuzzGenerator(const uint8_t* p, size_t cb) {
  BYTE record[kSettingsRecordSize] = {};
  const size_t cbRead = cb < sizeof record ? cb : sizeof record;
  std::memcpy(record, p, cbRead);
  const VideoGeneratorSettings sentinel = {-1, -2, -3, -4};
  VideoGeneratorSettings settings = sentinel;
  if (FAILED(ReadSettingsRecord(record, cbRead, &settings))) {
    Require(std::memcmp(&settings, &sentinel, sizeof settings) == 0, "a refused record left settings behind");
    return;
  }
  Require(SettingsInRange(settings), "a record out of range was taken");
  BYTE saved[kSettingsRecordSize];
  WriteSettingsRecord(settings, saved);
  Require(std::memcmp(saved, record, sizeof saved) == 0, "a loaded record saves back as other bytes");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t cbData) {
  if (cbData == 0) return 0;
  if (pData[0] & 1)
    FuzzGenerator(pData + 1, cbData - 1);
  else
    FuzzResizer(pData + 1, cbData - 1);
  return 0;
}
