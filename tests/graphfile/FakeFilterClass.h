// A filter class of the test's own, registered for the process with CoRegisterClassObject,
// for the load failures that the real filters cannot produce on demand.
//
//   FakeFilterBehaviour   what the class's filters answer
//   CFakeFilterClass      the registration, revoked by its destructor; counts live filters
#pragma once

#include <dshow.h>

#include <cstdint>
#include <vector>

struct FakeFilterBehaviour {
  HRESULT hrJoinFilterGraph = S_OK;  // what joining a graph answers: a failure refuses AddFilter
  bool bPersistStreamInit = false;   // persists through IPersistStreamInit only (else not at all)
  std::vector<uint8_t> loaded;       // what IPersistStreamInit::Load read
  LONG cLive = 0;                    // filters of the class not yet released
};

class CFakeFilterClass {
public:
  CFakeFilterClass(REFCLSID clsid, FakeFilterBehaviour* pBehaviour);
  ~CFakeFilterClass();
  CFakeFilterClass(const CFakeFilterClass&) = delete;
  CFakeFilterClass& operator=(const CFakeFilterClass&) = delete;

  bool Registered() const { return m_dwCookie != 0; }

private:
  DWORD m_dwCookie = 0;
};
