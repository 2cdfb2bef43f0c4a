// Helpers for the generator's tests: a generator with given settings, and
// the kit's test support for pins and graph events (COM for the run is
// GraphTestUtil.cpp's).
#pragma once

#include <dshow.h>

#include <atlcomcli.h>

#include "GraphEvents.h"
#include "PinUtil.h"
#include "VideoGenerator.h"

using ATL::CComPtr;
using ATL::CComQIPtr;

// Creates the registered generator and, when pSettings is given, sets them.
HRESULT CreateGenerator(IBaseFilter** ppFilter, const VideoGeneratorSettings* pSettings = nullptr);
