#include "TestPicture.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

const DWORD kBars[8] = {0xFFFFFF, 0xFFFF00, 0x00FFFF, 0x00FF00, 0xFF00FF, 0xFF0000, 0x0000FF, 0x000000};
const DWORD kWhite = 0xFFFFFF;
const DWORD kBlack = 0x000000;
const DWORD kTextBackground = 0x202020;
const LONG kMovingBarWidth = 4;
const LONG kMovingBarStep = 4;

// 5x7 glyphs for '0'..'9' and ':', one row a byte, bit 4 the left column.
const BYTE kGlyphs[11][7] = {
    {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}, {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E},
    {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}, {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E},
    {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}, {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E},
    {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}, {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08},
    {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}, {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C},
    {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}};

class CFrame {
public:
  CFrame(BYTE* pBits, LONG lStride, LONG cx, LONG cy) : m_pBits(pBits), m_lStride(lStride), m_cx(cx), m_cy(cy) {}

  // Top-down coordinates over the bottom-up buffer.
  DWORD* Row(LONG y) const { return reinterpret_cast<DWORD*>(m_pBits + (m_cy - 1 - y) * m_lStride); }
  void Fill(LONG x0, LONG y0, LONG x1, LONG y1, DWORD rgb) const {
    for (LONG y = y0; y < y1; ++y) {
      DWORD* pRow = Row(y);
      for (LONG x = x0; x < x1; ++x) pRow[x] = rgb;
    }
  }
  void CopyRow(LONG ySource, LONG y) const { std::memcpy(Row(y), Row(ySource), m_cx * sizeof(DWORD)); }
  LONG Width() const { return m_cx; }

private:
  BYTE* m_pBits;
  LONG m_lStride, m_cx, m_cy;
};

DWORD Grey(int v) { return static_cast<DWORD>(v) * 0x010101; }

void DrawBars(const CFrame& f, LONG y0, LONG y1) {
  if (y1 <= y0) return;
  for (int i = 0; i < 8; ++i) f.Fill(i * f.Width() / 8, y0, (i + 1) * f.Width() / 8, y0 + 1, kBars[i]);
  for (LONG y = y0 + 1; y < y1; ++y) f.CopyRow(y0, y);
}

void DrawPanels(const CFrame& f, LONG y0, LONG y1) {
  const LONG cx = f.Width();
  const LONG x1 = cx / 4, x2 = cx / 2, x3 = 3 * cx / 4;
  // Two rows make the pattern (the horizontal lines alternate); the square goes on top.
  for (LONG y = y0; y < y1 && y < y0 + 2; ++y) {
    DWORD* pRow = f.Row(y);
    for (LONG x = 0; x < x1; ++x) pRow[x] = (x % 2 == 0) ? kWhite : kBlack;
    for (LONG x = x1; x < x2; ++x) pRow[x] = ((y - y0) % 2 == 0) ? kWhite : kBlack;
    for (LONG x = x2; x < x3; ++x) pRow[x] = kWhite;
    for (LONG x = x3; x < cx; ++x) pRow[x] = Grey(static_cast<int>(255 * (x - x3) / (cx - x3 > 1 ? cx - x3 - 1 : 1)));
  }
  for (LONG y = y0 + 2; y < y1; ++y) f.CopyRow(y0 + (y - y0) % 2, y);
  const LONG cSide = (y1 - y0) / 2 < (x3 - x2) / 2 ? (y1 - y0) / 2 : (x3 - x2) / 2;
  const LONG xSq = x2 + (x3 - x2 - cSide) / 2, ySq = y0 + (y1 - y0 - cSide) / 2;
  f.Fill(xSq, ySq, xSq + cSide, ySq + cSide, kBlack);
}

// Columns of the zone plate done at a time: their tables fit on the stack.
const LONG kZoneColumns = 256;

