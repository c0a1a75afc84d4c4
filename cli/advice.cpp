// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/advice.h"

#include <cstdio>
#include <unistd.h>

#include "cli/json.h"
#include "rules/advisor.h"

namespace zarn {

namespace {

// The tool's start-up folder (never searched for a rule base: see RuleBasePath).
std::string WorkingDirectory() {
    char buffer[4096];
    return ::getcwd(buffer, sizeof buffer) != nullptr ? std::string(buffer) : std::string();
}

}  // namespace

Session ToolSession(const std::string& ruleBase) { return Session{WorkingDirectory(), ruleBase}; }

std::string AdviceJson(const AnalysisRecord& r, const Session& session, const ZeroYears& zeros) {
    const Advice advice = Advise(r, session, zeros);
    if (!advice.RuleBaseProblem.empty()) std::fprintf(stderr, "%s\n", advice.RuleBaseProblem.c_str());
    return AdviceJson(advice);
}

std::string AdviceJson(const Advice& advice) {
    JsonWriter w;
    w.BeginObject();
    w.Key("RuleBase"); w.String(advice.RuleBase);
    w.Key("Recommended"); w.Integer(advice.Recommended);
    w.Key("Ranking");
    w.BeginArray();
    for (const DistributionAdvice& row : advice.Ranking) {
        w.BeginObject();
        w.Key("Index"); w.Integer(row.Index);
        w.Key("Status"); w.String(StatusKey(row.Status));
        w.Key("Degree"); w.Number(row.Degree);
        w.Key("ZMembership"); w.Number(row.ZMembership);
        w.Key("RMembership"); w.Number(row.RMembership);
        w.Key("Reasons");
        w.BeginArray();
        for (const Phrase& reason : row.Reasons) w.String(PhraseText(reason));
        w.EndArray();
        w.EndObject();
    }
    w.EndArray();
    w.EndObject();
    return w.Text() + "\n";
}

}  // namespace zarn
