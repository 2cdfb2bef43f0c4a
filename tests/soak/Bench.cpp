#include "Bench.h"

// After windows.h, which it needs.
#include <tlhelp32.h>

#include <cstdio>

#include "KeyboardInput.h"
#include "UiDriver.h"

namespace soak {

namespace {

const DWORD kStartBoundMs = 60000;

// Processes by executable name, with their parents.
std::vector<PROCESSENTRY32W> ProcessesNamed(LPCWSTR pszName) {
  std::vector<PROCESSENTRY32W> found;
  ATL::CHandle hSnapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!hSnapshot) return found;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL bMore = ::Process32FirstW(hSnapshot, &entry); bMore; bMore = ::Process32NextW(hSnapshot, &entry))
    if (lstrcmpiW(entry.szExeFile, pszName) == 0) found.push_back(entry);
  return found;
}

// The bench's dialog: "Resizer Test" without a message box's text static.
HWND BenchDialogOf(const std::vector<PROCESSENTRY32W>& benches) {
  for (const PROCESSENTRY32W& bench : benches)
    if (HWND hDlg = harness::FindTopWindow(bench.th32ProcessID, L"#32770", L"Resizer Test")) return hDlg;
  return nullptr;
}

}  // namespace

Bench::~Bench() {
  // A bench a failed run leaves behind is ended by the handle the driver holds.
  if (m_hProcess && ::WaitForSingleObject(m_hProcess, 0) == WAIT_TIMEOUT) ::TerminateProcess(m_hProcess, 255);
}

std::wstring Bench::FileOf(LPCWSTR pszSuffix) const {
  wchar_t szName[32];
  ::wsprintfW(szName, L"\\bench-%d.%ls", m_nNumber, pszSuffix);
  return m_supervisor.folder + szName;
}

bool Bench::Start(std::string* pError) {
  // A bench ended by its handle takes a moment to go.
  if (!harness::WaitUntil([] { return ProcessesNamed(L"LumivarTest.exe").empty(); })) {
    *pError = "a bench from before is still running";
    return false;
  }
  std::printf("START %d\n", m_nNumber);
  std::fflush(stdout);
  if (!harness::WaitUntil([&] { return (m_hDlg = BenchDialogOf(ProcessesNamed(L"LumivarTest.exe"))) != nullptr; },
                          kStartBoundMs)) {
    *pError = "no bench dialog within 60 s";
    return false;
  }
  ::GetWindowThreadProcessId(m_hDlg, &m_dwProcessId);
  m_hProcess.Attach(::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_TERMINATE, FALSE,
                                  m_dwProcessId));
  if (!m_hProcess) {
    *pError = "cannot open the bench's process";
    return false;
  }
  return true;
}

bool Bench::Answers(DWORD dwBoundMs, DWORD* pdwElapsedMs) {
  const DWORD dwStart = ::GetTickCount();
  // Above the file box's 259 characters, so the bench's own limit is never in the way.
  const bool bAnswered = harness::HandlesPostedMark(Item(204), 1000 + ++m_nMark, dwBoundMs);
  *pdwElapsedMs = ::GetTickCount() - dwStart;
  return bAnswered;
}

