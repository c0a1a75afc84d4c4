// SPDX-License-Identifier: GPL-3.0-or-later
#include "rules/facts.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace zarn {

namespace {

// The verdict bits of the non-parametric tests, as the rule base names them.
struct Indication {
    std::uint8_t Bit;
    const char* Name;
};
constexpr Indication kIndications[] = {
    {FlagDependent, "dependencia"},
    {FlagNonHomogeneous, "nao-homogeneidade"},
    {FlagHighOutlierGB, "atipico-alto-gb"},
    {FlagLowOutlierGB, "atipico-baixo-gb"},
    {FlagHighOutlierSkew, "atipico-alto-assimetria"},
    {FlagLowOutlierSkew, "atipico-baixo-assimetria"},
};

}  // namespace

std::string RuleNumber(double v) {
    if (!std::isfinite(v)) return kNotFinite;
    char buffer[40];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::general, 17);
    std::string s(buffer, result.ptr);
    if (s.find_first_of(".e") == std::string::npos) s += ".0";
    return s;
}

std::vector<std::string> RecordFacts(const AnalysisRecord& r, const ZeroYears& zeros) {
    std::vector<std::string> facts;
    if (zeros.Zeros > 0)
        facts.push_back("(anos-sem-vazao (zeros " + std::to_string(zeros.Zeros) + ") (anos " +
                        std::to_string(zeros.Years) + ") (p0 " + RuleNumber(zeros.Probability()) + "))");
    facts.push_back("(serie (tamanho " + std::to_string(r.SampleSize) + ") (assimetria " + RuleNumber(r.Skewness) +
                    ") (minimo " + RuleNumber(r.Minimum) + ") (minimo-log " + RuleNumber(r.LogMinimum) +
                    ") (maximo " + RuleNumber(r.Maximum) + "))");
    for (const Indication& indication : kIndications)
        if (r.TestFlags & indication.Bit) facts.push_back(std::string("(indicacao (teste ") + indication.Name + "))");
    for (int i = 1; i <= kDistributionCount; ++i) {
        const ParameterSet& p = ParametersOf(r, i);
        const FitResult& fit = FitTestOf(r, i);
        facts.push_back("(ajuste (indice " + std::to_string(i) + ") (z " + RuleNumber(VarianceTestZOf(r, i)) +
                        ") (r " + RuleNumber(fit.R) + ") (r90 " + RuleNumber(fit.R90) + ") (posicao " +
                        RuleNumber(p.Position) + ") (escala " + RuleNumber(p.Scale) + ") (forma " +
                        RuleNumber(p.Shape) + "))");
    }
    return facts;
}

}  // namespace zarn
