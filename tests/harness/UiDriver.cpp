#include "UiDriver.h"

#include <algorithm>
#include <vector>

namespace harness {

bool WaitUntil(const std::function<bool()>& fnDone, DWORD dwTimeoutMs) {
  DWORD dwStart = ::GetTickCount();
  for (;;) {
    if (fnDone()) return true;
    if (::GetTickCount() - dwStart > dwTimeoutMs) return fnDone();
    ::Sleep(5);
  }
}

bool HandlesPostedMark(HWND hWndEdit, WPARAM nMark, DWORD dwTimeoutMs) {
  if (!::PostMessageW(hWndEdit, EM_LIMITTEXT, nMark, 0)) return false;
  return WaitUntil(
      [&] {
        DWORD_PTR nLimit = 0;
        return ::SendMessageTimeoutW(hWndEdit, EM_GETLIMITTEXT, 0, 0, SMTO_ABORTIFHUNG, dwTimeoutMs, &nLimit) &&
               nLimit == nMark;
      },
      dwTimeoutMs);
}

namespace {

struct TopWindowQuery {
  DWORD dwProcessId;
  LPCWSTR pszClass;
  LPCWSTR pszTitle;
  bool bMessageBox;
  HWND hWndFound;
};

BOOL CALLBACK MatchTopWindow(HWND hWnd, LPARAM lParam) {
  TopWindowQuery& q = *reinterpret_cast<TopWindowQuery*>(lParam);
  DWORD dwProcessId = 0;
  ::GetWindowThreadProcessId(hWnd, &dwProcessId);
  if (dwProcessId != q.dwProcessId || !::IsWindowVisible(hWnd)) return TRUE;
  if (q.pszClass && ClassName(hWnd) != q.pszClass) return TRUE;
  WCHAR szTitle[512] = {};
  ::GetWindowTextW(hWnd, szTitle, 512);
  if (q.pszTitle && lstrcmpW(szTitle, q.pszTitle) != 0) return TRUE;
  if ((::GetDlgItem(hWnd, 0xFFFF) != nullptr) != q.bMessageBox) return TRUE;
  q.hWndFound = hWnd;
  return FALSE;
}

HWND FindTop(DWORD dwProcessId, LPCWSTR pszClass, LPCWSTR pszTitle, bool bMessageBox) {
  TopWindowQuery q = {dwProcessId, pszClass, pszTitle, bMessageBox, nullptr};
  ::EnumWindows(MatchTopWindow, reinterpret_cast<LPARAM>(&q));
  return q.hWndFound;
}

}  // namespace

HWND FindTopWindow(DWORD dwProcessId, LPCWSTR pszClass, LPCWSTR pszTitle) {
  return FindTop(dwProcessId, pszClass, pszTitle, false);
}

HWND WaitForTopWindow(DWORD dwProcessId, LPCWSTR pszClass, LPCWSTR pszTitle, DWORD dwTimeoutMs) {
  HWND hWnd = nullptr;
  WaitUntil([&] { return (hWnd = FindTopWindow(dwProcessId, pszClass, pszTitle)) != nullptr; }, dwTimeoutMs);
  return hWnd;
}

HWND FindTopWindowTitled(const std::wstring& titleStart) {
  struct Query {
    const std::wstring& titleStart;
    HWND hWndFound;
  } q = {titleStart, nullptr};
  ::EnumWindows(
      [](HWND hWnd, LPARAM lParam) -> BOOL {
        auto& q = *reinterpret_cast<Query*>(lParam);
        if (!::IsWindowVisible(hWnd) || ReadText(hWnd).rfind(q.titleStart, 0) != 0) return TRUE;
        q.hWndFound = hWnd;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&q));
  return q.hWndFound;
}

HWND FindDescendant(HWND hWndParent, int id) {
  struct Query {
    int id;
    HWND hWnd;
  } q = {id, nullptr};
  ::EnumChildWindows(
      hWndParent,
      [](HWND hWnd, LPARAM lParam) -> BOOL {
        Query& q = *reinterpret_cast<Query*>(lParam);
        if (::GetDlgCtrlID(hWnd) != q.id) return TRUE;
        q.hWnd = hWnd;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&q));
  return q.hWnd;
}

std::wstring ReadText(HWND hWnd) {
  DWORD_PTR cch = 0;
  if (!::SendMessageTimeoutW(hWnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, dwDefaultTimeout, &cch))
    return L"<no answer>";
  std::vector<WCHAR> text(cch + 1);
  DWORD_PTR cchRead = 0;
  ::SendMessageTimeoutW(hWnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                        dwDefaultTimeout, &cchRead);
  return std::wstring(text.data(), cchRead);
}

std::wstring TitleOf(HWND hWnd) {
  WCHAR sz[512] = {};
  ::GetWindowTextW(hWnd, sz, 512);
  return sz;
}

std::wstring ClassName(HWND hWnd) {
  WCHAR sz[256] = {};
  ::GetClassNameW(hWnd, sz, 256);
  return sz;
}

std::vector<std::wstring> ListBoxItems(HWND hWndList) {
  std::vector<std::wstring> items;
  DWORD_PTR nCount = 0;
  if (!::SendMessageTimeoutW(hWndList, LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, dwDefaultTimeout, &nCount)) return items;
  for (int i = 0; i < static_cast<int>(nCount); ++i) {
    DWORD_PTR cch = 0;
    ::SendMessageTimeoutW(hWndList, LB_GETTEXTLEN, i, 0, SMTO_ABORTIFHUNG, dwDefaultTimeout, &cch);
    if (static_cast<LONG_PTR>(cch) < 0) break;  // the list changed under us
    std::vector<WCHAR> text(cch + 1);
    DWORD_PTR cchRead = 0;
    ::SendMessageTimeoutW(hWndList, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                          dwDefaultTimeout, &cchRead);
    items.emplace_back(text.data(), static_cast<LONG_PTR>(cchRead) > 0 ? std::min<size_t>(cchRead, cch) : 0);
  }
  return items;
}

HWND FocusedWindow(HWND hWndOfThread) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(hWndOfThread, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

HWND DialogKeyTarget(HWND hDlg) {
  HWND hFocus = FocusedWindow(hDlg);
  return hFocus ? hFocus : ::GetNextDlgTabItem(hDlg, nullptr, FALSE);
}

void PressKey(HWND hWnd, UINT vk) {
  LPARAM scan = static_cast<LPARAM>(::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16;
  ::PostMessageW(hWnd, WM_KEYDOWN, vk, scan | 1);
  ::PostMessageW(hWnd, WM_KEYUP, vk, scan | 1 | (LPARAM(3) << 30));
}

bool ClickCloseBox(HWND hWnd) {
  RECT rc = {};
  if (!::GetWindowRect(hWnd, &rc)) return false;
  // The platform draws the caption: ask it where the close box is.
  POINT pt = {};
  bool bFound = false;
  for (int y = rc.top + 2; y < rc.top + 40 && !bFound; y += 3) {
    for (int x = rc.right - 2; x > rc.right - 60 && !bFound; x -= 3) {
      DWORD_PTR hit = 0;
      ::SendMessageTimeoutW(hWnd, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_ABORTIFHUNG, dwDefaultTimeout, &hit);
      if (hit == HTCLOSE) {
        pt = POINT{x - 4, y + 3};
        bFound = true;
      }
    }
  }
  if (!bFound) return false;
  // SendInput's clicks do not reach the dialog here: without a window manager on the virtual
  // display, WindowFromPoint answers the desktop. So the button messages are posted, with the
  // cursor on the box, and the platform's own close-box tracking turns them into SC_CLOSE.
  if (!::SetCursorPos(pt.x, pt.y)) return false;
  POINT ptClient = pt;
  ::ScreenToClient(hWnd, &ptClient);
  return ::PostMessageW(hWnd, WM_NCLBUTTONDOWN, HTCLOSE, MAKELPARAM(pt.x, pt.y)) &&
         ::PostMessageW(hWnd, WM_LBUTTONUP, 0, MAKELPARAM(ptClient.x, ptClient.y));
}

bool ChooseSystemMenuClose(HWND hWnd) {
  DWORD dwProcessId = 0;
  ::GetWindowThreadProcessId(hWnd, &dwProcessId);
  // What Alt+Space does: the system menu opens in its own modal loop on the window's thread.
  ::PostMessageW(hWnd, WM_SYSCOMMAND, SC_KEYMENU, VK_SPACE);
  if (!WaitForTopWindow(dwProcessId, L"#32768", nullptr)) return false;
  PressKey(hWnd, 'C');
  return true;
}

SIZE DialogBaseUnits(LPCWSTR pszFace, WORD wPointSize) {
  // An empty template with the font: the dialog manager measures it as it measures the bench's.
  std::vector<WORD> tmpl(sizeof(DLGTEMPLATE) / sizeof(WORD) + 4 + lstrlenW(pszFace) + 1);
  DLGTEMPLATE* pTemplate = reinterpret_cast<DLGTEMPLATE*>(tmpl.data());
  pTemplate->style = WS_POPUP | DS_SETFONT;
  pTemplate->cx = 100;
  pTemplate->cy = 100;
  WORD* pw = tmpl.data() + sizeof(DLGTEMPLATE) / sizeof(WORD);
  *pw++ = 0;  // no menu
  *pw++ = 0;  // the dialog class
  *pw++ = 0;  // no title
  *pw++ = wPointSize;
  lstrcpyW(reinterpret_cast<LPWSTR>(pw), pszFace);
  SIZE base = {};
  HWND hDlg = ::CreateDialogIndirectParamW(
      ::GetModuleHandleW(nullptr), pTemplate, nullptr, [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
  if (!hDlg) return base;
  RECT rc = {0, 0, 4, 8};
  ::MapDialogRect(hDlg, &rc);
  ::DestroyWindow(hDlg);
  base.cx = rc.right;
  base.cy = rc.bottom;
  return base;
}

RECT DialogUnitsToPixels(SIZE base, int x, int y, int cx, int cy) {
  // Position and size are converted apart, as the dialog manager creates the controls.
  int left = ::MulDiv(x, base.cx, 4);
  int top = ::MulDiv(y, base.cy, 8);
  return RECT{left, top, left + ::MulDiv(cx, base.cx, 4), top + ::MulDiv(cy, base.cy, 8)};
}

HWND FindMessageBox(DWORD dwProcessId, LPCWSTR pszCaption) { return FindTop(dwProcessId, L"#32770", pszCaption, true); }

MessageBoxInfo ReadMessageBox(HWND hBox) {
  MessageBoxInfo info;
  WCHAR sz[512] = {};
  ::GetWindowTextW(hBox, sz, 512);
  info.caption = sz;
  info.text = ReadText(::GetDlgItem(hBox, 0xFFFF));
  info.hWndOwner = ::GetWindow(hBox, GW_OWNER);
  HWND hIcon = ::GetDlgItem(hBox, 0x440);
  if (hIcon) info.hIcon = reinterpret_cast<HICON>(::SendMessageW(hIcon, STM_GETICON, 0, 0));
  // Wine keeps the icon static of a box without icon, visible but empty.
  info.bIconShown = hIcon && ::IsWindowVisible(hIcon) && info.hIcon;
  return info;
}

void CloseMessageBox(HWND hBox) {
  HWND hButton = ::GetDlgItem(hBox, IDOK);
  if (!hButton) hButton = ::GetDlgItem(hBox, IDCANCEL);
  ::PostMessageW(hButton, BM_CLICK, 0, 0);
}

MessageBoxCatcher::MessageBoxCatcher(DWORD dwProcessId, LPCWSTR pszCaption) {
  m_thread = std::thread([this, dwProcessId, pszCaption] {
    HWND hBox = nullptr;
    if (!WaitUntil([&] { return (hBox = FindMessageBox(dwProcessId, pszCaption)) != nullptr; })) return;
    m_info = ReadMessageBox(hBox);
    m_bCaught = true;
    CloseMessageBox(hBox);
    WaitUntil([&] { return !::IsWindow(hBox); });
  });
}

MessageBoxCatcher::~MessageBoxCatcher() {
  if (m_thread.joinable()) m_thread.join();
}

bool MessageBoxCatcher::Take(MessageBoxInfo* pInfo) {
  if (m_thread.joinable()) m_thread.join();
  *pInfo = m_info;
  return m_bCaught;
}

Program::~Program() {
  // A bench left running by a failed test is ended here, by its own handle.
  if (m_hProcess && ::WaitForSingleObject(m_hProcess, 0) == WAIT_TIMEOUT) ::TerminateProcess(m_hProcess, 255);
}

bool Program::Start(const std::wstring& path, const std::wstring& errorFile, const std::wstring& arguments) {
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  ATL::CHandle hOutput;
  if (!errorFile.empty()) {
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    hOutput.Attach(::CreateFileW(errorFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!hOutput) return false;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = hOutput;
    si.hStdError = hOutput;
  }
  std::wstring commandLine = L"\"" + path + L"\"";
  if (!arguments.empty()) commandLine += L" " + arguments;
  PROCESS_INFORMATION pi = {};
  if (!::CreateProcessW(path.c_str(), &commandLine[0], nullptr, nullptr, !errorFile.empty(), 0, nullptr, nullptr, &si,
                        &pi))
    return false;
  ATL::CHandle hThread(pi.hThread);  // only the process is waited for
  m_hProcess.Attach(pi.hProcess);
  m_dwProcessId = pi.dwProcessId;
  m_dwThreadId = pi.dwThreadId;
  return true;
}

DWORD Program::WaitForExit(DWORD dwTimeoutMs) {
  DWORD dwCode = STILL_ACTIVE;
  if (::WaitForSingleObject(m_hProcess, dwTimeoutMs) == WAIT_OBJECT_0) ::GetExitCodeProcess(m_hProcess, &dwCode);
  return dwCode;
}

bool WaitUntilEnabled(HWND hWnd, DWORD dwTimeoutMs) {
  return WaitUntil([&] { return ::IsWindowEnabled(hWnd) != FALSE; }, dwTimeoutMs);
}

void SetText(HWND hWnd, LPCWSTR pszText) {
  DWORD_PTR dwResult = 0;
  ::SendMessageTimeoutW(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(pszText), SMTO_ABORTIFHUNG, dwDefaultTimeout,
                        &dwResult);
}

void PressButton(HWND hDlg, int id) {
  if (HWND hButton = ::GetDlgItem(hDlg, id))
    ::PostMessageW(hButton, BM_CLICK, 0, 0);
  else
    ::PostMessageW(hDlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

bool IsChecked(HWND hButton) {
  DWORD_PTR dwState = 0;
  ::SendMessageTimeoutW(hButton, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, dwDefaultTimeout, &dwState);
  return dwState == BST_CHECKED;
}

std::vector<std::wstring> ComboItems(HWND hCombo) {
  std::vector<std::wstring> items;
  const LRESULT cItems = ::SendMessageW(hCombo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < cItems; ++i) {
    const LRESULT cch = ::SendMessageW(hCombo, CB_GETLBTEXTLEN, i, 0);
    if (cch < 0) break;
    std::vector<WCHAR> text(cch + 1);
    ::SendMessageW(hCombo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()));
    items.emplace_back(text.data());
  }
  return items;
}

int ComboSelection(HWND hCombo) { return static_cast<int>(::SendMessageW(hCombo, CB_GETCURSEL, 0, 0)); }

bool SelectComboItem(HWND hCombo, int nIndex) {
  if (::SendMessageW(hCombo, CB_SETCURSEL, nIndex, 0) == CB_ERR) return false;
  // CB_SETCURSEL tells nobody; the user's choice tells the dialog.
  ::SendMessageW(::GetParent(hCombo), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(hCombo), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(hCombo));
  return true;
}

std::wstring WindowsPath(const char* pszUnixPath) {
  std::wstring path = L"Z:";
  for (const char* p = pszUnixPath; *p; ++p) path += (*p == '/') ? L'\\' : static_cast<WCHAR>(*p);
  return path;
}

}  // namespace harness
