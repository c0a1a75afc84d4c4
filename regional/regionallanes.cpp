// SPDX-License-Identifier: GPL-3.0-or-later
#include "regional/regionallanes.h"

#include <cmath>
#include <vector>

#include "analysis/special.h"

namespace zarn {

namespace regional_lanes_generic {
extern const RegionalLaneKernels kKernels;
}
#if defined(ZARN_HAVE_AVX2_LANES)
namespace regional_lanes_avx2 {
extern const RegionalLaneKernels kKernels;
}
#endif

const RegionalLaneKernels& RegionalKernels() {
#if defined(ZARN_HAVE_AVX2_LANES)
    static const bool avx2 = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0 && __builtin_cpu_supports("fma") != 0;
    }();
    if (avx2) return regional_lanes_avx2::kKernels;
#endif
    return regional_lanes_generic::kKernels;
}

void RegionalQuantiles(const RegionalFit& fit, const double* u, double* x, int n) {
    const RegionalLaneKernels& lanes = RegionalKernels();
    const auto& p = fit.P;
    switch (fit.Family) {
    case RegionalFamily::KAP:
        if (p[2] != 0 && p[3] != 0) return lanes.Kappa(p.data(), u, x, n);
        break;
    case RegionalFamily::GLO:
        if (p[2] != 0) return lanes.Power(0, p.data(), u, x, n);
        break;
    case RegionalFamily::GEV:
        if (p[2] != 0) return lanes.Power(1, p.data(), u, x, n);
        break;
    case RegionalFamily::GPA:
        if (p[2] != 0) return lanes.Power(2, p.data(), u, x, n);
        break;
    case RegionalFamily::WAK:
        if (p[2] != 0 && p[4] != 0) return lanes.Wakeby(p.data(), u, x, n);
        break;
    case RegionalFamily::PE3: {
        // The shifted gamma of QuantilePearson3, eight quantiles side by side
        // (GammaQuantiles, bit for bit GammaQuantile), mirrored for gamma < 0.
        constexpr double kNormalSkew = 1e-6;  // as QuantilePearson3
        const double a = 4.0 / (p[2] * p[2]);
        if (!(std::fabs(p[2]) >= kNormalSkew) || !(p[1] > 0) || a == 1.0) break;
        const double b = std::fabs(p[1] * p[2] / 2.0);
        const bool positive = p[2] > 0;
        std::vector<double> F(u, u + n), z(n);
        if (!positive)
            for (double& f : F) f = 1.0 - f;
        for (int j = 0; j < n; ++j) z[j] = a > 1.0 ? NormalQuantile(F[j]) : F[j];
        GammaQuantiles(F.data(), z.data(), n, a, b, LogGamma(a), x);
        for (int j = 0; j < n; ++j) x[j] = positive ? p[0] - a * b + x[j] : p[0] + a * b - x[j];
        return;
    }
    default: break;
    }
    for (int j = 0; j < n; ++j) x[j] = RegionalQuantile(fit, u[j]);
}

}  // namespace zarn
