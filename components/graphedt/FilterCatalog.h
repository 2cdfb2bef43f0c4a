// The filters registered on this machine, as the Insert Filters window lists them.
//
//   ListRegisteredFilters  every category that the system device enumerator knows, with its
//                          filters; then the filter mapper's filters that no category listed,
//                          under kOtherCategory
//   CreateFilter           a new instance of a listed filter
//   FindFilterClass        a class's entry in a list, else one with its server file alone
//   ClassText              "CLSID: ...", "File: ..." and "Merit: ..." lines of an entry
#pragma once

#include <dshow.h>

#include <atlcomcli.h>

#include <string>
#include <vector>

struct RegisteredFilter {
  std::wstring category;
  std::wstring name;
  CLSID clsid = CLSID_NULL;
  std::wstring file;  // the class's InprocServer32, empty when it has none
  bool bHasMerit = false;
  DWORD dwMerit = 0;
  ATL::CComPtr<IMoniker> spMoniker;
};

extern const wchar_t kOtherCategory[];

HRESULT ListRegisteredFilters(std::vector<RegisteredFilter>* pFilters);
HRESULT CreateFilter(const RegisteredFilter& filter, IBaseFilter** ppFilter);
RegisteredFilter FindFilterClass(const std::vector<RegisteredFilter>& filters, REFCLSID clsid);
std::wstring ClassText(const RegisteredFilter& filter);
