// The output pin's connection failing at each step the peer can refuse:
// the pin ends unconnected, undoes what the peer agreed to, and keeps no
// reference to it. The peer is a counting double: Wine's pins refuse none of
// these on demand.
#include <OutputPin.h>
#include <gtest/gtest.h>

#include <atlcomcli.h>

#include "VideoGenerator.h"

using ATL::CComPtr;

namespace {

struct PeerBehaviour {
  HRESULT hrReceiveConnection;
  bool bMemInputPin;
  HRESULT hrNotifyAllocator;
};

// An input pin that answers as told and counts what it is asked.
class CPeerInputPin : public IPin, public IMemInputPin {
public:
  explicit CPeerInputPin(const PeerBehaviour& behaviour) : m_behaviour(behaviour) {}

  LONG m_cRef = 1;
  int m_cReceiveConnection = 0, m_cDisconnect = 0, m_cNotifyAllocator = 0;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (riid == IID_IUnknown || riid == IID_IPin) {
      *ppv = static_cast<IPin*>(this);
    } else if (riid == IID_IMemInputPin && m_behaviour.bMemInputPin) {
      *ppv = static_cast<IMemInputPin*>(this);
    } else {
      *ppv = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++m_cRef; }
  STDMETHODIMP_(ULONG) Release() override { return --m_cRef; }  // lives on the test's stack

  // IPin
  STDMETHODIMP Connect(IPin*, const AM_MEDIA_TYPE*) override { return E_UNEXPECTED; }
  STDMETHODIMP ReceiveConnection(IPin*, const AM_MEDIA_TYPE*) override {
    ++m_cReceiveConnection;
    return m_behaviour.hrReceiveConnection;
  }
  STDMETHODIMP Disconnect() override {
    ++m_cDisconnect;
    return S_OK;
  }
  STDMETHODIMP ConnectedTo(IPin** ppPin) override {
    *ppPin = nullptr;
    return VFW_E_NOT_CONNECTED;
  }
  STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE*) override { return VFW_E_NOT_CONNECTED; }
  STDMETHODIMP QueryPinInfo(PIN_INFO*) override { return E_NOTIMPL; }
  STDMETHODIMP QueryDirection(PIN_DIRECTION* pDir) override {
    *pDir = PINDIR_INPUT;
    return S_OK;
  }
  STDMETHODIMP QueryId(LPWSTR*) override { return E_NOTIMPL; }
  STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE*) override { return S_OK; }
  STDMETHODIMP EnumMediaTypes(IEnumMediaTypes**) override { return E_NOTIMPL; }
  STDMETHODIMP QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }
  STDMETHODIMP EndOfStream() override { return S_OK; }
  STDMETHODIMP BeginFlush() override { return S_OK; }
  STDMETHODIMP EndFlush() override { return S_OK; }
  STDMETHODIMP NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return S_OK; }

  // IMemInputPin
  STDMETHODIMP GetAllocator(IMemAllocator**) override { return VFW_E_NO_ALLOCATOR; }
  STDMETHODIMP NotifyAllocator(IMemAllocator*, BOOL) override {
    ++m_cNotifyAllocator;
    return m_behaviour.hrNotifyAllocator;
  }
  STDMETHODIMP GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) override { return E_NOTIMPL; }
  STDMETHODIMP Receive(IMediaSample*) override { return S_OK; }
  STDMETHODIMP ReceiveMultiple(IMediaSample**, long, long*) override { return S_OK; }
  STDMETHODIMP ReceiveCanBlock() override { return S_FALSE; }

private:
  PeerBehaviour m_behaviour;
};

struct FailureCase {
  const char* label;
  PeerBehaviour peer;
  HRESULT hrConnect;
  int cDisconnect;       // the peer's agreement undone
  int cNotifyAllocator;  // the peer's allocator, then the platform's
};

TEST(ConnectFailureTest, FailedConnectionLeavesBothSidesAsTheyWere) {
  const FailureCase cases[] = {
      {"peer refuses the type", {VFW_E_TYPE_NOT_ACCEPTED, true, S_OK}, VFW_E_NO_ACCEPTABLE_TYPES, 0, 0},
      {"peer has no sample transport", {S_OK, false, S_OK}, VFW_E_NO_TRANSPORT, 1, 0},
      {"peer refuses every allocator", {S_OK, true, E_FAIL}, E_FAIL, 1, 1},
      {"peer takes it all", {S_OK, true, S_OK}, S_OK, 0, 1},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.label);
    CPeerInputPin peer(c.peer);
    {
      CComPtr<IBaseFilter> spGenerator;
      ASSERT_EQ(S_OK, spGenerator.CoCreateInstance(CLSID_VideoGenerator, nullptr, CLSCTX_INPROC_SERVER));
      CComPtr<IPin> spOut;
      ASSERT_EQ(S_OK, spGenerator->FindPin(L"Output", &spOut));
      EXPECT_EQ(c.hrConnect, spOut->Connect(&peer, nullptr));
      EXPECT_EQ(1, peer.m_cReceiveConnection);
      EXPECT_EQ(c.cDisconnect, peer.m_cDisconnect);
      EXPECT_EQ(c.cNotifyAllocator, peer.m_cNotifyAllocator);
      CComPtr<IPin> spPeer;
      EXPECT_EQ(c.hrConnect == S_OK ? S_OK : VFW_E_NOT_CONNECTED, spOut->ConnectedTo(&spPeer));
      spPeer.Release();
      if (c.hrConnect == S_OK) {
        EXPECT_EQ(S_OK, spOut->Disconnect());
      }
    }
    // The generator is gone and held nothing of the peer's.
    EXPECT_EQ(1, peer.m_cRef);
  }
}

}  // namespace
