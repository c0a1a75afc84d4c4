// SPDX-License-Identifier: GPL-3.0-or-later
// The study's Bulletin 17C section: the flood record with its historical
// years and thresholds, the low outliers, the moments and the skew
// weighting, the quantile table with its limits, the comparison with the
// L-moment fits of the systematic series, and the chart.
#include <cmath>

#include "analysis/b17cproject.h"
#include "analysis/returnperiods.h"
#include "study/studycontent.h"
#include "views/b17cview.h"

namespace zarn {

namespace {

// The record table puts this many (year, flow) pairs side by side.
constexpr int kRecordColumnPairs = 4;
constexpr double kB17cChartHeightMm = 112;
// The return period of the comparison with the L-moment fits.
constexpr double kComparedPeriod = 100;

std::string Percent(double v) { return std::to_string(static_cast<long>(std::lround(v * 100))) + " %"; }

void AddRecord(StudyDocument& doc, const StudyInput& in) {
    const StudyB17c& b = *in.B17c;
    const NumberStyle& s = in.Style;
    doc.AddParagraph("O registro de cheias da análise" + (in.Unit.empty() ? "" : ", em " + in.Unit) +
                     ": \"h\" marca os anos históricos (fora da série sistemática), \"a\" os atípicos "
                     "baixos; \"< Q\" e \"> Q\" são vazões censuradas e \"mín - máx\", intervalos.");
    StudyTable t;
    for (int k = 0; k < kRecordColumnPairs; ++k) {
        t.Header.insert(t.Header.end(), {"Ano", "Vazão"});
        t.RightAligned.insert(t.RightAligned.end(), {true, true});
    }
    const auto& years = b.Record.Observations;
    const int n = static_cast<int>(years.size());
    const int rows = (n + kRecordColumnPairs - 1) / kRecordColumnPairs;
    for (int row = 0; row < rows; ++row) {
        std::vector<std::string> cells;
        for (int k = 0; k < kRecordColumnPairs; ++k) {
            const int i = k * rows + row;
            if (i >= n) {
                cells.insert(cells.end(), {"", ""});
                continue;
            }
            const FloodObservation& o = years[static_cast<std::size_t>(i)];
            std::string text = ObservationText(o, s);
            if (o.Historical) text += " h";
            if (o.Low == o.High && o.Low < b.Result.LowOutlierThreshold) text += " a";
            cells.insert(cells.end(), {std::to_string(o.Year), text});
        }
        t.Rows.push_back(std::move(cells));
    }
    doc.AddTable(t);
    if (b.Record.Thresholds.empty()) return;
    doc.AddParagraph("Limiares de percepção: nos anos indicados, toda cheia entre as duas vazões seria conhecida.");
    StudyTable th;
    th.Header = {"De", "Até", "Vazão mínima", "Vazão máxima"};
    th.RightAligned = {true, true, true, true};
    for (const PerceptionThreshold& p : b.Record.Thresholds)
        th.Rows.push_back({std::to_string(p.First), std::to_string(p.Last), FormatNumber(p.Low, s),
                           std::isinf(p.High) ? "sem limite" : FormatNumber(p.High, s)});
    doc.AddTable(th);
}

void AddResults(StudyDocument& doc, const StudyInput& in) {
    const StudyB17c& b = *in.B17c;
    const B17cResult& r = b.Result;
    const NumberStyle& s = in.Style;
    StudyTable summary;
    summary.Header = {"Resultado", "Valor"};
    summary.RightAligned = {false, true};
    for (const auto& [name, value] : B17cSummaryRows(r, b.Options, s)) summary.Rows.push_back({name, value});
    doc.AddTable(summary);
    if (r.LowOutliers > 0)
        doc.AddParagraph("Os " + std::to_string(r.LowOutliers) + " atípicos baixos (abaixo de " +
                         FormatNumber(r.LowOutlierThreshold, s) +
                         ") entram na análise como censurados, menores que o limiar, e todo limiar de percepção "
                         "abaixo dele sobe até ele.");
    if (b.Options.Skew == SkewOption::Weighted && r.SkewMse + r.RegionalSkewMse > 0) {
        const double w = r.RegionalSkewMse / (r.SkewMse + r.RegionalSkewMse);
        doc.AddParagraph("Assimetria ponderada (Bulletin 17C): G = w·Ge + (1 - w)·Gr, com pesos inversos aos "
                         "erros quadráticos médios: w = EQMr / (EQMe + EQMr) = " + FormatNumber(w, s) +
                         "; Ge = " + FormatNumber(r.StationSkew, s) + " (EQMe = " + FormatNumber(r.SkewMse, s) +
                         "), Gr = " + FormatNumber(b.Options.RegionalSkew, s) + " (EQMr = " +
                         FormatNumber(r.RegionalSkewMse, s) + "), G = " + FormatNumber(r.Skew, s) + ".");
    }
    const std::string level = Percent(b.Options.Confidence);
    const std::string unit = in.Unit.empty() ? "" : " (" + in.Unit + ")";
    StudyTable q;
    q.Header = {"AEP", "T (anos)", "Quantil" + unit, "Limite inferior " + level, "Limite superior " + level};
    q.RightAligned = {true, true, true, true, true};
    q.Rows = B17cQuantileRows(r, StudyReturnPeriods(in.ReturnPeriods), s);
    doc.AddParagraph("Quantis do log-Pearson III com os limites do intervalo de confiança de " + level +
                     " do EMA (Cohn, Lane e Stedinger, 2001); AEP é a probabilidade anual de excedência, 1/T:");
    doc.AddTable(q);
}

// How far the 100-year flood of Bulletin 17C lies from those of the L-moment
// fits of the systematic series (the recommended one and the LogPearson III).
void AddComparison(StudyDocument& doc, const StudyInput& in) {
    const B17cResult& r = in.B17c->Result;
    const NumberStyle& s = in.Style;
    double b17c = NAN;
    for (std::size_t k = 0; k < r.Aep.size() && k < r.Quantiles.size(); ++k)
        if (std::fabs(r.Aep[k] - 1 / kComparedPeriod) < 1e-12) b17c = r.Quantiles[k];
    if (!std::isfinite(b17c)) return;
    const double F = ReturnPeriodProbability(kComparedPeriod);
    const double p0 = in.Zeros.Probability();
    std::string text = "O quantil de 100 anos do B17C, " + FormatNumber(b17c, s) + ", comparado com os ajustes pelos "
                       "momentos-L da série sistemática: ";
    const int recommended = in.Consulted ? in.Consulted->Recommended : 0;
    std::vector<int> indexes{kLogPearson3};
    if (recommended != 0 && recommended != kLogPearson3) indexes.insert(indexes.begin(), recommended);
    for (std::size_t k = 0; k < indexes.size(); ++k) {
        const double q = AdjustedQuantile(*in.Record, indexes[k], F, p0);
        const double change = std::isfinite(q) && q > 0 ? b17c / q - 1 : NAN;
        text += (k ? "; " : "") + DistributionName(indexes[k]) +
                (indexes[k] == recommended ? " (recomendada) " : " ") + FormatNumber(q, s) +
                (std::isfinite(change) ? " (B17C " + std::string(change >= 0 ? "+" : "") + Percent(change) + ")" : "");
    }
    doc.AddParagraph(text + ".");
}

}  // namespace

void B17cSection(StudyDocument& doc, const StudyInput& in, int number) {
    const StudyB17c& b = *in.B17c;
    const B17cResult& r = b.Result;
    doc.AddHeading(std::to_string(number) + ". Informação histórica: Bulletin 17C");
    if (!r.Ok) {
        doc.AddParagraph("A análise pelo Bulletin 17C não pôde ser feita: " + r.Failure);
        AddRecord(doc, in);
        return;
    }
    doc.AddParagraph("Ajuste log-Pearson III pelo Algoritmo dos Momentos Esperados (EMA; Cohn, Lane e Baier, 1997), "
                     "como o Bulletin 17C o aplica (England et al., 2018), sobre " +
                     std::to_string(r.SystematicYears) + " anos sistemáticos, " + std::to_string(r.HistoricalYears) +
                     " históricos e " + std::to_string(r.CensoredYears) +
                     " com intervalo ou censura; momentos dos logaritmos decimais das vazões. Posições de "
                     "plotagem de Hirsch e Stedinger (1987).");
    AddRecord(doc, in);
    AddResults(doc, in);
    AddComparison(doc, in);
    doc.AddChart(kStudyB17cChart, kB17cChartHeightMm,
                 "Figura 4 - O registro de cheias nas posições de Hirsch e Stedinger, intervalos como barras, "
                 "limiares de percepção como faixas, e o log-Pearson III do B17C com os limites de " +
                     Percent(b.Options.Confidence) + ", no papel log-normal.");
    doc.AddNote("England, J. F. et al. (2018). Guidelines for determining flood flow frequency - Bulletin 17C. "
                "U.S. Geological Survey Techniques and Methods 4-B5.");
    doc.AddNote("Cohn, T. A.; Lane, W. L.; Baier, W. G. (1997). An algorithm for computing moments-based flood "
                "quantile estimates when historical flood information is available. Water Resources Research, "
                "33(9), 2089-2096.");
    doc.AddNote("Cohn, T. A.; Lane, W. L.; Stedinger, J. R. (2001). Confidence intervals for Expected Moments "
                "Algorithm flood quantile estimates. Water Resources Research, 37(6), 1695-1706.");
    doc.AddNote("Cohn, T. A. et al. (2013). A generalized Grubbs-Beck test statistic for detecting multiple "
                "potentially influential low outliers in flood series. Water Resources Research, 49(8), 5047-5058.");
    doc.AddNote("Hirsch, R. M.; Stedinger, J. R. (1987). Plotting positions for historical floods and their "
                "precision. Water Resources Research, 23(4), 715-727.");
}

}  // namespace zarn
