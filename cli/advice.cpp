#include "cli/advice.h"

#include <cstdio>

#include "cli/json.h"
#include "rules/advisor.h"

namespace zarn {

std::string AdviceJson(const AnalysisRecord& r) {
    const Advice advice = Advise(r);
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
