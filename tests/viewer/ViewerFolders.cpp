#include "ViewerFolders.h"

#include <windows.h>

#include <cwctype>

#include "ViewerProcess.h"

ViewerFolders::ViewerFolders() {
  wchar_t szTemp[MAX_PATH];
  if (!::GetTempPathW(MAX_PATH, szTemp)) return;
  m_root = std::wstring(szTemp) + L"lumivar-viewer-" + std::to_wstring(::GetCurrentProcessId());
  m_viewer = m_root + L"\\viewer";
  m_library = m_root + L"\\library";
  m_empty = m_root + L"\\empty";
  const std::wstring source = viewer_test::GraphViewerPath();
  m_bReady = ::CreateDirectoryW(m_root.c_str(), nullptr) && ::CreateDirectoryW(m_viewer.c_str(), nullptr) &&
             ::CreateDirectoryW(m_library.c_str(), nullptr) && ::CreateDirectoryW(m_empty.c_str(), nullptr) &&
             ::CopyFileW(source.c_str(), (m_viewer + L"\\graphedt.exe").c_str(), FALSE) &&
             ::CopyFileW(source.c_str(), (m_library + L"\\graphedt.exe").c_str(), FALSE);
}

ViewerFolders::~ViewerFolders() {
  ::DeleteFileW((m_viewer + L"\\graphedt.exe").c_str());
  ::DeleteFileW((m_library + L"\\graphedt.exe").c_str());
  for (const std::wstring& dir : {m_viewer, m_library, m_empty, m_root}) ::RemoveDirectoryW(dir.c_str());
}

std::wstring Normalized(std::wstring path) {
  for (wchar_t& c : path) c = c == L'/' ? L'\\' : static_cast<wchar_t>(std::towlower(c));
  return path;
}

std::wstring ImageOf(void* hProcess) {
  wchar_t szPath[MAX_PATH] = {};
  DWORD cch = MAX_PATH;
  if (!::QueryFullProcessImageNameW(static_cast<HANDLE>(hProcess), 0, szPath, &cch)) return L"<unknown>";
  return Normalized(szPath);
}
