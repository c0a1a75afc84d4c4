// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/lines.h"

#include <algorithm>
#include <cmath>

#include "analysis/fittests.h"
#include "files/format.h"
#include "analysis/intervals.h"
#include "analysis/quantiles.h"
#include "analysis/statistics.h"

namespace zarn {

namespace {


}  // namespace

std::vector<std::string> ZeroYearLines(const ZeroYears& zeros, const std::function<std::string(double)>& number) {
    if (zeros.Zeros == 0) return {};
    const std::string z = std::to_string(zeros.Zeros), n = std::to_string(zeros.Years);
    return {
        "  Zeros : " + z + " de " + n,
        "  p0 = " + z + "/" + n + " : " + number(zeros.Probability()),
        "  Valores positivos : " + std::to_string(zeros.Years - zeros.Zeros),
    };
}

std::vector<std::string> EstatisticasLines(const AnalysisRecord& r, char sep, const ZeroYears& zeros) {
    auto f = [sep](double v) { return Fixed4(v, sep); };
    std::vector<std::string> lines;
    if (zeros.Zeros > 0) {
        lines.push_back("Anos sem vazão:");
        for (std::string& line : ZeroYearLines(zeros, f)) lines.push_back(std::move(line));
        lines.emplace_back();
    }
    std::vector<std::string> statistics{
        "Estatísticas descritivas:",
        "  Tamanho da amostra : " + std::to_string(r.SampleSize),
        "  Máximo : " + f(r.Maximum),
        "  Mínimo : " + f(r.Minimum),
        "  Média : " + f(r.Mean),
        "  Desvio padrão : " + f(r.StdDev),
        "  Assimetria : " + f(r.Skewness),
        "",
        "Estatísticas dos logaritmos:",
        "  Máximo : " + f(r.LogMaximum),
        "  Mínimo : " + f(r.LogMinimum),
        "  Média : " + f(r.LogMean),
        "  Desvio padrão : " + f(r.LogStdDev),
        "  Assimetria : " + f(r.LogSkewness),
        "",
        "Momentos-L amostrais:",
        "  l1 : " + f(r.LMoments.L1),
        "  l2 : " + f(r.LMoments.L2),
        "  t3 : " + f(r.LMoments.T3),
        "  t4 : " + f(r.LMoments.T4),
    };
    lines.insert(lines.end(), statistics.begin(), statistics.end());
    return lines;
}

ChartPoints HistogramPoints(const AnalysisRecord& r) {
    ChartPoints points;
    const int k = StoredCount(r.ClassCount);
    points.reserve(k);
    for (int i = 1; i <= k; ++i) points.emplace_back(r.ClassCentre[i - 1], r.ClassFrequency[i - 1]);
    return points;
}

std::vector<std::string> NonParametricTestLines(const AnalysisRecord& r, const NumberText& f) {
    auto flag = [&r](std::uint8_t bit) { return (r.TestFlags & bit) != 0; };
    return {
        // Kendall: independence.
        "**Teste de Kendall:",
        "  Coef. Corr. Kendall : " + f(r.KendallTau),
        "  Estatistica Z : " + f(r.KendallZ),
        "  Valor limiar de | Z |  : " + f(r.KendallZLimit),
        "  Alfa : 5%",
        flag(FlagDependent) ? "  Z > | Z | => dados dependentes" : "  Z < | Z | => dados independentes",
        "",
        // Mann-Kendall: homogeneity.
        "**Teste de Mann-Kendall:",
        "  Estatistica U : " + f(r.MannKendallU),
        "  Valor limiar de | U | : " + f(r.MannKendallULimit),
        "  Alfa : 5%",
        flag(FlagNonHomogeneous) ? "  U > | U | => dados não homogeneos" : "  U < | U | => dados homogeneos",
        "",
        // Grubbs and Beck: outliers against the limits.
        "**Teste Grubbs & Beck:",
        "  *Limite superior : ",
        "    LS : " + f(r.GrubbsBeckUpper),
        "    Max : " + f(r.Maximum),
        "    Alfa : 5%",
        flag(FlagHighOutlierGB) ? "    Max > LS => há outlier" : "    Max < LS => não ha outlier",
        "",
        "  *Limite inferior : ",
        "    LI : " + f(r.GrubbsBeckLower),
        "    Min : " + f(r.Minimum),
        "    Alfa : 5%",
        flag(FlagLowOutlierGB) ? "    Min < LI => há outlier" : "    Min > LI => não ha outlier",
        "",
        // Skewness test: verdicts only.
        "**Teste da assimetria:",
        "  *Limite superior : ",
        flag(FlagHighOutlierSkew)
            ? "    há outlier - a retirada do máximo amostral resultou em uma mudança significativa da assimetria."
            : "    não há outlier - a retirada do máximo amostral não resultou em uma mudança significativa da "
              "assimetria.",
        "",
        "  *Limite inferior : ",
        flag(FlagLowOutlierSkew)
            ? "    há outlier - a retirada do mínimo amostral resultou em uma mudança significativa da assimetria."
            : "    não há outlier - a retirada do mínimo amostral não resultou em uma mudança significativa da "
              "assimetria.",
    };
}

std::vector<std::string> TesteLines(const AnalysisRecord& r, char sep) {
    return NonParametricTestLines(r, [sep](double v) { return Fixed4(v, sep); });
}

ChartPoints SamplePoints(const AnalysisRecord& r) {
    ChartPoints points;
    const int n = StoredCount(r.SampleSize);
    points.reserve(n);
    for (int i = 1; i <= n; ++i) points.emplace_back(i, r.Sample[i - 1]);
    return points;
}

std::vector<std::string> ParaLines(const AnalysisRecord& r, char sep) {
    static const char* const kTwoParameterHeadings[] = {
        "=> Distribuição Normal", "=> Distribuição LogNormal", "=> Distribuição Gumbel",
        "=> Distribuição Exponencial"};
    static const char* const kThreeParameterHeadings[] = {
        "=> Distribuição Person-III", "=> Distribuição LogPerson-III", "=> Distribuição GEV",
        "=> Distribuição GPA"};
    auto f = [sep](double v) { return Fixed4(v, sep); };

    std::vector<std::string> lines;
    lines.reserve(40);
    lines.push_back("Distribuições de 2 Parâmetros:");
    lines.push_back("");
    for (int i = 1; i <= 4; ++i) {
        const ParameterSet& p = ParametersOf(r, i);
        lines.push_back(kTwoParameterHeadings[i - 1]);
        lines.push_back("      Posição : " + f(p.Position));
        lines.push_back("      Escala : " + f(p.Scale));
        lines.push_back("");
    }
    lines.push_back("Distribuições de 3 Parâmetros:");
    lines.push_back("");
    for (int i = 5; i <= 8; ++i) {
        const ParameterSet& p = ParametersOf(r, i);
        lines.push_back(kThreeParameterHeadings[i - 5]);
        lines.push_back("      Posição : " + f(p.Position));
        lines.push_back("      Escala : " + f(p.Scale));
        lines.push_back("      Forma : " + f(p.Shape));
        lines.push_back("");
    }
    return lines;
}

std::string ProbabilityPlotTitle(int index) {
    static const char* const kTitles[kDistributionCount] = {
        "DISTRIBUIÇÃO NORMAL",       "DISTRIBUIÇÃO LOGNORMAL",       "DISTRIBUIÇÃO GUMBEL",
        "DISTRIBUIÇÃO EXPONENCIAL",  "DISTRIBUIÇÃO PEARSON-III",     "DISTRIBUIÇÃO LOGPEARSON-III",
        "DISTRIBUIÇÃO GEV",          "DISTRIBUIÇÃO GPA"};
    if (index < 1 || index > kDistributionCount) return {};
    return kTitles[index - 1];
}

ProbabilityPlotData ProbabilityPlot(const AnalysisRecord& r, int index) {
    ProbabilityPlotData plot;
    plot.Title = ProbabilityPlotTitle(index);
    // An index outside 1..8 (a damaged project file) names no distribution:
    // there is neither a plotting position nor a quantile to draw.
    if (plot.Title.empty()) return plot;

    const int n = StoredCount(r.SampleSize);
    if (n < 1) return plot;
    std::vector<double> ascending(r.Sample, r.Sample + n);
    SortAscending(ascending.data(), n);

    std::vector<double> F(n), q(n);
    PlottingPositionQuantiles(index, n, ParametersOf(r, index), F.data(), q.data());
    const bool logSpace = IsLogDistribution(index);
    plot.Observed.reserve(n);
    plot.Expected.reserve(n);
    for (int i = 0; i < n; ++i) {
        const double T = 1.0 / (1.0 - F[i]);
        plot.Observed.emplace_back(ascending[i], T);
        plot.Expected.emplace_back(logSpace ? std::exp(q[i]) : q[i], T);
    }
    return plot;
}

double NonExceedance(double T) { return ReturnPeriodProbability(T); }

ProbabilityPlotBandData ProbabilityPlotBand(const SimulationSummary& s, int index) {
    ProbabilityPlotBandData band;
    if (!s.Valid || index < 1 || index > kDistributionCount) return band;
    for (double T : BandReturnPeriods()) {
        const QuantileInterval limits = BandAt(s, index, NonExceedance(T));
        if (!std::isfinite(limits.Lower) || !std::isfinite(limits.Upper)) continue;
        band.Lower.emplace_back(limits.Lower, T);
        band.Upper.emplace_back(limits.Upper, T);
    }
    return band;
}

}  // namespace zarn
