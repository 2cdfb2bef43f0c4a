#include "PageDriver.h"

#include <cwchar>

#include "resource.h"

namespace {

const DWORD kStep = 10;
const DWORD kBound = 5000;

struct FindTopLevel {
  LPCWSTR pszTitle;
  HWND hWnd;
};

// A visible dialog of this process with that exact title.
HWND FindDialog(LPCWSTR pszTitle) {
  FindTopLevel find = {pszTitle, nullptr};
  ::EnumWindows(
      [](HWND hWnd, LPARAM lParam) -> BOOL {
        auto* pFind = reinterpret_cast<FindTopLevel*>(lParam);
        DWORD dwProcess = 0;
        ::GetWindowThreadProcessId(hWnd, &dwProcess);
        WCHAR szClass[16] = {}, szTitle[128] = {};
        ::GetClassNameW(hWnd, szClass, 16);
        ::InternalGetWindowText(hWnd, szTitle, 128);
        if (dwProcess == ::GetCurrentProcessId() && ::IsWindowVisible(hWnd) && std::wcscmp(szClass, L"#32770") == 0 &&
            std::wcscmp(szTitle, pFind->pszTitle) == 0) {
          pFind->hWnd = hWnd;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&find));
  return find.hWnd;
}

struct FindChild {
  int id;
  HWND hWnd;
};

// Any descendant with that control id.
HWND FindControl(HWND hWndParent, int id) {
  FindChild find = {id, nullptr};
  ::EnumChildWindows(
      hWndParent,
      [](HWND hWnd, LPARAM lParam) -> BOOL {
        auto* pFind = reinterpret_cast<FindChild*>(lParam);
        if (::GetDlgCtrlID(hWnd) != pFind->id) return TRUE;
        pFind->hWnd = hWnd;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&find));
  return find.hWnd;
}

// Polls pfn until it answers a window or the bound passes.
template <class F>
HWND WaitForWindow(F pfn) {
  for (DWORD dwWaited = 0; dwWaited < kBound; dwWaited += kStep) {
    if (HWND hWnd = pfn()) return hWnd;
    ::Sleep(kStep);
  }
  return nullptr;
}

void SetText(HWND hFrame, int id, LPCWSTR pszText) {
  ::SendMessageW(FindControl(hFrame, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(pszText));
}

void Press(HWND hWndDialog, int id) {
  ::PostMessageW(::GetDlgItem(hWndDialog, id), BM_CLICK, 0, 0);
}

}  // namespace

CPageDriver::CPageDriver(const PageEdits& edits) : m_edits(edits) {}

CPageDriver::~CPageDriver() {
  if (m_hThread) {
    ::WaitForSingleObject(m_hThread, kBound * 3);
    ::CloseHandle(m_hThread);
  }
}

bool CPageDriver::Start() {
  m_hThread = ::CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr);
  return m_hThread != nullptr;
}

bool CPageDriver::Finish(DWORD dwTimeout, PageDriverResult* pResult) {
  if (!m_hThread || ::WaitForSingleObject(m_hThread, dwTimeout) != WAIT_OBJECT_0) return false;
  *pResult = m_result;
  return true;
}

DWORD WINAPI CPageDriver::ThreadProc(void* pv) {
  static_cast<CPageDriver*>(pv)->Drive();
  return 0;
}

void CPageDriver::Drive() {
  HWND hFrame = WaitForWindow([] { return FindDialog(L"Properties for Video Generator"); });
  if (!hFrame) return;
  // The page is ready for the user once it shows its values.
  HWND hWidth = WaitForWindow([&]() -> HWND {
    HWND hWnd = FindControl(hFrame, IDC_VIDGEN_WIDTH);
    return hWnd && ::IsWindowVisible(hWnd) && ::SendMessageW(hWnd, WM_GETTEXTLENGTH, 0, 0) > 0 ? hWnd : nullptr;
  });
  m_result.bFoundPage = hWidth != nullptr;
  if (!m_result.bFoundPage) {
    Press(hFrame, IDCANCEL);
    return;
  }
  const struct {
    int id;
    LPCWSTR pszText;
  } boxes[] = {{IDC_VIDGEN_WIDTH, m_edits.pszWidth},
               {IDC_VIDGEN_HEIGHT, m_edits.pszHeight},
               {IDC_VIDGEN_FRAMERATE, m_edits.pszFrameRate},
               {IDC_VIDGEN_DURATION, m_edits.pszDuration}};
  for (const auto& box : boxes)
    if (box.pszText) SetText(hFrame, box.id, box.pszText);
  Press(hFrame, m_edits.idButton);

  // Until the frame is gone: a refusal keeps it open, so answer it.
  bool bRetried = false;
  for (DWORD dwWaited = 0; dwWaited < kBound; dwWaited += kStep) {
    if (HWND hBox = FindDialog(L"Video Generator")) {
      WCHAR szText[512] = {};
      ::SendMessageW(::GetDlgItem(hBox, 0xFFFF), WM_GETTEXT, 512, reinterpret_cast<LPARAM>(szText));
      if (m_result.message.empty()) m_result.message = szText;
      Press(hBox, IDOK);
      if (m_edits.pszWidthRetry && !bRetried) {
        bRetried = true;
        SetText(hFrame, IDC_VIDGEN_WIDTH, m_edits.pszWidthRetry);
        Press(hFrame, IDOK);
      } else {
        Press(hFrame, IDCANCEL);
      }
    }
    if (!::IsWindow(hFrame)) {
      m_result.bClosedFrame = true;
      return;
    }
    ::Sleep(kStep);
  }
  Press(hFrame, IDCANCEL);
}
