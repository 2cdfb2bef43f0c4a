// Closes the property frame that the test's main thread is about to open.
//
//   FrameDriver driver(FrameDriver::kOk);
//   hr = ShowPropertyPages(...);        // modal on this thread
//   EXPECT_EQ(L"Properties for X", driver.Caption());
//
// A thread of its own waits (bounded) for a visible frame of this process
// captioned "Properties for ...", notes its caption and closes it. When no
// frame closes in time it posts WM_QUIT to the waiting thread, so a stuck
// frame fails the test instead of hanging it.
#pragma once

#include <windows.h>

#include <string>

class FrameDriver {
public:
  enum Close {
    kOk,      // WM_COMMAND IDOK
    kCancel,  // WM_COMMAND IDCANCEL
    kQuit,    // WM_QUIT to the frame's thread: the only end of a frame Wine will not close
  };

  explicit FrameDriver(Close how);
  // Joins the thread and drops a WM_QUIT left for the frame's thread.
  ~FrameDriver();
  FrameDriver(const FrameDriver&) = delete;
  FrameDriver& operator=(const FrameDriver&) = delete;

  // Waits for the driver to finish; the caption of the frame it closed, empty if none.
  std::wstring Caption();
  // True when no frame came, or it had to be ended with WM_QUIT although asked otherwise.
  bool Forced();

private:
  static DWORD WINAPI ThreadProc(void* pv);
  void Run();
  bool WaitGone(HWND hWnd);
  void Join();

  const Close m_how;
  const DWORD m_dwOwnerThread;
  HANDLE m_hStop;
  HANDLE m_hThread;
  std::wstring m_caption;
  bool m_bForced = false;
};
