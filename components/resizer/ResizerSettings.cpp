#include "ResizerSettings.h"

#include <cmath>
#include <cstring>

namespace lumivar {

namespace {

constexpr uint32_t kFlagAntialiasing = 1u << 0;
constexpr uint32_t kFlagAutoSupersampling = 1u << 1;
constexpr uint32_t kFlagFlip = 1u << 2;
constexpr uint32_t kFlagFixed = 1u << 3;
constexpr uint32_t kKnownFlags = kFlagAntialiasing | kFlagAutoSupersampling | kFlagFlip | kFlagFixed;

bool IsWholePicture(const RECT& rc) {
  return rc.left == 0 && rc.top == 0 && rc.right == 0 && rc.bottom == 0;
}

bool LiesInside(const RECT& rc, const SIZE& size) {
  return rc.left >= 0 && rc.top >= 0 && rc.left < rc.right && rc.top < rc.bottom &&
         rc.right <= size.cx && rc.bottom <= size.cy;
}

bool ValidClip(const RECT& rc, const SIZE& sizeInput) {
  return IsWholePicture(rc) || LiesInside(rc, sizeInput);
}

bool ValidSize(LONG n) {
  return n >= ResizerSettings::kMinSize && n <= ResizerSettings::kMaxSize;
}

bool ValidInputSize(const SIZE& size) {
  return size.cx >= 1 && size.cy >= 1 && size.cx <= ResizerSettings::kMaxInputSize &&
         size.cy <= ResizerSettings::kMaxInputSize;
}

// The size a coefficient gives, rounded half up; false when it is out of the limits.
// Compared as doubles first so that no out-of-range value is converted to an integer.
bool SizeFromCoefficient(double d, LONG nClip, LONG* pn) {
  if (!(d > 0) || !std::isfinite(d)) return false;
  const double v = std::floor(d * nClip + 0.5);
  if (!(v >= ResizerSettings::kMinSize && v <= ResizerSettings::kMaxSize)) return false;
  *pn = static_cast<LONG>(v);
  return true;
}

// Variable output: the size a kept coefficient gives, held within the limits; held at a
// limit, the kept coefficient follows the size instead.
LONG FollowedSize(double* pd, LONG nClip) {
  LONG n;
  if (SizeFromCoefficient(*pd, nClip, &n)) return n;
  n = *pd * nClip < ResizerSettings::kMinSize ? ResizerSettings::kMinSize
                                              : ResizerSettings::kMaxSize;
  *pd = static_cast<double>(n) / nClip;
  return n;
}

void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t Get32(const uint8_t* p) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(p[i]) << (8 * i);
  return v;
}

void PutLong(uint8_t* p, LONG v) { Put32(p, static_cast<uint32_t>(v)); }
LONG GetLong(const uint8_t* p) { return static_cast<LONG>(Get32(p)); }

void PutDouble(uint8_t* p, double d) {
  uint64_t v;
  std::memcpy(&v, &d, sizeof v);
  Put32(p, static_cast<uint32_t>(v));
  Put32(p + 4, static_cast<uint32_t>(v >> 32));
}

double GetDouble(const uint8_t* p) {
  const uint64_t v = Get32(p) | (static_cast<uint64_t>(Get32(p + 4)) << 32);
  double d;
  std::memcpy(&d, &v, sizeof d);
  return d;
}

// Offsets in the persisted record.
enum : size_t {
  kOffVersion = 0,
  kOffSize = 4,
  kOffAlgorithm = 8,
  kOffFlags = 12,
  kOffClip = 16,
  kOffInput = 32,
  kOffOutput = 40,
  kOffKeptX = 48,
  kOffKeptY = 56,
};
static_assert(kOffKeptY + 8 == ResizerSettings::kPersistSize, "record layout");

}  // namespace

