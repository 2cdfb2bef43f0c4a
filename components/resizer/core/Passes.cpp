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

bool HasAvx512() {
#if LUMIVAR_X86_PASSES
  // __builtin_cpu_supports has asked the OS for the 512-bit and mask state too.
  return HasAvx2() && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
         __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512vnni");
#else
  return false;
#endif
}

namespace {

#if LUMIVAR_X86_PASSES
// Whether the AVX-512 set is the faster one on this processor, not only one
// it runs. AMD's (Zen 4 and 5) run 512-bit instructions at the clock of the
// rest, and the set's 256-bit pair passes are the AVX2 ones with AVX-512's
// vpdpwssd: yes. Intel's first server cores with AVX-512 (Skylake-SP,
// Cascade Lake, Cooper Lake: family 6, model 0x55) lower the core's clock
// for 512-bit multiplies, which the short vertical pass is made of, slowing
// the passes around it: no, AVX2 (or AVX-VNNI) there. Later Intel cores with
// AVX-512 (Ice Lake, Sapphire Rapids and on) lose little clock to it: yes.
bool Avx512IsFaster() {
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(0, &eax, &ebx, &ecx, &edx)) return false;
  const bool intel = ebx == 0x756e6547 && edx == 0x49656e69 && ecx == 0x6c65746e;  // "GenuineIntel"
  if (!intel || !__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return true;
  const unsigned family = eax >> 8 & 0xF, model = (eax >> 4 & 0xF) | (eax >> 12 & 0xF0);
  return !(family == 6 && model == 0x55);
}
#endif

const RowPasses& ChoosePasses() {
  const char* wanted = std::getenv("LUMIVAR_PASSES");
  const bool any = !wanted || !*wanted;
  const auto named = [&](const RowPasses& passes) { return !any && !std::strcmp(wanted, passes.name); };
  if (named(kScalarPasses)) return kScalarPasses;
#if LUMIVAR_X86_PASSES
  // A named set, or the best below it that the processor has; unnamed, the
  // fastest it has.
  bool below = any;
  const auto take = [&](const RowPasses& passes, bool has, bool fastest) {
    below = below || named(passes);
    return below && has && (fastest || !any);
  };
  if (take(kAvx512Passes, HasAvx512(), HasAvx512() && Avx512IsFaster())) return kAvx512Passes;
  if (take(kAvxVnniPasses, HasAvxVnni(), true)) return kAvxVnniPasses;
  if (take(kAvx2Passes, HasAvx2(), true)) return kAvx2Passes;
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
