// The resizer's settings and their rules, as a plain value.
//
//   ResizerSettings   every setting with its validation; the fixed/variable output rule
//
// A value type with no lock and no COM: the filter copies it, applies a change to the
// copy and commits the copy only when the change was accepted, so a refused change
// leaves nothing behind. The rules themselves are documented in IResizerControl.h.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "IResizerControl.h"

namespace lumivar {

class ResizerSettings {
public:
  static constexpr LONG kMinSize = 1;
  static constexpr LONG kMaxSize = 8192;
  // Input pictures are taken up to this size a side (the core's source limit).
  static constexpr LONG kMaxInputSize = 32768;
  static constexpr LONG kDefaultInputWidth = 640;
  static constexpr LONG kDefaultInputHeight = 480;
  // The persisted record: version, record size, then the settings (little-endian).
  static constexpr uint32_t kPersistVersion = 1;
  static constexpr size_t kPersistSize = 64;

  ResizerSettings();

  HRESULT SetAlgorithm(ResizeAlgorithm eAlgorithm);
  void SetAntialiasing(bool bOn) { m_bAntialiasing = bOn; }
  void SetAutoSupersampling(bool bOn) { m_bAutoSupersampling = bOn; }
  void SetFlip(bool bOn) { m_bFlip = bOn; }
  void SetFixedOutput(bool bFixed) { m_bFixed = bFixed; }
  HRESULT SetClip(const RECT& rc);
  HRESULT SetOutputSize(LONG cx, LONG cy);
  HRESULT SetCoefficients(double dX, double dY);
  // A new input picture (the input's connection); E_INVALIDARG outside 1..kMaxInputSize.
  HRESULT SetInputSize(LONG cx, LONG cy);

  ResizeAlgorithm Algorithm() const { return m_eAlgorithm; }
  bool Antialiasing() const { return m_bAntialiasing; }
  bool AutoSupersampling() const { return m_bAutoSupersampling; }
  bool Flip() const { return m_bFlip; }
  bool FixedOutput() const { return m_bFixed; }
  // As set: 0, 0, 0, 0 for the whole picture.
  RECT Clip() const { return m_rcClip; }
  // The part of the input really resized: the whole picture for 0, 0, 0, 0.
  RECT EffectiveClip() const;
  SIZE InputSize() const { return m_sizeInput; }
  SIZE OutputSize() const { return m_sizeOutput; }
  // Output size / clip size: the scale really applied.
  void Coefficients(double* pdX, double* pdY) const;

  bool SameOutputSize(const ResizerSettings& other) const;

  void Save(uint8_t (&record)[kPersistSize]) const;
  // E_INVALIDARG for a record of another version or with any value out of the rules;
  // *this is then unchanged.
  HRESULT Load(const uint8_t (&record)[kPersistSize]);

private:
  // Applies the fixed/variable rule after the input or the clip changed.
  void FollowClip();

  ResizeAlgorithm m_eAlgorithm;
  bool m_bAntialiasing;
  bool m_bAutoSupersampling;
  bool m_bFlip;
  bool m_bFixed;
  RECT m_rcClip;
  SIZE m_sizeInput;
  SIZE m_sizeOutput;
  // The coefficients variable output keeps: those last set, or those a set size gave.
  double m_dKeptX;
  double m_dKeptY;
};

}  // namespace lumivar
