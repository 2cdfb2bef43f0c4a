#include "FailingAllocations.h"

#include <cstdlib>
#include <new>

namespace {

thread_local int t_nPassing = 0;
thread_local int t_nFailures = 0;

void* AllocateUnlessFailing(std::size_t cb) noexcept {
  if (t_nPassing > 0) {
    --t_nPassing;
  } else if (t_nFailures > 0) {
    --t_nFailures;
    return nullptr;
  }
  // The library's operator delete frees with free().
  return std::malloc(cb ? cb : 1);
}

}  // namespace

FailingAllocations::FailingAllocations(int nFailing, int nPassingFirst) {
  t_nPassing = nPassingFirst;
  t_nFailures = nFailing;
}
FailingAllocations::~FailingAllocations() {
  t_nPassing = 0;
  t_nFailures = 0;
}
int FailingAllocations::Remaining() const { return t_nFailures; }

void* operator new(std::size_t cb, const std::nothrow_t&) noexcept { return AllocateUnlessFailing(cb); }
void* operator new[](std::size_t cb, const std::nothrow_t&) noexcept { return AllocateUnlessFailing(cb); }
