#include "FilterCatalog.h"

#include <algorithm>
#include <cwchar>

using ATL::CComPtr;

const wchar_t kOtherCategory[] = L"Other registered filters";

namespace {

std::wstring ReadString(IPropertyBag* pBag, LPCOLESTR pszName) {
  VARIANT var;
  ::VariantInit(&var);
  std::wstring text;
  if (SUCCEEDED(pBag->Read(pszName, &var, nullptr)) && var.vt == VT_BSTR && var.bstrVal) text = var.bstrVal;
  ::VariantClear(&var);
  return text;
}

bool ReadClsid(IPropertyBag* pBag, CLSID* pClsid) {
  const std::wstring text = ReadString(pBag, L"CLSID");
  return !text.empty() && SUCCEEDED(::CLSIDFromString(text.c_str(), pClsid));
}

// The merit is the second DWORD of the registration's FilterData (after its version).
bool ReadMerit(IPropertyBag* pBag, DWORD* pdwMerit) {
  VARIANT var;
  ::VariantInit(&var);
  bool bRead = false;
  if (SUCCEEDED(pBag->Read(L"FilterData", &var, nullptr)) && var.vt == (VT_ARRAY | VT_UI1) && var.parray) {
    BYTE* pData = nullptr;
    if (var.parray->rgsabound[0].cElements >= 8 &&
        SUCCEEDED(::SafeArrayAccessData(var.parray, reinterpret_cast<void**>(&pData)))) {
      std::copy(pData + 4, pData + 8, reinterpret_cast<BYTE*>(pdwMerit));
      ::SafeArrayUnaccessData(var.parray);
      bRead = true;
    }
  }
  ::VariantClear(&var);
  return bRead;
}

std::wstring ServerFile(REFCLSID clsid) {
  wchar_t szClsid[40] = {};
  if (!::StringFromGUID2(clsid, szClsid, 40)) return std::wstring();
  const std::wstring key = std::wstring(L"CLSID\\") + szClsid + L"\\InprocServer32";
  wchar_t szFile[MAX_PATH] = {};
  LONG cb = sizeof szFile;
  if (::RegQueryValueW(HKEY_CLASSES_ROOT, key.c_str(), szFile, &cb) != ERROR_SUCCESS) return std::wstring();
  szFile[MAX_PATH - 1] = L'\0';
  return szFile;
}

// One entry per moniker that names a class; the rest are left out.
HRESULT AddMonikers(IEnumMoniker* pEnum, const std::wstring& category, std::vector<RegisteredFilter>* pFilters) {
  for (;;) {
    CComPtr<IMoniker> spMoniker;
    ULONG cFetched = 0;
    const HRESULT hr = pEnum->Next(1, &spMoniker, &cFetched);
    if (FAILED(hr)) return hr;
    if (hr != S_OK || cFetched != 1 || !spMoniker) return S_OK;
    CComPtr<IPropertyBag> spBag;
    if (FAILED(spMoniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, reinterpret_cast<void**>(&spBag))) ||
        !spBag)
      continue;
    RegisteredFilter filter;
    filter.category = category;
    filter.name = ReadString(spBag, L"FriendlyName");
    if (filter.name.empty() || !ReadClsid(spBag, &filter.clsid)) continue;
    filter.file = ServerFile(filter.clsid);
    filter.bHasMerit = ReadMerit(spBag, &filter.dwMerit);
    filter.spMoniker = spMoniker;
    pFilters->push_back(std::move(filter));
  }
}

HRESULT AddCategories(ICreateDevEnum* pDevEnum, std::vector<RegisteredFilter>* pFilters) {
  CComPtr<IEnumMoniker> spCategories;
  HRESULT hr = pDevEnum->CreateClassEnumerator(CLSID_ActiveMovieCategories, &spCategories, 0);
  if (hr != S_OK || !spCategories) return FAILED(hr) ? hr : S_OK;
  std::vector<RegisteredFilter> categories;
  if (FAILED(hr = AddMonikers(spCategories, std::wstring(), &categories))) return hr;
  for (const RegisteredFilter& category : categories) {
    CComPtr<IEnumMoniker> spFilters;
    // S_FALSE: an empty category.
    if (pDevEnum->CreateClassEnumerator(category.clsid, &spFilters, 0) != S_OK || !spFilters) continue;
    if (FAILED(hr = AddMonikers(spFilters, category.name, pFilters))) return hr;
  }
  return S_OK;
}

HRESULT AddMapperRest(std::vector<RegisteredFilter>* pFilters) {
  CComPtr<IFilterMapper2> spMapper;
  HRESULT hr = spMapper.CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER);
  if (FAILED(hr)) return hr;
  CComPtr<IEnumMoniker> spEnum;
  hr = spMapper->EnumMatchingFilters(&spEnum, 0, FALSE, MERIT_DO_NOT_USE, FALSE, 0, nullptr, nullptr, nullptr, FALSE,
                                     FALSE, 0, nullptr, nullptr, nullptr);
  if (FAILED(hr)) return hr;
  if (!spEnum) return S_OK;
  std::vector<RegisteredFilter> all;
  if (FAILED(hr = AddMonikers(spEnum, kOtherCategory, &all))) return hr;
  for (RegisteredFilter& filter : all) {
    const bool bListed = std::any_of(pFilters->begin(), pFilters->end(),
                                     [&](const RegisteredFilter& listed) { return listed.clsid == filter.clsid; });
    if (!bListed) pFilters->push_back(std::move(filter));
  }
  return S_OK;
}

}  // namespace

HRESULT ListRegisteredFilters(std::vector<RegisteredFilter>* pFilters) {
  if (!pFilters) return E_POINTER;
  pFilters->clear();
  CComPtr<ICreateDevEnum> spDevEnum;
  HRESULT hr = spDevEnum.CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER);
  if (FAILED(hr)) return hr;
  if (FAILED(hr = AddCategories(spDevEnum, pFilters))) return hr;
  return AddMapperRest(pFilters);
}

HRESULT CreateFilter(const RegisteredFilter& filter, IBaseFilter** ppFilter) {
  if (!ppFilter) return E_POINTER;
  *ppFilter = nullptr;
  if (!filter.spMoniker) return E_UNEXPECTED;
  const HRESULT hr =
      filter.spMoniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(ppFilter));
  if (SUCCEEDED(hr) && !*ppFilter) return E_UNEXPECTED;
  return hr;
}

RegisteredFilter FindFilterClass(const std::vector<RegisteredFilter>& filters, REFCLSID clsid) {
  const auto it = std::find_if(filters.begin(), filters.end(),
                               [&](const RegisteredFilter& filter) { return filter.clsid == clsid; });
  if (it != filters.end()) return *it;
  RegisteredFilter filter;
  filter.clsid = clsid;
  filter.file = ServerFile(clsid);
  return filter;
}

std::wstring ClassText(const RegisteredFilter& filter) {
  wchar_t szClsid[40] = {}, szMerit[16] = L"unknown";
  ::StringFromGUID2(filter.clsid, szClsid, 40);
  if (filter.bHasMerit) std::swprintf(szMerit, 16, L"0x%08lX", static_cast<unsigned long>(filter.dwMerit));
  return L"CLSID: " + std::wstring(szClsid) + L"\r\nFile: " + (filter.file.empty() ? L"(none)" : filter.file) +
         L"\r\nMerit: " + szMerit;
}
