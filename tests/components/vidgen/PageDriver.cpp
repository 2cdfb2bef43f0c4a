#include "PageDriver.h"

#include "UiDriver.h"
#include "resource.h"

namespace {

const DWORD kBound = 5000;

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

// Polls find until it answers a window or the bound passes.
template <class F>
HWND WaitForWindow(F find) {
  HWND hWnd = nullptr;
  ui::WaitUntil([&] { return (hWnd = find()) != nullptr; }, kBound);
  return hWnd;
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
  const DWORD dwProcess = ::GetCurrentProcessId();
  HWND hFrame = ui::WaitForTopWindow(dwProcess, L"#32770", L"Properties for Video Generator", kBound);
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
  const bool bClosed = ui::WaitUntil(
      [&] {
        if (HWND hBox = ui::FindMessageBox(dwProcess, L"Video Generator")) {
          if (m_result.message.empty()) m_result.message = ui::ReadMessageBox(hBox).text;
          ui::CloseMessageBox(hBox);
          // Answered once: the box must be gone before the page is touched again.
          ui::WaitUntil([&] { return !::IsWindow(hBox); }, kBound);
          if (m_edits.pszWidthRetry && !bRetried) {
            bRetried = true;
            SetText(hFrame, IDC_VIDGEN_WIDTH, m_edits.pszWidthRetry);
            Press(hFrame, IDOK);
          } else {
            Press(hFrame, IDCANCEL);
          }
        }
        return !::IsWindow(hFrame);
      },
      kBound);
  m_result.bClosedFrame = bClosed;
  if (bClosed) return;
  Press(hFrame, IDCANCEL);
}
