// The bench under the soak, started by the Linux side so that its own status reaches Linux
// (a crash inside Wine can look like exit code 0 to a Windows parent), and found here by its
// dialog.
//
//   Bench                one LumivarTest.exe: its dialog, process, output and viewers
//   Bench::Start         asks scripts/soak for the next bench and waits for its dialog
//   Bench::Answers       how long the dialog's thread took to handle a mark posted behind
//                        everything sent so far; false past the bound
//   Bench::Ended         whether the process has gone (its Linux status once known)
//   Bench::Close         the dialog closed by a tester's route, every box on the way closed
//   Bench::LinuxStatus   the status Linux saw the process end with
//   Bench::NewOutput     the lines the bench and its viewers wrote since the last call
//   Bench::Viewer        the main window of the viewer the bench started, if one shows
//   Bench::EndedViewers  viewers seen before that have ended since, with their exit codes
#pragma once

#include <windows.h>

#include <atlhandle.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace soak {

// The folder scripts/soak shares with the driver: bench-N.log holds bench N's output and
// bench-N.status its Linux status once it ended.
struct Supervisor {
  std::wstring folder;  // a Windows path, without a trailing backslash
};

class Bench {
public:
  Bench(const Supervisor& supervisor, int nNumber) : m_supervisor(supervisor), m_nNumber(nNumber) {}
  ~Bench();
  Bench(const Bench&) = delete;
  Bench& operator=(const Bench&) = delete;

  bool Start(std::string* pError);
  int Number() const { return m_nNumber; }
  HWND Dialog() const { return m_hDlg; }
  HWND Item(int id) const { return ::GetDlgItem(m_hDlg, id); }
  DWORD ProcessId() const { return m_dwProcessId; }
  HANDLE Process() const { return m_hProcess; }

  bool Answers(DWORD dwBoundMs, DWORD* pdwElapsedMs);
  bool Ended() const;
  // 0 closes by Escape, 1 by the close box, 2 by the system menu, 3 by WM_CLOSE; the route
  // taken is 3 where the screen offered no other (a message box up, the dialog not in front).
  bool Close(int nRoute, DWORD dwBoundMs, int* pnRouteTaken);
  // -1 when Linux has not reported the end within the bound.
  int LinuxStatus(DWORD dwBoundMs) const;
  std::vector<std::string> NewOutput();

  HWND MessageBox() const;
  HWND Viewer() const;
  DWORD ViewerProcessId() const;
  std::map<DWORD, DWORD> EndedViewers();

private:
  std::wstring FileOf(LPCWSTR pszSuffix) const;
  void WatchViewers();

  const Supervisor m_supervisor;
  const int m_nNumber;
  HWND m_hDlg = nullptr;
  DWORD m_dwProcessId = 0;
  ATL::CHandle m_hProcess;
  WPARAM m_nMark = 0;
  size_t m_cbOutputRead = 0;
  std::string m_partialLine;
  std::map<DWORD, std::unique_ptr<ATL::CHandle>> m_viewers;
};

}  // namespace soak
