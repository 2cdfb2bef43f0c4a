// CMediaTypePage: a read-only property page that shows the media type of a
// pin's connection (or that it is not connected).
#pragma once

#include <dshow.h>

#include <PropertyPage.h>

class CMediaTypePage : public dshow::CBasePropertyPage {
public:
  static HRESULT Create(IUnknown** ppUnk);

protected:
  HRESULT OnConnect(IUnknown* pObject) override;
  void OnDisconnect() override;
  void OnActivate() override;
  HRESULT OnApply() override { return S_OK; }

private:
  CMediaTypePage();

  ATL::CComPtr<IPin> m_spPin;
};
