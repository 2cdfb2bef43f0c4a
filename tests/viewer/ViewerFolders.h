// Folders for the viewer's lookups, made for a test and removed after it:
//   Viewer()   holds graphedt.exe (a copy of our viewer)
//   Library()  holds Proppage.dll's name and a graphedt.exe beside it
//   Empty()    holds nothing
// All paths end without a separator.
#pragma once

#include <string>

class ViewerFolders {
public:
  ViewerFolders();
  ~ViewerFolders();
  ViewerFolders(const ViewerFolders&) = delete;
  ViewerFolders& operator=(const ViewerFolders&) = delete;

  bool Ready() const { return m_bReady; }
  const std::wstring& Viewer() const { return m_viewer; }
  const std::wstring& Library() const { return m_library; }
  const std::wstring& Empty() const { return m_empty; }

private:
  std::wstring m_root, m_viewer, m_library, m_empty;
  bool m_bReady = false;
};

// The executable a process runs, lower case, with backslashes.
std::wstring ImageOf(void* hProcess);
std::wstring Normalized(std::wstring path);
