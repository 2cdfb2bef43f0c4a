#include "FrameCounter.h"

#include "TestPicture.h"

namespace {

// White digits on dark grey: a pixel is lit where its green is above the middle.
bool Lit(DWORD dwPixel) { return ((dwPixel >> 8) & 0xFF) >= 0x80; }

}  // namespace

LONGLONG ReadFrameCounter(const std::vector<DWORD>& pixels, LONG cx, LONG cy, LONG lFrameRate, LONGLONG iLast) {
  if (cx <= 0 || cy <= 0 || pixels.size() != static_cast<size_t>(cx) * cy) return -1;
  // The counter band, the picture's last eighth.
  const LONG yBand = 7 * cy / 8;
  const size_t cBand = static_cast<size_t>(cy - yBand) * cx;
  std::vector<DWORD> reference(static_cast<size_t>(cx) * cy);
  LONGLONG iBest = -1;
  size_t cBestMisses = cBand / 100 + 1;  // a match misses less than 1 % of the band
  for (LONGLONG iFrame = 0; iFrame <= iLast; ++iFrame) {
    // Drawn bottom-up: row y of the picture is reference row cy - 1 - y.
    DrawTestPicture(reinterpret_cast<BYTE*>(reference.data()), cx * 4, cx, cy, iFrame, lFrameRate);
    size_t cMisses = 0;
    for (LONG y = yBand; y < cy && cMisses < cBestMisses; ++y) {
      const DWORD* pShown = &pixels[static_cast<size_t>(y) * cx];
      const DWORD* pDrawn = &reference[static_cast<size_t>(cy - 1 - y) * cx];
      for (LONG x = 0; x < cx; ++x) cMisses += Lit(pShown[x]) != Lit(pDrawn[x]);
    }
    if (cMisses < cBestMisses) {
      cBestMisses = cMisses;
      iBest = iFrame;
    }
  }
  return iBest;
}
