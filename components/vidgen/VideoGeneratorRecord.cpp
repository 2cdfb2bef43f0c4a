#include "VideoGeneratorRecord.h"

#include <vfwmsgs.h>

namespace {

const DWORD kRecordVersion = 1;

bool InRange(LONG l, LONG lMin, LONG lMax) { return l >= lMin && l <= lMax; }

void Put32(BYTE* p, DWORD v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<BYTE>(v >> (8 * i));
}

DWORD Get32(const BYTE* p) {
  DWORD v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<DWORD>(p[i]) << (8 * i);
  return v;
}

LONG GetLong(const BYTE* p) { return static_cast<LONG>(Get32(p)); }

}  // namespace

bool SettingsInRange(const VideoGeneratorSettings& s) {
  return InRange(s.lWidth, kVidGenMinSize, kVidGenMaxSize) && InRange(s.lHeight, kVidGenMinSize, kVidGenMaxSize) &&
         InRange(s.lFrameRate, kVidGenMinFrameRate, kVidGenMaxFrameRate) &&
         InRange(s.lDurationMs, kVidGenMinDurationMs, kVidGenMaxDurationMs);
}

void WriteSettingsRecord(const VideoGeneratorSettings& s, BYTE (&record)[kSettingsRecordSize]) {
  Put32(record, kRecordVersion);
  Put32(record + 4, static_cast<DWORD>(s.lWidth));
  Put32(record + 8, static_cast<DWORD>(s.lHeight));
  Put32(record + 12, static_cast<DWORD>(s.lFrameRate));
  Put32(record + 16, static_cast<DWORD>(s.lDurationMs));
}

HRESULT ReadSettingsRecord(const BYTE (&record)[kSettingsRecordSize], size_t cbRead, VideoGeneratorSettings* pSettings) {
  if (cbRead < 4) return VFW_E_INVALID_FILE_FORMAT;
  if (Get32(record) != kRecordVersion) return VFW_E_INVALID_FILE_VERSION;
  if (cbRead != kSettingsRecordSize) return VFW_E_INVALID_FILE_FORMAT;
  const VideoGeneratorSettings s = {GetLong(record + 4), GetLong(record + 8), GetLong(record + 12),
                                    GetLong(record + 16)};
  if (!SettingsInRange(s)) return VFW_E_INVALID_FILE_FORMAT;
  *pSettings = s;
  return S_OK;
}
