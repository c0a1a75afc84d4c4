// SPDX-License-Identifier: GPL-3.0-or-later
// The quantile functions of the regional simulations over many uniforms at
// once, in vector lanes through the vector math library (glibc's libmvec,
// within 4 ulps of the scalar functions): AVX2 where the processor has it,
// else SSE2. The same machine gives the same bits whatever thread runs them.
//
//   RegionalQuantiles   x[j] = RegionalQuantile(fit, u[j]) for j < n, the kappa,
//                       GLO, GEV, GPA and Wakeby in lanes, the Pearson III by the
//                       gamma quantile lanes (special.h), the others value by value
#pragma once

#include "regional/regionaldist.h"

namespace zarn {

struct RegionalLaneKernels {
    // x = xi + alpha (1 - ((1 - u^h) / h)^k) / k, k and h not 0.
    void (*Kappa)(const double* p, const double* u, double* x, int n);
    // x = xi + alpha (1 - t^k) / k, t = (1 - u) / u (GLO), -ln u (GEV) or 1 - u (GPA); k not 0.
    void (*Power)(int family, const double* p, const double* u, double* x, int n);
    // The Wakeby, beta and delta not 0.
    void (*Wakeby)(const double* p, const double* u, double* x, int n);
};

const RegionalLaneKernels& RegionalKernels();

void RegionalQuantiles(const RegionalFit& fit, const double* u, double* x, int n);

}  // namespace zarn
