#include "DialogRunner.h"

#include <thread>

#include "UiDriver.h"

namespace harness {
namespace {

// Private to the test: the product never sees them, the observer answers them first.
const UINT WM_TEST_CALL = WM_APP + 0x3A0;
const UINT WM_TEST_MARKER = WM_APP + 0x3A1;

// The runner whose dialog is being created or run; one at a time.
DialogRunner* g_pRunner = nullptr;

}  // namespace

DialogRunner::DialogRunner(LPCWSTR pszCaption) : m_caption(pszCaption) { g_pRunner = this; }

DialogRunner::~DialogRunner() { g_pRunner = nullptr; }

LRESULT CALLBACK DialogRunner::CreationHook(int nCode, WPARAM wParam, LPARAM lParam) {
  DialogRunner& self = *g_pRunner;
  if (nCode == HCBT_CREATEWND) {
    const HWND hWnd = reinterpret_cast<HWND>(wParam);
    const CREATESTRUCTW& cs = *reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs;
    // A message box of the same caption comes later; only the first match is taken.
    if (!(cs.style & WS_CHILD) && cs.lpszName && !IS_INTRESOURCE(cs.lpszName) && self.m_caption == cs.lpszName &&
        ClassName(hWnd) == L"#32770") {
      self.Observe(hWnd);
      ::UnhookWindowsHookEx(self.m_hHook);
      self.m_hHook = nullptr;
    }
  }
  return ::CallNextHookEx(nullptr, nCode, wParam, lParam);
}

void DialogRunner::Observe(HWND hWnd) {
  // On the dialog's own thread and before its first message: what it replaces is stored
  // before the observer can be called.
  m_pfnPrevious = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hWnd, GWLP_WNDPROC));
  ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DialogRunner::ObserveProc));
  m_hDlg = hWnd;
}

LRESULT CALLBACK DialogRunner::ObserveProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  DialogRunner& self = *g_pRunner;
  switch (uMsg) {
    case WM_TEST_CALL:
      (*reinterpret_cast<const std::function<void()>*>(lParam))();
      return 0;
    case WM_TEST_MARKER:
      ++self.m_nMarkersSeen;
      return 0;
  }
  {
    std::lock_guard<std::mutex> lock(self.m_mutex);
    ++self.m_cMessages[uMsg];
    // Notifications that controls send about themselves (EN_CHANGE, ...) carry their window.
    if (uMsg == WM_COMMAND && lParam == 0) self.m_commands.push_back({LOWORD(wParam), HIWORD(wParam), lParam});
  }
  return ::CallWindowProcW(self.m_pfnPrevious, hWnd, uMsg, wParam, lParam);
}

INT_PTR DialogRunner::Run(const std::function<INT_PTR()>& fnModal, const std::function<void(HWND hDlg)>& fnDrive) {
  m_hHook = ::SetWindowsHookExW(WH_CBT, &DialogRunner::CreationHook, nullptr, ::GetCurrentThreadId());
  std::thread driver([this, &fnDrive] {
    HWND hDlg = nullptr;
    if (!WaitUntil([&] { return (hDlg = m_hDlg) != nullptr && ::IsWindowVisible(hDlg); })) return;
    fnDrive(hDlg);
    if (::IsWindow(hDlg)) {
      OnDialogThread([&] { ::SetWindowLongPtrW(hDlg, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnPrevious)); });
      ::PostMessageW(hDlg, WM_COMMAND, IDCANCEL, 0);
    }
  });
  const INT_PTR nResult = m_hHook ? fnModal() : -1;
  driver.join();
  if (m_hHook) ::UnhookWindowsHookEx(m_hHook);
  m_hHook = nullptr;
  return nResult;
}

void DialogRunner::OnDialogThread(const std::function<void()>& fn) {
  ::SendMessageW(m_hDlg, WM_TEST_CALL, 0, reinterpret_cast<LPARAM>(&fn));
}

std::vector<DialogRunner::Command> DialogRunner::Commands() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_commands;
}

size_t DialogRunner::MessagesSeen(UINT uMsg) {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_cMessages[uMsg];
}

bool DialogRunner::FlushPosted() {
  // Twice: a key handled before the first marker may post its character behind it.
  for (int i = 0; i < 2; ++i) {
    LONG nTarget = m_nMarkersSeen + 1;
    ::PostMessageW(m_hDlg, WM_TEST_MARKER, 0, 0);
    if (!WaitUntil([&] { return m_nMarkersSeen >= nTarget; })) return false;
  }
  return true;
}

}  // namespace harness
