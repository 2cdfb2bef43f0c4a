// Subclassing real edit controls with CWindowImpl.
#include <gmock/gmock.h>

// First on purpose: its windowsx.h defines a SubclassWindow macro.
#include <dshow.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "AssertRecorder.h"
#include "FailingAllocations.h"
#include "atlbase.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

constexpr UINT kQuery = WM_APP + 1;        // answered 1234
constexpr UINT kDestroySelf = WM_APP + 2;  // destroys the window from inside a handler
constexpr UINT kThrow = WM_APP + 3;        // a handler that throws

// Takes the character 'x', declines every other one.
class CProbeEdit : public CWindowImpl<CProbeEdit> {
public:
  BEGIN_MSG_MAP(CProbeEdit)
    MESSAGE_HANDLER(WM_CHAR, OnChar)
    MESSAGE_HANDLER(kQuery, OnQuery)
    MESSAGE_HANDLER(kDestroySelf, OnDestroySelf)
    MESSAGE_HANDLER(kThrow, OnThrow)
  END_MSG_MAP()

  void OnFinalMessage(HWND hWnd) override {
    ++nFinal;
    hWndFinal = hWnd;
    hWndMemberAtFinal = m_hWnd;
    pfnAtFinal = ::GetWindowLongPtrW(hWnd, GWLP_WNDPROC);
  }

  std::wstring chars;  // every character that reached the object
  int nFinal = 0;
  HWND hWndFinal = NULL;
  HWND hWndMemberAtFinal = NULL;
  LONG_PTR pfnAtFinal = 0;
  int nFinalInsideDestroy = -1;

private:
  LRESULT OnChar(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
    chars += static_cast<wchar_t>(wParam);
    bHandled = wParam == L'x';
    return 0;
  }
  LRESULT OnQuery(UINT, WPARAM, LPARAM, BOOL&) { return 1234; }
  LRESULT OnDestroySelf(UINT, WPARAM, LPARAM, BOOL&) {
    ::DestroyWindow(m_hWnd);
    nFinalInsideDestroy = nFinal;
    return 0;
  }
  LRESULT OnThrow(UINT, WPARAM, LPARAM, BOOL&) { throw std::runtime_error("handler fault"); }
};

int CountProperties(HWND hWnd) {
  return ::EnumPropsW(hWnd, [](HWND, LPCWSTR, HANDLE) -> BOOL { return TRUE; });
}

HWND StaleWindow() {
  HWND hWnd = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
  ::DestroyWindow(hWnd);
  return hWnd;
}

// Another subclass installed over ours.
WNDPROC g_pfnBelowOuter = nullptr;
LRESULT CALLBACK OuterProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  return ::CallWindowProcW(g_pfnBelowOuter, hWnd, uMsg, wParam, lParam);
}

class WindowImplTest : public ::testing::Test {
protected:
  void SetUp() override {
    m_hWndParent = ::CreateWindowExW(0, L"STATIC", L"Subclass probe", WS_POPUP, 0, 0, 200, 60,
                                     NULL, NULL, NULL, NULL);
    ASSERT_TRUE(m_hWndParent != NULL);
    m_hWndEdit = ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 0, 0, 150, 20,
                                   m_hWndParent, reinterpret_cast<HMENU>(212), NULL, NULL);
    ASSERT_TRUE(m_hWndEdit != NULL);
    m_pfnEdit = ::GetWindowLongPtrW(m_hWndEdit, GWLP_WNDPROC);
  }
  void TearDown() override {
    if (::IsWindow(m_hWndParent)) ::DestroyWindow(m_hWndParent);
  }

  void Type(wchar_t ch) { ::SendMessageW(m_hWndEdit, WM_CHAR, ch, 1); }
  std::wstring EditText() const {
    wchar_t sz[64] = L"";
    ::GetWindowTextW(m_hWndEdit, sz, ARRAYSIZE(sz));
    return sz;
  }

  HWND m_hWndParent = NULL;
  HWND m_hWndEdit = NULL;
  LONG_PTR m_pfnEdit = 0;
};

