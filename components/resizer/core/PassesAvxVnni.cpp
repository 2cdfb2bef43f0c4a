// The AVX-VNNI passes: the AVX2 ones, their pairs' products joining the sums
// in one vpdpwssd (this file alone is built with AVX-VNNI).
#include "MultiplyAddAvx2.h"

namespace lumivar {
namespace {

// vpdpwssd wraps as pmaddwd's sum and the add do: the same bytes.
struct DotProduct : Avx2Groups {
  static __m256i Add(__m256i sums, __m256i pairs, __m256i weights) {
    return _mm256_dpwssd_avx_epi32(sums, pairs, weights);
  }
};

}  // namespace

const RowPasses kAvxVnniPasses = {"avxvnni",
                                  FilterColumnsWith<DotProduct>,
                                  FilterShortColumnsAvx2,
                                  FilterRowWith<DotProduct>,
                                  FilterTwoRowsWith<DotProduct>,
                                  CopyNearestAvx2};

}  // namespace lumivar
