// The Resizer filter's published interfaces.
//
//   CLSID_Resizer        the filter: RGB32 video in, RGB32 video of the chosen size out
//   ResizeAlgorithm      the eight resampling kernels, values 1 to 8
//   IResizerControl      every setting of the filter, set and read back
//   FilterBuildType      GetType's answer: debug or release build
//   FilterPlatform       GetOS's answer: 32-bit or 64-bit build
//   IFilterVersion       what build of the filter this is
//
// Self-contained: include it anywhere, in C or C++; no INITGUID is needed. In C++ (MinGW)
// __uuidof works with both interfaces, so CComPtr and CComQIPtr take them as they are.
//
// The settings and their rules
// ----------------------------
// Every method answers S_OK on success; a refused value answers E_INVALIDARG (or the code
// named below) and changes nothing. A null out-pointer answers E_POINTER. Getters answer
// S_OK with the current values; Booleans are read back as exactly 0 or 1, and any non-zero
// value passed in counts as TRUE.
//
// Input picture: the connected input's picture size (its rcSource, or biWidth by
//   |biHeight| when rcSource is empty). Before the input is connected the filter assumes
//   640 x 480, the Video Generator's default picture, so that every rule below already
//   holds; at connection the real size replaces it as if the input had changed.
//
// Algorithm (SetResizeAlgorithm): 1 nearest neighbour, 2 linear (triangle), 3 cubic
//   B-spline (B = 1, C = 0), 4 cubic Catmull-Rom (B = 0, C = 0.5), 5 cubic B = 0.5, C = 0.3,
//   6 Lanczos with 2 lobes, 7 Lanczos with 3 lobes, 8 supersampling (area average over each
//   output pixel's footprint). Default 2.
// Antialiasing (default on): when a direction is downscaled the kernel is widened by the
//   scale factor, a proper low-pass; off, it is not widened and aliasing shows.
// Automatic supersampling (default off): in each downscaled direction supersampling is
//   used instead of the chosen algorithm.
// Clipping rectangle (default 0, 0, 0, 0): the part of the input picture that is resized,
//   right and bottom exclusive. 0, 0, 0, 0 means the whole picture; any other rectangle
//   must lie inside the input picture with left < right and top < bottom. When the input
//   picture changes and the rectangle no longer lies inside it, it becomes 0, 0, 0, 0.
//   GetClippingRect reports the rectangle as set (0, 0, 0, 0 stays 0, 0, 0, 0).
// Flip (default off): the output picture is upside down.
// Output size and resizing coefficients are two views of one setting:
//   coefficient = output size / clip size, per direction. SetOutputSize sets the size;
//   SetResizingCoeffs sets the coefficients, and the size becomes coefficient x clip size
//   rounded to the nearest whole pixel (halves up). Sizes run from 1 to 8192; coefficients
//   must be positive and finite and give sizes within those limits. GetResizingCoeffs
//   reports output size / clip size, the scale that is really applied. Default: the size
//   of the whole input picture (coefficients 1, 1).
// Fixed output (SetFixedOutput TRUE, the default): when the input picture or the clip
//   changes, the output size stays and the coefficients follow.
//   Variable output (FALSE): the coefficients stay and the output size follows (rounded
//   as above and held within 1 to 8192). The coefficients kept are the ones last set, or
//   the ones a set size gave, so repeated changes do not drift.
//
// Pins: the input takes uncompressed 32-bit RGB video (MEDIASUBTYPE_RGB32, VIDEOINFOHEADER
// or VIDEOINFOHEADER2), bottom-up or top-down, rows of any width, up to 32768 pixels a
// side. The output connects once the input is; it offers bottom-up RGB32 of the output
// size and takes any RGB32 type of that size downstream proposes (wider rows, top-down, a
// target rectangle). Seeking asked of the output goes upstream of the input.
//
// When settings apply
// -------------------
// A setting that keeps the output size applies to the next frame, also while the graph
// runs or is paused. A change of the output size (by SetOutputSize, SetResizingCoeffs, or
// SetClippingRect with variable output):
//   - with the output pin unconnected: applies at its next connection;
//   - with the output connected and the graph stopped: the filter reconnects its output
//     through the graph, so the downstream filter gets the new size; if that reconnection
//     fails, the filter restores the previous settings and connection and answers the
//     failure;
//   - with the graph running or paused: refused with VFW_E_WRONG_STATE (renderers take no
//     format change in mid-stream). Stop the graph, then set the size.
// While one change's reconnection is under way (a call on another thread), every other
// change, and a load, is refused with VFW_E_WRONG_STATE. A new input picture whose output
// size (variable output) downstream cannot take is refused at the input, so the filter
// upstream keeps the type it had.
//
// Persistence: the filter's IPersistStream saves and loads every setting, so a saved
// graph keeps them. A record is taken only when it holds what the setters could have made:
// its output size must be the one its kept coefficients give on its clip; any other is
// refused with E_INVALIDARG and changes nothing.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <vfwmsgs.h>

