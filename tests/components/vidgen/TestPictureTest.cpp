// The test picture as drawn, against the picture's definition pixel by pixel:
// bars, panels, the moving bar exactly, and the zone plate against its
// per-pixel cosine in double precision, the way it was first drawn.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "TestPicture.h"
#include "VideoGenerator.h"

namespace {

const DWORD kSentinel = 0xA5C3E10F;

// The grey level of the zone plate at (x, y): 127.5 (1 + cos(k r^2 - phase)),
// rounded, with k putting the Nyquist limit at the band's corners.
int ZonePlateLevel(LONG cx, LONG cy, LONGLONG iFrame, LONG x, LONG y) {
  const LONG y0 = cy / 2, y1 = 7 * cy / 8;
  const double xc = cx / 2.0, yc = (y0 + y1) / 2.0;
  const double rMax = std::sqrt(xc * xc + (yc - y0) * (yc - y0));
  const double k = 3.14159265358979 / (2.0 * rMax);
  const double dx = x + 0.5 - xc, dy = y + 0.5 - yc;
  const double v = 127.5 * (1.0 + std::cos(k * (dx * dx + dy * dy) - 0.3 * static_cast<double>(iFrame)));
  const int level = static_cast<int>(v + 0.5);
  return level > 255 ? 255 : level;
}

DWORD Grey(int level) { return static_cast<DWORD>(level) * 0x010101; }

// The colour of (x, y), top-down, above the counter band; the zone plate's
// pixels answer -1 (compared by level instead).
LONGLONG ExpectedColour(LONG cx, LONG cy, LONGLONG iFrame, LONG x, LONG y) {
  const DWORD kBars[8] = {0xFFFFFF, 0xFFFF00, 0x00FFFF, 0x00FF00, 0xFF00FF, 0xFF0000, 0x0000FF, 0x000000};
  if (y < cy / 4) {
    for (int i = 0; i < 8; ++i)
      if (x < (i + 1) * cx / 8) return kBars[i];
  }
  if (y < cy / 2) {
    const LONG y0 = cy / 4, x1 = cx / 4, x2 = cx / 2, x3 = 3 * cx / 4;
    if (x < x1) return x % 2 == 0 ? 0xFFFFFF : 0;
    if (x < x2) return (y - y0) % 2 == 0 ? 0xFFFFFF : 0;
    if (x < x3) {
      const LONG cSide = std::min((cy / 2 - y0) / 2, (x3 - x2) / 2);
      const LONG xSq = x2 + (x3 - x2 - cSide) / 2, ySq = y0 + (cy / 2 - y0 - cSide) / 2;
      return x >= xSq && x < xSq + cSide && y >= ySq && y < ySq + cSide ? 0 : 0xFFFFFF;
    }
    return Grey(static_cast<int>(255 * (x - x3) / std::max<LONG>(cx - x3 - 1, 1)));
  }
  const LONG cPositions = (cx - 4) / 4 + 1;
  const LONG xBar = static_cast<LONG>(iFrame % cPositions) * 4;
  return x >= xBar && x < xBar + 4 ? 0xFFFFFF : -1;
}

struct PictureCase {
  LONG cx, cy;
  LONGLONG iFrame;
};

TEST(TestPictureTest, DrawnPictureIsItsDefinitionWithinOneLevel) {
  const LONGLONG iLastFrame = static_cast<LONGLONG>(kVidGenMaxDurationMs) / 1000 * kVidGenMaxFrameRate;
  const PictureCase cases[] = {
      {kVidGenMinSize, kVidGenMinSize, 0}, {kVidGenMinSize, kVidGenMinSize, 5},
      {17, 23, 3},                         {161, 97, 12},
      {640, 480, 0},                       {640, 480, 1},
      {1280, 720, 299},                    {1920, 1080, 0},
      {1920, 1080, 77},                    {1919, 1081, 1000},
      {kVidGenMaxSize, 64, 2},             {33, kVidGenMaxSize, 9},
      {kVidGenMaxSize, kVidGenMaxSize, 7}, {720, 576, iLastFrame},
  };
  for (const PictureCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.cx << " x " << c.cy << ", frame " << c.iFrame);
    // Rows padded by three pixels, which must stay as they were.
    const LONG cxStride = c.cx + 3;
    std::vector<DWORD> frame(static_cast<size_t>(cxStride) * c.cy, kSentinel);
    DrawTestPicture(reinterpret_cast<BYTE*>(frame.data()), cxStride * 4, c.cx, c.cy, c.iFrame, 25);

    long cWrong = 0, cOffByOne = 0, cPadding = 0, cZone = 0;
    for (LONG y = 0; y < c.cy; ++y) {
      const DWORD* pRow = frame.data() + static_cast<size_t>(c.cy - 1 - y) * cxStride;  // bottom-up
      for (LONG x = c.cx; x < cxStride; ++x) cPadding += pRow[x] != kSentinel;
      if (y >= 7 * c.cy / 8) continue;  // the counter band: FrameTest's
      for (LONG x = 0; x < c.cx; ++x) {
        const DWORD actual = pRow[x];
        const LONGLONG expected = ExpectedColour(c.cx, c.cy, c.iFrame, x, y);
        if (expected >= 0) {
          if (actual != static_cast<DWORD>(expected) && cWrong++ < 5)
            ADD_FAILURE() << "(" << x << ", " << y << "): " << std::hex << actual << ", not " << expected;
          continue;
        }
        ++cZone;
        const int level = static_cast<int>(actual & 0xFF);
        const int diff = std::abs(level - ZonePlateLevel(c.cx, c.cy, c.iFrame, x, y));
        if (actual != Grey(level) || diff > 1) {
          if (cWrong++ < 5)
            ADD_FAILURE() << "zone plate (" << x << ", " << y << "): " << std::hex << actual << ", not level "
                          << std::dec << ZonePlateLevel(c.cx, c.cy, c.iFrame, x, y);
        } else {
          cOffByOne += diff;
        }
      }
    }
    EXPECT_EQ(0, cWrong);
    EXPECT_EQ(0, cPadding);
    // A level off only where the cosine lies within rounding of a half.
    EXPECT_LE(cOffByOne, cZone / 100000 + 1) << cOffByOne << " of " << cZone << " zone-plate pixels off by one";
  }
}

}  // namespace
