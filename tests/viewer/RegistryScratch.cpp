#include "RegistryScratch.h"

const wchar_t kProppageKey[] = L"CLSID\\{29E07010-BD27-11CE-AB59-00AA00577DA1}";
const wchar_t kProppageServerKey[] = L"CLSID\\{29E07010-BD27-11CE-AB59-00AA00577DA1}\\InprocServer32";
const wchar_t kGraphEditKey[] = L"Software\\Microsoft\\Shared Tools\\Graphedit";

namespace {

HKEY CreateVolatile(HKEY hParent, const std::wstring& name) {
  HKEY hKey = nullptr;
  if (::RegCreateKeyExW(hParent, name.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &hKey,
                        nullptr) != ERROR_SUCCESS)
    return nullptr;
  return hKey;
}

}  // namespace

RegistryScratch::RegistryScratch()
    : m_name(L"Software\\LumivarTestScratch" + std::to_wstring(::GetCurrentProcessId())) {
  HKEY hRoot = CreateVolatile(HKEY_CURRENT_USER, m_name);
  if (!hRoot) return;
  m_hClasses = CreateVolatile(hRoot, L"Classes");
  m_hMachine = CreateVolatile(hRoot, L"Machine");
  ::RegCloseKey(hRoot);
  if (!Active()) return;
  if (::RegOverridePredefKey(HKEY_CLASSES_ROOT, m_hClasses) != ERROR_SUCCESS ||
      ::RegOverridePredefKey(HKEY_LOCAL_MACHINE, m_hMachine) != ERROR_SUCCESS) {
    ::RegCloseKey(m_hClasses);
    ::RegCloseKey(m_hMachine);
    m_hClasses = m_hMachine = nullptr;
  }
}

RegistryScratch::~RegistryScratch() {
  ::RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
  ::RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
  if (m_hClasses) ::RegCloseKey(m_hClasses);
  if (m_hMachine) ::RegCloseKey(m_hMachine);
  ::RegDeleteTreeW(HKEY_CURRENT_USER, m_name.c_str());
}

void RegistryScratch::CreateKey(HKEY hRoot, LPCWSTR pszKey) {
  HKEY hKey = CreateVolatile(Scratch(hRoot), pszKey);
  if (hKey) ::RegCloseKey(hKey);
}

void RegistryScratch::DeleteKey(HKEY hRoot, LPCWSTR pszKey) { ::RegDeleteTreeW(Scratch(hRoot), pszKey); }

void RegistryScratch::SetValue(HKEY hRoot, LPCWSTR pszKey, LPCWSTR pszValue, DWORD dwType, const void* pData,
                               DWORD cbData) {
  HKEY hKey = CreateVolatile(Scratch(hRoot), pszKey);
  if (!hKey) return;
  ::RegSetValueExW(hKey, pszValue, 0, dwType, static_cast<const BYTE*>(pData), cbData);
  ::RegCloseKey(hKey);
}

void RegistryScratch::SetString(HKEY hRoot, LPCWSTR pszKey, LPCWSTR pszValue, const std::wstring& text, DWORD dwType,
                                bool bTerminated) {
  // A terminator right after the data would be counted in by the platform (NT does so too),
  // so unterminated data is followed by another character.
  const std::wstring data = bTerminated ? text : text + L'#';
  const DWORD cch = static_cast<DWORD>(text.size()) + (bTerminated ? 1 : 0);
  SetValue(hRoot, pszKey, pszValue, dwType, data.c_str(), cch * sizeof(wchar_t));
}

void RegistryScratch::RegisterProppage(const std::wstring& path) {
  SetString(HKEY_CLASSES_ROOT, kProppageServerKey, nullptr, path);
}

void RegistryScratch::SetViewerPath(const std::wstring& path) {
  SetString(HKEY_LOCAL_MACHINE, kGraphEditKey, L"Path", path);
}
