// The Video Generator's published interface: its class, its settings and
// the interface that reads and changes them.
//
//   CLSID_VideoGenerator       the source filter
//   CLSID_VideoGeneratorPage   its property page
//   VideoGeneratorSettings     picture size, frame rate, duration
//   IVideoGeneratorSettings    GetSettings / SetSettings
#pragma once

#include <windows.h>
#include <unknwn.h>

// {6703C031-F9D4-4084-87BA-35B0B7DF3431}
inline constexpr CLSID CLSID_VideoGenerator = {
    0x6703c031, 0xf9d4, 0x4084, {0x87, 0xba, 0x35, 0xb0, 0xb7, 0xdf, 0x34, 0x31}};
// {86A8B745-EA86-4BC4-AE90-4B6888B8C36F}
inline constexpr CLSID CLSID_VideoGeneratorPage = {
    0x86a8b745, 0xea86, 0x4bc4, {0xae, 0x90, 0x4b, 0x68, 0x88, 0xb8, 0xc3, 0x6f}};
// {CBF53393-C91B-4EF3-9422-B6C68A2F2D6C}
inline constexpr IID IID_IVideoGeneratorSettings = {
    0xcbf53393, 0xc91b, 0x4ef3, {0x94, 0x22, 0xb6, 0xc6, 0x8a, 0x2f, 0x2d, 0x6c}};

struct VideoGeneratorSettings {
  LONG lWidth;       // pixels
  LONG lHeight;      // pixels
  LONG lFrameRate;   // frames per second
  LONG lDurationMs;  // length of the stream, milliseconds
};

// The accepted ranges, inclusive.
inline constexpr LONG kVidGenMinSize = 16;
inline constexpr LONG kVidGenMaxSize = 4096;
inline constexpr LONG kVidGenMinFrameRate = 1;
inline constexpr LONG kVidGenMaxFrameRate = 120;
inline constexpr LONG kVidGenMinDurationMs = 1;
inline constexpr LONG kVidGenMaxDurationMs = 86400000;

inline constexpr VideoGeneratorSettings kVidGenDefaults = {640, 480, 25, 10000};

struct IVideoGeneratorSettings : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetSettings(VideoGeneratorSettings* pSettings) = 0;
  // E_INVALIDARG: a value out of range; VFW_E_NOT_STOPPED: the filter is
  // paused or running, and a new format cannot be taken then; a failed
  // reconnection of the output (new size or rate) returns its code and
  // keeps the settings that were. In every failure nothing changes.
  virtual HRESULT STDMETHODCALLTYPE SetSettings(const VideoGeneratorSettings* pSettings) = 0;
};

#ifdef __CRT_UUID_DECL
__CRT_UUID_DECL(IVideoGeneratorSettings, 0xcbf53393, 0xc91b, 0x4ef3, 0x94, 0x22, 0xb6, 0xc6, 0x8a, 0x2f,
                0x2d, 0x6c)
#endif
