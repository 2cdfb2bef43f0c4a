// Drives the bench's windows the way a tester does, from another thread or process.
//
//   WaitUntil            polls a condition with a bound: the one way tests wait
//   HandlesPostedMark    whether a window's thread has handled everything posted to it so far
//   FindTopWindow        a visible top-level window of a process by class and title
//   FindTopWindowTitled  a visible top-level window of any process whose title starts so
//   FindDescendant       a window's descendant with a control id, at any depth
//   ReadText             a window's text by WM_GETTEXT (works across processes)
//   TitleOf              a top-level window's title as the platform keeps it, a hung window's too
//   FocusedWindow        the keyboard focus of another thread
//   DialogKeyTarget      where a dialog's keys go: its thread's focus, else its first control
//   PressKey             posts a key press to a control, as the keyboard would deliver it
//   ClickCloseBox        a mouse click on a window's close box, tracked by the platform
//   ChooseSystemMenuClose  opens a window's system menu and chooses "Close" by its mnemonic
//   DialogBaseUnits      the base units of a dialog font, measured by the dialog manager itself
//   DialogUnitsToPixels  a template rectangle as the dialog manager places it
//   ListBoxItems         the items of a list box, also one of another process
//   MessageBoxInfo       what a message box shows; ReadMessageBox and CloseMessageBox
//   MessageBoxCatcher    a thread that waits for the next "Resizer Test" box, reads it and closes it
//   Program              a started process of the bench, ended at the latest by its destructor
//
// Controls, in this process or another:
//   WaitUntilEnabled     waits, bounded, until a control takes input
//   SetText              a control's text by WM_SETTEXT
//   PressButton          a button pressed as a click does (BM_CLICK), or its command when the dialog has none
//   IsChecked            a check box's or radio button's state
//   ComboItems, ComboSelection  a combo box's list and its selected index
//   SelectComboItem      a combo box's choice as the user makes it: selection, then CBN_SELCHANGE
#pragma once

#include <windows.h>

#include <atlhandle.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace harness {

const DWORD dwDefaultTimeout = 10000;

bool WaitUntil(const std::function<bool()>& fnDone, DWORD dwTimeoutMs = dwDefaultTimeout);
// A text limit nMark posted to an edit box behind everything else, and seen there within the
// bound; nMark must be one the box can take (above any limit its program relies on).
bool HandlesPostedMark(HWND hWndEdit, WPARAM nMark, DWORD dwTimeoutMs = dwDefaultTimeout);

HWND FindTopWindow(DWORD dwProcessId, LPCWSTR pszClass, LPCWSTR pszTitle);
HWND WaitForTopWindow(DWORD dwProcessId, LPCWSTR pszClass, LPCWSTR pszTitle, DWORD dwTimeoutMs = dwDefaultTimeout);
HWND FindTopWindowTitled(const std::wstring& titleStart);

HWND FindDescendant(HWND hWndParent, int id);

std::wstring ReadText(HWND hWnd);
std::wstring TitleOf(HWND hWnd);
std::wstring ClassName(HWND hWnd);
std::vector<std::wstring> ListBoxItems(HWND hWndList);
HWND FocusedWindow(HWND hWndOfThread);
// With another thread's window in front the dialog's thread has no focus; a tester's click on
// the dialog would give it to a control.
HWND DialogKeyTarget(HWND hDlg);

void PressKey(HWND hWnd, UINT vk);
bool ClickCloseBox(HWND hWnd);
bool ChooseSystemMenuClose(HWND hWnd);

SIZE DialogBaseUnits(LPCWSTR pszFace, WORD wPointSize);
RECT DialogUnitsToPixels(SIZE baseUnits, int x, int y, int cx, int cy);

struct MessageBoxInfo {
  std::wstring caption;
  std::wstring text;
  HWND hWndOwner = nullptr;
  bool bIconShown = false;
  HICON hIcon = nullptr;
};

// The main dialog shares the caption; a message box is told apart by its text static 0xFFFF.
HWND FindMessageBox(DWORD dwProcessId, LPCWSTR pszCaption);
MessageBoxInfo ReadMessageBox(HWND hBox);
// Clicks the box's OK button (or its only button).
void CloseMessageBox(HWND hBox);

class MessageBoxCatcher {
public:
  explicit MessageBoxCatcher(DWORD dwProcessId = ::GetCurrentProcessId(), LPCWSTR pszCaption = L"Resizer Test");
  ~MessageBoxCatcher();
  MessageBoxCatcher(const MessageBoxCatcher&) = delete;
  MessageBoxCatcher& operator=(const MessageBoxCatcher&) = delete;

  // Joins the thread; false when no box came within the bound.
  bool Take(MessageBoxInfo* pInfo);

private:
  MessageBoxInfo m_info;
  bool m_bCaught = false;
  std::thread m_thread;
};

class Program {
public:
  Program() = default;
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // Standard output and error go to errorFile when one is named; arguments follow the
  // program's quoted path on its command line.
  bool Start(const std::wstring& path, const std::wstring& errorFile = std::wstring(),
             const std::wstring& arguments = std::wstring());
  DWORD ProcessId() const { return m_dwProcessId; }
  DWORD ThreadId() const { return m_dwThreadId; }
  HANDLE ProcessHandle() const { return m_hProcess; }
  // The exit code once the process ended within the bound, else STILL_ACTIVE.
  DWORD WaitForExit(DWORD dwTimeoutMs = dwDefaultTimeout);

private:
  ATL::CHandle m_hProcess;
  DWORD m_dwProcessId = 0;
  DWORD m_dwThreadId = 0;
};

bool WaitUntilEnabled(HWND hWnd, DWORD dwTimeoutMs = dwDefaultTimeout);
void SetText(HWND hWnd, LPCWSTR pszText);
void PressButton(HWND hDlg, int id);
bool IsChecked(HWND hButton);
std::vector<std::wstring> ComboItems(HWND hCombo);
int ComboSelection(HWND hCombo);
// False when the combo box has no such item.
bool SelectComboItem(HWND hCombo, int nIndex);

// Z:\ path of a file of the Linux side (Wine maps / to Z:).
std::wstring WindowsPath(const char* pszUnixPath);

}  // namespace harness
