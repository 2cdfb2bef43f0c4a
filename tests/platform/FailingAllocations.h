// Makes nothrow allocations of this thread fail, for the length of a scope: nFailing of them,
// after the first nPassingFirst have succeeded.
//
//   FailingAllocations noMemory(1);
//   EXPECT_EQ(-1, dlg.DoModal());
//
// The framework takes its memory with new (std::nothrow), which this test executable
// replaces; plain new and other threads are not affected.
#pragma once

class FailingAllocations {
public:
  explicit FailingAllocations(int nFailing, int nPassingFirst = 0);
  ~FailingAllocations();
  FailingAllocations(const FailingAllocations&) = delete;
  FailingAllocations& operator=(const FailingAllocations&) = delete;

  // Failures armed but not yet met.
  int Remaining() const;
};
