// SPDX-License-Identifier: GPL-3.0-or-later
#include "rules/b17cfacts.h"

#include <cmath>

#include "rules/facts.h"

namespace zarn {

namespace {

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
                    RuleNumber(result.LowOutlierThreshold) + ") (opcao-assimetria " + SkewSymbol(options.Skew) +
                    ") (assimetria-estacao " + RuleNumber(result.StationSkew) + ") (assimetria-regional " +
                    RuleNumber(options.RegionalSkew) + ") (peso-estacao " + RuleNumber(weight) + ") (assimetria " +
                    RuleNumber(result.Skew) + ") (q100 " + RuleNumber(q) + ") (q100-inferior " + RuleNumber(lower) +
                    ") (q100-superior " + RuleNumber(upper) + ") (confianca " + RuleNumber(options.Confidence) + "))");
    const double F = ReturnPeriodProbability(kB17cComparedPeriod);
    for (int index = 1; index <= kDistributionCount; ++index)
        facts.push_back("(quantil-100 (indice " + std::to_string(index) + ") (valor " +
                        RuleNumber(AdjustedQuantile(r, index, F, zeros.Probability())) + "))");
    return facts;
}

}  // namespace zarn
