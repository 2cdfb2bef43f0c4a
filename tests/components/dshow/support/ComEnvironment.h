// COM, in a single-threaded apartment, on the test's thread for the whole
// run of a test executable. Include it in one of the executable's sources.
#pragma once

#include <gtest/gtest.h>
#include <objbase.h>

class CComEnvironment : public ::testing::Environment {
public:
  void SetUp() override { ASSERT_EQ(S_OK, ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)); }
  void TearDown() override { ::CoUninitialize(); }
};

// One per program, whichever sources include it.
inline ::testing::Environment* const g_pComEnvironment = ::testing::AddGlobalTestEnvironment(new CComEnvironment);
