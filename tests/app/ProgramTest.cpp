// LumivarTest.exe started as a process, the way a tester starts it.
#include <gmock/gmock.h>

#include <string>
#include <vector>

#include "RunningBench.h"
#include "TemplateItems.h"

namespace {

std::vector<HWND> ChildrenInOrder(HWND hDlg) {
  std::vector<HWND> children;
  for (HWND h = ::GetWindow(hDlg, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT)) children.push_back(h);
  return children;
}

// What the platform does to the template's styles by itself.
DWORD ExpectedStyle(const TemplateItem& item, HWND hWnd) {
  DWORD dwStyle = item.dwStyle;
  if (item.bNeedsGraph) dwStyle |= WS_DISABLED;
  // A checked automatic radio button becomes a tab stop (the dialog manager's group focus).
  if ((dwStyle & BS_TYPEMASK) == BS_AUTORADIOBUTTON && item.pszClass == std::wstring(L"Button") &&
      ::SendMessageW(hWnd, BM_GETCHECK, 0, 0) == BST_CHECKED) {
    dwStyle |= WS_TABSTOP;
  }
  // A combo box hands its scroll bar to its list.
  if (item.pszClass == std::wstring(L"ComboBox")) dwStyle &= ~WS_VSCROLL;
  // An edit control trades its border for a sunken client edge.
  if (item.pszClass == std::wstring(L"Edit")) dwStyle &= ~WS_BORDER;
  return dwStyle;
}

DWORD ExpectedExStyle(const TemplateItem& item) {
  DWORD dwExStyle = WS_EX_NOPARENTNOTIFY;  // the dialog manager's, for every item
  if (item.pszClass == std::wstring(L"Edit")) dwExStyle |= WS_EX_CLIENTEDGE;
  return dwExStyle;
}

TEST_F(RunningBench, ShowsTheTemplateItemsInTemplateOrder) {
  // Measured here, as the dialog manager measures template 101's font (7 x 13 under Wine 8).
  SIZE base = harness::DialogBaseUnits(L"Tahoma", 8);
  ASSERT_GT(base.cx, 0);

  RECT rcClient = {};
  ASSERT_TRUE(::GetClientRect(m_hDlg, &rcClient));
  RECT rcExpected = harness::DialogUnitsToPixels(base, 0, 0, 333, 201);
  EXPECT_EQ(rcExpected.right, rcClient.right);
  EXPECT_EQ(rcExpected.bottom, rcClient.bottom);
  // The platform adds DS_3DLOOK to every dialog of a program of this Windows version.
  EXPECT_EQ(0x80C800C0u | WS_VISIBLE | WS_CLIPSIBLINGS | DS_3DLOOK,
            static_cast<DWORD>(::GetWindowLongW(m_hDlg, GWL_STYLE)));

  std::vector<HWND> children = ChildrenInOrder(m_hDlg);
  ASSERT_EQ(28u, children.size());
  for (size_t i = 0; i < children.size(); ++i) {
    const TemplateItem& item = rgTemplateItems[i];
    HWND hWnd = children[i];
    SCOPED_TRACE(testing::Message() << "item " << i + 1 << ", id " << item.id);
    EXPECT_EQ(item.id, static_cast<int>(static_cast<short>(::GetWindowLongW(hWnd, GWL_ID))));
    EXPECT_EQ(0, lstrcmpiW(item.pszClass, harness::ClassName(hWnd).c_str())) << harness::ClassName(hWnd).c_str();
    EXPECT_EQ(item.pszText, harness::ReadText(hWnd));
    EXPECT_EQ(ExpectedStyle(item, hWnd), static_cast<DWORD>(::GetWindowLongW(hWnd, GWL_STYLE)));
    EXPECT_EQ(ExpectedExStyle(item), static_cast<DWORD>(::GetWindowLongW(hWnd, GWL_EXSTYLE)));

    RECT rc = {};
    ::GetWindowRect(hWnd, &rc);
    ::MapWindowPoints(nullptr, m_hDlg, reinterpret_cast<POINT*>(&rc), 2);
    RECT expected = harness::DialogUnitsToPixels(base, item.x, item.y, item.cx, item.cy);
    EXPECT_EQ(expected.left, rc.left);
    EXPECT_EQ(expected.top, rc.top);
    EXPECT_EQ(expected.right, rc.right);
    // The combo box's template height includes its drop-down list; the window is the closed box.
    if (item.pszClass != std::wstring(L"ComboBox")) {
      EXPECT_EQ(expected.bottom, rc.bottom);
    }
  }
}

TEST_F(RunningBench, SitsCentredOnTheBottomOfTheWorkArea) {
  RECT rcWork = {};
  ASSERT_TRUE(::SystemParametersInfoW(SPI_GETWORKAREA, 0, &rcWork, 0));
  RECT rc = {};
  ASSERT_TRUE(::GetWindowRect(m_hDlg, &rc));
  EXPECT_EQ((rcWork.left + rcWork.right - (rc.right - rc.left)) / 2, rc.left);
  EXPECT_EQ(rcWork.bottom, rc.bottom);
}

TEST_F(RunningBench, StartsWithTheGeneratedChainAndNoGraph) {
  EXPECT_EQ(BST_CHECKED, ::SendMessageW(Item(202), BM_GETCHECK, 0, 0));
  EXPECT_EQ(BST_UNCHECKED, ::SendMessageW(Item(201), BM_GETCHECK, 0, 0));
  for (int id : {213, 221, 222, 227, 228})
    EXPECT_EQ(BST_UNCHECKED, ::SendMessageW(Item(id), BM_GETCHECK, 0, 0)) << id;
  EXPECT_EQ(0, ::SendMessageW(Item(220), CB_GETCOUNT, 0, 0));
  for (const TemplateItem& item : rgTemplateItems)
    if (item.id != -1) {
      EXPECT_EQ(!item.bNeedsGraph, ::IsWindowEnabled(Item(item.id)) != FALSE) << item.id;
    }
  EXPECT_EQ(Item(203), harness::FocusedWindow(m_hDlg)) << "the focus belongs on \"Load...\"";
}

class BenchClosing : public RunningBench, public ::testing::WithParamInterface<CloseRoute> {};

TEST_P(BenchClosing, EndsTheProgramWithExitCodeZero) {
  ASSERT_TRUE(CloseBy(GetParam()));
  EXPECT_EQ(0u, m_program.WaitForExit());
}

std::string RouteName(const ::testing::TestParamInfo<CloseRoute>& info) { return CloseRouteName(info.param); }

INSTANTIATE_TEST_SUITE_P(Routes, BenchClosing,
                         ::testing::Values(CloseRoute::Escape, CloseRoute::CloseBox, CloseRoute::SystemMenuClose),
                         RouteName);

}  // namespace
