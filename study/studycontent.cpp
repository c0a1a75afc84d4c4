// SPDX-License-Identifier: GPL-3.0-or-later
#include "study/studycontent.h"

#include <cmath>
#include <cstdlib>

#include "files/errors.h"
#include "analysis/fittests.h"
#include "files/format.h"
#include "analysis/intervals.h"
#include "analysis/quantiles.h"
#include "files/textcodec.h"
#include "views/lines.h"

namespace zarn {

namespace {

// The data table puts this many (number, value) pairs side by side.
constexpr int kDataColumnPairs = 5;
// Chart heights on the page, in millimetres (the text width is 170 mm).
constexpr double kTimeChartHeightMm = 70;
constexpr double kFrequencyChartHeightMm = 112;
constexpr double kRatioChartHeightMm = 100;

// A test is passed at this membership and above: the 10 % level of both
// tests, as the rule base judges them (|Z| <= 1.65, R >= R90).
constexpr double kPassingMembership = 0.5;

std::string Verdict(double membership) { return membership >= kPassingMembership ? "passa" : "rejeita"; }

bool Flag(const AnalysisRecord& r, std::uint8_t bit) { return (r.TestFlags & bit) != 0; }

std::string Text(const CountedText& t) { return Windows1252ToUtf8(TextOf(t)); }

// The value with the unit after it, when there is one.
std::string WithUnit(const std::string& number, const std::string& unit) {
    return unit.empty() ? number : number + " " + unit;
}

// "LogNormal" and "LogPearson III" are fitted to the natural logarithms.
bool FittedToLogs(int index) { return index == kLogNormal || index == kLogPearson3; }

const DistributionAdvice* RowOf(const Advice& advice, int index) {
    for (const DistributionAdvice& row : advice.Ranking)
        if (row.Index == index) return &row;
    return nullptr;
}

// The compiled-in rule base by its name, a rule base file by its file name.
std::string RuleBaseName(const std::string& ruleBase) {
    if (ruleBase == kDefaultRuleBaseName) return ruleBase;
    const auto slash = ruleBase.find_last_of("/\\");
    return slash == std::string::npos ? ruleBase : ruleBase.substr(slash + 1);
}

// The sample size as a reader should first meet it: the years read, the
// positive values analysed and the years without flow.
std::string SampleSizeText(const AnalysisRecord& r, const ZeroYears& zeros) {
    if (zeros.Zeros == 0) return Count(r.SampleSize, "valor", "valores");
    return Count(zeros.Years, "ano", "anos") + ": " + Count(r.SampleSize, "valor positivo", "valores positivos") +
           " e " + Count(zeros.Zeros, "ano sem vazão", "anos sem vazão") + " (zero)";
}

// The data table: (number, value) pairs side by side, down the columns as a
// reader follows a list; `points` in file order, the zeros marked.
StudyTable DataTable(const ChartPoints& points, const NumberStyle& s, bool markZeros) {
    StudyTable data;
    for (int k = 0; k < kDataColumnPairs; ++k) {
        data.Header.push_back("Nº");
        data.Header.push_back("Valor");
        data.RightAligned.push_back(true);
        data.RightAligned.push_back(true);
    }
    const int n = static_cast<int>(points.size());
    const int rows = (n + kDataColumnPairs - 1) / kDataColumnPairs;
    for (int row = 0; row < rows; ++row) {
        std::vector<std::string> cells;
        for (int k = 0; k < kDataColumnPairs; ++k) {
            const int i = k * rows + row;
            if (i < n) {
                const double v = points[static_cast<std::size_t>(i)].second;
                cells.push_back(std::to_string(i + 1));
                cells.push_back(markZeros && v == 0 ? std::string(kZeroYearMark) : FormatNumber(v, s));
            } else {
                cells.push_back("");
                cells.push_back("");
            }
        }
        data.Rows.push_back(cells);
    }
    return data;
}

void AddCover(StudyDocument& doc, const StudyInput& in) {
    const AnalysisRecord& r = *in.Record;
    const NumberStyle& s = in.Style;
    StudyTable cover;
    cover.Header = {"", ""};
    auto line = [&](const std::string& name, const std::string& value) {
        if (!value.empty()) cover.Rows.push_back({name, value});
    };
    line("Título", Text(r.Title));
    line("Local", Text(r.Location));
    line("Comentário", Text(r.Comment));
    line("Arquivo de dados", Text(r.DataFileName));
    line("Variável", WithUnit(in.Variable, in.Unit.empty() ? "" : "(" + in.Unit + ")"));
    line("Tamanho da amostra", SampleSizeText(r, in.Zeros));
    line("Data do estudo", in.Date);
    line("Programa", "ZARN " + in.Version);
    cover.RightAligned = {false, false};
    doc.AddTable(cover);

    doc.AddHeading("1. Dados");
    const std::string unit = in.Unit.empty() ? "" : ", em " + in.Unit;
    const ZeroYears& zeros = in.Zeros;
    const ChartPoints points = SeriesPoints(r, zeros);
    const bool placed = zeros.Zeros > 0 && static_cast<int>(points.size()) == zeros.Years;
    if (zeros.Zeros == 0) {
        doc.AddParagraph("Os " + Count(r.SampleSize, "valor", "valores") +
                         " da série de máximos anuais, na ordem do arquivo de dados" + unit + ":");
    } else if (placed) {
        doc.AddParagraph("Os " + Count(zeros.Years, "valor", "valores") +
                         " da série de máximos anuais, na ordem do arquivo de dados" + unit + "; " +
                         (zeros.Zeros == 1 ? std::string("o zero (marcado ") + kZeroYearMark + ") é um ano sem vazão"
                                           : "os " + std::to_string(zeros.Zeros) + " zeros (marcados " +
                                                 kZeroYearMark + ") são anos sem vazão") +
                         ": as estatísticas e os ajustes são dos " +
                         Count(r.SampleSize, "valor positivo", "valores positivos") +
                         ", e os zeros entram nos quantis pela probabilidade p0 = " +
                         FormatNumber(zeros.Probability(), s) + " (seção 5):");
    } else {
        doc.AddParagraph("Os " + Count(r.SampleSize, "valor positivo", "valores positivos") +
                         " da série de máximos anuais, na ordem do arquivo de dados" + unit + ". A série tem ainda " +
                         Count(zeros.Zeros, "ano sem vazão", "anos sem vazão") + " (zero), postos à parte e levados "
                         "aos quantis pela probabilidade p0 = " + FormatNumber(zeros.Probability(), s) +
                         " (seção 5); as suas posições no arquivo não foram guardadas com o projeto:");
    }
    doc.AddTable(DataTable(points, s, placed));
    doc.AddChart(kStudyTimeChart, kTimeChartHeightMm,
                 placed ? "Figura 1 - A série na ordem do arquivo de dados; os anos sem vazão em zero (triângulos)."
                        : "Figura 1 - A série na ordem do arquivo de dados.");
}

void AddStatistics(StudyDocument& doc, const StudyInput& in) {
    const AnalysisRecord& r = *in.Record;
    const NumberStyle& s = in.Style;
    auto f = [&s](double v) { return FormatNumber(v, s); };
    doc.AddHeading("2. Estatísticas e testes da série");
    if (in.Zeros.Zeros > 0)
        doc.AddParagraph("Estatísticas dos " + Count(r.SampleSize, "valor positivo", "valores positivos") + "; os " +
                         Count(in.Zeros.Zeros, "ano sem vazão", "anos sem vazão") + " dos " +
                         Count(in.Zeros.Years, "ano", "anos") + " ficam à parte (p0 = " +
                         FormatNumber(in.Zeros.Probability(), s) + ").");
    StudyTable t;
    t.Header = {"Estatística", "Valores", "Logaritmos naturais"};
    t.RightAligned = {false, true, true};
    t.Rows = {
        {"Média", f(r.Mean), f(r.LogMean)},
        {"Desvio padrão", f(r.StdDev), f(r.LogStdDev)},
        {"Coeficiente de variação", r.Mean != 0 ? f(r.StdDev / r.Mean) : f(NAN), ""},
        {"Assimetria", f(r.Skewness), f(r.LogSkewness)},
        {"Mínimo", f(r.Minimum), f(r.LogMinimum)},
        {"Máximo", f(r.Maximum), f(r.LogMaximum)},
        {"Momento-L l1", f(r.LMoments.L1), f(r.LogLMoments.L1)},
        {"Momento-L l2", f(r.LMoments.L2), f(r.LogLMoments.L2)},
        {"Razão-L t3 (assimetria-L)", f(r.LMoments.T3), f(r.LogLMoments.T3)},
        {"Razão-L t4 (curtose-L)", f(r.LMoments.T4), f(r.LogLMoments.T4)},
    };
    doc.AddTable(t);

    // The verdicts at the 5 % level, each with the numbers it rests on;
    // the numbers a verdict compares are told apart.
    auto compared = [&s](double a, double b) { return FormatCompared({a, b}, s); };
    const auto kendall = compared(std::fabs(r.KendallZ), r.KendallZLimit);
    doc.AddParagraph(std::string("Independência (teste de Kendall, 5 %): |Z| = ") + kendall[0] +
                     (Flag(r, FlagDependent) ? " excede" : " não excede") + " o limiar " + kendall[1] +
                     (Flag(r, FlagDependent) ? "; os valores podem não ser independentes."
                                             : "; os valores podem ser tomados como independentes."));
    const auto mann = compared(std::fabs(r.MannKendallU), r.MannKendallULimit);
    doc.AddParagraph(std::string("Homogeneidade (teste de Mann-Kendall, 5 %): |U| = ") + mann[0] +
                     (Flag(r, FlagNonHomogeneous) ? " excede" : " não excede") + " o limiar " + mann[1] +
                     (Flag(r, FlagNonHomogeneous) ? "; há indício de tendência (dados possivelmente não homogêneos)."
                                                  : "; não há indício de tendência."));
    const auto upper = compared(r.Maximum, r.GrubbsBeckUpper);
    const auto lower = compared(r.Minimum, r.GrubbsBeckLower);
    doc.AddParagraph(std::string("Valores atípicos (teste de Grubbs e Beck, 5 %): o máximo, ") + upper[0] +
                     (Flag(r, FlagHighOutlierGB) ? ", excede" : ", não excede") + " o limite superior " + upper[1] +
                     (Flag(r, FlagHighOutlierGB) ? " (valor atípico alto)" : "") + "; o mínimo, " + lower[0] +
                     (Flag(r, FlagLowOutlierGB) ? ", fica abaixo do" : ", não fica abaixo do") +
                     " limite inferior " + lower[1] + (Flag(r, FlagLowOutlierGB) ? " (valor atípico baixo)." : "."));
    doc.AddParagraph(std::string("Valores atípicos (teste da assimetria): retirar o máximo ") +
                     (Flag(r, FlagHighOutlierSkew) ? "muda" : "não muda") +
                     " significativamente a assimetria (" + f(r.Skewness) + " para " + f(r.SkewnessWithoutMaximum) +
                     "); retirar o mínimo " + (Flag(r, FlagLowOutlierSkew) ? "muda" : "não muda") + " (" +
                     f(r.Skewness) + " para " + f(r.SkewnessWithoutMinimum) + ").");
}

void AddFits(StudyDocument& doc, const StudyInput& in) {
    const AnalysisRecord& r = *in.Record;
    const Advice& advice = *in.Consulted;
    const NumberStyle& s = in.Style;
    doc.AddHeading("3. Os oito ajustes");
    doc.AddParagraph("Parâmetros estimados pelos momentos-L (Hosking e Wallis, 1997); os da LogNormal e da "
                     "LogPearson III são dos logaritmos naturais. R é o coeficiente de correlação do papel de "
                     "probabilidade e R(90%) o seu valor crítico simulado (Filliben, 1975): o ajuste passa "
                     "quando R ≥ R(90%). |Z| é a estatística do teste de variância das razões-L (Hosking e "
                     "Wallis, 1997): passa quando |Z| ≤ 1,65.");
    StudyTable t;
    t.Header = {"Distribuição", "Posição", "Escala", "Forma", "R", "R(90%)", "|Z|", "Filliben", "Variância",
                "Situação"};
    t.RightAligned = {false, true, true, true, true, true, true, false, false, false};
    for (int index = 1; index <= kDistributionCount; ++index) {
        const ParameterSet& p = r.Parameters[index - 1];
        const FitResult& fit = r.FitTest[index - 1];
        const double z = std::fabs(r.VarianceTestZ[index - 1]);
        const auto rr = FormatCompared({fit.R, fit.R90}, s);
        const bool threeParameters = index >= kPearson3;
        const DistributionAdvice* row = RowOf(advice, index);
        std::string name = DistributionName(index);
        if (FittedToLogs(index)) name += " (ln)";
        t.Rows.push_back({name, FormatNumber(p.Position, s), FormatNumber(p.Scale, s),
                          threeParameters ? FormatNumber(p.Shape, s) : "",
                          rr[0], rr[1], FormatNumber(z, s),
                          row ? Verdict(row->RMembership) : "", row ? Verdict(row->ZMembership) : "",
                          row ? StatusName(row->Status) : ""});
        if (index == advice.Recommended) t.EmphasisedRow = index - 1;
    }
    doc.AddTable(t);
}

void AddAdvice(StudyDocument& doc, const StudyInput& in) {
    const Advice& advice = *in.Consulted;
    const NumberStyle& s = in.Style;
    doc.AddHeading("4. Recomendação");
    doc.AddParagraph(ComparedPhraseText(advice.Conclusion, s));
    for (const Phrase& caution : advice.Cautions) doc.AddNote(ComparedPhraseText(caution, s));
    StudyTable t;
    t.Header = {"Lugar", "Distribuição", "Situação", "g", "Pert. |Z|", "Pert. R"};
    t.RightAligned = {true, false, false, true, true, true};
    for (const DistributionAdvice& row : advice.Ranking) {
        t.Rows.push_back({std::to_string(row.Rank), DistributionName(row.Index), StatusName(row.Status),
                          FormatNumber(row.Degree, s), FormatNumber(row.ZMembership, s),
                          FormatNumber(row.RMembership, s)});
        if (row.Index == advice.Recommended) t.EmphasisedRow = static_cast<int>(t.Rows.size()) - 1;
    }
    doc.AddTable(t);
    doc.AddParagraph("As razões de cada distribuição, na ordem da classificação:");
    for (const DistributionAdvice& row : advice.Ranking) {
        std::string text = std::to_string(row.Rank) + ". " + DistributionName(row.Index) + " (" +
                           StatusName(row.Status) + "): ";
        for (std::size_t k = 0; k < row.Reasons.size(); ++k)
            text += (k ? " " : "") + ComparedPhraseText(row.Reasons[k], s);
        doc.AddNote(text);
    }
}

// The quantile at each of the study's return periods with its 90 % limits.
void AddQuantiles(StudyDocument& doc, const StudyInput& in) {
    const AnalysisRecord& r = *in.Record;
    const Advice& advice = *in.Consulted;
    const NumberStyle& s = in.Style;
    const std::vector<double> periods = StudyReturnPeriods(in.ReturnPeriods);
    doc.AddHeading("5. Quantis");
    // Without a recommendation the table is of the first of the ranking, said so.
    const int index = advice.Recommended != 0 ? advice.Recommended
                      : advice.Ranking.empty() ? 0
                                               : advice.Ranking.front().Index;
    if (index == 0) return;
    // The same table as the batch tool's UserReturnPeriods: quantiles and
    // limits from the refits of the simulation at these periods, the years
    // without flow taken back in (Bulletin 17B, appendix 5).
    const double p0 = in.Zeros.Probability();
    const ReturnPeriodTable table = MakeReturnPeriodTable(r, in.Simulations, periods, p0, QuantileFaults::Show);
    const std::string unit = in.Unit.empty() ? "" : " (" + in.Unit + ")";
    doc.AddParagraph((advice.Recommended != 0 ? "Quantis da distribuição recomendada, a "
                                              : "Não há recomendação; quantis da primeira da classificação, a ") +
                     DistributionName(index) + ", com os limites do intervalo de confiança de 90 % " +
                     "(bootstrap paramétrico com " + std::to_string(table.IntervalSamples[index - 1]) +
                     " reajustes; Hosking e Wallis, 1997, 6.4)" + (unit.empty() ? "" : ", em " + in.Unit) + ".");
    if (p0 > 0)
        doc.AddParagraph("Anos sem vazão: " + std::to_string(in.Zeros.Zeros) + " dos " + std::to_string(in.Zeros.Years) +
                         " valores são zero (p0 = " + FormatNumber(p0, s) + "). O quantil de T anos é 0 (rio seco "
                         "esperado) quando F = 1 - 1/T <= p0, senão o da distribuição ajustada aos valores "
                         "positivos em (F - p0) / (1 - p0); os limites, da mesma forma (Bulletin 17B, apêndice 5).");
    StudyTable t;
    t.Header = {"T (anos)", "F", "Quantil" + unit, "Limite inferior 90 %", "Limite superior 90 %"};
    t.RightAligned = {true, true, true, true, true};
    // F to as many digits as 1 - 1/T needs (0,999 at 1000 years).
    NumberStyle probability = s;
    probability.Significant = 6;
    for (std::size_t k = 0; k < periods.size(); ++k) {
        const double T = periods[k];
        std::vector<std::string> row{FormatNumber(T, s), FormatNumber(1 - 1 / T, probability)};
        if (table.Dry(k)) {
            row.insert(row.end(), {"0", "rio seco", "rio seco"});
        } else {
            const QuantileInterval& band = table.Intervals[index - 1][k];
            for (std::string& text : FormatCompared({table.Quantiles[index - 1][k], band.Lower, band.Upper}, s))
                row.push_back(std::move(text));
        }
        t.Rows.push_back(std::move(row));
    }
    doc.AddTable(t);
    if (!in.AllQuantiles) return;
    doc.AddParagraph("Quantis das oito distribuições, para comparação" + (unit.empty() ? "" : ", em " + in.Unit) +
                     " (em negrito a recomendada):");
    StudyTable all;
    all.Header = {"T (anos)"};
    all.RightAligned = {true};
    for (int d = 1; d <= kDistributionCount; ++d) {
        all.Header.push_back(DistributionName(d));
        all.RightAligned.push_back(true);
    }
    for (std::size_t k = 0; k < periods.size(); ++k) {
        std::vector<std::string> row{FormatNumber(periods[k], s)};
        for (int d = 1; d <= kDistributionCount; ++d) row.push_back(FormatNumber(table.Quantiles[d - 1][k], s));
        all.Rows.push_back(row);
    }
    doc.AddTable(all);
}

void AddCharts(StudyDocument& doc, const StudyInput& in, int number) {
    const Advice& advice = *in.Consulted;
    doc.AddHeading(std::to_string(number) + ". Gráficos");
    const std::string name = advice.Recommended != 0 ? DistributionName(advice.Recommended) : "de maior R";
    doc.AddChart(kStudyFrequencyChart, kFrequencyChartHeightMm,
                 "Figura 2 - Os máximos anuais (posições de Cunnane) e a distribuição " + name +
                     " com o seu intervalo de confiança de 90 %, no papel de Gumbel.");
    doc.AddChart(kStudyRatioChart, kRatioChartHeightMm,
                 "Figura 3 - Diagrama das razões-L: os pontos da amostra e dos seus logaritmos diante das "
                 "curvas das famílias de três parâmetros (Hosking e Wallis, 1997, 2.5).");
}

void AddMethod(StudyDocument& doc, const StudyInput& in, int number) {
    const AnalysisRecord& r = *in.Record;
    const SimulationSummary& sims = *in.Simulations;
    doc.AddHeading(std::to_string(number) + ". Método e reprodução");
    doc.AddParagraph(
        "Os oito modelos (Normal, LogNormal, Gumbel, Exponencial, Pearson III, LogPearson III, GEV e GPA) "
        "foram ajustados pelos momentos-L. A aderência foi julgada pelo teste de correlação do papel de "
        "probabilidade (Filliben, 1975), com o valor crítico R(90%) simulado, e pelo teste de variância das "
        "razões-L; a independência pelo teste de Kendall, a homogeneidade pelo de Mann-Kendall e os valores "
        "atípicos pelo de Grubbs e Beck (1972) e pelo da assimetria. A recomendação é a da base de regras " +
        RuleBaseName(in.Consulted->RuleBase) + ".");
    std::string counts;
    for (int index = 1; index <= kDistributionCount; ++index) {
        counts += (index > 1 ? "; " : "") + DistributionName(index) + " " +
                  std::to_string(sims.Of(index).CriticalRSamples) + " / " + std::to_string(IntervalSamples(sims, index));
    }
    doc.AddParagraph("Reprodução: " + std::to_string(kReplicates) + " amostras de " +
                     Count(r.SampleSize, "valor", "valores") +
                     (in.Zeros.Zeros > 0 ? " (os positivos; " + Count(in.Zeros.Zeros, "ano sem vazão", "anos sem vazão") +
                                               " à parte)"
                                         : std::string()) +
                     " simuladas de cada distribuição ajustada, gerador de "
                     "Lehmer (multiplicador 16807, módulo 2³¹ - 1) com a semente " +
                     std::to_string(kSimulationSeed) +
                     ". Amostras completas (teste de Filliben / intervalos): " + counts + ".");
    doc.AddParagraph("Referências:");
    doc.AddNote("Filliben, J. J. (1975). The probability plot correlation coefficient test for normality. "
                "Technometrics, 17(1), 111-117.");
    doc.AddNote("Grubbs, F. E.; Beck, G. (1972). Extension of sample sizes and percentage points for "
                "significance tests of outlying observations. Technometrics, 14(4), 847-854.");
    doc.AddNote("Hosking, J. R. M.; Wallis, J. R. (1997). Regional Frequency Analysis: an approach based on "
                "L-moments. Cambridge University Press.");
    doc.AddNote("Kendall, M. G. (1938). A new measure of rank correlation. Biometrika, 30(1/2), 81-93.");
    doc.AddNote("Mann, H. B. (1945). Nonparametric tests against trend. Econometrica, 13(3), 245-259; "
                "Kendall, M. G. (1975). Rank Correlation Methods. Griffin.");
}

}  // namespace

namespace {
StudyBlock TextBlock(StudyBlock::Kind kind, std::string text) {
    StudyBlock block;
    block.Type = kind;
    block.Text = std::move(text);
    return block;
}
}  // namespace

void StudyDocument::AddHeading(std::string text) { Blocks.push_back(TextBlock(StudyBlock::Heading, std::move(text))); }
void StudyDocument::AddParagraph(std::string text) {
    Blocks.push_back(TextBlock(StudyBlock::Paragraph, std::move(text)));
}
void StudyDocument::AddNote(std::string text) { Blocks.push_back(TextBlock(StudyBlock::Note, std::move(text))); }
void StudyDocument::AddTable(StudyTable table) {
    StudyBlock block;
    block.Type = StudyBlock::Table;
    block.Rows = std::move(table);
    Blocks.push_back(std::move(block));
}
void StudyDocument::AddChart(std::string name, double heightMm, std::string caption) {
    StudyBlock block;
    block.Type = StudyBlock::Chart;
    block.ChartName = std::move(name);
    block.ChartHeightMm = heightMm;
    block.Text = std::move(caption);
    Blocks.push_back(std::move(block));
}
void StudyDocument::AddPageBreak() { Blocks.push_back(TextBlock(StudyBlock::PageBreak, "")); }

std::vector<double> StudyReturnPeriods(const std::vector<double>& project) {
    std::vector<double> periods;
    for (const double T : project)
        if (std::isfinite(T) && T > 1) periods.push_back(T);
    if (periods.empty()) periods.assign(std::begin(kReturnPeriods), std::end(kReturnPeriods));
    return periods;
}

StudyDocument StationStudy(const StudyInput& in) {
    StudyDocument doc;
    const std::string title = Text(in.Record->Title);
    doc.Title = "Estudo de frequência de cheias" + (title.empty() ? "" : " - " + title);
    const std::string place = Text(in.Record->Location);
    doc.Subtitle = place;
    AddCover(doc, in);
    AddStatistics(doc, in);
    AddFits(doc, in);
    AddAdvice(doc, in);
    AddQuantiles(doc, in);
    AddCharts(doc, in, 6);
    // The Bulletin 17C section after the charts (its figure is the fourth);
    // the method moves one on.
    if (in.B17c) B17cSection(doc, in, 7);
    AddMethod(doc, in, in.B17c ? 8 : 7);
    return doc;
}

}  // namespace zarn
