// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the data file reader and the whole calculation on what it read:
// every input must end in a complete analysis with finite results or in one
// of the error texts, never in a crash, a hang or a sanitizer report.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>

#include "analysis/calculation.h"
#include "files/errors.h"
#include "analysis/record.h"

namespace {

std::string TempPath() {
    static const std::string path = "/tmp/zarn-fuzz-datafile-" + std::to_string(::getpid()) + ".dat";
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = TempPath();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    static auto record = std::make_unique<zarn::AnalysisRecord>();
    zarn::AnalysisRecord& r = *record;
    r = zarn::AnalysisRecord{};
    try {
        zarn::CalculateAll(r, "fuzz", "", "", path);
    } catch (const zarn::ZarnError&) {
        return 0;
    }
    // A completed analysis holds only finite numbers.
    const double* first = &r.Mean;
    for (const double* v = first; v <= &r.LogLMoments.T4; ++v)
        if (!std::isfinite(*v)) std::abort();
    for (int d = 0; d < zarn::kDistributionCount; ++d) {
        const zarn::ParameterSet& p = r.Parameters[d];
        if (!std::isfinite(p.Position) || !std::isfinite(p.Scale) || !std::isfinite(p.Shape)) std::abort();
        if (!std::isfinite(r.FitTest[d].R) || !std::isfinite(r.FitTest[d].R90)) std::abort();
        if (!std::isfinite(r.VarianceTestZ[d])) std::abort();
    }
    return 0;
}
