#include "GraphEdit.h"

#include "GraphPublication.h"

#include "atlbase.h"

#include <cwchar>
#include <vector>

namespace {

// How long the viewer's primary thread is given to leave its message loop.
const DWORD kQuitTimeoutMs = 1000;
// How long a call another process is making into the graph may delay its withdrawal.
const DWORD kWithdrawTimeoutMs = 1000;

}  // namespace

CGraphEdit::CGraphEdit(bool bCloseOnDestroy)
    : m_dwCookie(0), m_rgPI(), m_hWndGraphEdit(0), m_hWndList(0), m_bCloseOnDestroy(bCloseOnDestroy) {}

CGraphEdit::~CGraphEdit() {
  if (m_bCloseOnDestroy) Reset();
}

void CGraphEdit::Reset() {
  RevokeGraph(m_dwCookie);
  m_dwCookie = 0;
  m_hWndList = 0;
  m_hWndGraphEdit = 0;
  CloseGraphEdit();
}

HRESULT CGraphEdit::RegisterGraph(IUnknown* pGraph, DWORD* pdwCookie) {
  ATLASSERT(pGraph != 0);
  if (pGraph == 0) return E_INVALIDARG;
  ATLASSERT(pdwCookie != 0);
  if (pdwCookie == 0) return E_POINTER;
  *pdwCookie = 0;

  WCHAR szName[64];
  ::wsprintfW(szName, L"FilterGraph %08x pid %08x", static_cast<DWORD>(reinterpret_cast<DWORD_PTR>(pGraph)),
              ::GetCurrentProcessId());
  return PublishGraph(pGraph, szName, pdwCookie);
}

void CGraphEdit::RevokeGraph(DWORD dwCookie) { WithdrawGraph(dwCookie, kWithdrawTimeoutMs); }

void CGraphEdit::CloseGraphEdit() {
  if (m_rgPI.hThread != 0) {
    // A viewer that has already gone makes the post fail and the wait end at once.
    ::PostThreadMessageW(m_rgPI.dwThreadId, WM_QUIT, 0, 0);
    ::WaitForSingleObject(m_rgPI.hThread, kQuitTimeoutMs);
    ::CloseHandle(m_rgPI.hThread);
  }
  if (m_rgPI.hProcess != 0) ::CloseHandle(m_rgPI.hProcess);
  m_rgPI = PROCESS_INFORMATION();
}

// Viewer launch and window discovery.

namespace {

const wchar_t kProppageKey[] = L"CLSID\\{29E07010-BD27-11CE-AB59-00AA00577DA1}";
const wchar_t kGraphEditKey[] = L"Software\\Microsoft\\Shared Tools\\Graphedit";
const wchar_t kGraphEditFile[] = L"graphedt.exe";
const int kPathChars = 260;
const DWORD kIdleTimeoutMs = 1000;
const DWORD kVisibleTimeoutMs = 100;
const DWORD kPollMs = 10;
// Both searches count down from 10 and stop at 0: nine tries.
const int kTries = 10;
// WS_CAPTION (border and dialog frame), WS_SYSMENU and WS_THICKFRAME.
const LONG kMainWindowStyle = 0x00CC0000;
const WPARAM kConnectCommand = 0x00018034;
const int kItemChars = 64;
// Far beyond any item that is read, for an item that grows between its length and its text.
const int kItemBufferChars = 32768;
// The list queries of one selection share the time of its nine tries.
const DWORD kListBudgetMs = 90;

// A message to the viewer's list, answered before the deadline or given up: false when the
// viewer did not answer in time or hangs.
bool SendBefore(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, DWORD dwDeadline, LRESULT* plResult) {
  const LONG lLeft = static_cast<LONG>(dwDeadline - ::GetTickCount());
  if (lLeft <= 0) return false;
  DWORD_PTR dwResult = 0;
  if (!::SendMessageTimeoutW(hWnd, uMsg, wParam, lParam, SMTO_ABORTIFHUNG, static_cast<UINT>(lLeft), &dwResult))
    return false;
  *plResult = static_cast<LRESULT>(dwResult);
  return true;
}

// A path value: REG_SZ or REG_EXPAND_SZ (not expanded), at most 260 characters with its
// terminator, which the stored data must hold. pszPath is empty unless the value is read.
bool ReadPathValue(HKEY hKey, LPCWSTR pszValue, LPWSTR pszPath) {
  DWORD dwType = REG_NONE;
  DWORD cbData = kPathChars * sizeof(WCHAR);
  const LONG lRes = ::RegQueryValueExW(hKey, pszValue, 0, &dwType, reinterpret_cast<LPBYTE>(pszPath), &cbData);
  const DWORD cchData = cbData / sizeof(WCHAR);
  const bool bRead = lRes == ERROR_SUCCESS && (dwType == REG_SZ || dwType == REG_EXPAND_SZ) &&
                     cbData % sizeof(WCHAR) == 0 && cchData > 0 && pszPath[cchData - 1] == 0;
  if (!bRead) pszPath[0] = 0;
  return bRead;
}

BOOL StartProcess(LPCWSTR pszPath, PROCESS_INFORMATION* pPI) {
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_SHOWNORMAL;
  return ::CreateProcessW(pszPath, 0, 0, 0, FALSE, NORMAL_PRIORITY_CLASS, 0, 0, &si, pPI);
}

// Replaces the file name of pszPath (a copy of the library's path) with the viewer's. False
// when the path holds no separator, or when the directory and the name do not fit together:
// a cut name would start some other file.
bool PathBesideLibrary(LPWSTR pszPath) {
  int i = ::lstrlenW(pszPath);
  while (i > 0 && pszPath[i] != L'\\' && pszPath[i] != L'/') --i;
  if (pszPath[i] != L'\\' && pszPath[i] != L'/') return false;
  const int cchName = static_cast<int>(sizeof kGraphEditFile / sizeof kGraphEditFile[0]);
  if (i + 1 + cchName > kPathChars) return false;
  ::lstrcpyW(pszPath + i + 1, kGraphEditFile);
  return true;
}

}  // namespace

