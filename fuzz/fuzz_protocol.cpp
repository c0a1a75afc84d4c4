// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the readers of the frames between the program and its rule-engine
// helper (rules/protocol.h): the request the helper reads, and the answer
// the program reads from a helper a rule base may have corrupted. The first
// byte picks the reader; the rest is the frame. A frame that reads must
// write back to the same bytes (the format has one spelling of each
// message), and an at-site advice must rank the eight distributions once
// each; anything else must be refused without a crash or a large allocation.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "analysis/record.h"
#include "rules/protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view frame(reinterpret_cast<const char*>(data + 1), size - 1);
    switch (data[0] % 3) {
        case 0:
            if (const auto request = zarn::DecodeRequest(frame))
                if (zarn::EncodeRequest(*request) != frame) std::abort();
            break;
        default: {
            const auto kind = data[0] % 3 == 1 ? zarn::ConsultationKind::AtSite : zarn::ConsultationKind::Regional;
            if (const auto answer = zarn::DecodeAnswer(kind, frame)) {
                if (zarn::EncodeAnswer(kind, *answer) != frame) std::abort();
                if (kind == zarn::ConsultationKind::AtSite && answer->Problem.empty()) {
                    if (answer->AtSite.Ranking.size() != static_cast<std::size_t>(zarn::kDistributionCount)) std::abort();
                    for (int k = 0; k < zarn::kDistributionCount; ++k)
                        if (answer->AtSite.Ranking[k].Rank != k + 1) std::abort();
                }
            }
        }
    }
    return 0;
}
