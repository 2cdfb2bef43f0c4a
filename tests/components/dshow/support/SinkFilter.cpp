#include "SinkFilter.h"

#include <new>

CSinkFilter::CSinkFilter()
    : dshow::CBaseFilter(CLSID_TestSink), m_input(this), m_seeking(static_cast<IBaseFilter*>(this), &m_input) {}

HRESULT CSinkFilter::Create(CSinkFilter** ppSink) {
  if (!ppSink) return E_POINTER;
  *ppSink = new (std::nothrow) CSinkFilter();
  return *ppSink ? S_OK : E_OUTOFMEMORY;
}

HRESULT CSinkFilter::GetInterface(REFIID riid, void** ppv) {
  if (riid == IID_IMediaSeeking) return dshow::GetInterfaceOf(static_cast<IMediaSeeking*>(&m_seeking), ppv);
  return CBaseFilter::GetInterface(riid, ppv);
}
