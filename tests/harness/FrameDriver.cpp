#include "FrameDriver.h"

#include "UiDriver.h"

namespace harness {
namespace {

const DWORD kFrameTimeoutMs = 10000;
const DWORD kCloseTimeoutMs = 5000;

struct Search {
  DWORD dwProcess;
  LPCWSTR pszPrefix;
  HWND hWnd;
};

BOOL CALLBACK FindFrame(HWND hWnd, LPARAM lParam) {
  auto* pSearch = reinterpret_cast<Search*>(lParam);
  DWORD dwProcess = 0;
  ::GetWindowThreadProcessId(hWnd, &dwProcess);
  if (dwProcess != pSearch->dwProcess || !::IsWindowVisible(hWnd)) return TRUE;
  if (ReadText(hWnd).compare(0, wcslen(pSearch->pszPrefix), pSearch->pszPrefix) != 0) return TRUE;
  pSearch->hWnd = hWnd;
  return FALSE;
}

HWND FrameWindow(LPCWSTR pszPrefix) {
  Search search = {::GetCurrentProcessId(), pszPrefix, nullptr};
  ::EnumWindows(FindFrame, reinterpret_cast<LPARAM>(&search));
  return search.hWnd;
}

FrameDriver::Script JustClose(FrameDriver::Close how) {
  FrameDriver::Script script;
  script.how = how;
  return script;
}

}  // namespace

FrameDriver::FrameDriver(Close how) : FrameDriver(JustClose(how)) {}

FrameDriver::FrameDriver(Script script)
    : m_script(std::move(script)), m_dwOwnerThread(::GetCurrentThreadId()), m_thread([this] { Run(); }) {}

FrameDriver::~FrameDriver() {
  m_bStop = true;
  if (m_thread.joinable()) m_thread.join();
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

std::wstring FrameDriver::Caption() {
  if (m_thread.joinable()) m_thread.join();
  return m_caption;
}

bool FrameDriver::Forced() {
  if (m_thread.joinable()) m_thread.join();
  return m_bForced;
}

bool FrameDriver::FoundPage() {
  if (m_thread.joinable()) m_thread.join();
  return m_bFoundPage;
}

std::wstring FrameDriver::Message() {
  if (m_thread.joinable()) m_thread.join();
  return m_message;
}

void FrameDriver::Type(HWND hFrame, const std::vector<Edit>& edits) {
  for (const Edit& edit : edits)
    if (edit.pszText) SetText(FindDescendant(hFrame, edit.id), edit.pszText);
}

// Presses the script's button and answers refusals until the frame is gone, within the bound.
bool FrameDriver::Finish(HWND hFrame) {
  if (!m_script.edits.empty()) {
    // The page is ready for the user once its first box shows a value.
    const int idFirst = m_script.edits.front().id;
    const auto pageReady = [&] {
      HWND hWnd = FindDescendant(hFrame, idFirst);
      return m_bStop || (hWnd && ::IsWindowVisible(hWnd) && !ReadText(hWnd).empty());
    };
    m_bFoundPage = WaitUntil(pageReady, kFrameTimeoutMs) && !m_bStop;
    if (!m_bFoundPage) return false;
    Type(hFrame, m_script.edits);
  }
  PressButton(hFrame, m_script.how == kOk ? IDOK : IDCANCEL);
  bool bRetried = false;
  const auto closed = [&] {
    HWND hBox = m_script.pszBoxCaption ? FindMessageBox(::GetCurrentProcessId(), m_script.pszBoxCaption) : nullptr;
    if (hBox) {
      if (m_message.empty()) m_message = ReadMessageBox(hBox).text;
      CloseMessageBox(hBox);
      // Answered once: the box must be gone before the page is touched again.
      WaitUntil([&] { return !::IsWindow(hBox); }, kCloseTimeoutMs);
      const bool bRetry = !m_script.retry.empty() && !bRetried;
      if (bRetry) Type(hFrame, m_script.retry);
      bRetried = true;
      PressButton(hFrame, bRetry ? IDOK : IDCANCEL);
    }
    return m_bStop || !::IsWindow(hFrame);
  };
  WaitUntil(closed, kCloseTimeoutMs);
  return !::IsWindow(hFrame);
}

void FrameDriver::Run() {
  HWND hFrame = nullptr;
  WaitUntil([&] { return m_bStop || (hFrame = FrameWindow(m_script.pszCaptionPrefix)) != nullptr; }, kFrameTimeoutMs);
  if (m_bStop) return;
  if (hFrame) {
    m_caption = ReadText(hFrame);
    if (m_script.how != kQuit && Finish(hFrame)) return;
    if (m_bStop) return;
  }
  // Missing or stuck frames included: the waiting thread must get its call back.
  m_bForced = m_script.how != kQuit || !hFrame;
  ::PostThreadMessageW(m_dwOwnerThread, WM_QUIT, 0, 0);
}

}  // namespace harness
