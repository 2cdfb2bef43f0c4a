// The settings model alone: what the input's connection does to the output rules, and
// what a persisted record must hold to be taken.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>

#include "ResizerSettings.h"

using lumivar::ResizerSettings;

namespace {

struct Shape {
  LONG cx, cy;
  double dX, dY;
};

void ExpectShape(const ResizerSettings& s, const Shape& want) {
  const SIZE size = s.OutputSize();
  double dX = 0, dY = 0;
  s.Coefficients(&dX, &dY);
  EXPECT_EQ(want.cx, size.cx);
  EXPECT_EQ(want.cy, size.cy);
  EXPECT_DOUBLE_EQ(want.dX, dX);
  EXPECT_DOUBLE_EQ(want.dY, dY);
}

bool SameRecord(const ResizerSettings& a, const ResizerSettings& b) {
  uint8_t ra[ResizerSettings::kPersistSize], rb[ResizerSettings::kPersistSize];
  a.Save(ra);
  b.Save(rb);
  return std::memcmp(ra, rb, sizeof ra) == 0;
}

struct FollowCase {
  const char* label;
  std::function<void(ResizerSettings&)> arrange;  // on a fresh 640 x 480 model
  std::function<HRESULT(ResizerSettings&)> change;
  Shape want;
  RECT rcClipWant;
};

}  // namespace

TEST(ResizerSettings, OutputFollowsTheFixedOrVariableRuleWhenInputOrClipChanges) {
  const FollowCase cases[] = {
      {"fixed, larger input: size stays, coefficients follow", [](ResizerSettings&) {},
       [](ResizerSettings& s) { return s.SetInputSize(1280, 720); },
       {640, 480, 0.5, 480.0 / 720},
       {0, 0, 0, 0}},
      {"fixed, clip: size stays, coefficients follow", [](ResizerSettings&) {},
       [](ResizerSettings& s) { return s.SetClip(RECT{0, 0, 320, 240}); },
       {640, 480, 2, 2},
       {0, 0, 320, 240}},
      {"variable, larger input: coefficients stay, size follows",
       [](ResizerSettings& s) {
         s.SetFixedOutput(false);
         s.SetCoefficients(0.5, 0.5);
       },
       [](ResizerSettings& s) { return s.SetInputSize(1280, 720); },
       {640, 360, 0.5, 0.5},
       {0, 0, 0, 0}},
      {"variable, clip: coefficients stay, size follows",
       [](ResizerSettings& s) { s.SetFixedOutput(false); },
       [](ResizerSettings& s) { return s.SetClip(RECT{10, 20, 330, 260}); },
       {320, 240, 1, 1},
       {10, 20, 330, 260}},
      {"variable, back to the whole picture",
       [](ResizerSettings& s) {
         s.SetFixedOutput(false);
         s.SetClip(RECT{0, 0, 320, 240});
         s.SetCoefficients(2, 2);
       },
       [](ResizerSettings& s) { return s.SetClip(RECT{0, 0, 0, 0}); },
       {1280, 960, 2, 2},
       {0, 0, 0, 0}},
      {"variable, held at 8192: the coefficient follows the size",
       [](ResizerSettings& s) {
         s.SetFixedOutput(false);
         s.SetCoefficients(8, 1);
       },
       [](ResizerSettings& s) { return s.SetInputSize(2000, 100); },
       {8192, 100, 8192.0 / 2000, 1},
       {0, 0, 0, 0}},
      {"variable, held at 1: the coefficient follows the size",
       [](ResizerSettings& s) {
         s.SetFixedOutput(false);
         s.SetCoefficients(0.01, 1);
       },
       [](ResizerSettings& s) { return s.SetInputSize(10, 10); },
       {1, 10, 0.1, 1},
       {0, 0, 0, 0}},
      {"a clip outside the new input becomes the whole picture",
       [](ResizerSettings& s) { s.SetClip(RECT{100, 80, 640, 480}); },
       [](ResizerSettings& s) { return s.SetInputSize(320, 240); },
       {640, 480, 2, 2},
       {0, 0, 0, 0}},
      {"a clip inside the new input stays",
       [](ResizerSettings& s) { s.SetClip(RECT{100, 80, 300, 200}); },
       [](ResizerSettings& s) { return s.SetInputSize(320, 240); },
       {640, 480, 3.2, 4},
       {100, 80, 300, 200}},
  };
  for (const FollowCase& c : cases) {
    SCOPED_TRACE(c.label);
    ResizerSettings s;
    c.arrange(s);
    EXPECT_EQ(S_OK, c.change(s));
    ExpectShape(s, c.want);
    const RECT rc = s.Clip();
    EXPECT_EQ(c.rcClipWant.left, rc.left);
    EXPECT_EQ(c.rcClipWant.top, rc.top);
    EXPECT_EQ(c.rcClipWant.right, rc.right);
    EXPECT_EQ(c.rcClipWant.bottom, rc.bottom);
  }
}

