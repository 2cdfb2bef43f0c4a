// The stand-in manager: reached through TreatAs, one COM identity over Wine's aggregated
// manager, and IPersistStream's small methods.
#include <gmock/gmock.h>

#include "ComEnvironment.h"
#include "GraphFileErrors.h"
#include "GraphFileTestSupport.h"
#include "PersistentGraph.h"

using ATL::CComPtr;
using ATL::CComQIPtr;

namespace {

// {C1F400A4-3F08-11D3-9F0B-006008039E37}
const CLSID kNullRenderer = {0xC1F400A4, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};

ULONG RefsOf(IUnknown* pUnk) {
  pUnk->AddRef();
  return pUnk->Release();
}

CComPtr<IUnknown> Identity(IUnknown* pUnk) {
  CComPtr<IUnknown> spUnk;
  EXPECT_EQ(S_OK, pUnk->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&spUnk)));
  return spUnk;
}

TEST(ServerTest, TheManagersClassIsTreatedAsTheStandIn) {
  CLSID clsid = GUID_NULL;
  EXPECT_EQ(S_OK, ::CoGetTreatAsClass(CLSID_FilterGraph, &clsid));
  EXPECT_TRUE(clsid == CLSID_PersistentFilterGraph);

  CComPtr<IGraphBuilder> spGraph = NewGraph();
  ASSERT_TRUE(spGraph);
  CComQIPtr<IPersistStream> spPersist(spGraph);
  ASSERT_TRUE(spPersist);
  CLSID persisted = GUID_NULL;
  EXPECT_EQ(S_OK, spPersist->GetClassID(&persisted));
  EXPECT_TRUE(persisted == CLSID_FilterGraph);
  EXPECT_EQ(E_POINTER, spPersist->GetClassID(nullptr));
}

// The platform fact the stand-in stands on: the class object is Wine's own, and it has no
// IPersistStream.
TEST(ServerTest, WinesOwnManagerIsStillReachable) {
  CComPtr<IGraphBuilder> spGraph = WinesGraph();
  ASSERT_TRUE(spGraph);
  CComPtr<IPersistStream> spPersist;
  EXPECT_EQ(E_NOINTERFACE, spGraph->QueryInterface(IID_IPersistStream, reinterpret_cast<void**>(&spPersist)));
}

TEST(ServerTest, EveryInterfaceAnswersTheOuterIdentity) {
  CComPtr<IGraphBuilder> spGraph = NewGraph();
  ASSERT_TRUE(spGraph);
  const CComPtr<IUnknown> spIdentity = Identity(spGraph);
  const ULONG cRefs = RefsOf(spIdentity);
  const IID* iids[] = {&IID_IGraphBuilder, &IID_IFilterGraph, &IID_IMediaControl, &IID_IMediaEventEx,
                       &IID_IMediaSeeking, &IID_IVideoWindow,  &IID_IBasicVideo,   &IID_IMediaFilter,
                       &IID_IPersistStream, &IID_IPersist};
  for (const IID* piid : iids) {
    CComPtr<IUnknown> spItf;
    ASSERT_EQ(S_OK, spIdentity->QueryInterface(*piid, reinterpret_cast<void**>(&spItf)));
    // Each interface counts on the one object and leads back to it and to every other one.
    EXPECT_EQ(cRefs + 1, RefsOf(spItf));
    EXPECT_EQ(spIdentity, Identity(spItf));
    CComPtr<IPersistStream> spPersist;
    EXPECT_EQ(S_OK, spItf->QueryInterface(IID_IPersistStream, reinterpret_cast<void**>(&spPersist)));
    CComPtr<IMediaControl> spControl;
    EXPECT_EQ(S_OK, spItf->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&spControl)));
  }
  EXPECT_EQ(cRefs, RefsOf(spIdentity));
  CComPtr<IUnknown> spNone;
  EXPECT_EQ(E_NOINTERFACE, spIdentity->QueryInterface(IID_IClassFactory, reinterpret_cast<void**>(&spNone)));
  EXPECT_FALSE(spNone);
}

// A fake outer object that aggregates the manager's class and passes every interface on.
class COuter : public IUnknown {
public:
  LONG cRef = 1;
  IUnknown* pInner = nullptr;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (riid == IID_IUnknown) {
      *ppv = static_cast<IUnknown*>(this);
      AddRef();
      return S_OK;
    }
    return pInner->QueryInterface(riid, ppv);
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++cRef; }
  STDMETHODIMP_(ULONG) Release() override { return --cRef; }
};