ResizerSettings::ResizerSettings()
    : m_eAlgorithm(RESIZE_LINEAR),
      m_bAntialiasing(true),
      m_bAutoSupersampling(false),
      m_bFlip(false),
      m_bFixed(true),
      m_rcClip{0, 0, 0, 0},
      m_sizeInput{kDefaultInputWidth, kDefaultInputHeight},
      m_sizeOutput{kDefaultInputWidth, kDefaultInputHeight},
      m_dKeptX(1.0),
      m_dKeptY(1.0) {}

HRESULT ResizerSettings::SetAlgorithm(ResizeAlgorithm eAlgorithm) {
  if (eAlgorithm < RESIZE_NEAREST || eAlgorithm > RESIZE_SUPERSAMPLING) return E_INVALIDARG;
  m_eAlgorithm = eAlgorithm;
  return S_OK;
}

HRESULT ResizerSettings::SetClip(const RECT& rc) {
  if (!ValidClip(rc, m_sizeInput)) return E_INVALIDARG;
  m_rcClip = rc;
  FollowClip();
  return S_OK;
}

HRESULT ResizerSettings::SetOutputSize(LONG cx, LONG cy) {
  if (!ValidSize(cx) || !ValidSize(cy)) return E_INVALIDARG;
  const RECT rc = EffectiveClip();
  m_sizeOutput = SIZE{cx, cy};
  m_dKeptX = static_cast<double>(cx) / (rc.right - rc.left);
  m_dKeptY = static_cast<double>(cy) / (rc.bottom - rc.top);
  return S_OK;
}

HRESULT ResizerSettings::SetCoefficients(double dX, double dY) {
  const RECT rc = EffectiveClip();
  SIZE size;
  if (!SizeFromCoefficient(dX, rc.right - rc.left, &size.cx) ||
      !SizeFromCoefficient(dY, rc.bottom - rc.top, &size.cy))
    return E_INVALIDARG;
  m_sizeOutput = size;
  m_dKeptX = dX;
  m_dKeptY = dY;
  return S_OK;
}

HRESULT ResizerSettings::SetInputSize(LONG cx, LONG cy) {
  const SIZE size{cx, cy};
  if (!ValidInputSize(size)) return E_INVALIDARG;
  m_sizeInput = size;
  if (!ValidClip(m_rcClip, m_sizeInput)) m_rcClip = RECT{0, 0, 0, 0};
  FollowClip();
  return S_OK;
}

RECT ResizerSettings::EffectiveClip() const {
  return IsWholePicture(m_rcClip) ? RECT{0, 0, m_sizeInput.cx, m_sizeInput.cy} : m_rcClip;
}

void ResizerSettings::Coefficients(double* pdX, double* pdY) const {
  const RECT rc = EffectiveClip();
  *pdX = static_cast<double>(m_sizeOutput.cx) / (rc.right - rc.left);
  *pdY = static_cast<double>(m_sizeOutput.cy) / (rc.bottom - rc.top);
}

bool ResizerSettings::SameOutputSize(const ResizerSettings& other) const {
  return m_sizeOutput.cx == other.m_sizeOutput.cx && m_sizeOutput.cy == other.m_sizeOutput.cy;
}

void ResizerSettings::FollowClip() {
  const RECT rc = EffectiveClip();
  const LONG cxClip = rc.right - rc.left;
  const LONG cyClip = rc.bottom - rc.top;
  if (!m_bFixed) {
    m_sizeOutput = SIZE{FollowedSize(&m_dKeptX, cxClip), FollowedSize(&m_dKeptY, cyClip)};
    return;
  }
  m_dKeptX = static_cast<double>(m_sizeOutput.cx) / cxClip;
  m_dKeptY = static_cast<double>(m_sizeOutput.cy) / cyClip;
}

