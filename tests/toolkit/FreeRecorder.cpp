#include "FreeRecorder.h"

#include <objidl.h>

#include <mutex>

namespace {

class FreeSpy : public IMallocSpy {
public:
  bool m_bRegistered = false;
  std::mutex m_mutex;
  std::map<void*, int>* m_pFrees = nullptr;  // the recording scope, if any

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (riid == IID_IUnknown || riid == IID_IMallocSpy) {
      *ppv = static_cast<IMallocSpy*>(this);
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  // Lives for the whole process.
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP_(SIZE_T) PreAlloc(SIZE_T cbRequest) override { return cbRequest; }
  // A block that reuses a freed address starts a life of its own.
  STDMETHODIMP_(void*) PostAlloc(void* pActual) override {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (pActual && m_pFrees) m_pFrees->erase(pActual);
    return pActual;
  }
  STDMETHODIMP_(void*) PreFree(void* pRequest, BOOL) override {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (pRequest && m_pFrees) ++(*m_pFrees)[pRequest];
    return pRequest;
  }
  STDMETHODIMP_(void) PostFree(BOOL) override {}
  STDMETHODIMP_(SIZE_T) PreRealloc(void* pRequest, SIZE_T cbRequest, void** ppNewRequest,
                                   BOOL) override {
    *ppNewRequest = pRequest;
    return cbRequest;
  }
  STDMETHODIMP_(void*) PostRealloc(void* pActual, BOOL) override { return pActual; }
  STDMETHODIMP_(void*) PreGetSize(void* pRequest, BOOL) override { return pRequest; }
  STDMETHODIMP_(SIZE_T) PostGetSize(SIZE_T cbActual, BOOL) override { return cbActual; }
  STDMETHODIMP_(void*) PreDidAlloc(void* pRequest, BOOL) override { return pRequest; }
  STDMETHODIMP_(int) PostDidAlloc(void*, BOOL, int fActual) override { return fActual; }
  STDMETHODIMP_(void) PreHeapMinimize() override {}
  STDMETHODIMP_(void) PostHeapMinimize() override {}
};

FreeSpy& Spy() {
  // Never destroyed: the platform may call it until the process ends.
  static FreeSpy* s_pSpy = [] {
    auto* pSpy = new FreeSpy;
    pSpy->m_bRegistered = SUCCEEDED(::CoRegisterMallocSpy(pSpy));
    return pSpy;
  }();
  return *s_pSpy;
}

}  // namespace

FreeRecorder::FreeRecorder() {
  std::lock_guard<std::mutex> lock(Spy().m_mutex);
  Spy().m_pFrees = &m_frees;
}

FreeRecorder::~FreeRecorder() {
  std::lock_guard<std::mutex> lock(Spy().m_mutex);
  Spy().m_pFrees = nullptr;
}

bool FreeRecorder::Active() const { return Spy().m_bRegistered; }

int FreeRecorder::Count(void* pv) const {
  std::lock_guard<std::mutex> lock(Spy().m_mutex);
  auto it = m_frees.find(pv);
  return it == m_frees.end() ? 0 : it->second;
}
