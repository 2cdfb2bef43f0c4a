// CVideoGenerator: the Video Generator source filter — one output pin, its
// settings (IVideoGeneratorSettings), kept with IPersistStream, and one
// property page of its own (ISpecifyPropertyPages).
//
// A change of size or rate on a connected filter reconnects the output
// through the graph (IFilterGraph2::ReconnectEx), so that what sits
// downstream sees the new format; the filter must be stopped for any change.
#pragma once

#include <BaseFilter.h>

#include <ocidl.h>

#include "VideoGenerator.h"
#include "VideoGeneratorPin.h"

class CVideoGenerator : public dshow::CBaseFilter,
                        public IPersistStream,
                        public ISpecifyPropertyPages,
                        public IVideoGeneratorSettings {
public:
  static HRESULT Create(IUnknown** ppUnk);

  DSHOW_FORWARD_IUNKNOWN(dshow::CBaseFilter)

  // IPersist
  STDMETHODIMP GetClassID(CLSID* pClsid) override { return CBaseFilter::GetClassID(pClsid); }

  // IPersistStream
  STDMETHODIMP IsDirty() override;
  STDMETHODIMP Load(IStream* pStream) override;
  STDMETHODIMP Save(IStream* pStream, BOOL bClearDirty) override;
  STDMETHODIMP GetSizeMax(ULARGE_INTEGER* pcbSize) override;

  // ISpecifyPropertyPages
  STDMETHODIMP GetPages(CAUUID* pPages) override;

  // IVideoGeneratorSettings
  STDMETHODIMP GetSettings(VideoGeneratorSettings* pSettings) override;
  STDMETHODIMP SetSettings(const VideoGeneratorSettings* pSettings) override;

  int GetPinCount() override { return 1; }
  dshow::CBasePin* GetPin(int n) override { return n == 0 ? &m_pin : nullptr; }

  // For the pin, from any thread.
  VideoGeneratorSettings Settings();

protected:
  HRESULT GetInterface(REFIID riid, void** ppv) override;

private:
  CVideoGenerator();

  void Store(const VideoGeneratorSettings& settings);
  // Connects the output to pPeer in the current format, through the graph.
  HRESULT ReconnectOutput(IPin* pPeer);

  dshow::CCritSec m_csSettings;
  VideoGeneratorSettings m_settings = kVidGenDefaults;
  bool m_bDirty = false;
  CVideoGeneratorPin m_pin;
};
