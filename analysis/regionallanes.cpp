#include "analysis/regionallanes.h"

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
    default: break;
    }
    for (int j = 0; j < n; ++j) x[j] = RegionalQuantile(fit, u[j]);
}

}  // namespace zarn