void ResizerSettings::Save(uint8_t (&record)[kPersistSize]) const {
  std::memset(record, 0, sizeof record);
  Put32(record + kOffVersion, kPersistVersion);
  Put32(record + kOffSize, static_cast<uint32_t>(kPersistSize));
  PutLong(record + kOffAlgorithm, m_eAlgorithm);
  Put32(record + kOffFlags, (m_bAntialiasing ? kFlagAntialiasing : 0) |
                                (m_bAutoSupersampling ? kFlagAutoSupersampling : 0) |
                                (m_bFlip ? kFlagFlip : 0) | (m_bFixed ? kFlagFixed : 0));
  PutLong(record + kOffClip, m_rcClip.left);
  PutLong(record + kOffClip + 4, m_rcClip.top);
  PutLong(record + kOffClip + 8, m_rcClip.right);
  PutLong(record + kOffClip + 12, m_rcClip.bottom);
  PutLong(record + kOffInput, m_sizeInput.cx);
  PutLong(record + kOffInput + 4, m_sizeInput.cy);
  PutLong(record + kOffOutput, m_sizeOutput.cx);
  PutLong(record + kOffOutput + 4, m_sizeOutput.cy);
  PutDouble(record + kOffKeptX, m_dKeptX);
  PutDouble(record + kOffKeptY, m_dKeptY);
}

HRESULT ResizerSettings::Load(const uint8_t (&record)[kPersistSize]) {
  if (Get32(record + kOffVersion) != kPersistVersion || Get32(record + kOffSize) != kPersistSize)
    return E_INVALIDARG;
  const uint32_t flags = Get32(record + kOffFlags);
  if (flags & ~kKnownFlags) return E_INVALIDARG;

  // Compared as an integer: a value outside the enumeration is never converted to it.
  const LONG lAlgorithm = GetLong(record + kOffAlgorithm);
  if (lAlgorithm < RESIZE_NEAREST || lAlgorithm > RESIZE_SUPERSAMPLING) return E_INVALIDARG;
  ResizerSettings loaded;
  loaded.m_eAlgorithm = static_cast<ResizeAlgorithm>(lAlgorithm);
  loaded.m_bAntialiasing = (flags & kFlagAntialiasing) != 0;
  loaded.m_bAutoSupersampling = (flags & kFlagAutoSupersampling) != 0;
  loaded.m_bFlip = (flags & kFlagFlip) != 0;
  loaded.m_bFixed = (flags & kFlagFixed) != 0;
  loaded.m_sizeInput = SIZE{GetLong(record + kOffInput), GetLong(record + kOffInput + 4)};
  loaded.m_rcClip = RECT{GetLong(record + kOffClip), GetLong(record + kOffClip + 4),
                         GetLong(record + kOffClip + 8), GetLong(record + kOffClip + 12)};
  loaded.m_sizeOutput = SIZE{GetLong(record + kOffOutput), GetLong(record + kOffOutput + 4)};
  loaded.m_dKeptX = GetDouble(record + kOffKeptX);
  loaded.m_dKeptY = GetDouble(record + kOffKeptY);
  if (!ValidInputSize(loaded.m_sizeInput) || !ValidClip(loaded.m_rcClip, loaded.m_sizeInput) ||
      !ValidSize(loaded.m_sizeOutput.cx) || !ValidSize(loaded.m_sizeOutput.cy))
    return E_INVALIDARG;
  const RECT rc = loaded.EffectiveClip();
  // Every setter keeps the output size equal to the size the kept coefficients give on the
  // clip; a record that breaks it would resize differently from the interface later on.
  LONG cxKept, cyKept;
  if (!SizeFromCoefficient(loaded.m_dKeptX, rc.right - rc.left, &cxKept) ||
      !SizeFromCoefficient(loaded.m_dKeptY, rc.bottom - rc.top, &cyKept) ||
      cxKept != loaded.m_sizeOutput.cx || cyKept != loaded.m_sizeOutput.cy)
    return E_INVALIDARG;
  *this = loaded;
  return S_OK;
}

}  // namespace lumivar
