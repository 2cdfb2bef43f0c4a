// HKEY_CLASSES_ROOT and HKEY_LOCAL_MACHINE of this process mapped to empty scratch keys for
// the length of a scope (RegOverridePredefKey), so that a test can make any registry
// situation of the viewer's lookups without touching the prefix's real entries. The scratch
// keys are volatile and deleted at the end.
#pragma once

#include <windows.h>

#include <string>

class RegistryScratch {
public:
  RegistryScratch();
  ~RegistryScratch();
  RegistryScratch(const RegistryScratch&) = delete;
  RegistryScratch& operator=(const RegistryScratch&) = delete;

  bool Active() const { return m_hClasses && m_hMachine; }

  // hRoot is HKEY_CLASSES_ROOT or HKEY_LOCAL_MACHINE; the key is made as needed.
  void CreateKey(HKEY hRoot, LPCWSTR pszKey);
  void DeleteKey(HKEY hRoot, LPCWSTR pszKey);
  void SetValue(HKEY hRoot, LPCWSTR pszKey, LPCWSTR pszValue, DWORD dwType, const void* pData, DWORD cbData);
  // A string, with its terminator unless bTerminated is false.
  void SetString(HKEY hRoot, LPCWSTR pszKey, LPCWSTR pszValue, const std::wstring& text, DWORD dwType = REG_SZ,
                 bool bTerminated = true);

  // Proppage.dll registered at pszPath (default value of InprocServer32).
  void RegisterProppage(const std::wstring& path);
  // The viewer's Path value.
  void SetViewerPath(const std::wstring& path);

private:
  HKEY Scratch(HKEY hRoot) const { return hRoot == HKEY_CLASSES_ROOT ? m_hClasses : m_hMachine; }

  std::wstring m_name;
  HKEY m_hClasses = nullptr;
  HKEY m_hMachine = nullptr;
};

extern const wchar_t kProppageKey[];
extern const wchar_t kProppageServerKey[];
extern const wchar_t kGraphEditKey[];
