#include "VideoGeneratorPage.h"

#include <vfwmsgs.h>

#include <cerrno>
#include <cwchar>
#include <cwctype>
#include <new>

#include "resource.h"

namespace {

const WCHAR kCaption[] = L"Video Generator";

struct Field {
  int idControl;
  LONG VideoGeneratorSettings::*pValue;
};

const Field kFields[] = {{IDC_VIDGEN_WIDTH, &VideoGeneratorSettings::lWidth},
                         {IDC_VIDGEN_HEIGHT, &VideoGeneratorSettings::lHeight},
                         {IDC_VIDGEN_FRAMERATE, &VideoGeneratorSettings::lFrameRate},
                         {IDC_VIDGEN_DURATION, &VideoGeneratorSettings::lDurationMs}};

}  // namespace

CVideoGeneratorPage::CVideoGeneratorPage() : CBasePropertyPage(IDD_VIDGEN_PAGE, kCaption) {}

HRESULT CVideoGeneratorPage::Create(IUnknown** ppUnk) {
  if (!ppUnk) return E_POINTER;
  auto* pPage = new (std::nothrow) CVideoGeneratorPage();
  *ppUnk = pPage;
  return pPage ? S_OK : E_OUTOFMEMORY;
}

HRESULT CVideoGeneratorPage::OnConnect(IUnknown* pObject) {
  return pObject->QueryInterface(IID_IVideoGeneratorSettings, reinterpret_cast<void**>(&m_spSettings));
}

void CVideoGeneratorPage::OnDisconnect() { m_spSettings.Release(); }

void CVideoGeneratorPage::OnActivate() {
  VideoGeneratorSettings settings = kVidGenDefaults;
  if (m_spSettings) m_spSettings->GetSettings(&settings);
  for (const Field& field : kFields) ::SetDlgItemInt(m_hWnd, field.idControl, settings.*field.pValue, TRUE);
}

void CVideoGeneratorPage::OnCommand(WORD, WORD wCode) {
  if (wCode == EN_CHANGE) SetDirty();
}

bool CVideoGeneratorPage::ReadField(int idControl, LPCWSTR pszName, LONG lMin, LONG lMax, LONG* plValue) {
  WCHAR szText[32] = {};
  ::GetDlgItemTextW(m_hWnd, idControl, szText, 32);
  const WCHAR* psz = szText;
  while (std::iswspace(*psz)) ++psz;
  WCHAR* pszEnd = nullptr;
  errno = 0;
  const long lValue = std::wcstol(psz, &pszEnd, 10);
  while (pszEnd && std::iswspace(*pszEnd)) ++pszEnd;
  if (*psz && pszEnd && *pszEnd == 0 && errno == 0 && lValue >= lMin && lValue <= lMax) {
    *plValue = lValue;
    return true;
  }
  WCHAR szMessage[256];
  _snwprintf(szMessage, 255, L"The %ls must be a whole number from %ld to %ld.\nThe settings were not changed.",
             pszName, lMin, lMax);
  szMessage[255] = 0;
  ShowMessage(szMessage);
  ::SetFocus(::GetDlgItem(m_hWnd, idControl));
  return false;
}

void CVideoGeneratorPage::ShowMessage(LPCWSTR pszText) {
  ::MessageBoxW(::GetAncestor(m_hWnd, GA_ROOT), pszText, kCaption, MB_OK | MB_ICONEXCLAMATION);
}

HRESULT CVideoGeneratorPage::OnApply() {
  if (!m_spSettings) return E_UNEXPECTED;
  VideoGeneratorSettings settings;
  if (!ReadField(IDC_VIDGEN_WIDTH, L"width", kVidGenMinSize, kVidGenMaxSize, &settings.lWidth) ||
      !ReadField(IDC_VIDGEN_HEIGHT, L"height", kVidGenMinSize, kVidGenMaxSize, &settings.lHeight) ||
      !ReadField(IDC_VIDGEN_FRAMERATE, L"frame rate", kVidGenMinFrameRate, kVidGenMaxFrameRate,
                 &settings.lFrameRate) ||
      !ReadField(IDC_VIDGEN_DURATION, L"duration", kVidGenMinDurationMs, kVidGenMaxDurationMs,
                 &settings.lDurationMs))
    return E_INVALIDARG;
  HRESULT hr = m_spSettings->SetSettings(&settings);
  if (hr == VFW_E_NOT_STOPPED) {
    ShowMessage(L"The graph is playing or paused: stop it before changing the settings.\n"
                L"The settings were not changed.");
  } else if (FAILED(hr)) {
    WCHAR szMessage[160];
    _snwprintf(szMessage, 159, L"The new settings could not be applied (0x%08lX).\n"
                               L"The settings were not changed.", static_cast<unsigned long>(hr));
    szMessage[159] = 0;
    ShowMessage(szMessage);
  }
  return hr;
}
