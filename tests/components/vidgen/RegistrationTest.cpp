// What DllRegisterServer left in the prefix: both classes creatable, and
// the filter listed in the DirectShow filter category.
#include <gtest/gtest.h>
#include <ocidl.h>

#include <string>

#include "GraphTestUtil.h"

namespace {

TEST(RegistrationTest, FilterIsListedInTheFilterCategory) {
  CComPtr<ICreateDevEnum> spDevEnum;
  ASSERT_EQ(S_OK, spDevEnum.CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER));
  CComPtr<IEnumMoniker> spMonikers;
  ASSERT_EQ(S_OK, spDevEnum->CreateClassEnumerator(CLSID_LegacyAmFilterCategory, &spMonikers, 0));
  WCHAR szClsid[40];
  ::StringFromGUID2(CLSID_VideoGenerator, szClsid, 40);
  std::wstring name;
  for (;;) {
    CComPtr<IMoniker> spMoniker;
    if (spMonikers->Next(1, &spMoniker, nullptr) != S_OK) break;
    CComPtr<IPropertyBag> spBag;
    if (FAILED(spMoniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, reinterpret_cast<void**>(&spBag))))
      continue;
    VARIANT var;
    ::VariantInit(&var);
    const bool bOurs = SUCCEEDED(spBag->Read(L"CLSID", &var, nullptr)) && var.vt == VT_BSTR &&
                       _wcsicmp(var.bstrVal, szClsid) == 0;
    ::VariantClear(&var);
    if (!bOurs) continue;
    if (SUCCEEDED(spBag->Read(L"FriendlyName", &var, nullptr)) && var.vt == VT_BSTR) name = var.bstrVal;
    ::VariantClear(&var);
    break;
  }
  EXPECT_TRUE(name == L"Video Generator");
}

TEST(RegistrationTest, PropertyPageClassIsCreatable) {
  IPropertyPage* pPage = nullptr;
  ASSERT_EQ(S_OK, ::CoCreateInstance(CLSID_VideoGeneratorPage, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage,
                                     reinterpret_cast<void**>(&pPage)));
  PROPPAGEINFO info = {};
  ASSERT_EQ(S_OK, pPage->GetPageInfo(&info));
  EXPECT_TRUE(std::wstring(info.pszTitle) == L"Video Generator");
  EXPECT_GT(info.size.cx, 0);
  EXPECT_GT(info.size.cy, 0);
  ::CoTaskMemFree(info.pszTitle);
  EXPECT_EQ(0u, pPage->Release());
}

TEST(RegistrationTest, FilterOffersItsPageAndVideoFirst) {
  CComPtr<IBaseFilter> spGenerator;
  ASSERT_EQ(S_OK, CreateGenerator(&spGenerator));
  CComQIPtr<ISpecifyPropertyPages, &IID_ISpecifyPropertyPages> spPages(spGenerator);
  ASSERT_TRUE(spPages);
  CAUUID pages = {};
  ASSERT_EQ(S_OK, spPages->GetPages(&pages));
  ASSERT_EQ(1u, pages.cElems);
  EXPECT_EQ(CLSID_VideoGeneratorPage, pages.pElems[0]);
  ::CoTaskMemFree(pages.pElems);

  // The bench asks for an unconnected output whose first type is video.
  CComPtr<IPin> spOut = FirstPin(spGenerator, PINDIR_OUTPUT);
  ASSERT_TRUE(spOut);
  CComPtr<IPin> spPeer;
  EXPECT_EQ(VFW_E_NOT_CONNECTED, spOut->ConnectedTo(&spPeer));
  CComPtr<IEnumMediaTypes> spTypes;
  ASSERT_EQ(S_OK, spOut->EnumMediaTypes(&spTypes));
  AM_MEDIA_TYPE* pmt = nullptr;
  ASSERT_EQ(S_OK, spTypes->Next(1, &pmt, nullptr));
  EXPECT_EQ(MEDIATYPE_Video, pmt->majortype);
  EXPECT_EQ(MEDIASUBTYPE_RGB32, pmt->subtype);
  EXPECT_EQ(FORMAT_VideoInfo, pmt->formattype);
  ::CoTaskMemFree(pmt->pbFormat);
  ::CoTaskMemFree(pmt);
}

}  // namespace
