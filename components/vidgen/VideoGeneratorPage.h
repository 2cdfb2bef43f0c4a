// CVideoGeneratorPage: the generator's property page. It shows the settings
// and applies them through IVideoGeneratorSettings; a value out of range, or
// a change the filter refuses, is reported in a message box and changes
// nothing.
#pragma once

#include <PropertyPage.h>

#include "VideoGenerator.h"

class CVideoGeneratorPage : public dshow::CBasePropertyPage {
public:
  static HRESULT Create(IUnknown** ppUnk);

protected:
  HRESULT OnConnect(IUnknown* pObject) override;
  void OnDisconnect() override;
  void OnActivate() override;
  void OnCommand(WORD wId, WORD wCode) override;
  HRESULT OnApply() override;

private:
  CVideoGeneratorPage();

  // Reads one field; false (and the user told) when it is not a whole
  // number within the range.
  bool ReadField(int idControl, LPCWSTR pszName, LONG lMin, LONG lMax, LONG* plValue);
  void ShowMessage(LPCWSTR pszText);

  ATL::CComPtr<IVideoGeneratorSettings> m_spSettings;
};
