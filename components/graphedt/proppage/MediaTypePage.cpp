#include "MediaTypePage.h"

#include <cwchar>
#include <new>
#include <string>

#include "../MediaTypeText.h"
#include "MediaType.h"
#include "resource.h"

namespace {

// The types an unconnected pin prefers, one block each.
std::wstring PreferredTypes(IPin* pPin) {
  ATL::CComPtr<IEnumMediaTypes> spEnum;
  std::wstring text;
  if (SUCCEEDED(pPin->EnumMediaTypes(&spEnum)) && spEnum) {
    for (;;) {
      AM_MEDIA_TYPE* pmt = nullptr;
      ULONG cFetched = 0;
      if (spEnum->Next(1, &pmt, &cFetched) != S_OK || cFetched != 1 || !pmt) {
        if (pmt) dshow::DeleteMediaType(pmt);
        break;
      }
      text += L"\r\n\r\n" + DescribeMediaType(*pmt);
      dshow::DeleteMediaType(pmt);
    }
  }
  return text.empty() ? L"Not connected; the pin offers no type." : L"Not connected. The pin prefers:" + text;
}

}  // namespace

CMediaTypePage::CMediaTypePage() : CBasePropertyPage(IDD_MEDIATYPE_PAGE, L"Media Type") {}

HRESULT CMediaTypePage::Create(IUnknown** ppUnk) {
  CMediaTypePage* pPage = new (std::nothrow) CMediaTypePage();
  if (!pPage) return E_OUTOFMEMORY;
  *ppUnk = static_cast<IPropertyPage*>(pPage);
  return S_OK;
}

HRESULT CMediaTypePage::OnConnect(IUnknown* pObject) {
  m_spPin.Release();
  return pObject->QueryInterface(IID_IPin, reinterpret_cast<void**>(&m_spPin));
}

void CMediaTypePage::OnDisconnect() { m_spPin.Release(); }

void CMediaTypePage::OnActivate() {
  if (!m_spPin) return;
  std::wstring heading = L"Pin";
  PIN_INFO info = {};
  if (SUCCEEDED(m_spPin->QueryPinInfo(&info))) {
    FILTER_INFO filterInfo = {};
    if (info.pFilter && SUCCEEDED(info.pFilter->QueryFilterInfo(&filterInfo))) {
      heading = std::wstring(filterInfo.achName) + L"." + info.achName;
      if (filterInfo.pGraph) filterInfo.pGraph->Release();
    } else {
      heading = info.achName;
    }
    if (info.pFilter) info.pFilter->Release();
  }
  ::SetDlgItemTextW(m_hWnd, IDC_MEDIATYPE_PIN, heading.c_str());

  AM_MEDIA_TYPE mt = {};
  const HRESULT hr = m_spPin->ConnectionMediaType(&mt);
  std::wstring text;
  if (SUCCEEDED(hr)) {
    text = DescribeMediaType(mt);
    FreeMediaTypeBlock(&mt);
  } else if (hr == VFW_E_NOT_CONNECTED) {
    text = PreferredTypes(m_spPin);
  } else {
    wchar_t szText[96];
    std::swprintf(szText, 96, L"Not connected (0x%08X).", static_cast<unsigned>(hr));
    text = szText;
  }
  ::SetDlgItemTextW(m_hWnd, IDC_MEDIATYPE_TEXT, text.c_str());
}
