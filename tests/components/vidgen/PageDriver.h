// Drives the generator's property page the way UI automation would: from a
// thread of its own it finds the property frame, types into the page's
// boxes, presses OK or Cancel, and reads and closes the message box of a
// refusal; then it types the width again and presses OK, or gives up with
// Cancel.
// Every search is bounded; a frame it cannot finish with is cancelled, so
// the modal frame on the test's thread always returns.
#pragma once

#include <windows.h>

#include <string>

struct PageEdits {
  // Null leaves a box as it is.
  LPCWSTR pszWidth, pszHeight, pszFrameRate, pszDuration;
  int idButton;            // IDOK or IDCANCEL
  LPCWSTR pszWidthRetry;   // after a refusal; null: Cancel
};

struct PageDriverResult {
  bool bFoundPage = false;
  bool bClosedFrame = false;
  std::wstring message;  // of the message box that came, empty if none
};

class CPageDriver {
public:
  explicit CPageDriver(const PageEdits& edits);
  ~CPageDriver();
  CPageDriver(const CPageDriver&) = delete;
  CPageDriver& operator=(const CPageDriver&) = delete;

  bool Start();
  // Waits, at most dwTimeout ms, for the driver to finish.
  bool Finish(DWORD dwTimeout, PageDriverResult* pResult);

private:
  static DWORD WINAPI ThreadProc(void* pv);
  void Drive();

  PageEdits m_edits;
  PageDriverResult m_result;
  HANDLE m_hThread = nullptr;
};
