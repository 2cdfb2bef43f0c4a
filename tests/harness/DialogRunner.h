// Runs a modal dialog on the test's main thread while a driver thread works on it, and watches
// the dialog window from the test's side (a subclass of its window procedure).
//
//   DialogRunner                 any modal run: the caller's function runs the dialog's loop
//   DialogRunner::Run            the modal run; returns its result once the driver is done
//   DialogRunner::OnDialogThread calls a function on the dialog's thread, inside its message loop
//   DialogRunner::Commands       the WM_COMMANDs without a control window that reached the dialog, in order
//   DialogRunner::FlushPosted    waits until everything posted to the dialog's thread so far is handled
//   DialogRunner::MessagesSeen   how many messages of one kind reached the dialog
//   DialogRunnerOf<T>            holds a CDialogImpl T and runs its DoModal
//
// The observer is put in place on the dialog's own thread as the window is created, before
// its first message, so nothing the dialog handles escapes it.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace harness {

class DialogRunner {
public:
  struct Command {
    WORD wID;
    WORD wNotifyCode;
    LPARAM lParam;
    bool operator==(const Command& other) const {
      return wID == other.wID && wNotifyCode == other.wNotifyCode && lParam == other.lParam;
    }
  };

  // The dialog is the first top-level dialog window of this thread created with this caption.
  explicit DialogRunner(LPCWSTR pszCaption = L"Resizer Test");
  ~DialogRunner();
  DialogRunner(const DialogRunner&) = delete;
  DialogRunner& operator=(const DialogRunner&) = delete;

  // fnModal runs the dialog on this thread; the driver gets the dialog window once it is shown.
  // A dialog the driver leaves open is cancelled afterwards, unobserved.
  INT_PTR Run(const std::function<INT_PTR()>& fnModal, const std::function<void(HWND hDlg)>& fnDrive);

  void OnDialogThread(const std::function<void()>& fn);
  std::vector<Command> Commands();
  bool FlushPosted();
  size_t MessagesSeen(UINT uMsg);

private:
  static LRESULT CALLBACK CreationHook(int nCode, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK ObserveProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
  void Observe(HWND hWnd);

  const std::wstring m_caption;
  HHOOK m_hHook = nullptr;
  std::atomic<HWND> m_hDlg{nullptr};
  WNDPROC m_pfnPrevious = nullptr;
  std::mutex m_mutex;
  std::vector<Command> m_commands;  // these two under m_mutex
  std::map<UINT, size_t> m_cMessages;
  std::atomic<LONG> m_nMarkersSeen{0};
};

template <class TDialog>
class DialogRunnerOf : public DialogRunner {
public:
  using DialogRunner::DialogRunner;

  INT_PTR Run(const std::function<void(HWND hDlg)>& fnDrive) {
    return DialogRunner::Run([this] { return m_dlg.DoModal(nullptr, 0); }, fnDrive);
  }
  TDialog& Dialog() { return m_dlg; }

private:
  TDialog m_dlg;
};

}  // namespace harness