// One definition for the whole program, whichever files include this.
#ifdef __cplusplus
#define RESIZER_DEFINE_GUID extern "C" const GUID DECLSPEC_SELECTANY
#else
#define RESIZER_DEFINE_GUID const GUID DECLSPEC_SELECTANY
#endif

// {71343D82-BA5F-4053-B328-DA0E855B4A71}
RESIZER_DEFINE_GUID CLSID_Resizer = {
    0x71343D82, 0xBA5F, 0x4053, {0xB3, 0x28, 0xDA, 0x0E, 0x85, 0x5B, 0x4A, 0x71}};

// {FA114B34-F403-4D26-9711-FF1528084F02}
RESIZER_DEFINE_GUID IID_IResizerControl = {
    0xFA114B34, 0xF403, 0x4D26, {0x97, 0x11, 0xFF, 0x15, 0x28, 0x08, 0x4F, 0x02}};

// {D516517A-98C9-4F1A-A149-221A1B7371EC}
RESIZER_DEFINE_GUID IID_IFilterVersion = {
    0xD516517A, 0x98C9, 0x4F1A, {0xA1, 0x49, 0x22, 0x1A, 0x1B, 0x73, 0x71, 0xEC}};
#undef RESIZER_DEFINE_GUID

// 32-bit values; see the kernels above.
typedef enum ResizeAlgorithm {
  RESIZE_NEAREST = 1,
  RESIZE_LINEAR = 2,
  RESIZE_CUBIC_BSPLINE = 3,
  RESIZE_CUBIC_CATMULLROM = 4,
  RESIZE_CUBIC_B05C03 = 5,
  RESIZE_LANCZOS2 = 6,
  RESIZE_LANCZOS3 = 7,
  RESIZE_SUPERSAMPLING = 8,
  RESIZE_FORCE_DWORD = 0x7FFFFFFF
} ResizeAlgorithm;

