// Replaces one function that this executable imports from a DLL, for the
// length of a scope, by rewriting its import address table entry.
//
//   ImportPatch patch("ole32.dll", "StgOpenStorage", &FakeStgOpenStorage);
//   ASSERT_TRUE(patch.Active());
//
// For platform calls whose odd answers the real platform never gives on
// demand; the code under test is linked into this executable, so its calls
// go through this table.
#pragma once

class ImportPatch {
public:
  ImportPatch(const char* pszDll, const char* pszFunction, void* pfnReplacement);
  ~ImportPatch();
  ImportPatch(const ImportPatch&) = delete;
  ImportPatch& operator=(const ImportPatch&) = delete;

  bool Active() const { return m_ppSlot != nullptr; }
  // The real function, to forward to.
  void* Original() const { return m_pfnOriginal; }

private:
  void** m_ppSlot = nullptr;
  void* m_pfnOriginal = nullptr;
};
