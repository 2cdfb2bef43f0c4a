// CHandle against real kernel handles: a handle is open while GetHandleInformation answers for it.
#include <gtest/gtest.h>

#include <type_traits>
#include <utility>

#include "atlbase.h"

namespace {

bool IsOpen(HANDLE h) {
  DWORD dwFlags = 0;
  return ::GetHandleInformation(h, &dwFlags) != FALSE;
}

HANDLE NewEvent() {
  HANDLE h = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  EXPECT_NE(nullptr, h);
  return h;
}

static_assert(!std::is_copy_constructible_v<CHandle> && !std::is_copy_assignable_v<CHandle>, "one owner per handle");

TEST(CHandle, ClosesWhatItHoldsWhenItGoes) {
  HANDLE h = NewEvent();
  {
    CHandle owner(h);
    EXPECT_EQ(h, static_cast<HANDLE>(owner));
    EXPECT_TRUE(IsOpen(h));
  }
  EXPECT_FALSE(IsOpen(h));
}

TEST(CHandle, DetachGivesTheHandleAwayOpen) {
  HANDLE h = NewEvent();
  {
    CHandle owner(h);
    EXPECT_EQ(h, owner.Detach());
    EXPECT_EQ(nullptr, owner.m_h);
  }
  EXPECT_TRUE(IsOpen(h));
  ::CloseHandle(h);
}

TEST(CHandle, CloseEmptiesAndCanBeRepeated) {
  HANDLE h = NewEvent();
  CHandle owner(h);
  owner.Close();
  EXPECT_EQ(nullptr, owner.m_h);
  EXPECT_FALSE(IsOpen(h));
  owner.Close();
  EXPECT_EQ(nullptr, owner.m_h);
}

TEST(CHandle, AttachClosesTheHandleHeldBefore) {
  HANDLE hFirst = NewEvent();
  HANDLE hSecond = NewEvent();
  CHandle owner(hFirst);
  owner.Attach(hFirst);  // the same handle again is no change of owner
  EXPECT_TRUE(IsOpen(hFirst));
  owner.Attach(hSecond);
  EXPECT_FALSE(IsOpen(hFirst));
  EXPECT_TRUE(IsOpen(hSecond));
  EXPECT_EQ(hSecond, owner.m_h);
}

TEST(CHandle, MoveHandsOwnershipOver) {
  HANDLE hFirst = NewEvent();
  HANDLE hSecond = NewEvent();
  CHandle source(hFirst);
  CHandle moved(std::move(source));
  EXPECT_EQ(nullptr, source.m_h);
  EXPECT_EQ(hFirst, moved.m_h);

  CHandle target(hSecond);
  target = std::move(moved);  // the target's own handle is closed, the moved one kept open
  EXPECT_FALSE(IsOpen(hSecond));
  EXPECT_TRUE(IsOpen(hFirst));
  EXPECT_EQ(nullptr, moved.m_h);
  EXPECT_EQ(hFirst, target.m_h);

  CHandle& self = target;
  target = std::move(self);
  EXPECT_TRUE(IsOpen(hFirst));
  EXPECT_EQ(hFirst, target.m_h);
}

TEST(CHandle, TakesAFailedFileOpenAsEmpty) {
  CHandle hFile(::CreateFileW(L"C:\\no such folder\\no such file", GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  EXPECT_EQ(DWORD{ERROR_PATH_NOT_FOUND}, ::GetLastError());
  EXPECT_TRUE(!hFile);
  EXPECT_EQ(nullptr, hFile.m_h);
}

}  // namespace
