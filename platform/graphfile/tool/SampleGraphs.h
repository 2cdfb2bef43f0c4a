// The graphs the tool writes, built on a real graph manager.
//
//   ResizerOptions     the resizer settings to give; each only when set
//   BuildVidGenGraph   Video Generator -> Resizer -> the renderer the manager picks
//   BuildFileGraph     a video file's source -> the manager's splitter -> Resizer -> renderer
//   WriteTestAvi       an uncompressed RGB32 AVI of a moving test picture
//   ParseSize / ParseRect   "640x480" and "0,0,320,240" from a command line
#pragma once

#include <dshow.h>

#include "VideoGenerator.h"

struct ResizerOptions {
  LONG lAlgorithm = 0;  // 0: the filter's default
  SIZE outputSize = {};  // {0, 0}: the filter's default
  RECT clip = {};        // 0, 0, 0, 0: the whole picture
};

// Filters named "Video Generator" and "Resizer", as the bench names them.
HRESULT BuildVidGenGraph(IGraphBuilder* pGraph, const VideoGeneratorSettings& vidgen, const ResizerOptions& resizer);
// The source is File Source (Async.) named after nothing but "Source".
HRESULT BuildFileGraph(IGraphBuilder* pGraph, LPCWSTR pszVideo, const ResizerOptions& resizer);

HRESULT WriteTestAvi(LPCWSTR pszPath, LONG cx, LONG cy, LONG cFrames);

bool ParseSize(LPCWSTR psz, SIZE* pSize);
bool ParseRect(LPCWSTR psz, RECT* pRect);
