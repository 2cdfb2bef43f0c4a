// The generator's settings as IPersistStream keeps them, and their ranges, apart from COM
// (a native build fuzzes them).
//
//   kSettingsRecordSize   bytes in a record: a version DWORD, then the four LONGs
//   SettingsInRange       every value inside its range (VideoGenerator.h)
//   WriteSettingsRecord   a record of the settings, little-endian
//   ReadSettingsRecord    the settings of a record that was read, cbRead bytes of it
#pragma once

#include <windows.h>

#include <cstddef>

#include "VideoGenerator.h"

inline constexpr size_t kSettingsRecordSize = 4 + 4 * 4;

bool SettingsInRange(const VideoGeneratorSettings& s);
void WriteSettingsRecord(const VideoGeneratorSettings& s, BYTE (&record)[kSettingsRecordSize]);
// VFW_E_INVALID_FILE_FORMAT for a record cut short or a value out of range,
// VFW_E_INVALID_FILE_VERSION for another version; *pSettings is then untouched.
HRESULT ReadSettingsRecord(const BYTE (&record)[kSettingsRecordSize], size_t cbRead, VideoGeneratorSettings* pSettings);