bool Bench::Ended() const {
  return ::WaitForSingleObject(m_hProcess, 0) == WAIT_OBJECT_0 ||
         ::GetFileAttributesW(FileOf(L"status").c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool Bench::Close(int nRoute, DWORD dwBoundMs, int* pnRouteTaken) {
  if (MessageBox()) nRoute = 3;  // the box takes the keys and clicks; a close message still reaches the dialog
  bool bSent = false;
  switch (nRoute) {
    case 0:
      // Typed through the input queue with the dialog in front, as a tester's click then key: a
      // posted key reaches only the window it names, and a video window of the dialog's own
      // thread had the focus after a build from a .grf file.
      bSent = harness::TypeChord(m_hDlg, {}, VK_ESCAPE);
      break;
    case 1:
      bSent = harness::ClickCloseBox(m_hDlg);
      break;
    case 2:
      bSent = harness::ChooseSystemMenuClose(m_hDlg);
      break;
    default:
      bSent = ::PostMessageW(m_hDlg, WM_CLOSE, 0, 0) != FALSE;
      break;
  }
  if (!bSent) {
    nRoute = 3;
    ::PostMessageW(m_hDlg, WM_CLOSE, 0, 0);
  }
  *pnRouteTaken = nRoute;
  // "The end" or a failure may still come up while the graph goes: a tester closes it too.
  return harness::WaitUntil(
      [&] {
        if (HWND hBox = MessageBox()) harness::CloseMessageBox(hBox);
        return ::WaitForSingleObject(m_hProcess, 0) == WAIT_OBJECT_0;
      },
      dwBoundMs);
}

int Bench::LinuxStatus(DWORD dwBoundMs) const {
  int nStatus = -1;
  harness::WaitUntil(
      [&] {
        FILE* pFile = _wfopen(FileOf(L"status").c_str(), L"r");
        if (!pFile) return false;
        const bool bRead = std::fscanf(pFile, "%d", &nStatus) == 1;
        std::fclose(pFile);
        return bRead;
      },
      dwBoundMs);
  return nStatus;
}

std::vector<std::string> Bench::NewOutput() {
  std::vector<std::string> lines;
  ATL::CHandle hFile(::CreateFileW(FileOf(L"log").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
  if (hFile == INVALID_HANDLE_VALUE) {
    hFile.Detach();
    return lines;
  }
  LARGE_INTEGER offset = {};
  offset.QuadPart = static_cast<LONGLONG>(m_cbOutputRead);
  if (!::SetFilePointerEx(hFile, offset, nullptr, FILE_BEGIN)) return lines;
  char buffer[4096];
  DWORD cbRead = 0;
  while (::ReadFile(hFile, buffer, sizeof buffer, &cbRead, nullptr) && cbRead > 0) {
    m_cbOutputRead += cbRead;
    for (DWORD i = 0; i < cbRead; ++i) {
      if (buffer[i] == '\n') {
        lines.push_back(m_partialLine);
        m_partialLine.clear();
      } else if (buffer[i] != '\r') {
        m_partialLine += buffer[i];
      }
    }
  }
  return lines;
}

HWND Bench::MessageBox() const { return harness::FindMessageBox(m_dwProcessId, L"Resizer Test"); }

void Bench::WatchViewers() {
  for (const PROCESSENTRY32W& viewer : ProcessesNamed(L"graphedt.exe")) {
    if (viewer.th32ParentProcessID != m_dwProcessId || m_viewers.count(viewer.th32ProcessID)) continue;
    HANDLE hViewer = ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, viewer.th32ProcessID);
    if (hViewer) m_viewers[viewer.th32ProcessID].reset(new ATL::CHandle(hViewer));
  }
}

DWORD Bench::ViewerProcessId() const {
  HWND hWnd = Viewer();
  DWORD dwProcessId = 0;
  if (hWnd) ::GetWindowThreadProcessId(hWnd, &dwProcessId);
  return dwProcessId;
}

HWND Bench::Viewer() const {
  for (const PROCESSENTRY32W& viewer : ProcessesNamed(L"graphedt.exe")) {
    if (viewer.th32ParentProcessID != m_dwProcessId) continue;
    struct Query {
      DWORD dwProcessId;
      HWND hWnd;
    } q = {viewer.th32ProcessID, nullptr};
    ::EnumWindows(
        [](HWND hWnd, LPARAM lParam) -> BOOL {
          auto& q = *reinterpret_cast<Query*>(lParam);
          DWORD dwProcessId = 0;
          ::GetWindowThreadProcessId(hWnd, &dwProcessId);
          if (dwProcessId != q.dwProcessId || !::IsWindowVisible(hWnd) || ::GetWindow(hWnd, GW_OWNER) ||
              harness::TitleOf(hWnd).rfind(L"GraphEdit", 0) != 0)
            return TRUE;
          q.hWnd = hWnd;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&q));
    if (q.hWnd) return q.hWnd;
  }
  return nullptr;
}

std::map<DWORD, DWORD> Bench::EndedViewers() {
  WatchViewers();
  std::map<DWORD, DWORD> ended;
  for (auto it = m_viewers.begin(); it != m_viewers.end();) {
    DWORD dwCode = STILL_ACTIVE;
    if (::WaitForSingleObject(*it->second, 0) == WAIT_OBJECT_0 && ::GetExitCodeProcess(*it->second, &dwCode)) {
      ended[it->first] = dwCode;
      it = m_viewers.erase(it);
    } else {
      ++it;
    }
  }
  return ended;
}

}  // namespace soak
