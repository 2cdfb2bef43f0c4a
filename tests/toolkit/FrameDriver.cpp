#include "FrameDriver.h"

namespace {

const DWORD kFrameTimeoutMs = 10000;
const DWORD kCloseTimeoutMs = 5000;
const DWORD kPollMs = 20;
const wchar_t kCaptionPrefix[] = L"Properties for ";

struct Search {
  DWORD dwProcess;
  HWND hWnd;
};

BOOL CALLBACK FindFrame(HWND hWnd, LPARAM lParam) {
  auto* pSearch = reinterpret_cast<Search*>(lParam);
  DWORD dwProcess = 0;
  ::GetWindowThreadProcessId(hWnd, &dwProcess);
  if (dwProcess != pSearch->dwProcess || !::IsWindowVisible(hWnd)) return TRUE;
  wchar_t szCaption[64] = {};
  ::GetWindowTextW(hWnd, szCaption, 64);
  if (wcsncmp(szCaption, kCaptionPrefix, wcslen(kCaptionPrefix)) != 0) return TRUE;
  pSearch->hWnd = hWnd;
  return FALSE;
}

HWND FrameWindow() {
  Search search = {::GetCurrentProcessId(), nullptr};
  ::EnumWindows(FindFrame, reinterpret_cast<LPARAM>(&search));
  return search.hWnd;
}

}  // namespace

FrameDriver::FrameDriver(Close how)
    : m_how(how),
      m_dwOwnerThread(::GetCurrentThreadId()),
      m_hStop(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_hThread(::CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr)) {}

FrameDriver::~FrameDriver() {
  ::SetEvent(m_hStop);
  Join();
  if (m_hThread) ::CloseHandle(m_hThread);
  ::CloseHandle(m_hStop);
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

std::wstring FrameDriver::Caption() {
  Join();
  return m_caption;
}

bool FrameDriver::Forced() {
  Join();
  return m_bForced;
}

void FrameDriver::Join() {
  if (m_hThread) ::WaitForSingleObject(m_hThread, kFrameTimeoutMs + kCloseTimeoutMs);
}

DWORD WINAPI FrameDriver::ThreadProc(void* pv) {
  static_cast<FrameDriver*>(pv)->Run();
  return 0;
}

bool FrameDriver::WaitGone(HWND hWnd) {
  for (DWORD dwWaited = 0; dwWaited < kCloseTimeoutMs; dwWaited += kPollMs) {
    if (!::IsWindow(hWnd)) return true;
    ::WaitForSingleObject(m_hStop, kPollMs);
  }
  return !::IsWindow(hWnd);
}

void FrameDriver::Run() {
  HWND hFrame = nullptr;
  for (DWORD dwWaited = 0; !hFrame && dwWaited < kFrameTimeoutMs; dwWaited += kPollMs) {
    if (::WaitForSingleObject(m_hStop, kPollMs) == WAIT_OBJECT_0) return;
    hFrame = FrameWindow();
  }
  if (hFrame) {
    wchar_t szCaption[512] = {};
    ::SendMessageTimeoutW(hFrame, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(szCaption),
                          SMTO_ABORTIFHUNG, kCloseTimeoutMs, nullptr);
    m_caption = szCaption;
    if (m_how != kQuit) {
      ::PostMessageW(hFrame, WM_COMMAND, m_how == kOk ? IDOK : IDCANCEL, 0);
      if (WaitGone(hFrame)) return;
    }
  }
  // Missing or stuck frames included: the waiting thread must get its call back.
  m_bForced = m_how != kQuit || !hFrame;
  ::PostThreadMessageW(m_dwOwnerThread, WM_QUIT, 0, 0);
}