TEST(ResizerSettings, VariableOutputKeepsTheCoefficientsSetWithoutDrift) {
  ResizerSettings s;
  ASSERT_EQ(S_OK, s.SetInputSize(641, 481));
  s.SetFixedOutput(false);
  ASSERT_EQ(S_OK, s.SetCoefficients(0.5, 0.5));
  // 320.5 and 240.5 round half up.
  ExpectShape(s, {321, 241, 321.0 / 641, 241.0 / 481});
  ASSERT_EQ(S_OK, s.SetInputSize(101, 99));
  ExpectShape(s, {51, 50, 51.0 / 101, 50.0 / 99});
  ASSERT_EQ(S_OK, s.SetInputSize(641, 481));
  ExpectShape(s, {321, 241, 321.0 / 641, 241.0 / 481});
}

TEST(ResizerSettings, RefusedInputSizeChangesNothing) {
  const SIZE sizes[] = {{0, 480}, {640, 0}, {-1, 480}, {32769, 480}, {640, 32769}};
  for (const SIZE& size : sizes) {
    SCOPED_TRACE(testing::Message() << size.cx << " x " << size.cy);
    ResizerSettings s;
    ASSERT_EQ(S_OK, s.SetClip(RECT{1, 2, 3, 4}));
    const ResizerSettings before = s;
    EXPECT_EQ(E_INVALIDARG, s.SetInputSize(size.cx, size.cy));
    EXPECT_TRUE(SameRecord(before, s));
  }
}

TEST(ResizerSettings, SavedRecordLoadsBackEverySetting) {
  ResizerSettings saved;
  ASSERT_EQ(S_OK, saved.SetInputSize(1920, 1080));
  ASSERT_EQ(S_OK, saved.SetAlgorithm(RESIZE_LANCZOS3));
  saved.SetAntialiasing(false);
  saved.SetAutoSupersampling(true);
  saved.SetFlip(true);
  saved.SetFixedOutput(false);
  ASSERT_EQ(S_OK, saved.SetClip(RECT{100, 80, 1700, 980}));
  ASSERT_EQ(S_OK, saved.SetCoefficients(0.3, 0.7));
  uint8_t record[ResizerSettings::kPersistSize];
  saved.Save(record);

  ResizerSettings loaded;
  ASSERT_EQ(S_OK, loaded.Load(record));
  EXPECT_TRUE(SameRecord(saved, loaded));
  EXPECT_EQ(RESIZE_LANCZOS3, loaded.Algorithm());
  EXPECT_FALSE(loaded.Antialiasing());
  EXPECT_TRUE(loaded.AutoSupersampling());
  EXPECT_TRUE(loaded.Flip());
  EXPECT_FALSE(loaded.FixedOutput());
  EXPECT_EQ(1920, loaded.InputSize().cx);
  EXPECT_EQ(100, loaded.Clip().left);
  EXPECT_EQ(980, loaded.Clip().bottom);
  // 1600 * 0.3 and 900 * 0.7
  EXPECT_EQ(480, loaded.OutputSize().cx);
  EXPECT_EQ(630, loaded.OutputSize().cy);
  // The kept coefficients came back too: a new input follows them exactly.
  ASSERT_EQ(S_OK, loaded.SetClip(RECT{0, 0, 1000, 1000}));
  EXPECT_EQ(300, loaded.OutputSize().cx);
  EXPECT_EQ(700, loaded.OutputSize().cy);
}

namespace {

void Poke32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }
void PokeDouble(uint8_t* p, double d) { std::memcpy(p, &d, 8); }

struct CorruptCase {
  const char* label;
  std::function<void(uint8_t*)> corrupt;
};

}  // namespace

