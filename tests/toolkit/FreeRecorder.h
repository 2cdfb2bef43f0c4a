// Records what is handed to CoTaskMemFree for the length of a scope.
//
//   FreeRecorder frees;
//   ... code that should free pv ...
//   EXPECT_EQ(1, frees.Count(pv));
//
// Behind it one IMallocSpy is registered for the rest of the process: a spy
// cannot be revoked while blocks it has seen are still allocated.
#pragma once

#include <map>

class FreeRecorder {
public:
  FreeRecorder();
  ~FreeRecorder();
  FreeRecorder(const FreeRecorder&) = delete;
  FreeRecorder& operator=(const FreeRecorder&) = delete;

  // False when the platform refused the spy; nothing is recorded then.
  bool Active() const;
  // Frees of the block last allocated at pv (or of pv, if allocated before the scope).
  int Count(void* pv) const;

private:
  std::map<void*, int> m_frees;
};
