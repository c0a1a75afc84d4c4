// SPDX-License-Identifier: GPL-3.0-or-later
// The regional quantile lanes in AVX2 with FMA.
#define ZARN_REGIONAL_LANES regional_lanes_avx2
#include "regional/regionallanes_kernel.inc"
