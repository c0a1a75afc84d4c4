// SPDX-License-Identifier: GPL-3.0-or-later
// Eight incomplete-gamma evaluations side by side, for the Newton iterations
// of many gamma quantiles of one shape (the Pearson III simulations).
//
//   GammaLaneKernels   the series and the continued fraction of IncompleteGamma
//                      over eight arguments at once, in vector lanes (two
//                      AVX2 vectors: two chains of divisions in flight)
//   LaneKernels        the AVX2 kernels where the processor has them, else the
//                      same code in two SSE2 halves (PortableLaneKernels)
//
// Every active lane performs exactly the scalar routine's operations in the
// same order, so its result is bit-identical; a lane that has converged (or
// is not active) keeps its values and is fed operands that raise no
// floating-point flag.
#pragma once

namespace zarn {

constexpr int kGammaLanes = 8;

struct GammaLaneKernels {
    // Series sum for the active lanes: sum = 1 + x/(a+1) + x^2/((a+1)(a+2)) + ...
    // until a term <= tolerance; converged[l] false when maxTerms ran out.
    void (*Series)(const double* x, double alpha, const bool* active, double tolerance, int maxTerms, double* sum,
                   bool* converged);
    // Continued fraction ratio of Legendre's fraction by AS 239's recurrence.
    void (*Fraction)(const double* x, double alpha, const bool* active, double tolerance, int maxPasses,
                     double rescaleLimit, double* ratio, bool* converged);
};

// The kernels the program uses: AVX2 where the processor has it.
const GammaLaneKernels& LaneKernels();
// Each set on its own, for the tests: the portable one, and the AVX2 one
// (null when the program was built without it or the processor lacks AVX2).
const GammaLaneKernels& PortableLaneKernels();
const GammaLaneKernels* Avx2LaneKernels();

}  // namespace zarn
