// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/gammalanes.h"

namespace zarn_lanes_generic {
void Series(const double*, double, const bool*, double, int, double*, bool*);
void Fraction(const double*, double, const bool*, double, int, double, double*, bool*);
}  // namespace zarn_lanes_generic
#if defined(ZARN_HAVE_AVX2_LANES)
namespace zarn_lanes_avx2 {
void Series(const double*, double, const bool*, double, int, double*, bool*);
void Fraction(const double*, double, const bool*, double, int, double, double*, bool*);
}  // namespace zarn_lanes_avx2
#endif

namespace zarn {

const GammaLaneKernels& PortableLaneKernels() {
    static const GammaLaneKernels kernels{zarn_lanes_generic::Series, zarn_lanes_generic::Fraction};
    return kernels;
}

const GammaLaneKernels* Avx2LaneKernels() {
#if defined(ZARN_HAVE_AVX2_LANES)
    static const GammaLaneKernels kernels{zarn_lanes_avx2::Series, zarn_lanes_avx2::Fraction};
    static const bool available = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return available ? &kernels : nullptr;
#else
    return nullptr;
#endif
}

const GammaLaneKernels& LaneKernels() {
    static const GammaLaneKernels& kernels = Avx2LaneKernels() ? *Avx2LaneKernels() : PortableLaneKernels();
    return kernels;
}

}  // namespace zarn
