// SPDX-License-Identifier: GPL-3.0-or-later
// The gamma quantiles four at a time in vector lanes: bit for bit the
// scalar routine's, with both kernel sets, over shapes that take every
// branch of the incomplete gamma integral, and without a flag of their own.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstring>
#include <vector>

#include "analysis/gammalanes.h"
#include "analysis/special.h"

using namespace zarn;

namespace {

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

int Flags() { return std::fetestexcept(FE_DIVBYZERO | FE_OVERFLOW | FE_INVALID); }

TEST(GammaLanes, BitIdenticalToTheScalarIteration) {
    // Probabilities from the far tails to the centre, 4k + 3 of them so the
    // last group has an idle lane; shapes from the power-law start (alpha < 1)
    // through Wilson-Hilferty, the series and fraction near the mode for
    // thousands, to the uniform expansion beyond 1e4.
    std::vector<double> F;
    for (double p : {1e-300, 1e-15, 1e-9, 1e-4, 0.01, 0.2, 0.4999, 0.5, 0.77, 0.9, 0.99, 0.999, 1 - 1e-9, 1 - 1e-15})
        F.push_back(p);
    for (int i = 1; i <= 45; ++i) F.push_back((i - 0.4) / 45.2);  // Cunnane positions of 45
    const int count = static_cast<int>(F.size());
    std::vector<double> z(count);
    for (int i = 0; i < count; ++i) z[i] = NormalQuantile(F[i]);

    std::vector<const GammaLaneKernels*> kernelSets = {&PortableLaneKernels()};
    if (Avx2LaneKernels()) kernelSets.push_back(Avx2LaneKernels());

    for (double alpha : {1e-3, 0.05, 0.3, 0.999, 1.000001, 1.5, 4.0, 37.25, 950.0, 4321.5, 9999.0, 2.5e4, 3e7}) {
        SCOPED_TRACE(alpha);
        const double g = LogGamma(alpha);
        const double beta = 2.5;
        std::vector<double> expected(count);
        std::feclearexcept(FE_ALL_EXCEPT);
        for (int i = 0; i < count; ++i) expected[i] = GammaQuantileWith(F[i], alpha, beta, g, z[i]);
        const int scalarFlags = Flags();
        for (const GammaLaneKernels* kernels : kernelSets) {
            std::vector<double> got(count);
            std::feclearexcept(FE_ALL_EXCEPT);
            GammaQuantiles(F.data(), z.data(), count, alpha, beta, g, got.data(), kernels);
            EXPECT_EQ(Flags(), scalarFlags);
            for (int i = 0; i < count; ++i)
                EXPECT_TRUE(SameBits(got[i], expected[i])) << "F = " << F[i] << ": " << got[i] << " " << expected[i];
        }
    }
}

TEST(GammaLanes, KernelsAgreeWithEachOtherLaneByLane) {
    // The series and the fraction on unrelated arguments, some lanes idle.
    if (!Avx2LaneKernels()) GTEST_SKIP() << "no AVX2 on this processor";
    const double x[kGammaLanes] = {0.5, 812.0, 3.0e3, 40.0, 1.5, 2950.0, 7.0, 0.01};
    const bool active[kGammaLanes] = {true, false, true, true, true, true, false, true};
    for (double alpha : {0.7, 35.0, 2900.0}) {
        double a[kGammaLanes], b[kGammaLanes];
        bool ca[kGammaLanes], cb[kGammaLanes];
        PortableLaneKernels().Series(x, alpha, active, 1e-12, 100000, a, ca);
        Avx2LaneKernels()->Series(x, alpha, active, 1e-12, 100000, b, cb);
        for (int l = 0; l < kGammaLanes; ++l) {
            if (active[l]) {
                EXPECT_TRUE(SameBits(a[l], b[l]) && ca[l] == cb[l]) << alpha << " lane " << l;
            }
        }
        PortableLaneKernels().Fraction(x, alpha, active, 1e-12, 100000, 1e30, a, ca);
        Avx2LaneKernels()->Fraction(x, alpha, active, 1e-12, 100000, 1e30, b, cb);
        for (int l = 0; l < kGammaLanes; ++l) {
            if (active[l]) {
                EXPECT_TRUE(SameBits(a[l], b[l]) && ca[l] == cb[l]) << alpha << " lane " << l;
            }
        }
    }
}

}  // namespace
