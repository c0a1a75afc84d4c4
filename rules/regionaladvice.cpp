// SPDX-License-Identifier: GPL-3.0-or-later
#include "rules/regionaladvice.h"

#include <cmath>
#include <limits>

#include "files/errors.h"
#include "files/filewrite.h"
#include "files/format.h"
#include "platform/session.h"

namespace zarn {

namespace {

std::string Quoted(const std::string& s) {
    std::string q = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') q += '\\';
        q += c;
    }
    return q + "\"";
}

// The growth curve's upper bound, as a multiple of the index flood; NaN when
// it has none (Hosking and Wallis 1997, appendix A).
double UpperBound(const RegionalResult& r) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    if (r.Chosen == RegionalFamily::WAK) {
        const auto& p = r.Wakeby.P;  // bounded above when delta < 0 and beta > 0, or gamma = 0 and beta > 0
        if (p[3] == 0 && p[2] > 0) return p[0] + p[1] / p[2];
        return nan;
    }
    const CandidateResult* c = r.Candidate(r.Chosen);
    if (c == nullptr) return nan;
    const auto& p = c->Fit.P;
    if (r.Chosen == RegionalFamily::PE3) return p[2] < 0 ? p[0] - 2 * p[1] / p[2] : nan;
    return p[2] > 0 ? p[0] + p[1] / p[2] : nan;
}

}  // namespace

std::vector<std::string> RegionalFacts(const RegionalResult& r) {
    std::vector<std::string> facts;
    int shortest = r.Sites.empty() ? 0 : r.Sites[0].N;
    double total = 0;
    for (const RegionSite& s : r.Sites) {
        shortest = std::min(shortest, s.N);
        total += s.N;
    }
    const CandidateResult* chosen = r.Candidate(r.Chosen);
    const bool dGiven = r.D.empty() || r.D[0].has_value();
    facts.push_back("(regiao (postos " + std::to_string(r.Sites.size()) + ") (registro-medio " +
                    RuleNumber(total / std::max<std::size_t>(1, r.Sites.size())) + ") (registro-minimo " +
                    std::to_string(shortest) + ") (h1 " + RuleNumber(r.H[0]) + ") (h2 " + RuleNumber(r.H[1]) +
                    ") (h3 " + RuleNumber(r.H[2]) + ") (d-critico " + RuleNumber(r.DCritical) + ") (d-calculado " +
                    (dGiven ? "sim" : "nao") + ") (kappa-substituida " + (r.KappaFallback ? "sim" : "nao") +
                    ") (escolhida " + std::string(FamilyName(r.Chosen)) + ") (z-escolhida " +
                    RuleNumber(chosen != nullptr ? chosen->Z : std::nan("")) + ") (limite-superior " +
                    RuleNumber(UpperBound(r)) + ") (q100-escolhida " + RuleNumber(r.GrowthCurveOf(r.Chosen)[4]) +
                    "))");
    for (std::size_t i = 0; i < r.Sites.size(); ++i)
        facts.push_back("(posto (nome " + Quoted(r.Sites[i].Name) + ") (n " + std::to_string(r.Sites[i].N) +
                        ") (d " + RuleNumber(r.D[i] ? *r.D[i] : std::nan("")) + ") (discordante " +
                        (r.Discordant[i] ? "sim" : "nao") + "))");
    for (const CandidateResult& c : r.Candidates)
        facts.push_back("(candidata (nome " + std::string(FamilyName(c.Fit.Family)) + ") (z " +
                        RuleNumber(c.Z) + ") (aceitavel " + (c.Acceptable ? "sim" : "nao") + "))");
    return facts;
}

std::vector<std::string> RegionalAdviceLines(const RegionalResult& r, const Session& session) {
    const std::vector<std::string> facts = RegionalFacts(r);
    std::vector<Phrase> phrases;
    std::string problem;
    const std::string path = RuleBasePath(session);  // chosen, or the user's configuration folder; never the working folder
    if (!path.empty()) {
        try {
            problem = ConsultRegional(ReadFileContents(path), facts, phrases);
        } catch (const ZarnError& e) {
            problem = "não pôde ser lida (" + std::string(e.what()) + ").";
        }
    }
    std::vector<std::string> lines;
    if (path.empty() || !problem.empty()) {
        phrases.clear();
        const std::string fault = ConsultRegional(DefaultRuleBaseText(), facts, phrases);
        if (!fault.empty()) throw ZarnError("A base de regras padrão do ZARN " + fault);
        if (!path.empty())
            lines.push_back("A base de regras \"" + path + "\" " + problem + " Foi usada a base de regras " +
                            kDefaultRuleBaseName + ".");
    }
    const auto number = [](double v) {
        std::string s = FormatFixed(v, 0, 2);
        for (char& c : s)
            if (c == '.') c = ',';
        return s;
    };
    for (const Phrase& p : phrases) lines.push_back(PhraseText(p, number));
    return lines;
}

}  // namespace zarn
