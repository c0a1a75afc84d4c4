// SPDX-License-Identifier: GPL-3.0-or-later
// The lane kernels for any x86-64 (two SSE2 halves per vector).
#define ZARN_LANE_NAMESPACE zarn_lanes_generic
#include "analysis/gammalanes_kernel.inc"
