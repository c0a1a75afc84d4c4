// SPDX-License-Identifier: GPL-3.0-or-later
#include "rules/b17cfacts.h"

#include <charconv>
#include <cmath>

namespace zarn {

namespace {

// As the rule base reads a number: 17 significant digits, always a float,
// the symbol nao-finito when not finite (the advisor's own convention).
std::string Number(double v) {
    if (!std::isfinite(v)) return "nao-finito";
    char buffer[40];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::general, 17);
    std::string s(buffer, result.ptr);
    if (s.find_first_of(".e") == std::string::npos) s += ".0";
    return s;
}

const char* SkewSymbol(SkewOption option) {
    switch (option) {
        case SkewOption::Station: return "estacao";
        case SkewOption::Weighted: return "ponderada";
        case SkewOption::Regional: return "regional";
    }
    return "estacao";
}

const char* LowOutlierSymbol(LowOutlierMethod method) {
    switch (method) {
        case LowOutlierMethod::MultipleGrubbsBeck: return "mgbt";
        case LowOutlierMethod::GrubbsBeck: return "gb";
        case LowOutlierMethod::None: return "nenhum";
        case LowOutlierMethod::UserThreshold: return "valor";
    }
    return "mgbt";
}

}  // namespace

std::vector<std::string> B17cFacts(const AnalysisRecord& r, const ZeroYears& zeros, const B17cOptions& options,
                                   const B17cResult& result) {
    if (!result.Ok) return {};
    double q = NAN, lower = NAN, upper = NAN;
    for (std::size_t k = 0; k < result.Aep.size() && k < result.Quantiles.size(); ++k)
        if (std::fabs(result.Aep[k] * kB17cComparedPeriod - 1) < 1e-9) {
            q = result.Quantiles[k];
            lower = k < result.Lower.size() ? result.Lower[k] : NAN;
            upper = k < result.Upper.size() ? result.Upper[k] : NAN;
        }
    const double sum = result.SkewMse + result.RegionalSkewMse;
    const double weight = options.Skew == SkewOption::Station    ? 1.0
                          : options.Skew == SkewOption::Regional ? 0.0
                          : sum > 0                              ? result.RegionalSkewMse / sum
                                                                 : NAN;
    std::vector<std::string> facts;
    facts.push_back("(b17c (anos-sistematicos " + std::to_string(result.SystematicYears) + ") (anos-historicos " +
                    std::to_string(result.HistoricalYears) + ") (anos-censurados " +
                    std::to_string(result.CensoredYears) + ") (metodo-atipicos " + LowOutlierSymbol(options.LowOutliers) +
                    ") (atipicos-baixos " + std::to_string(result.LowOutliers) + ") (limiar-atipicos " +
                    Number(result.LowOutlierThreshold) + ") (opcao-assimetria " + SkewSymbol(options.Skew) +
                    ") (assimetria-estacao " + Number(result.StationSkew) + ") (assimetria-regional " +
                    Number(options.RegionalSkew) + ") (peso-estacao " + Number(weight) + ") (assimetria " +
                    Number(result.Skew) + ") (q100 " + Number(q) + ") (q100-inferior " + Number(lower) +
                    ") (q100-superior " + Number(upper) + ") (confianca " + Number(options.Confidence) + "))");
    const double F = ReturnPeriodProbability(kB17cComparedPeriod);
    for (int index = 1; index <= kDistributionCount; ++index)
        facts.push_back("(quantil-100 (indice " + std::to_string(index) + ") (valor " +
                        Number(AdjustedQuantile(r, index, F, zeros.Probability())) + "))");
    return facts;
}

}  // namespace zarn
