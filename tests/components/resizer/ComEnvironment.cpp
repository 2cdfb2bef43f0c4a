// COM for the whole test program: the filters are free-threaded, the graphs run their
// own threads, so the tests' thread joins the multithreaded apartment.
#include <gtest/gtest.h>

#include <objbase.h>

namespace {

class ComApartment : public testing::Environment {
public:
  void SetUp() override { ASSERT_HRESULT_SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED)); }
  void TearDown() override { ::CoUninitialize(); }
};

const testing::Environment* const g_com = testing::AddGlobalTestEnvironment(new ComApartment);

}  // namespace
