#include "DialogRunner.h"

#include <thread>

#include "UiDriver.h"

namespace {

// Private to the test: the product never sees them, the observer answers them first.
const UINT WM_TEST_CALL = WM_APP + 0x3A0;
const UINT WM_TEST_MARKER = WM_APP + 0x3A1;

DialogRunner* g_pRunner = nullptr;

}  // namespace

DialogRunner::DialogRunner() { g_pRunner = this; }

DialogRunner::~DialogRunner() { g_pRunner = nullptr; }

LRESULT CALLBACK DialogRunner::ObserveProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  DialogRunner& self = *g_pRunner;
  switch (uMsg) {
    case WM_TEST_CALL:
      (*reinterpret_cast<const std::function<void()>*>(lParam))();
      return 0;
    case WM_TEST_MARKER:
      ++self.m_nMarkersSeen;
      return 0;
    case WM_GRAPHNOTIFY:
      ++self.m_nGraphNotifications;
      break;
    case WM_COMMAND:
      // Notifications that controls send about themselves (EN_CHANGE, ...) carry their window.
      if (lParam == 0) {
        std::lock_guard<std::mutex> lock(self.m_mutex);
        self.m_commands.push_back({LOWORD(wParam), HIWORD(wParam), lParam});
      }
      break;
  }
  return ::CallWindowProcW(self.m_pfnPrevious, hWnd, uMsg, wParam, lParam);
}

INT_PTR DialogRunner::Run(const std::function<void(HWND hDlg)>& fnDrive) {
  std::thread driver([this, &fnDrive] {
    HWND hDlg = ui::WaitForTopWindow(::GetCurrentProcessId(), L"#32770", L"Resizer Test");
    if (!hDlg) return;
    m_hDlg = hDlg;
    m_pfnPrevious = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hDlg, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DialogRunner::ObserveProc)));
    fnDrive(hDlg);
    if (::IsWindow(hDlg)) {
      ::SetWindowLongPtrW(hDlg, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnPrevious));
      ::PostMessageW(hDlg, WM_COMMAND, IDCANCEL, 0);
    }
  });
  INT_PTR nResult = m_dlg.DoModal(nullptr, 0);
  driver.join();
  return nResult;
}

void DialogRunner::OnDialogThread(const std::function<void()>& fn) {
  ::SendMessageW(m_hDlg, WM_TEST_CALL, 0, reinterpret_cast<LPARAM>(&fn));
}

std::vector<DialogRunner::Command> DialogRunner::Commands() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_commands;
}

bool DialogRunner::FlushPosted() {
  // Twice: a key handled before the first marker may post its character behind it.
  for (int i = 0; i < 2; ++i) {
    LONG nTarget = m_nMarkersSeen + 1;
    ::PostMessageW(m_hDlg, WM_TEST_MARKER, 0, 0);
    if (!ui::WaitUntil([&] { return m_nMarkersSeen >= nTarget; })) return false;
  }
  return true;
}