TEST(ResizerSettings, LoadRefusesARecordOutOfTheRules) {
  const double inf = std::numeric_limits<double>::infinity();
  const CorruptCase cases[] = {
      {"version 0", [](uint8_t* r) { Poke32(r + 0, 0); }},
      {"version 2", [](uint8_t* r) { Poke32(r + 0, 2); }},
      {"record size 63", [](uint8_t* r) { Poke32(r + 4, 63); }},
      {"algorithm 0", [](uint8_t* r) { Poke32(r + 8, 0); }},
      {"algorithm 9", [](uint8_t* r) { Poke32(r + 8, 9); }},
      {"unknown flag", [](uint8_t* r) { Poke32(r + 12, 1u << 4); }},
      {"clip right of the input", [](uint8_t* r) { Poke32(r + 24, 641); }},
      {"clip left == right", [](uint8_t* r) { Poke32(r + 16, 600); Poke32(r + 24, 600); }},
      {"clip negative top", [](uint8_t* r) { Poke32(r + 20, static_cast<uint32_t>(-1)); }},
      {"input width 0", [](uint8_t* r) { Poke32(r + 32, 0); }},
      {"input height 32769", [](uint8_t* r) { Poke32(r + 36, 32769); }},
      {"output width 0", [](uint8_t* r) { Poke32(r + 40, 0); }},
      {"output height 8193", [](uint8_t* r) { Poke32(r + 44, 8193); }},
      {"coefficient NaN", [](uint8_t* r) { PokeDouble(r + 48, std::nan("")); }},
      {"coefficient infinite", [inf](uint8_t* r) { PokeDouble(r + 56, inf); }},
      {"coefficient negative", [](uint8_t* r) { PokeDouble(r + 48, -1); }},
      {"coefficient giving 0 pixels", [](uint8_t* r) { PokeDouble(r + 48, 0.0001); }},
      {"coefficient giving 8193 pixels", [](uint8_t* r) { PokeDouble(r + 56, 8193.0 / 80); }},
  };
  ResizerSettings good;
  ASSERT_EQ(S_OK, good.SetClip(RECT{10, 20, 600, 100}));
  for (const CorruptCase& c : cases) {
    SCOPED_TRACE(c.label);
    uint8_t record[ResizerSettings::kPersistSize];
    good.Save(record);
    c.corrupt(record);
    ResizerSettings target;
    target.SetFlip(true);
    const ResizerSettings before = target;
    EXPECT_EQ(E_INVALIDARG, target.Load(record));
    EXPECT_TRUE(SameRecord(before, target));
  }
}

// A record holds the output size together with the coefficients it keeps for variable
// output; one whose two disagree would load one size and later resize to another.
TEST(ResizerSettings, LoadRefusesAnOutputSizeItsKeptCoefficientsDoNotGive) {
  struct Probe {
    const char* label;
    bool bFixed;
    LONG cx, cy;
    double dKept;
  };
  const Probe probes[] = {
      {"fixed 100 x 100 keeping 2.0 on 640 x 480", true, 100, 100, 2.0},
      {"variable 8192 x 8192 keeping 1.0 on 640 x 480", false, 8192, 8192, 1.0},
  };
  for (const Probe& p : probes) {
    SCOPED_TRACE(p.label);
    ResizerSettings made;
    made.SetFixedOutput(p.bFixed);
    uint8_t record[ResizerSettings::kPersistSize];
    made.Save(record);
    Poke32(record + 40, static_cast<uint32_t>(p.cx));
    Poke32(record + 44, static_cast<uint32_t>(p.cy));
    PokeDouble(record + 48, p.dKept);
    PokeDouble(record + 56, p.dKept);
    ResizerSettings target;
    const ResizerSettings before = target;
    EXPECT_EQ(E_INVALIDARG, target.Load(record));
    EXPECT_TRUE(SameRecord(before, target));
  }
}

// Whatever the setters leave behind loads back and then behaves as the original does.
TEST(ResizerSettings, EveryRecordTheSettersMakeLoadsAndFollowsTheRulesAsTheOriginal) {
  const std::function<void(ResizerSettings&)> makers[] = {
      [](ResizerSettings& s) { s.SetCoefficients(1.0 / 3, 0.7); },
      [](ResizerSettings& s) { s.SetOutputSize(100, 100); },
      [](ResizerSettings& s) { s.SetFixedOutput(false); s.SetOutputSize(8192, 8192); },
      [](ResizerSettings& s) { s.SetFixedOutput(false); s.SetCoefficients(12.8, 0.001 + 1.0 / 480); },
      [](ResizerSettings& s) { s.SetFixedOutput(false); s.SetCoefficients(20, 20); s.SetInputSize(100, 100); },
      [](ResizerSettings& s) { s.SetClip(RECT{1, 1, 4, 4}); s.SetCoefficients(1.0 / 3, 2.0 / 3); },
  };
  int i = 0;
  for (const auto& make : makers) {
    SCOPED_TRACE(i++);
    ResizerSettings made;
    make(made);
    uint8_t record[ResizerSettings::kPersistSize];
    made.Save(record);
    ResizerSettings loaded;
    ASSERT_EQ(S_OK, loaded.Load(record));
    EXPECT_TRUE(SameRecord(made, loaded));
    // The same later steps give the same sizes.
    for (ResizerSettings* p : {&made, &loaded}) {
      p->SetFixedOutput(false);
      ASSERT_EQ(S_OK, p->SetInputSize(320, 240));
    }
    EXPECT_TRUE(SameRecord(made, loaded));
  }
}