TEST_F(WindowImplTest, HandledMessagesStayWithTheObjectDeclinedOnesReachTheEdit) {
  CProbeEdit edit;
  ASSERT_TRUE(edit.SubclassWindow(m_hWndEdit));
  EXPECT_EQ(m_hWndEdit, edit.m_hWnd);
  EXPECT_NE(m_pfnEdit, ::GetWindowLongPtrW(m_hWndEdit, GWLP_WNDPROC));

  Type(L'a');
  Type(L'x');
  // Posted and dispatched through the message loop, as typing arrives.
  ::PostMessageW(m_hWndEdit, WM_CHAR, L'b', 1);
  MSG msg;
  while (::PeekMessageW(&msg, m_hWndEdit, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);

  EXPECT_EQ(L"axb", edit.chars);
  EXPECT_EQ(L"ab", EditText());
  EXPECT_EQ(1234, ::SendMessageW(m_hWndEdit, kQuery, 0, 0));
  ::DestroyWindow(m_hWndParent);
}

TEST_F(WindowImplTest, LastMessageRestoresTheEditProcedureAndDetaches) {
  AssertRecorder asserts;
  auto edit = std::make_unique<CProbeEdit>();
  ASSERT_TRUE(edit->SubclassWindow(m_hWndEdit));

  ::DestroyWindow(m_hWndParent);

  EXPECT_EQ(1, edit->nFinal);
  EXPECT_EQ(m_hWndEdit, edit->hWndFinal);
  EXPECT_EQ(nullptr, edit->hWndMemberAtFinal);
  EXPECT_EQ(m_pfnEdit, edit->pfnAtFinal);
  EXPECT_EQ(nullptr, edit->m_hWnd);
  edit.reset();
  EXPECT_THAT(asserts.Texts(), IsEmpty());
}

TEST_F(WindowImplTest, DestroyedFromItsOwnHandlerFinishesAfterTheHandler) {
  CProbeEdit edit;
  ASSERT_TRUE(edit.SubclassWindow(m_hWndEdit));

  ::SendMessageW(m_hWndEdit, kDestroySelf, 0, 0);

  EXPECT_FALSE(::IsWindow(m_hWndEdit));
  EXPECT_EQ(0, edit.nFinalInsideDestroy);
  EXPECT_EQ(1, edit.nFinal);
  EXPECT_EQ(m_hWndEdit, edit.hWndFinal);
  EXPECT_EQ(nullptr, edit.m_hWnd);
}

TEST_F(WindowImplTest, ObjectDestroyedFirstAssertsAndLeavesTheEditWorking) {
  AssertRecorder asserts;
  auto edit = std::make_unique<CProbeEdit>();
  ASSERT_TRUE(edit->SubclassWindow(m_hWndEdit));

  edit.reset();

  EXPECT_THAT(asserts.Texts(),
              ElementsAre("this->m_hWnd == 0 && L\"Window object destroyed before its window\""));
  Type(L'x');
  EXPECT_EQ(L"x", EditText());
  ::DestroyWindow(m_hWndParent);
}

TEST_F(WindowImplTest, RefusedSubclassingLeavesWindowAndObjectAsTheyWere) {
  const struct {
    const char* label;
    HWND (*target)(HWND hWndEdit);
    int nFailingAllocations;
    std::vector<std::string> asserts;
  } cases[] = {
      {"window of another process", [](HWND) { return ::GetDesktopWindow(); }, 0, {}},
      {"no memory for the route", [](HWND hWndEdit) { return hWndEdit; }, 1, {}},
      {"not a window", [](HWND) { return StaleWindow(); }, 0, {"::IsWindow(hWnd)"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    CProbeEdit edit;
    const HWND hWndTarget = c.target(m_hWndEdit);
    const int nProperties = CountProperties(hWndTarget);
    {
      AssertRecorder asserts;
      FailingAllocations noMemory(c.nFailingAllocations);
      EXPECT_FALSE(edit.SubclassWindow(hWndTarget));
      EXPECT_EQ(0, noMemory.Remaining());
      EXPECT_EQ(c.asserts, asserts.Texts());
    }
    EXPECT_EQ(nullptr, edit.m_hWnd);
    EXPECT_EQ(nProperties, CountProperties(hWndTarget));
    EXPECT_EQ(m_pfnEdit, ::GetWindowLongPtrW(m_hWndEdit, GWLP_WNDPROC));

    // Nothing was left behind: the same object attaches to the edit and works.
    ASSERT_TRUE(edit.SubclassWindow(m_hWndEdit));
    Type(L'x');
    EXPECT_EQ(L"x", edit.chars);
    EXPECT_EQ(m_hWndEdit, edit.UnsubclassWindow());
  }
}

TEST_F(WindowImplTest, SecondAttachmentIsRefused) {
  CProbeEdit edit;
  ASSERT_TRUE(edit.SubclassWindow(m_hWndEdit));
  CProbeEdit other;
  {
    AssertRecorder asserts;
    EXPECT_FALSE(edit.SubclassWindow(m_hWndParent));
    EXPECT_THAT(asserts.Texts(), ElementsAre("m_hWnd == 0"));
    // One object per window: the edit already carries one.
    EXPECT_FALSE(other.SubclassWindow(m_hWndEdit));
    EXPECT_THAT(asserts.Texts(), ElementsAre("m_hWnd == 0"));
  }
  Type(L'x');
  EXPECT_EQ(L"x", edit.chars);
  EXPECT_EQ(L"", other.chars);
  EXPECT_EQ(nullptr, other.m_hWnd);
  ::DestroyWindow(m_hWndParent);
  EXPECT_EQ(1, edit.nFinal);
  EXPECT_EQ(0, other.nFinal);
}

TEST_F(WindowImplTest, UnsubclassGivesTheEditItsProcedureBack) {
  CProbeEdit edit;
  ASSERT_TRUE(edit.SubclassWindow(m_hWndEdit));

  EXPECT_EQ(m_hWndEdit, edit.UnsubclassWindow());

  EXPECT_EQ(nullptr, edit.m_hWnd);
  EXPECT_EQ(m_pfnEdit, ::GetWindowLongPtrW(m_hWndEdit, GWLP_WNDPROC));
  Type(L'x');
  EXPECT_EQ(L"x", EditText());
  EXPECT_EQ(L"", edit.chars);
  ::DestroyWindow(m_hWndParent);
  EXPECT_EQ(0, edit.nFinal);
}

TEST_F(WindowImplTest, UnsubclassUnderAnotherSubclassIsRefused) {
  CProbeEdit edit;
  ASSERT_TRUE(edit.SubclassWindow(m_hWndEdit));
  g_pfnBelowOuter = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrW(m_hWndEdit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OuterProc)));

  EXPECT_EQ(nullptr, edit.UnsubclassWindow());

  EXPECT_EQ(m_hWndEdit, edit.m_hWnd);
  Type(L'x');
  EXPECT_EQ(L"x", edit.chars);
  ::DestroyWindow(m_hWndParent);
  EXPECT_EQ(1, edit.nFinal);
  // Ours was no longer on top, so the outer procedure is not cut off.
  EXPECT_EQ(reinterpret_cast<LONG_PTR>(OuterProc), edit.pfnAtFinal);
  EXPECT_EQ(nullptr, edit.m_hWnd);
}

TEST_F(WindowImplTest, ThrowingHandlerIsStoppedAtTheWindowProcedure) {
  CProbeEdit edit;
  ASSERT_TRUE(edit.SubclassWindow(m_hWndEdit));
  AssertRecorder asserts;

  // The edit's own answer to an unknown message.
  EXPECT_EQ(0, ::SendMessageW(m_hWndEdit, kThrow, 0, 0));

  EXPECT_THAT(asserts.Texts(),
              ElementsAre("!L\"ProcessWindowMessage(): a message handler threw\""));
  ::DestroyWindow(m_hWndParent);
}

}  // namespace
