#include "MediaTypeText.h"

#include <dshow.h>
#include <dvdmedia.h>
#include <mmreg.h>
#include <objbase.h>
#include <uuids.h>

#include <cwchar>

namespace {

struct NamedGuid {
  const GUID* pGuid;
  LPCWSTR pszName;
};

const NamedGuid kMajorTypes[] = {
    {&MEDIATYPE_Video, L"Video"}, {&MEDIATYPE_Audio, L"Audio"}, {&MEDIATYPE_Stream, L"Stream"},
    {&MEDIATYPE_Text, L"Text"},   {&MEDIATYPE_Midi, L"MIDI"},
};

const NamedGuid kSubtypes[] = {
    {&MEDIASUBTYPE_RGB32, L"RGB32"},   {&MEDIASUBTYPE_RGB24, L"RGB24"}, {&MEDIASUBTYPE_RGB565, L"RGB565"},
    {&MEDIASUBTYPE_RGB555, L"RGB555"}, {&MEDIASUBTYPE_RGB8, L"RGB8"},   {&MEDIASUBTYPE_ARGB32, L"ARGB32"},
    {&MEDIASUBTYPE_YUY2, L"YUY2"},     {&MEDIASUBTYPE_UYVY, L"UYVY"},   {&MEDIASUBTYPE_YV12, L"YV12"},
    {&MEDIASUBTYPE_NV12, L"NV12"},     {&MEDIASUBTYPE_PCM, L"PCM"},     {&MEDIASUBTYPE_Avi, L"AVI"},
};

const NamedGuid kFormats[] = {
    {&FORMAT_VideoInfo, L"VideoInfo"},
    {&FORMAT_VideoInfo2, L"VideoInfo2"},
    {&FORMAT_WaveFormatEx, L"WaveFormatEx"},
    {&FORMAT_None, L"None"},
    {&GUID_NULL, L"None"},
};

template <size_t N>
std::wstring GuidName(const GUID& guid, const NamedGuid (&names)[N]) {
  for (const NamedGuid& named : names)
    if (IsEqualGUID(*named.pGuid, guid)) return named.pszName;
  wchar_t szGuid[40] = {};
  ::StringFromGUID2(guid, szGuid, 40);
  return szGuid;
}

std::wstring VideoLine(const BITMAPINFOHEADER& bmi, REFERENCE_TIME rtFrame) {
  wchar_t szLine[128];
  int n = std::swprintf(szLine, 128, L"%ld x %ld, %u bits", static_cast<long>(bmi.biWidth),
                        static_cast<long>(bmi.biHeight), static_cast<unsigned>(bmi.biBitCount));
  if (n > 0 && rtFrame > 0) std::swprintf(szLine + n, 128 - n, L", %.3g frames/s", 1e7 / static_cast<double>(rtFrame));
  return szLine;
}

std::wstring FormatDetail(const AM_MEDIA_TYPE& mt) {
  if (IsEqualGUID(mt.formattype, FORMAT_VideoInfo) && mt.pbFormat && mt.cbFormat >= sizeof(VIDEOINFOHEADER)) {
    const auto* pvih = reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat);
    return VideoLine(pvih->bmiHeader, pvih->AvgTimePerFrame);
  }
  if (IsEqualGUID(mt.formattype, FORMAT_VideoInfo2) && mt.pbFormat && mt.cbFormat >= sizeof(VIDEOINFOHEADER2)) {
    const auto* pvih = reinterpret_cast<const VIDEOINFOHEADER2*>(mt.pbFormat);
    return VideoLine(pvih->bmiHeader, pvih->AvgTimePerFrame);
  }
  if (IsEqualGUID(mt.formattype, FORMAT_WaveFormatEx) && mt.pbFormat && mt.cbFormat >= sizeof(WAVEFORMATEX)) {
    const auto* pwfx = reinterpret_cast<const WAVEFORMATEX*>(mt.pbFormat);
    wchar_t szLine[96];
    std::swprintf(szLine, 96, L"%lu Hz, %u channels, %u bits", static_cast<unsigned long>(pwfx->nSamplesPerSec),
                  static_cast<unsigned>(pwfx->nChannels), static_cast<unsigned>(pwfx->wBitsPerSample));
    return szLine;
  }
  return std::wstring();
}

}  // namespace

std::wstring DescribeMediaType(const AM_MEDIA_TYPE& mt) {
  std::wstring text = L"Major type: " + GuidName(mt.majortype, kMajorTypes);
  text += L"\r\nSubtype: " + GuidName(mt.subtype, kSubtypes);
  text += L"\r\nFormat: " + GuidName(mt.formattype, kFormats);
  const std::wstring detail = FormatDetail(mt);
  if (!detail.empty()) text += L", " + detail;
  wchar_t szSize[64];
  if (mt.bFixedSizeSamples)
    std::swprintf(szSize, 64, L"\r\nSample size: %lu bytes", static_cast<unsigned long>(mt.lSampleSize));
  else
    std::swprintf(szSize, 64, L"\r\nSample size: variable");
  return text + szSize;
}

void FreeMediaTypeBlock(AM_MEDIA_TYPE* pmt) {
  if (!pmt) return;
  if (pmt->cbFormat != 0) ::CoTaskMemFree(pmt->pbFormat);
  pmt->cbFormat = 0;
  pmt->pbFormat = nullptr;
  if (pmt->pUnk) {
    pmt->pUnk->Release();
    pmt->pUnk = nullptr;
  }
}
