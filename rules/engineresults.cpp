// SPDX-License-Identifier: GPL-3.0-or-later
#include "rules/engineresults.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <map>

#include "analysis/record.h"
#include "rules/facts.h"

extern "C" {
#include <clips/clips.h>
}

namespace zarn {

namespace {

bool Slot(void* env, void* fact, const char* name, DATA_OBJECT& value) {
    return EnvGetFactSlot(env, fact, name, &value) != 0;
}

bool ReadInteger(void* env, void* fact, const char* name, long long& out) {
    DATA_OBJECT value;
    if (!Slot(env, fact, name, value) || GetType(value) != INTEGER) return false;
    out = DOToLong(value);
    return true;
}

bool ReadNumber(void* env, void* fact, const char* name, double& out) {
    DATA_OBJECT value;
    if (!Slot(env, fact, name, value)) return false;
    switch (GetType(value)) {
        case FLOAT: out = DOToDouble(value); return true;
        case INTEGER: out = static_cast<double>(DOToLong(value)); return true;
        case SYMBOL:
            if (std::strcmp(DOToString(value), kNotFinite) != 0) return false;
            out = std::numeric_limits<double>::quiet_NaN();
            return true;
        default: return false;
    }
}

bool ReadSymbol(void* env, void* fact, const char* name, std::string& out) {
    DATA_OBJECT value;
    if (!Slot(env, fact, name, value) || GetType(value) != SYMBOL) return false;
    out = DOToString(value);
    return true;
}

// A multislot of strings, symbols and numbers as a phrase.
bool ReadPhrase(void* env, void* fact, const char* name, Phrase& out) {
    DATA_OBJECT value;
    if (!Slot(env, fact, name, value) || GetType(value) != MULTIFIELD) return false;
    void* field = GetValue(value);
    for (long k = GetDOBegin(value); k <= GetDOEnd(value); ++k) {
        void* item = GetMFValue(field, k);
        PhrasePart part;
        switch (GetMFType(field, k)) {
            case FLOAT:
                part.Type = PhrasePart::Number;
                part.Value = ValueToDouble(item);
                break;
            case INTEGER:
                part.Type = PhrasePart::Integer;
                part.Count = ValueToLong(item);
                break;
            case SYMBOL:
                if (std::strcmp(ValueToString(item), kNotFinite) == 0) {
                    part.Type = PhrasePart::Number;
                    part.Value = std::numeric_limits<double>::quiet_NaN();
                } else {
                    part.Chars = ValueToString(item);
                }
                break;
            case STRING:
            case INSTANCE_NAME: part.Chars = ValueToString(item); break;
            default: return false;
        }
        // Neighbouring pieces of text are one piece.
        if (part.Type == PhrasePart::Text && !out.empty() && out.back().Type == PhrasePart::Text)
            out.back().Chars += part.Chars;
        else
            out.push_back(std::move(part));
    }
    return true;
}

bool StatusOf(const std::string& symbol, AdviceStatus& status) {
    if (symbol == "aceita") status = AdviceStatus::Accepted;
    else if (symbol == "parcimonia") status = AdviceStatus::Parsimony;
    else if (symbol == "limite-superior") status = AdviceStatus::UpperBound;
    else if (symbol == "rejeitada") status = AdviceStatus::Rejected;
    else return false;
    return true;
}

struct Ordered {
    long long Key;
    long long Order;
    long long FactIndex;
    Phrase Text;
};

void SortByOrder(std::vector<Ordered>& items) {
    std::sort(items.begin(), items.end(), [](const Ordered& a, const Ordered& b) {
        if (a.Key != b.Key) return a.Key < b.Key;
        if (a.Order != b.Order) return a.Order < b.Order;
        return a.FactIndex < b.FactIndex;
    });
}

}  // namespace

std::string ReadAdvice(void* env, Advice& advice) {
    std::map<int, DistributionAdvice> rows;
    std::vector<Ordered> reasons, cautions;
    std::vector<long long> recommendations;
    std::vector<Phrase> conclusions;
    for (void* fact = EnvGetNextFact(env, nullptr); fact != nullptr; fact = EnvGetNextFact(env, fact)) {
        void* deftemplate = EnvFactDeftemplate(env, fact);
        if (deftemplate == nullptr || std::strcmp(EnvDeftemplateModule(env, deftemplate), "MAIN") != 0) continue;
        const std::string name = EnvGetDeftemplateName(env, deftemplate);
        const long long factIndex = EnvFactIndex(env, fact);
        if (name == "parecer") {
            DistributionAdvice row;
            long long index = 0, rank = 0;
            std::string status;
            if (!ReadInteger(env, fact, "indice", index) || !ReadSymbol(env, fact, "situacao", status) ||
                !StatusOf(status, row.Status) || !ReadNumber(env, fact, "grau", row.Degree) ||
                !ReadNumber(env, fact, "pertinencia-z", row.ZMembership) ||
                !ReadNumber(env, fact, "pertinencia-r", row.RMembership) || !ReadInteger(env, fact, "lugar", rank))
                return "um fato parecer está incompleto";
            if (index < 1 || index > kDistributionCount) return "um fato parecer tem índice fora de 1 a 8";
            if (rows.count(static_cast<int>(index))) return "há dois fatos parecer para a mesma distribuição";
            row.Index = static_cast<int>(index);
            row.Rank = static_cast<int>(std::clamp<long long>(rank, 0, kDistributionCount + 1));
            rows[row.Index] = std::move(row);
        } else if (name == "razao") {
            Ordered reason{0, 0, factIndex, {}};
            if (!ReadInteger(env, fact, "indice", reason.Key) || !ReadInteger(env, fact, "ordem", reason.Order) ||
                !ReadPhrase(env, fact, "texto", reason.Text))
                return "um fato razao está incompleto";
            reasons.push_back(std::move(reason));
        } else if (name == "cautela") {
            Ordered caution{0, 0, factIndex, {}};
            if (!ReadInteger(env, fact, "ordem", caution.Order) || !ReadPhrase(env, fact, "texto", caution.Text))
                return "um fato cautela está incompleto";
            cautions.push_back(std::move(caution));
        } else if (name == "recomendacao") {
            long long index = 0;
            if (!ReadInteger(env, fact, "indice", index)) return "o fato recomendacao está incompleto";
            recommendations.push_back(index);
        } else if (name == "conclusao") {
            Phrase text;
            if (!ReadPhrase(env, fact, "texto", text)) return "o fato conclusao está incompleto";
            conclusions.push_back(std::move(text));
        }
    }

    if (rows.size() != static_cast<std::size_t>(kDistributionCount))
        return "há " + std::to_string(rows.size()) + " fatos parecer, e são precisos 8";
    std::vector<DistributionAdvice> ranking;
    for (auto& [index, row] : rows) ranking.push_back(std::move(row));
    std::sort(ranking.begin(), ranking.end(),
              [](const DistributionAdvice& a, const DistributionAdvice& b) { return a.Rank < b.Rank; });
    for (int k = 0; k < kDistributionCount; ++k)
        if (ranking[k].Rank != k + 1) return "os lugares dos pareceres não são 1 a 8, cada um uma vez";
    if (recommendations.size() != 1) return "há " + std::to_string(recommendations.size()) + " fatos recomendacao, e é preciso 1";
    if (recommendations[0] < 0 || recommendations[0] > kDistributionCount)
        return "a recomendação tem índice fora de 0 a 8";

    SortByOrder(reasons);
    for (Ordered& reason : reasons)
        for (DistributionAdvice& row : ranking)
            if (row.Index == reason.Key) row.Reasons.push_back(std::move(reason.Text));
    SortByOrder(cautions);
    for (Ordered& caution : cautions) advice.Cautions.push_back(std::move(caution.Text));
    for (Phrase& conclusion : conclusions)
        advice.Conclusion.insert(advice.Conclusion.end(), conclusion.begin(), conclusion.end());
    advice.Recommended = static_cast<int>(recommendations[0]);
    advice.Ranking = std::move(ranking);
    return "";
}

std::string ReadRegionalAdvice(void* env, std::vector<Phrase>& advice) {
    std::vector<Ordered> items;
    for (void* fact = EnvGetNextFact(env, nullptr); fact != nullptr; fact = EnvGetNextFact(env, fact)) {
        void* deftemplate = EnvFactDeftemplate(env, fact);
        if (deftemplate == nullptr || std::strcmp(EnvDeftemplateModule(env, deftemplate), "REGIONAL") != 0 ||
            std::strcmp(EnvGetDeftemplateName(env, deftemplate), "conselho") != 0)
            continue;
        Ordered item{0, 0, EnvFactIndex(env, fact), {}};
        if (!ReadInteger(env, fact, "ordem", item.Order) || !ReadPhrase(env, fact, "texto", item.Text))
            return "produziu um conselho regional incompleto.";
        items.push_back(std::move(item));
    }
    SortByOrder(items);
    for (Ordered& item : items) advice.push_back(std::move(item.Text));
    return "";
}

}  // namespace zarn
