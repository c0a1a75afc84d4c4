// SPDX-License-Identifier: GPL-3.0-or-later
// The lane kernels in AVX2 (compiled with -mavx2, without FMA: every
// product and sum is rounded as in the scalar routine).
#define ZARN_LANE_NAMESPACE zarn_lanes_avx2
#include "analysis/gammalanes_kernel.inc"