#undef INTERFACE
#define INTERFACE IResizerControl
DECLARE_INTERFACE_(IResizerControl, IUnknown) {
  STDMETHOD(QueryInterface)(THIS_ REFIID riid, void** ppv) PURE;
  STDMETHOD_(ULONG, AddRef)(THIS) PURE;
  STDMETHOD_(ULONG, Release)(THIS) PURE;

  // E_INVALIDARG for a value outside 1 to 8.
  STDMETHOD(SetResizeAlgorithm)(THIS_ ResizeAlgorithm eAlgorithm) PURE;
  STDMETHOD(GetResizeAlgorithm)(THIS_ ResizeAlgorithm* peAlgorithm) PURE;
  STDMETHOD(SetAntialiasing)(THIS_ BOOL bAntialiasing) PURE;
  STDMETHOD(GetAntialiasing)(THIS_ BOOL* pbAntialiasing) PURE;
  STDMETHOD(SetAutoSupersampling)(THIS_ BOOL bAutoSupersampling) PURE;
  STDMETHOD(GetAutoSupersampling)(THIS_ BOOL* pbAutoSupersampling) PURE;
  // E_POINTER for a null rectangle; E_INVALIDARG for one that is neither 0, 0, 0, 0 nor
  // inside the input picture; VFW_E_WRONG_STATE when it would change the output size of
  // a running or paused graph.
  STDMETHOD(SetClippingRect)(THIS_ const RECT* prcClip) PURE;
  STDMETHOD(GetClippingRect)(THIS_ RECT* prcClip) PURE;
  // E_INVALIDARG for a size outside 1 to 8192; VFW_E_WRONG_STATE for a new size while
  // the graph runs or is paused.
  STDMETHOD(SetOutputSize)(THIS_ LONG cx, LONG cy) PURE;
  STDMETHOD(GetOutputSize)(THIS_ LONG* pcx, LONG* pcy) PURE;
  // E_INVALIDARG for a coefficient that is not positive and finite or gives a size
  // outside 1 to 8192; VFW_E_WRONG_STATE as for SetOutputSize.
  STDMETHOD(SetResizingCoeffs)(THIS_ double dX, double dY) PURE;
  STDMETHOD(GetResizingCoeffs)(THIS_ double* pdX, double* pdY) PURE;
  // TRUE: fixed output type; FALSE: variable.
  STDMETHOD(SetFixedOutput)(THIS_ BOOL bFixed) PURE;
  STDMETHOD(GetFixedOutput)(THIS_ BOOL* pbFixed) PURE;
  // TRUE flips the frames upside down.
  STDMETHOD(SetFlip)(THIS_ BOOL bFlip) PURE;
  STDMETHOD(GetFlip)(THIS_ BOOL* pbFlip) PURE;
};
#undef INTERFACE

typedef enum FilterBuildType {
  FILTER_BUILD_DEBUG = 0,
  FILTER_BUILD_RELEASE = 1,
  FILTER_BUILD_FORCE_DWORD = 0x7FFFFFFF
} FilterBuildType;

typedef enum FilterPlatform {
  FILTER_PLATFORM_32BIT = 0,
  FILTER_PLATFORM_64BIT = 1,
  FILTER_PLATFORM_FORCE_DWORD = 0x7FFFFFFF
} FilterPlatform;

// The BSTRs are allocated by the filter and freed by the caller (SysFreeString); on a
// failure the out-pointer is set to null. E_POINTER for a null out-pointer.
#define INTERFACE IFilterVersion
DECLARE_INTERFACE_(IFilterVersion, IUnknown) {
  STDMETHOD(QueryInterface)(THIS_ REFIID riid, void** ppv) PURE;
  STDMETHOD_(ULONG, AddRef)(THIS) PURE;
  STDMETHOD_(ULONG, Release)(THIS) PURE;

  // FILTER_BUILD_DEBUG or FILTER_BUILD_RELEASE.
  STDMETHOD(GetType)(THIS_ FilterBuildType* peType) PURE;
  // FILTER_PLATFORM_32BIT or FILTER_PLATFORM_64BIT: the build, not the machine.
  STDMETHOD(GetOS)(THIS_ FilterPlatform* peOS) PURE;
  // "Resizer".
  STDMETHOD(GetName)(THIS_ BSTR* pbstrName) PURE;
  // The DLL's file version from its version resource, as "major.minor.build.revision".
  STDMETHOD(GetNumber)(THIS_ BSTR* pbstrNumber) PURE;
  // When the DLL was linked (its PE header), UTC, as "Dec 10 2026 11:05:00" (day unpadded).
  STDMETHOD(GetDateTime)(THIS_ BSTR* pbstrDateTime) PURE;
};
#undef INTERFACE

#ifdef __cplusplus
__CRT_UUID_DECL(IResizerControl, 0xFA114B34, 0xF403, 0x4D26, 0x97, 0x11, 0xFF, 0x15, 0x28, 0x08,
                0x4F, 0x02)
__CRT_UUID_DECL(IFilterVersion, 0xD516517A, 0x98C9, 0x4F1A, 0xA1, 0x49, 0x22, 0x1A, 0x1B, 0x73,
                0x71, 0xEC)
#endif
