// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the rule-base loader with hostile CLIPS text: the check before the
// engine reads it, the engine's reading, the consultation and the advice
// read back. Every input must end in an advice (the text's own, or the
// compiled-in one with the problem named), never in a crash, a hang, a file
// written or the process ended.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "analysis/record.h"
#include "rules/advisor.h"

namespace {

// A record where every distribution passes both tests: the rule base has
// something to rank.
const zarn::AnalysisRecord& Plain() {
    static std::unique_ptr<zarn::AnalysisRecord> r = [] {
        auto rec = std::make_unique<zarn::AnalysisRecord>();
        rec->SampleSize = 40;
        rec->Skewness = 0.8;
        rec->Minimum = 100.0;
        rec->Maximum = 900.0;
        for (int i = 1; i <= zarn::kDistributionCount; ++i) {
            zarn::FitTestOf(*rec, i) = {0.99, 0.95};
            zarn::VarianceTestZOf(*rec, i) = 0.1 * i;
            zarn::ParametersOf(*rec, i) = {300.0, 100.0, 0.0};
        }
        return rec;
    }();
    return *r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // The first byte: the text alone, or the text after the compiled-in rule
    // base (so that hostile rules meet a complete, loadable rule base).
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    if (data[0] & 1) text = zarn::DefaultRuleBaseText() + "\n" + text;
    const zarn::Advice advice = zarn::AdviseWithText(Plain(), text, "fuzz.clp");
    if (advice.Ranking.size() != static_cast<std::size_t>(zarn::kDistributionCount)) std::abort();
    return 0;
}
