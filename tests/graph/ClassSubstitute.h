// Answers this executable's CoCreateInstance of one class as the test says, for the length of
// a scope; every other class is created as usual. One substitute at a time.
#pragma once

#include <windows.h>

#include <functional>

class ClassSubstitute {
public:
  using Create = std::function<HRESULT(REFIID riid, void** ppv)>;
  ClassSubstitute(REFCLSID clsid, Create fnCreate);
  ~ClassSubstitute();
  ClassSubstitute(const ClassSubstitute&) = delete;
  ClassSubstitute& operator=(const ClassSubstitute&) = delete;

  bool Active() const;
  // The platform's own CoCreateInstance, in process, for what a substitute wraps.
  static HRESULT CreateReal(REFCLSID clsid, IUnknown* pOuter, REFIID riid, void** ppv);
};
