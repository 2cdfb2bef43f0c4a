#include "Passes.h"

#if LUMIVAR_X86_PASSES
#include <cpuid.h>
#endif

#include <cstdlib>
#include <cstring>

namespace lumivar {

bool HasAvx2() {
#if LUMIVAR_X86_PASSES
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
#else
  return false;
#endif
}

bool HasAvxVnni() {
#if LUMIVAR_X86_PASSES
  // CPUID leaf 7, subleaf 1, EAX bit 4 (not every compiler's
  // __builtin_cpu_supports knows it); HasAvx2 has asked the OS for AVX state.
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  return HasAvx2() && __get_cpuid_count(7, 1, &eax, &ebx, &ecx, &edx) && (eax >> 4 & 1);
#else
  return false;
#endif
}

namespace {

const RowPasses& ChoosePasses() {
  const char* wanted = std::getenv("LUMIVAR_PASSES");
  const bool any = !wanted || !*wanted;
  if (!any && !std::strcmp(wanted, kScalarPasses.name)) return kScalarPasses;
#if LUMIVAR_X86_PASSES
  const bool avxVnni = !any && !std::strcmp(wanted, kAvxVnniPasses.name);
  if (HasAvxVnni() && (any || avxVnni)) return kAvxVnniPasses;
  if (HasAvx2() && (any || avxVnni || !std::strcmp(wanted, kAvx2Passes.name))) return kAvx2Passes;
  return kSse2Passes;
#else
  return kScalarPasses;
#endif
}

}  // namespace

const RowPasses& BestPasses() {
  static const RowPasses& best = ChoosePasses();
  return best;
}

void CopyNearest(const uint8_t* in, const int* columns, int width, uint8_t* out) {
  for (int i = 0; i < width; ++i) std::memcpy(out + 4 * i, in + 4 * static_cast<ptrdiff_t>(columns[i]), 4);
}

}  // namespace lumivar
