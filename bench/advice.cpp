// SPDX-License-Identifier: GPL-3.0-or-later
// zarn-bench --advice: the time of one consultation of the rule base, the
// compiled-in one and a copy of it given as a file, in this process (the
// whole consultation as a caller sees it), median of many, and the peak
// memory of this process afterwards.
#include "bench/advice.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "analysis/calculation.h"
#include "analysis/record.h"
#include "rules/advisor.h"

namespace zarn {

namespace {

double MedianMs(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2] * 1e3;
}

}  // namespace

void PrintAdvice(const std::filesystem::path& folder, const std::string& data, int runs) {
    auto r = std::make_unique<AnalysisRecord>();
    CalculateAll(*r, "bench", "", "", data, {1, nullptr});
    const std::filesystem::path copy = folder / "zarn-copy.clp";
    std::ofstream(copy, std::ios::binary) << DefaultRuleBaseText() << "\n; a copy\n";
    std::printf("\nconsultation of the rule base (median of %d, this process):\n", runs);
    for (const std::string& path : {std::string(), copy.string()}) {
        std::vector<double> times;
        int recommended = -1;
        for (int k = 0; k < runs; ++k) {
            const auto start = std::chrono::steady_clock::now();
            recommended = AdviseWithRuleBase(*r, path).Recommended;
            times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        }
        std::printf("  %-22s %8.2f ms (recommended %d)\n", path.empty() ? "compiled-in" : "copy given as a file",
                    MedianMs(times), recommended);
    }
    rusage self{};
    getrusage(RUSAGE_SELF, &self);
    rusage children{};
    getrusage(RUSAGE_CHILDREN, &children);
    std::printf("  peak memory: this process %.1f MB, largest child %.1f MB\n", self.ru_maxrss / 1024.0,
                children.ru_maxrss / 1024.0);
}

}  // namespace zarn
