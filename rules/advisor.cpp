// SPDX-License-Identifier: GPL-3.0-or-later
#include "rules/advisor.h"

#include <sys/stat.h>

#include "files/errors.h"
#include "files/filewrite.h"
#include "files/format.h"
#include "files/numbertext.h"
#include "files/textcodec.h"
#include "platform/session.h"
#include "rules/consultation.h"
#include "rules/facts.h"

namespace zarn {

// The rule base's text, compiled in from rules/zarn.clp (defaultrules.cpp is
// generated at build time).
extern const char* const kEmbeddedRuleBase;

namespace {

// The text as the engine reads it: UTF-8 without a byte-order mark; a copy
// saved by an editor in Windows-1252 is converted.
std::string EngineText(const std::string& text) {
    std::string s = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? text.substr(3) : text;
    return IsValidUtf8(s) ? s : Windows1252ToUtf8(s);
}

// One at-site consultation of `text`: the advice, or the problem.
std::string ConsultText(const AnalysisRecord& r, const ZeroYears& zeros, const std::vector<std::string>& projectFacts,
                        const std::string& text, Advice& advice) {
    ConsultationRequest request;
    request.Kind = ConsultationKind::AtSite;
    request.RuleBase = text;
    request.Facts = RecordFacts(r, zeros);
    request.Facts.insert(request.Facts.end(), projectFacts.begin(), projectFacts.end());
    ConsultationAnswer answer = Consult(request);
    if (answer.Problem.empty()) advice = std::move(answer.AtSite);
    return answer.Problem;
}

// The compiled-in rule base; it failing is a fault of the program.
Advice ConsultDefault(const AnalysisRecord& r, const ZeroYears& zeros, const std::vector<std::string>& projectFacts) {
    Advice advice;
    const std::string problem = ConsultText(r, zeros, projectFacts, DefaultRuleBaseText(), advice);
    if (!problem.empty()) throw ZarnError(std::string("A base de regras padrão do ZARN ") + problem);
    advice.RuleBase = kDefaultRuleBaseName;
    return advice;
}

}  // namespace

std::string FallBackProblem(const std::string& name, std::string problem) {
    if (problem.empty() || problem.back() != '.') problem += '.';
    return "A base de regras \"" + name + "\" " + problem + " Foi usada a base de regras " + kDefaultRuleBaseName + ".";
}

namespace {

// The user's rule base, or the default one with the reason why not.
Advice ConsultOrFallBack(const AnalysisRecord& r, const ZeroYears& zeros, const std::vector<std::string>& projectFacts,
                         const std::string& name,
                         const std::string* text, std::string problem) {
    if (text != nullptr && problem.empty()) {
        Advice advice;
        problem = ConsultText(r, zeros, projectFacts, EngineText(*text), advice);
        if (problem.empty()) {
            advice.RuleBase = name;
            return advice;
        }
    }
    Advice advice = ConsultDefault(r, zeros, projectFacts);
    advice.RuleBaseProblem = FallBackProblem(name, problem);
    return advice;
}

}  // namespace

const std::string& DefaultRuleBaseText() {
    static const std::string text(kEmbeddedRuleBase);
    return text;
}

Advice AdviseWithText(const AnalysisRecord& r, const std::string& text, const std::string& name,
                      const ZeroYears& zeros, const std::vector<std::string>& projectFacts) {
    return ConsultOrFallBack(r, zeros, projectFacts, name, &text, "");
}

std::string ReadRuleBaseFile(const std::string& path, std::string& text) {
    // Only a regular file of a rule base's size is read: a device or a pipe
    // given by mistake would never end.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return "não é um arquivo comum.";
    if (::stat(path.c_str(), &st) == 0 && static_cast<std::size_t>(st.st_size) > kMaxRuleBaseBytes)
        return "tem mais de " + std::to_string(kMaxRuleBaseBytes >> 20) + " MB: não é uma base de regras.";
    try {
        text = ReadFileContents(path);  // a file that grew past the bound since is refused by Consult
    } catch (const ZarnError& e) {
        return "não pôde ser lida (" + std::string(e.what()) + ").";
    }
    return "";
}

Advice AdviseWithRuleBase(const AnalysisRecord& r, const std::string& path, const ZeroYears& zeros,
                          const std::vector<std::string>& projectFacts) {
    if (path.empty()) return ConsultDefault(r, zeros, projectFacts);
    std::string text;
    if (std::string problem = ReadRuleBaseFile(path, text); !problem.empty())
        return ConsultOrFallBack(r, zeros, projectFacts, path, nullptr, problem);
    return ConsultOrFallBack(r, zeros, projectFacts, path, &text, "");
}

std::string RuleBasePath(const Session& session) {
    return session.RuleBase.empty() ? FindRuleBaseFile(kRuleBaseFileName) : session.RuleBase;
}

Advice Advise(const AnalysisRecord& r, const Session& session, const ZeroYears& zeros,
              const std::vector<std::string>& projectFacts) {
    return AdviseWithRuleBase(r, RuleBasePath(session), zeros, projectFacts);
}

std::string PhraseText(const Phrase& phrase, const PhraseNumberText& number) {
    std::string out;
    for (const PhrasePart& part : phrase) {
        switch (part.Type) {
            case PhrasePart::Text: out += part.Chars; break;
            case PhrasePart::Number: out += number(part.Value); break;
            case PhrasePart::Integer: out += std::to_string(part.Count); break;
        }
    }
    return out;
}

std::string PhraseText(const Phrase& phrase) {
    return PhraseText(phrase, [](double v) { return FormatFixed(v, 0, 4); });
}

std::string ComparedPhraseText(const Phrase& phrase, const NumberStyle& style) {
    std::vector<double> values;
    for (const PhrasePart& part : phrase)
        if (part.Type == PhrasePart::Number) values.push_back(part.Value);
    const std::vector<std::string> texts = FormatCompared(values, style);
    std::size_t next = 0;
    return PhraseText(phrase, [&](double) { return texts[next++]; });
}

std::string StatusName(AdviceStatus status) {
    switch (status) {
        case AdviceStatus::Accepted: return "aceita";
        case AdviceStatus::Parsimony: return "parcimônia";
        case AdviceStatus::UpperBound: return "limite superior";
        case AdviceStatus::Rejected: break;
    }
    return "rejeitada";
}

std::string StatusKey(AdviceStatus status) {
    switch (status) {
        case AdviceStatus::Accepted: return "accepted";
        case AdviceStatus::Parsimony: return "parsimony";
        case AdviceStatus::UpperBound: return "upper-bound";
        case AdviceStatus::Rejected: break;
    }
    return "rejected";
}

std::string EngineRuleBaseText(const std::string& text) { return EngineText(text); }

}  // namespace zarn