void DrawZonePlate(const CFrame& f, LONG y0, LONG y1, LONGLONG iFrame) {
  if (y1 <= y0) return;
  const double xc = f.Width() / 2.0, yc = (y0 + y1) / 2.0;
  // Phase k r^2 has the local frequency k r / pi cycles a pixel: half a
  // cycle, the Nyquist limit, at the corners.
  const double rMax = std::sqrt(xc * xc + (yc - y0) * (yc - y0));
  const double k = 3.14159265358979 / (2.0 * rMax);
  const double phase = 0.3 * static_cast<double>(iFrame);
  // Rows y and y0 + y1 - 1 - y lie as far from the centre: the upper half is
  // drawn, the lower half copied.
  const LONG yLastDrawn = (y0 + y1 - 1) / 2;
  // cos(k dx^2 + (k dy^2 - phase)) splits into a table a column and two
  // factors a row: two products a pixel instead of a cosine.
  double aCos[kZoneColumns], aSin[kZoneColumns];
  for (LONG x0 = 0; x0 < f.Width(); x0 += kZoneColumns) {
    const LONG cColumns = f.Width() - x0 < kZoneColumns ? f.Width() - x0 : kZoneColumns;
    for (LONG i = 0; i < cColumns; ++i) {
      const double dx = x0 + i + 0.5 - xc;
      aCos[i] = 127.5 * std::cos(k * dx * dx);
      aSin[i] = 127.5 * std::sin(k * dx * dx);
    }
    for (LONG y = y0; y <= yLastDrawn; ++y) {
      const double dy = y + 0.5 - yc;
      const double cosRow = std::cos(k * dy * dy - phase), sinRow = std::sin(k * dy * dy - phase);
      DWORD* pRow = f.Row(y) + x0;
      for (LONG i = 0; i < cColumns; ++i) {
        // 127.5 (1 + cos) and a half to round; never outside 0.5 .. 255.5.
        const double v = 128.0 + (aCos[i] * cosRow - aSin[i] * sinRow);
        pRow[i] = Grey(static_cast<int>(v));
      }
    }
  }
  for (LONG y = yLastDrawn + 1; y < y1; ++y) f.CopyRow(y0 + y1 - 1 - y, y);
}

void DrawText(const CFrame& f, LONG x, LONG y, LONG s, const char* psz) {
  for (; *psz; ++psz, x += 6 * s) {
    const int i = (*psz == ':') ? 10 : *psz - '0';
    if (i < 0 || i > 10) continue;
    for (int gy = 0; gy < 7; ++gy)
      for (int gx = 0; gx < 5; ++gx)
        if (kGlyphs[i][gy] & (0x10 >> gx)) f.Fill(x + gx * s, y + gy * s, x + (gx + 1) * s, y + (gy + 1) * s, kWhite);
  }
}

void DrawCounter(const CFrame& f, LONG y0, LONG y1, LONGLONG iFrame, LONG lFrameRate) {
  f.Fill(0, y0, f.Width(), y1, kTextBackground);
  char sz[40];
  const LONGLONG iSeconds = iFrame / lFrameRate;
  std::snprintf(sz, sizeof sz, "%06lld  %02lld:%02lld:%02lld:%02lld", iFrame, iSeconds / 3600, iSeconds / 60 % 60,
                iSeconds % 60, iFrame % lFrameRate);
  // 21 cells of 6 x 8 units: as large as the band allows.
  LONG s = (y1 - y0) / 8;
  if (s > f.Width() / (21 * 6)) s = f.Width() / (21 * 6);
  if (s < 1) return;  // too small a picture for text
  DrawText(f, s, y0 + ((y1 - y0) - 7 * s) / 2, s, sz);
}

struct TestPictureLayout {
  LONG cyBars, cyPanels, cyZone, cyText;  // the last row + 1 of each band
  LONG xMovingBar;                        // left column of the moving bar
};

TestPictureLayout GetTestPictureLayout(LONG cx, LONG cy, LONGLONG iFrame) {
  TestPictureLayout layout;
  layout.cyBars = cy / 4;
  layout.cyPanels = cy / 2;
  layout.cyZone = 7 * cy / 8;
  layout.cyText = cy;
  const LONG cPositions = (cx - kMovingBarWidth) / kMovingBarStep + 1;
  layout.xMovingBar = static_cast<LONG>(iFrame % cPositions) * kMovingBarStep;
  return layout;
}

}  // namespace

void DrawTestPicture(BYTE* pBits, LONG lStride, LONG cx, LONG cy, LONGLONG iFrame, LONG lFrameRate) {
  const CFrame f(pBits, lStride, cx, cy);
  const TestPictureLayout layout = GetTestPictureLayout(cx, cy, iFrame);
  DrawBars(f, 0, layout.cyBars);
  DrawPanels(f, layout.cyBars, layout.cyPanels);
  DrawZonePlate(f, layout.cyPanels, layout.cyZone, iFrame);
  f.Fill(layout.xMovingBar, layout.cyPanels, layout.xMovingBar + kMovingBarWidth, layout.cyZone, kWhite);
  DrawCounter(f, layout.cyZone, layout.cyText, iFrame, lFrameRate);
}
