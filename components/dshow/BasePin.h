// CBasePin: what input and output pins share — identity, connection state,
// the connection's media type and media-type enumeration.
//
// A pin lives inside its filter and counts references with it.
// Hooks for a pin: CheckMediaType (S_OK accepts), GetMediaType (preferred
// types by position, VFW_S_NO_MORE_ITEMS past the end), SetMediaType (the
// type chosen, before the peer is asked), CompleteConnect (after the peer
// agreed; a failure undoes the connection), BreakConnect (connection gone),
// Active/Inactive (stopped <-> paused), Run.
// Locks: connecting, disconnecting and the state hooks run under the filter
// lock. ConnectedTo, ConnectionMediaType, QueryAccept and EnumMediaTypes answer
// under the filter's inner lock alone, so a peer may ask them from its
// streaming thread while Stop holds the filter lock: CheckMediaType and
// GetMediaType are called under either lock, and read only what is changed
// under both.
#pragma once

#include <dshow.h>

#include "CritSec.h"
#include "MediaType.h"

#include <atlcomcli.h>

namespace dshow {

using ATL::CComPtr;
using ATL::CComQIPtr;

class CBaseFilter;

class CBasePin : public IPin {
public:
  CBasePin(CBaseFilter* pFilter, PIN_DIRECTION dir, LPCWSTR pszName);
  virtual ~CBasePin();
  CBasePin(const CBasePin&) = delete;
  CBasePin& operator=(const CBasePin&) = delete;

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IPin
  STDMETHODIMP Disconnect() override;
  STDMETHODIMP ConnectedTo(IPin** ppPin) override;
  STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* pmt) override;
  STDMETHODIMP QueryPinInfo(PIN_INFO* pInfo) override;
  STDMETHODIMP QueryDirection(PIN_DIRECTION* pDir) override;
  STDMETHODIMP QueryId(LPWSTR* ppszId) override;
  STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE* pmt) override;
  STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** ppEnum) override;
  STDMETHODIMP QueryInternalConnections(IPin** ppPins, ULONG* pcPins) override;

  virtual HRESULT CheckMediaType(const AM_MEDIA_TYPE* pmt) = 0;
  virtual HRESULT GetMediaType(int iPosition, AM_MEDIA_TYPE* pmt);
  virtual HRESULT SetMediaType(const AM_MEDIA_TYPE* pmt);
  virtual HRESULT CompleteConnect(IPin* pPeer);
  virtual HRESULT BreakConnect();
  virtual HRESULT Active() { return S_OK; }
  virtual HRESULT Inactive() { return S_OK; }
  virtual HRESULT Run(REFERENCE_TIME) { return S_OK; }

  bool IsConnected() const { return m_spConnected != nullptr; }
  IPin* Connected() const { return m_spConnected; }
  const CMediaType& CurrentMediaType() const { return m_mt; }
  CBaseFilter* Filter() const { return m_pFilter; }
  LPCWSTR Name() const { return m_szName; }

protected:
  virtual HRESULT GetInterface(REFIID riid, void** ppv);
  // Forgets the peer and the type (the filter lock is held).
  void ClearConnection();
  // Changes the peer (the filter lock is held); ConnectedTo reads it under the inner lock.
  void SetPeer(IPin* pPeer);

  CBaseFilter* m_pFilter;
  CCritSec* m_pLock;       // the filter's
  CCritSec* m_pInnerLock;  // the filter's inner lock: with m_pLock, guards the peer and the type
  PIN_DIRECTION m_dir;
  WCHAR m_szName[MAX_PIN_NAME] = {};
  CComPtr<IPin> m_spConnected;
  CMediaType m_mt;
};

}  // namespace dshow
