// The module objects: instance handles, window-creation bookkeeping, COM start-up.
#include <gmock/gmock.h>

#include <thread>

#include "AssertRecorder.h"
#include "atlbase.h"

using ::testing::ElementsAre;

namespace {

class CPlatformTestModule : public CAtlExeModuleT<CPlatformTestModule> {};

}  // namespace

CPlatformTestModule _AtlModule;

namespace {

TEST(AtlModule, IsTheProgramsOneModuleObject) { EXPECT_EQ(&_AtlModule, _pAtlModule); }

TEST(AtlModule, InstancesAreThoseOfThisImage) {
  const HINSTANCE hExe = ::GetModuleHandleW(NULL);
  EXPECT_EQ(hExe, _AtlBaseModule.GetModuleInstance());
  EXPECT_EQ(hExe, _AtlBaseModule.GetResourceInstance());

  const HINSTANCE hOther = ::GetModuleHandleW(L"user32.dll");
  EXPECT_EQ(hExe, _AtlBaseModule.SetResourceInstance(hOther));
  EXPECT_EQ(hOther, _AtlBaseModule.GetResourceInstance());
  EXPECT_EQ(hExe, _AtlBaseModule.GetModuleInstance());
  _AtlBaseModule.SetResourceInstance(NULL);
  EXPECT_EQ(hExe, _AtlBaseModule.GetResourceInstance());
}

TEST(AtlModule, InitializeComEntersTheApartmentOnce) {
  HRESULT hrFirst = E_UNEXPECTED;
  HRESULT hrSecond = E_UNEXPECTED;
  APTTYPE type = APTTYPE_MTA;
  APTTYPEQUALIFIER qualifier;
  std::thread([&] {
    hrFirst = CPlatformTestModule::InitializeCom();
    hrSecond = CPlatformTestModule::InitializeCom();
    ::CoGetApartmentType(&type, &qualifier);
    CPlatformTestModule::UninitializeCom();
    CPlatformTestModule::UninitializeCom();
  }).join();
  EXPECT_EQ(S_OK, hrFirst);
  EXPECT_EQ(S_FALSE, hrSecond);
  EXPECT_EQ(APTTYPE_MAINSTA, type);
}

TEST(AtlWinModule, CreateDataIsTakenBackPerThreadLastInFirstOut) {
  CAtlWinModule module;
  int objects[3];
  _AtlCreateWndData data[3];
  ASSERT_TRUE(module.AddCreateWndData(&data[0], &objects[0]));
  ASSERT_TRUE(module.AddCreateWndData(&data[1], &objects[1]));
  void* pOtherThreads = nullptr;
  void* pOtherThreadsAfter = &objects[0];
  std::thread([&] {
    module.AddCreateWndData(&data[2], &objects[2]);
    pOtherThreads = module.ExtractCreateWndData();
    pOtherThreadsAfter = module.ExtractCreateWndData();
  }).join();

  EXPECT_EQ(&objects[2], pOtherThreads);
  EXPECT_EQ(nullptr, pOtherThreadsAfter);
  EXPECT_EQ(&objects[1], module.ExtractCreateWndData());
  EXPECT_EQ(&objects[0], module.ExtractCreateWndData());
  EXPECT_EQ(nullptr, module.ExtractCreateWndData());
}

TEST(AtlWinModule, TermEndsWindowCreation) {
  CAtlWinModule module;
  module.Term();

  AssertRecorder asserts;
  int object = 0;
  _AtlCreateWndData data;
  EXPECT_FALSE(module.AddCreateWndData(&data, &object));
  EXPECT_EQ(nullptr, module.ExtractCreateWndData());
  EXPECT_THAT(asserts.Texts(), ElementsAre("m_bInit && L\"The window module is terminated\""));
  module.Term();
}

}  // namespace