bool CGraphEdit::GetProppagePath(LPWSTR pszPath) {
  CRegKey key;
  CRegKey keyServer;
  bool bRegistered = key.Open(HKEY_CLASSES_ROOT, kProppageKey, KEY_READ) == ERROR_SUCCESS &&
                     keyServer.Open(key, L"InprocServer32", KEY_READ) == ERROR_SUCCESS;
  if (bRegistered && pszPath != 0) bRegistered = ReadPathValue(keyServer, 0, pszPath);
  if (!bRegistered && pszPath != 0) pszPath[0] = 0;
  return bRegistered;
}

HRESULT CGraphEdit::LoadGraphEdit(LPCWSTR pszProppagePath) {
  WCHAR szPath[kPathChars] = {};
  CRegKey key;
  if (key.Open(HKEY_LOCAL_MACHINE, kGraphEditKey, KEY_READ) != ERROR_SUCCESS || !ReadPathValue(key, L"Path", szPath))
    ::lstrcpyW(szPath, kGraphEditFile);

  PROCESS_INFORMATION rgPI = {};
  BOOL bStarted = StartProcess(szPath, &rgPI);
  DWORD dwError = bStarted ? 0 : ::GetLastError();
  if (!bStarted && dwError == ERROR_FILE_NOT_FOUND && pszProppagePath != 0 && pszProppagePath[0] != 0) {
    ::lstrcpynW(szPath, pszProppagePath, kPathChars);
    if (PathBesideLibrary(szPath)) {
      bStarted = StartProcess(szPath, &rgPI);
      dwError = bStarted ? 0 : ::GetLastError();
    }
  }
  if (!bStarted) return dwError != 0 ? HRESULT_FROM_WIN32(dwError) : E_FAIL;

  ATLASSERT(rgPI.hProcess != 0 && rgPI.hThread != 0);
  // A time-out sets no error: a stale one must not become the result.
  ::SetLastError(0);
  const DWORD dwWait = ::WaitForInputIdle(rgPI.hProcess, kIdleTimeoutMs);
  if (dwWait == 0) {
    m_rgPI = rgPI;
    return S_OK;
  }
  dwError = ::GetLastError();
  const HRESULT hr = dwError == 0 || dwError == WAIT_TIMEOUT ? E_FAIL : HRESULT_FROM_WIN32(dwError);
  ATLTRACE(atlTraceGeneral, 2, L"###Err### CGraphEdit::LoadGraphEdit(): WaitForInputIdle()=%u, hr=0x%X\n", dwWait, hr);
  // Left running, no longer tracked.
  ::CloseHandle(rgPI.hThread);
  ::CloseHandle(rgPI.hProcess);
  return hr;
}

bool CGraphEdit::FindMainWindow() {
  ATLASSERT(m_rgPI.hProcess != 0 && m_rgPI.hThread != 0);
  m_hWndGraphEdit = 0;
  for (int nTries = kTries; --nTries > 0 && m_hWndGraphEdit == 0;)
    ::EnumWindows(EnumMainWindowProc, reinterpret_cast<LPARAM>(this));
  if (m_hWndGraphEdit != 0 && !WaitWhileHidden()) m_hWndGraphEdit = 0;
  if (m_hWndGraphEdit == 0)
    ATLTRACE(atlTraceGeneral, 2, L"###Err### CGraphEdit::FindMainWindow(): GraphEdit window not found\n");
  return m_hWndGraphEdit != 0;
}

