// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes opening a project file and everything built from it afterwards: the
// report, the fact file, what the result windows show, the advice and the
// simulations an opened project runs again for its confidence limits. The input is either
// a whole (usually short) file, or patches laid over a genuine project image.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "analysis/calculation.h"
#include "files/errors.h"
#include "analysis/intervals.h"
#include "analysis/simulation.h"
#include "analysis/record.h"
#include "analysis/projectfile.h"
#include "rules/advisor.h"
#include "views/lines.h"
#include "views/report.h"
#include "rules/factfile.h"

namespace {

// A genuine analysis of a short series, computed once.
const zarn::AnalysisRecord& Genuine() {
    static std::unique_ptr<zarn::AnalysisRecord> r = [] {
        auto rec = std::make_unique<zarn::AnalysisRecord>();
        const std::string path = "/tmp/zarn-fuzz-project-seed-" + std::to_string(::getpid()) + ".dat";
        std::FILE* f = std::fopen(path.c_str(), "wb");
        std::fputs("28.8\n8.5\n44.8\n51\n4.8\n34.3\n26.4\n18.7\n66.2\n29.1\n14.4\n23.2\n", f);
        std::fclose(f);
        zarn::CalculateAll(*rec, "t", "l", "c", path);
        std::remove(path.c_str());
        return rec;
    }();
    return *r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    std::vector<char> image;
    if (data[0] & 1) {
        // Whole file: what was given.
        image.assign(data + 1, data + size);
    } else {
        // Patches over a genuine image: (offset: 3 bytes, length: 1 byte, bytes).
        const auto& g = Genuine();
        image.assign(reinterpret_cast<const char*>(&g), reinterpret_cast<const char*>(&g) + sizeof g);
        std::size_t i = 1;
        while (i + 4 <= size) {
            const std::size_t offset = (data[i] | (data[i + 1] << 8) | (data[i + 2] << 16)) % image.size();
            std::size_t len = data[i + 3];
            i += 4;
            len = std::min({len, size - i, image.size() - offset});
            std::memcpy(image.data() + offset, data + i, len);
            i += len;
        }
    }
    const std::string path = "/tmp/zarn-fuzz-project-" + std::to_string(::getpid()) + ".prj";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return 0;
    std::fwrite(image.data(), 1, image.size(), f);
    std::fclose(f);

    static auto record = std::make_unique<zarn::AnalysisRecord>();
    try {
        zarn::ReadProjectFile(*record, path);
    } catch (const zarn::ZarnError&) {
        return 0;
    }
    const zarn::AnalysisRecord& r = *record;
    try {
        zarn::FloatingPointCheck check;
        (void)zarn::ReportLines(r);
        (void)zarn::FactFileLines(r);
        (void)zarn::EstatisticasLines(r, ',');
        (void)zarn::HistogramPoints(r);
        (void)zarn::TesteLines(r, '.');
        (void)zarn::SamplePoints(r);
        (void)zarn::ParaLines(r, '.');
        (void)zarn::ProbabilityPlot(r, r.PlotDistribution);
    } catch (const zarn::ZarnError&) {
    }
    try {
        const zarn::Advice advice = zarn::AdviseWithRuleBase(r, "");
        if (advice.Recommended != 0) {
            const zarn::SimulationSummary s = zarn::SimulateAll(r, {1, nullptr});
            (void)zarn::ReturnPeriodIntervals(s, advice.Recommended);
        }
    } catch (const zarn::ZarnError&) {
    }
    return 0;
}
