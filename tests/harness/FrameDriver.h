// Drives the property frame that the test's thread is about to open modally, the way a user
// would, from a thread of its own:
//
//   FrameDriver driver(FrameDriver::kOk);
//   hr = ShowPropertyPages(...);        // modal on this thread
//   EXPECT_EQ(L"Properties for X", driver.Caption());
//
// It waits (bounded) for a visible frame of this process whose caption begins with the
// script's prefix, notes the caption, types the script's texts into the page's controls once
// the first of them shows a value (the page is then ready), and presses OK or Cancel. A message box that a refusal
// brings is read and closed; the retry texts are typed and OK pressed again, or, without
// them, Cancel. When no frame closes in time it posts WM_QUIT to the waiting thread, so a
// stuck frame fails the test instead of hanging it.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace harness {

class FrameDriver {
public:
  enum Close {
    kOk,      // the frame's OK button
    kCancel,  // the frame's Cancel button
    kQuit,    // WM_QUIT to the frame's thread: the only end of a frame Wine will not close
  };
  struct Edit {
    int id;           // a control anywhere inside the frame
    LPCWSTR pszText;  // null: the control is left as it is
  };
  struct Script {
    Close how = kOk;
    LPCWSTR pszCaptionPrefix = L"Properties for ";
    std::vector<Edit> edits;
    LPCWSTR pszBoxCaption = nullptr;  // the caption of a refusal's message box
    std::vector<Edit> retry;          // typed after a refusal, then OK; none: Cancel
  };

  explicit FrameDriver(Close how);
  explicit FrameDriver(Script script);
  // Joins the thread and drops a WM_QUIT left for the frame's thread.
  ~FrameDriver();
  FrameDriver(const FrameDriver&) = delete;
  FrameDriver& operator=(const FrameDriver&) = delete;

  // Each waits for the driver to finish.
  // The caption of the frame it closed, empty if none.
  std::wstring Caption();
  // True when no frame came, or it had to be ended with WM_QUIT although asked otherwise.
  bool Forced();
  // False when the script had texts to type but the page never showed its first control's value.
  bool FoundPage();
  // The first message box's text, empty if none came.
  std::wstring Message();

private:
  void Run();
  void Type(HWND hFrame, const std::vector<Edit>& edits);
  bool Finish(HWND hFrame);

  const Script m_script;
  const DWORD m_dwOwnerThread;
  std::atomic<bool> m_bStop{false};
  std::wstring m_caption;
  std::wstring m_message;
  bool m_bForced = false;
  bool m_bFoundPage = true;
  std::thread m_thread;
};

}  // namespace harness