BOOL CALLBACK CGraphEdit::EnumMainWindowProc(HWND hWnd, LPARAM lParam) {
  ATLASSERT(lParam != 0);
  if (lParam == 0) return FALSE;
  return reinterpret_cast<CGraphEdit*>(lParam)->EnumMainWindow(hWnd);
}

BOOL CGraphEdit::EnumMainWindow(HWND hWnd) {
  ATLASSERT(hWnd != 0);
  DWORD dwProcessId = 0;
  ::GetWindowThreadProcessId(hWnd, &dwProcessId);
  if (dwProcessId != m_rgPI.dwProcessId) return TRUE;
  if ((::GetWindowLongW(hWnd, GWL_STYLE) & kMainWindowStyle) != kMainWindowStyle) return TRUE;
  m_hWndGraphEdit = hWnd;
  return FALSE;
}

bool CGraphEdit::WaitWhileHidden() {
  if (m_hWndGraphEdit == 0) return false;
  const DWORD dwDeadline = ::GetTickCount() + kVisibleTimeoutMs;
  // Signed difference: the tick count may wrap during the wait.
  for (DWORD dwNow = ::GetTickCount(); static_cast<LONG>(dwDeadline - dwNow) >= 0; dwNow = ::GetTickCount()) {
    if (::GetWindowLongW(m_hWndGraphEdit, GWL_STYLE) & WS_VISIBLE) return true;
    ATLTRACE(atlTraceGeneral, 10, L"CGraphEdit::WaitWhileHidden(): wait time rest is %i ms\n",
             static_cast<int>(dwDeadline - dwNow));
    ::Sleep(kPollMs);
  }
  ATLTRACE(atlTraceGeneral, 2, L"###Err### CGraphEdit::WaitWhileHidden(): Wait time is ending\n");
  return false;
}

// Remote-graph connection.

HRESULT CGraphEdit::ShowGraph(IUnknown* pGraph) {
  Reset();
  WCHAR szProppagePath[kPathChars];
  if (!GetProppagePath(szProppagePath)) {
    ATLASSERT(!L"CGraphEdit::ShowGraph(): Proppage.dll is not registered");
    return REGDB_E_CLASSNOTREG;
  }
  HRESULT hr = RegisterGraph(pGraph, &m_dwCookie);
  if (FAILED(hr)) return hr;
  hr = LoadGraphEdit(szProppagePath);
  if (hr != S_OK) return hr;
  if (!FindMainWindow()) return S_FALSE;
  PostConnectCommand();
  SelectRemoteGraph(pGraph);
  return S_OK;
}

void CGraphEdit::PostConnectCommand() {
  if (m_hWndGraphEdit != 0) ::PostMessageW(m_hWndGraphEdit, WM_COMMAND, kConnectCommand, 0);
}

void CGraphEdit::SelectRemoteGraph(IUnknown* pGraph) {
  if (!::IsWindow(m_hWndGraphEdit)) return;
  m_hWndList = 0;
  // The list's answers are awaited from the moment it is first found: a dialog that opens
  // late still has them.
  bool bListFound = false;
  DWORD dwDeadline = 0;
  for (int nTries = kTries; --nTries > 0;) {
    ::EnumWindows(EnumDialogProc, reinterpret_cast<LPARAM>(this));
    if (::IsWindow(m_hWndList)) {
      if (!bListFound) dwDeadline = ::GetTickCount() + kListBudgetMs;
      bListFound = true;
      bool bAnswered = true;
      const int nItem = FindGraphItemBefore(pGraph, dwDeadline, &bAnswered);
      // A viewer that did not answer in time will not answer the next try either.
      if (!bAnswered) return;
      if (nItem != -1) {
        LRESULT lResult = LB_ERR;
        if (SendBefore(m_hWndList, LB_SETCURSEL, nItem, 0, dwDeadline, &lResult) && lResult != LB_ERR)
          ::PostMessageW(::GetParent(m_hWndList), WM_COMMAND, IDOK, 0);
        return;
      }
    }
    ::Sleep(kPollMs);
  }
}

BOOL CALLBACK CGraphEdit::EnumDialogProc(HWND hWnd, LPARAM lParam) {
  ATLASSERT(lParam != 0);
  if (lParam == 0) return FALSE;
  return reinterpret_cast<CGraphEdit*>(lParam)->EnumDialog(hWnd);
}

