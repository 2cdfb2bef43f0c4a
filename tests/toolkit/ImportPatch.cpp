#include "ImportPatch.h"

#include <windows.h>

#include <cstring>

namespace {

void** FindSlot(const char* pszDll, const char* pszFunction) {
  auto* pBase = reinterpret_cast<BYTE*>(::GetModuleHandleW(nullptr));
  auto* pDos = reinterpret_cast<IMAGE_DOS_HEADER*>(pBase);
  auto* pNt = reinterpret_cast<IMAGE_NT_HEADERS*>(pBase + pDos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = pNt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (!dir.VirtualAddress) return nullptr;
  for (auto* pImport = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(pBase + dir.VirtualAddress);
       pImport->Name; ++pImport) {
    if (_stricmp(reinterpret_cast<const char*>(pBase + pImport->Name), pszDll) != 0) continue;
    if (!pImport->OriginalFirstThunk) return nullptr;
    auto* pNames = reinterpret_cast<IMAGE_THUNK_DATA*>(pBase + pImport->OriginalFirstThunk);
    auto* pSlots = reinterpret_cast<IMAGE_THUNK_DATA*>(pBase + pImport->FirstThunk);
    for (; pNames->u1.AddressOfData; ++pNames, ++pSlots) {
      if (IMAGE_SNAP_BY_ORDINAL(pNames->u1.Ordinal)) continue;
      auto* pByName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(pBase + pNames->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<const char*>(pByName->Name), pszFunction) == 0)
        return reinterpret_cast<void**>(&pSlots->u1.Function);
    }
  }
  return nullptr;
}

bool Write(void** ppSlot, void* pValue) {
  DWORD dwOld = 0;
  if (!::VirtualProtect(ppSlot, sizeof *ppSlot, PAGE_READWRITE, &dwOld)) return false;
  *ppSlot = pValue;
  ::VirtualProtect(ppSlot, sizeof *ppSlot, dwOld, &dwOld);
  return true;
}

}  // namespace

ImportPatch::ImportPatch(const char* pszDll, const char* pszFunction, void* pfnReplacement) {
  void** ppSlot = FindSlot(pszDll, pszFunction);
  if (!ppSlot) return;
  void* pfnOriginal = *ppSlot;
  if (!Write(ppSlot, pfnReplacement)) return;
  m_ppSlot = ppSlot;
  m_pfnOriginal = pfnOriginal;
}

ImportPatch::~ImportPatch() {
  if (m_ppSlot) Write(m_ppSlot, m_pfnOriginal);
}
