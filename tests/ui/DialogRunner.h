// Runs CMainDialog modally on the test's main thread while a driver thread works on it, and
// watches the dialog window from the test's side (a subclass of its window procedure).
//
//   DialogRunner::Run           the modal run; returns DoModal's result once the driver is done
//   DialogRunner::OnDialogThread  calls a function on the dialog's thread, inside its message loop
//   DialogRunner::Commands      the WM_COMMANDs without a control window that reached the dialog, in order
//   DialogRunner::FlushPosted   waits until everything posted to the dialog's thread so far is handled
//   DialogRunner::GraphNotifications  how many WM_GRAPHNOTIFY reached the dialog
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

#include "MainDialog.h"

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

  DialogRunner();
  ~DialogRunner();
  DialogRunner(const DialogRunner&) = delete;
  DialogRunner& operator=(const DialogRunner&) = delete;

  // The driver gets the dialog window; a dialog it leaves open is cancelled afterwards, unobserved.
  INT_PTR Run(const std::function<void(HWND hDlg)>& fnDrive);

  CMainDialog& Dialog() { return m_dlg; }
  void OnDialogThread(const std::function<void()>& fn);
  std::vector<Command> Commands();
  bool FlushPosted();
  size_t GraphNotifications() const { return m_nGraphNotifications; }

private:
  static LRESULT CALLBACK ObserveProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

  CMainDialog m_dlg;
  HWND m_hDlg = nullptr;
  WNDPROC m_pfnPrevious = nullptr;
  std::mutex m_mutex;
  std::vector<Command> m_commands;
  std::atomic<LONG> m_nMarkersSeen{0};
  std::atomic<size_t> m_nGraphNotifications{0};
};