BOOL CGraphEdit::EnumDialog(HWND hWnd) {
  ATLASSERT(hWnd != 0);
  if (!::IsWindow(hWnd)) return TRUE;
  DWORD dwProcessId = 0;
  ::GetWindowThreadProcessId(hWnd, &dwProcessId);
  if (dwProcessId != m_rgPI.dwProcessId) return TRUE;
  // An owned pop-up's parent is its owner.
  if (::GetParent(hWnd) != m_hWndGraphEdit) return TRUE;
  return ::EnumChildWindows(hWnd, EnumListBoxProc, reinterpret_cast<LPARAM>(this));
}

BOOL CALLBACK CGraphEdit::EnumListBoxProc(HWND hWnd, LPARAM lParam) {
  ATLASSERT(lParam != 0);
  if (lParam == 0) return FALSE;
  return reinterpret_cast<CGraphEdit*>(lParam)->EnumListBox(hWnd);
}

BOOL CGraphEdit::EnumListBox(HWND hWnd) {
  ATLASSERT(hWnd != 0);
  if (!::IsWindow(hWnd)) return TRUE;
  WCHAR szClass[256] = {};
  if (::GetClassNameW(hWnd, szClass, 256) == 0) return TRUE;
  if (::lstrcmpW(szClass, L"ListBox") != 0) return TRUE;
  m_hWndList = hWnd;
  return FALSE;
}

int CGraphEdit::FindGraphItem(IUnknown* pGraph) {
  bool bAnswered = true;
  return FindGraphItemBefore(pGraph, ::GetTickCount() + kListBudgetMs, &bAnswered);
}

int CGraphEdit::FindGraphItemBefore(IUnknown* pGraph, DWORD dwDeadline, bool* pbAnswered) {
  *pbAnswered = true;
  if (!::IsWindow(m_hWndList)) return -1;
  LRESULT lCount = 0;
  if (!(*pbAnswered = SendBefore(m_hWndList, LB_GETCOUNT, 0, 0, dwDeadline, &lCount))) return -1;
  // LB_GETTEXT writes the whole text, as long as the item is when the platform measures it
  // itself: a viewer may lengthen an item after its length was asked. The buffer is far larger
  // than any item that is read; an item announced too long for the name is skipped.
  std::vector<WCHAR> item(kItemBufferChars);
  for (int i = 0; i < static_cast<int>(lCount); ++i) {
    LRESULT cchItem = LB_ERR;
    if (!(*pbAnswered = SendBefore(m_hWndList, LB_GETTEXTLEN, i, 0, dwDeadline, &cchItem))) return -1;
    if (cchItem == LB_ERR || cchItem >= kItemChars) continue;
    item[0] = 0;
    LRESULT cchRead = 0;
    if (!(*pbAnswered =
              SendBefore(m_hWndList, LB_GETTEXT, i, reinterpret_cast<LPARAM>(item.data()), dwDeadline, &cchRead)))
      return -1;
    if (cchRead <= 0 || cchRead >= kItemChars) continue;
    item[cchRead] = 0;
    if (MatchCookieName(item.data(), pGraph)) return i;
  }
  return -1;
}

bool CGraphEdit::MatchCookieName(LPCWSTR pszCookieName, IUnknown* pGraph) {
  ATLASSERT(pszCookieName != 0);
  if (pszCookieName == 0) return false;
  static const WCHAR szPid[] = L"pid ";
  static const WCHAR szGraph[] = L"IFilterGraph = ";
  const int cchPid = 4;
  const int cchGraph = 15;

  const int cchText = ::lstrlenW(pszCookieName);
  int iPid = -1;
  for (int i = 0; i <= cchText - cchPid && iPid < 0; ++i)
    if (std::wcsncmp(pszCookieName + i, szPid, cchPid) == 0) iPid = i;
  if (iPid < 0) return false;

  LPCWSTR pszNumber = pszCookieName + iPid + cchPid;
  LPWSTR pszEnd = 0;
  const DWORD dwProcessId = static_cast<DWORD>(std::wcstol(pszNumber, &pszEnd, 16));
  if (pszEnd == pszNumber || dwProcessId != ::GetCurrentProcessId() || *pszEnd != L' ') return false;

  LPCWSTR pszRest = pszEnd + 1;
  const int cchRest = ::lstrlenW(pszRest);
  int iGraph = -1;
  for (int i = 0; i <= cchRest - cchGraph && iGraph < 0; ++i)
    if (std::wcsncmp(pszRest + i, szGraph, cchGraph) == 0) iGraph = i;
  if (iGraph < 0) return false;

  pszNumber = pszRest + iGraph + cchGraph;
  const DWORD dwGraph = static_cast<DWORD>(std::wcstoul(pszNumber, &pszEnd, 16));
  return pszEnd != pszNumber && dwGraph == static_cast<DWORD>(reinterpret_cast<DWORD_PTR>(pGraph)) && *pszEnd == 0;
}
