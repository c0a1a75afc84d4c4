// SPDX-License-Identifier: GPL-3.0-or-later
// The regional quantile lanes in SSE2 (the x86-64 baseline) or the target's own vectors.
#define ZARN_REGIONAL_LANES regional_lanes_generic
#include "regional/regionallanes_kernel.inc"
