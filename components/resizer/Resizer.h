// CResizer: the Resizer filter — RGB32 video in, resized RGB32 video out.
//
// IResizerControl sets and reads its settings (the rules are in IResizerControl.h),
// IFilterVersion tells its build, IPersistStream keeps its settings in a saved graph.
//
// Locks (the kit's order, CritSec.h): a setting is read, changed and committed under the
// filter lock; the settings are written under the filter lock and the inner lock, and
// read under either, so getters and the type checks a peer asks for on its streaming
// thread wait for no Stop. No lock is held across a call into the graph; while one
// change's reconnection is under way, other changes are refused. The streaming thread
// takes neither lock (FrameResizer has its own short lock).
#pragma once

#include <memory>

#include <atlcomcli.h>

#include "FrameResizer.h"
#include "IResizerControl.h"
#include "ResizerSettings.h"
#include "TransformFilter.h"

namespace lumivar {

class CResizer : public dshow::CTransformFilter,
                 public IResizerControl,
                 public IFilterVersion,
                 public IPersistStream {
public:
  // For the class table: a new filter with one reference.
  static HRESULT Create(IUnknown** ppUnk);

  CResizer();

  DSHOW_FORWARD_IUNKNOWN(CBaseFilter)
  STDMETHODIMP GetClassID(CLSID* pClsid) override { return CBaseFilter::GetClassID(pClsid); }

  // IResizerControl
  STDMETHODIMP SetResizeAlgorithm(ResizeAlgorithm eAlgorithm) override;
  STDMETHODIMP GetResizeAlgorithm(ResizeAlgorithm* peAlgorithm) override;
  STDMETHODIMP SetAntialiasing(BOOL bAntialiasing) override;
  STDMETHODIMP GetAntialiasing(BOOL* pbAntialiasing) override;
  STDMETHODIMP SetAutoSupersampling(BOOL bAutoSupersampling) override;
  STDMETHODIMP GetAutoSupersampling(BOOL* pbAutoSupersampling) override;
  STDMETHODIMP SetClippingRect(const RECT* prcClip) override;
  STDMETHODIMP GetClippingRect(RECT* prcClip) override;
  STDMETHODIMP SetOutputSize(LONG cx, LONG cy) override;
  STDMETHODIMP GetOutputSize(LONG* pcx, LONG* pcy) override;
  STDMETHODIMP SetResizingCoeffs(double dX, double dY) override;
  STDMETHODIMP GetResizingCoeffs(double* pdX, double* pdY) override;
  STDMETHODIMP SetFixedOutput(BOOL bFixed) override;
  STDMETHODIMP GetFixedOutput(BOOL* pbFixed) override;
  STDMETHODIMP SetFlip(BOOL bFlip) override;
  STDMETHODIMP GetFlip(BOOL* pbFlip) override;

  // IFilterVersion
  STDMETHODIMP GetType(FilterBuildType* peType) override;
  STDMETHODIMP GetOS(FilterPlatform* peOS) override;
  STDMETHODIMP GetName(BSTR* pbstrName) override;
  STDMETHODIMP GetNumber(BSTR* pbstrNumber) override;
  STDMETHODIMP GetDateTime(BSTR* pbstrDateTime) override;

  // IPersistStream
  STDMETHODIMP IsDirty() override;
  STDMETHODIMP Load(IStream* pStm) override;
  STDMETHODIMP Save(IStream* pStm, BOOL fClearDirty) override;
  STDMETHODIMP GetSizeMax(ULARGE_INTEGER* pcbSize) override;

  // The transform's hooks. The input takes RGB32 video of any stride and orientation;
  // the output offers bottom-up RGB32 of the output size and takes any RGB32 type of that
  // size the downstream filter proposes (wider rows, top-down).
  HRESULT CheckInputType(const AM_MEDIA_TYPE* pmt) override;
  HRESULT InputConnected(const AM_MEDIA_TYPE* pmt) override;
  HRESULT AfterInputConnected() override;
  void InputDisconnected() override;
  HRESULT CheckTransform(const AM_MEDIA_TYPE* pmtIn, const AM_MEDIA_TYPE* pmtOut) override;
  HRESULT GetOutputType(int iPosition, AM_MEDIA_TYPE* pmt) override;
  HRESULT OutputTypeChosen(const AM_MEDIA_TYPE* pmt) override;
  HRESULT DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pRequest) override;
  HRESULT Transform(IMediaSample* pIn, IMediaSample* pOut) override;

protected:
  HRESULT GetInterface(REFIID riid, void** ppv) override;

private:
  // Applies change to a copy of the settings and commits the copy when it is accepted;
  // a new size reconnects a connected output.
  template <class F>
  HRESULT Change(F change);
  // A refused reconnection brings back the settings and the connection that were.
  HRESULT ReconnectOrRestore(const ResizerSettings& before, IPin* pPeer);
  // With the filter lock held: the settings and a resampler for them, and the input's
  // new picture layout when there is one; nothing changes when it fails.
  HRESULT Install(const ResizerSettings& settings, const PictureLayout* pInput = nullptr);
  HRESULT Reconnect(IPin* pPeer);
  // A downstream type attached to a sample: the renderer's rows, from that frame on.
  HRESULT AdoptSampleType(IMediaSample* pOut);

  // A copy of the settings, under the inner lock.
  ResizerSettings Current();
  // Writes the settings (the filter lock is held).
  void Commit(const ResizerSettings& settings);

  ResizerSettings m_settings;
  bool m_bDirty = false;
  bool m_bReconnecting = false;  // a change's reconnection is under way (filter lock)
  // The input's new picture gave a new output size: the output reconnects after the
  // input's connection is complete (filter lock).
  bool m_bOutputMustFollow = false;
  FrameResizer m_frames;
};

}  // namespace lumivar
