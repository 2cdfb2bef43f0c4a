// The few Windows types, codes and COM declaration macros that the Resizer's and the
// Video Generator's settings code and their published headers use, so that the persisted
// records can be built and fuzzed natively. Sizes are the Windows ones (LONG is 32 bits).
#pragma once

#include <cstdint>

using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using LONG = int32_t;
using ULONG = uint32_t;
using LONGLONG = int64_t;
using BOOL = int;
using HRESULT = LONG;
using BSTR = wchar_t*;

struct GUID {
  DWORD Data1;
  WORD Data2;
  WORD Data3;
  BYTE Data4[8];
};
using IID = GUID;
using CLSID = GUID;
using REFIID = const IID&;

struct RECT {
  LONG left, top, right, bottom;
};
struct SIZE {
  LONG cx, cy;
};

#define S_OK ((HRESULT)0)
#define S_FALSE ((HRESULT)1)
#define E_INVALIDARG ((HRESULT)0x80070057)
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)
#define TRUE 1
#define FALSE 0

// COM interfaces as plain abstract structs.
#define STDMETHODCALLTYPE
#define DECLSPEC_SELECTANY __attribute__((weak))
#define PURE = 0
#define THIS_
#define THIS void
#define STDMETHOD(method) virtual HRESULT STDMETHODCALLTYPE method
#define STDMETHOD_(type, method) virtual type STDMETHODCALLTYPE method
#define DECLARE_INTERFACE_(iface, base) struct iface : public base
#define __CRT_UUID_DECL(...)

struct IUnknown {
  virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) = 0;
  virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
  virtual ULONG STDMETHODCALLTYPE Release() = 0;
};
