// Owning references to interfaces and BSTRs, counted on a real COM interface.
#include <gmock/gmock.h>

#include <cstring>
#include <utility>

#include "AssertRecorder.h"
#include "atlbase.h"

using ::testing::ElementsAre;

namespace {

// Lives on the test's stack with the test's own reference; answers IUnknown and IPersist.
class CCountedPersist : public IPersist {
public:
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    if (riid != IID_IUnknown && riid != IID_IPersist) {
      *ppv = nullptr;
      return E_NOINTERFACE;
    }
    *ppv = static_cast<IPersist*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++m_cRef; }
  STDMETHODIMP_(ULONG) Release() override { return --m_cRef; }
  STDMETHODIMP GetClassID(CLSID* pClassID) override {
    *pClassID = CLSID_NULL;
    return S_OK;
  }

  ULONG m_cRef = 1;
};

TEST(CComPtr, HoldsOneReferencePerOwner) {
  CCountedPersist obj;
  {
    CComPtr<IPersist> sp1(&obj);
    EXPECT_EQ(2u, obj.m_cRef);
    CComPtr<IPersist> sp2(sp1);
    EXPECT_EQ(3u, obj.m_cRef);
    sp2 = sp2;
    EXPECT_EQ(3u, obj.m_cRef);
    CComPtr<IPersist> sp3(std::move(sp2));
    EXPECT_EQ(3u, obj.m_cRef);
    EXPECT_TRUE(!sp2);
    sp3 = nullptr;
    EXPECT_EQ(2u, obj.m_cRef);

    IPersist* pCopy = nullptr;
    EXPECT_EQ(S_OK, sp1.CopyTo(&pCopy));
    EXPECT_EQ(3u, obj.m_cRef);
    pCopy->Release();
    IPersist* pDetached = sp1.Detach();
    EXPECT_TRUE(!sp1);
    EXPECT_EQ(2u, obj.m_cRef);
    sp1.Attach(pDetached);
    EXPECT_EQ(2u, obj.m_cRef);
    sp1.Release();
    EXPECT_EQ(1u, obj.m_cRef);
    sp1 = &obj;
    EXPECT_EQ(2u, obj.m_cRef);
    // Assigning a returned reference moves it: no extra count, the old one released.
    sp1 = CComPtr<IPersist>(&obj);
    EXPECT_EQ(2u, obj.m_cRef);
  }
  EXPECT_EQ(1u, obj.m_cRef);
  EXPECT_EQ(0u, obj.Release());
}

TEST(CComQIPtr, HoldsWhatTheObjectAnswersAndNothingElse) {
  CCountedPersist obj;
  IUnknown* pUnknown = &obj;
  {
    CComQIPtr<IPersist> spPersist(pUnknown);
    EXPECT_EQ(&obj, spPersist.p);
    EXPECT_EQ(2u, obj.m_cRef);
    CComQIPtr<IPersistStream> spStream(pUnknown);
    EXPECT_TRUE(!spStream);
    spStream = pUnknown;
    EXPECT_TRUE(!spStream);
    spPersist = pUnknown;
    EXPECT_EQ(2u, obj.m_cRef);

    CComPtr<IUnknown> spUnknown;
    EXPECT_EQ(S_OK, spPersist.QueryInterface(&spUnknown));
    EXPECT_EQ(3u, obj.m_cRef);
  }
  EXPECT_EQ(1u, obj.m_cRef);
  EXPECT_EQ(0u, obj.Release());
}

TEST(CComBSTR, CopiesTheWholeStringAndGivesItAway) {
  const wchar_t kText[] = L"a\0b";
  CComBSTR cbsText;
  *&cbsText = ::SysAllocStringLen(kText, 3);

  CComBSTR cbsCopy(cbsText);
  EXPECT_NE(cbsText.m_str, cbsCopy.m_str);
  ASSERT_EQ(3u, cbsCopy.Length());
  EXPECT_EQ(0, std::memcmp(kText, cbsCopy.m_str, 3 * sizeof(wchar_t)));

  CComBSTR cbsMoved(std::move(cbsCopy));
  EXPECT_TRUE(!cbsCopy);
  BSTR bstrOut = nullptr;
  EXPECT_EQ(S_OK, cbsMoved.CopyTo(&bstrOut));
  EXPECT_EQ(3u, ::SysStringLen(bstrOut));
  ::SysFreeString(bstrOut);
}

TEST(ComOutArgument, AddressOfAHeldValueAsserts) {
  AssertRecorder asserts;
  CCountedPersist obj;
  {
    CComPtr<IPersist> sp(&obj);
    (void)&sp;
    CComBSTR cbs(L"held");
    (void)&cbs;
  }
  EXPECT_THAT(asserts.Texts(), ElementsAre("p == 0", "m_str == 0"));
  EXPECT_EQ(0u, obj.Release());
}

}  // namespace