TEST(ServerTest, CanBeAggregatedLikeTheManagerItStandsFor) {
  COuter outer;
  IUnknown* pUnk = reinterpret_cast<IUnknown*>(1);
  EXPECT_EQ(CLASS_E_NOAGGREGATION, ::CoCreateInstance(CLSID_FilterGraph, &outer, CLSCTX_INPROC_SERVER,
                                                      IID_IGraphBuilder, reinterpret_cast<void**>(&pUnk)));
  EXPECT_EQ(nullptr, pUnk);
  ASSERT_EQ(S_OK, ::CoCreateInstance(CLSID_FilterGraph, &outer, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                     reinterpret_cast<void**>(&outer.pInner)));
  EXPECT_EQ(1, outer.cRef);
  {
    CComQIPtr<IPersistStream> spPersist(static_cast<IUnknown*>(&outer));
    CComQIPtr<IGraphBuilder> spGraph(static_cast<IUnknown*>(&outer));
    ASSERT_TRUE(spPersist);
    ASSERT_TRUE(spGraph);
    EXPECT_EQ(3, outer.cRef);
    EXPECT_EQ(static_cast<IUnknown*>(&outer), Identity(spPersist));
    EXPECT_EQ(static_cast<IUnknown*>(&outer), Identity(spGraph));
    CComPtr<IStream> spStream = StreamOn({});
    EXPECT_EQ(S_OK, spPersist->Save(spStream, TRUE));
    EXPECT_LT(0u, PositionOf(spStream));
  }
  EXPECT_EQ(1, outer.cRef);
  EXPECT_EQ(0u, outer.pInner->Release());
}

// Released to zero, the aggregate lets its DLL go.
TEST(ServerTest, TheLastReleaseFreesTheAggregate) {
  HMODULE hDll = nullptr;
  {
    CComPtr<IGraphBuilder> spGraph = NewGraph();
    ASSERT_TRUE(spGraph);
    hDll = ::GetModuleHandleW(L"GraphFile.dll");
    ASSERT_TRUE(hDll);
    auto pfnCanUnload = reinterpret_cast<HRESULT(WINAPI*)()>(
        reinterpret_cast<void (*)()>(::GetProcAddress(hDll, "DllCanUnloadNow")));
    ASSERT_TRUE(pfnCanUnload);
    EXPECT_EQ(S_FALSE, pfnCanUnload());
    CComQIPtr<IMediaSeeking> spSeeking(spGraph);
    spGraph.Release();
    EXPECT_EQ(S_FALSE, pfnCanUnload());  // the inner interface still holds the whole
    spSeeking.Release();
    EXPECT_EQ(S_OK, pfnCanUnload());
  }
}

TEST(ServerTest, DirtyWhenTheGraphChangedSinceLoadOrSave) {
  CComPtr<IGraphBuilder> spGraph = NewGraph();
  ASSERT_TRUE(spGraph);
  CComQIPtr<IPersistStream> spPersist(spGraph);
  EXPECT_EQ(S_FALSE, spPersist->IsDirty());

  CComPtr<IBaseFilter> spFilter;
  ASSERT_EQ(S_OK, spFilter.CoCreateInstance(kNullRenderer, nullptr, CLSCTX_INPROC_SERVER));
  ASSERT_EQ(S_OK, spGraph->AddFilter(spFilter, L"Null"));
  EXPECT_EQ(S_OK, spPersist->IsDirty());

  CComPtr<IStream> spStream = StreamOn({});
  EXPECT_EQ(S_OK, spPersist->Save(spStream, FALSE));
  EXPECT_EQ(S_OK, spPersist->IsDirty());
  ULARGE_INTEGER cbMax = {};
  EXPECT_EQ(S_OK, spPersist->GetSizeMax(&cbMax));
  EXPECT_EQ(cbMax.QuadPart, PositionOf(spStream));
  EXPECT_EQ(S_OK, spPersist->Save(spStream, TRUE));
  EXPECT_EQ(S_FALSE, spPersist->IsDirty());

  EXPECT_EQ(S_OK, spGraph->RemoveFilter(spFilter));
  EXPECT_EQ(S_OK, spPersist->IsDirty());
}

// The format has no way to write a double quote inside a name: Save refuses and writes nothing.
TEST(ServerTest, ANameWithAQuoteIsNotSaved) {
  CComPtr<IGraphBuilder> spGraph = NewGraph();
  ASSERT_TRUE(spGraph);
  CComPtr<IBaseFilter> spFilter;
  ASSERT_EQ(S_OK, spFilter.CoCreateInstance(kNullRenderer, nullptr, CLSCTX_INPROC_SERVER));
  ASSERT_EQ(S_OK, spGraph->AddFilter(spFilter, L"say \"cheese\""));
  CComQIPtr<IPersistStream> spPersist(spGraph);
  CComPtr<IStream> spStream = StreamOn({});
  EXPECT_EQ(GRAPHFILE_E_UNWRITABLE, spPersist->Save(spStream, TRUE));
  EXPECT_EQ(0u, PositionOf(spStream));
  ULARGE_INTEGER cbMax = {};
  EXPECT_EQ(GRAPHFILE_E_UNWRITABLE, spPersist->GetSizeMax(&cbMax));
}

TEST(ServerTest, NullArguments) {
  CComPtr<IGraphBuilder> spGraph = NewGraph();
  ASSERT_TRUE(spGraph);
  CComQIPtr<IPersistStream> spPersist(spGraph);
  EXPECT_EQ(E_POINTER, spPersist->Load(nullptr));
  EXPECT_EQ(E_POINTER, spPersist->Save(nullptr, TRUE));
  EXPECT_EQ(E_POINTER, spPersist->GetSizeMax(nullptr));
}

}  // namespace
