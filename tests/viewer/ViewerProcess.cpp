#include "ViewerProcess.h"

#include "UiDriver.h"

namespace viewer_test {

std::wstring GraphPublisherPath() { return harness::WindowsPath(LUMIVAR_GRAPH_PUBLISHER); }
std::wstring GraphViewerPath() { return harness::WindowsPath(LUMIVAR_GRAPHEDT); }
std::wstring HostilePath(LPCWSTR pszName) {
  return harness::WindowsPath(LUMIVAR_VIEWER_TEST_DIR) + L"\\" + pszName + L".exe";
}

bool PublishedGraphOf(DWORD dwProcessId, PublishedGraph* pGraph, DWORD dwTimeoutMs) {
  return harness::WaitUntil(
      [&] {
        std::vector<PublishedGraph> graphs;
        if (FAILED(ListPublishedGraphs(&graphs))) return false;
        for (const PublishedGraph& graph : graphs)
          if (graph.dwProcessId == dwProcessId) {
            *pGraph = graph;
            return true;
          }
        return false;
      },
      dwTimeoutMs);
}

namespace {

struct Search {
  DWORD dwProcessId;
  HWND hWndOwner;
  HWND hWndFound;
  HWND hWndList;
};

BOOL CALLBACK MatchMain(HWND hWnd, LPARAM lParam) {
  auto& s = *reinterpret_cast<Search*>(lParam);
  DWORD dwProcessId = 0;
  ::GetWindowThreadProcessId(hWnd, &dwProcessId);
  const LONG lStyle = ::GetWindowLongW(hWnd, GWL_STYLE);
  if (dwProcessId != s.dwProcessId || (lStyle & 0x00CC0000) != 0x00CC0000 || !(lStyle & WS_VISIBLE)) return TRUE;
  s.hWndFound = hWnd;
  return FALSE;
}

BOOL CALLBACK MatchAny(HWND hWnd, LPARAM lParam) {
  auto& s = *reinterpret_cast<Search*>(lParam);
  DWORD dwProcessId = 0;
  ::GetWindowThreadProcessId(hWnd, &dwProcessId);
  if (dwProcessId != s.dwProcessId) return TRUE;
  s.hWndFound = hWnd;
  return FALSE;
}

BOOL CALLBACK MatchList(HWND hWnd, LPARAM lParam) {
  if (harness::ClassName(hWnd) != L"ListBox") return TRUE;
  reinterpret_cast<Search*>(lParam)->hWndList = hWnd;
  return FALSE;
}

BOOL CALLBACK MatchOwned(HWND hWnd, LPARAM lParam) {
  auto& s = *reinterpret_cast<Search*>(lParam);
  if (::GetWindow(hWnd, GW_OWNER) != s.hWndOwner) return TRUE;
  s.hWndList = nullptr;
  ::EnumChildWindows(hWnd, MatchList, lParam);
  if (!s.hWndList) return TRUE;
  s.hWndFound = hWnd;
  return FALSE;
}

}  // namespace

bool HasTopWindow(DWORD dwProcessId) {
  Search s = {dwProcessId, nullptr, nullptr, nullptr};
  ::EnumWindows(MatchAny, reinterpret_cast<LPARAM>(&s));
  return s.hWndFound != nullptr;
}

HWND FindMainWindow(DWORD dwProcessId) {
  Search s = {dwProcessId, nullptr, nullptr, nullptr};
  ::EnumWindows(MatchMain, reinterpret_cast<LPARAM>(&s));
  return s.hWndFound;
}

bool FindConnectDialog(HWND hWndOwner, HWND* phDialog, HWND* phList) {
  Search s = {0, hWndOwner, nullptr, nullptr};
  ::EnumWindows(MatchOwned, reinterpret_cast<LPARAM>(&s));
  *phDialog = s.hWndFound;
  *phList = s.hWndFound ? s.hWndList : nullptr;
  return s.hWndFound != nullptr;
}

}  // namespace viewer_test
