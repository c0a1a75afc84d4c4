// SPDX-License-Identifier: GPL-3.0-or-later
#include "study/regionalstudy.h"

#include <algorithm>

#include "views/regionallines.h"

namespace zarn {

namespace {

// Return periods per table: with the row names they fit the 170 mm of text
// of an A4 page; longer lists continue in a table below.
constexpr std::size_t kPeriodsPerTable = 7;
constexpr double kDiagramHeightMm = 110;
constexpr double kGrowthChartHeightMm = 95;

std::string Family(RegionalFamily f) { return std::string(FamilyName(f)); }

// One table per slice of the return periods: the first column names the
// rows, the others are the periods of the slice.
struct PeriodRow {
    std::string Name;
    PeriodValues Values;
    int Decimals;
};

void AddPeriodTables(StudyDocument& doc, const RegionalResult& r, const std::string& firstColumn,
                     const std::vector<PeriodRow>& rows) {
    const std::size_t periods = r.ReturnPeriods.size();
    for (std::size_t from = 0; from < periods; from += kPeriodsPerTable) {
        const std::size_t to = std::min(periods, from + kPeriodsPerTable);
        StudyTable table;
        table.Header = {firstColumn};
        table.RightAligned = {false};
        for (std::size_t t = from; t < to; ++t) {
            table.Header.push_back("T = " + PeriodLabel(r.ReturnPeriods[t]));
            table.RightAligned.push_back(true);
        }
        for (const PeriodRow& row : rows) {
            std::vector<std::string> cells = {row.Name};
            for (std::size_t t = from; t < to; ++t)
                cells.push_back(t < row.Values.size() ? RegionNumber(row.Values[t], row.Decimals) : "-");
            table.Rows.push_back(std::move(cells));
        }
        doc.AddTable(std::move(table));
    }
}

void AddCover(StudyDocument& doc, const RegionalStudyInput& in) {
    const RegionalResult& r = *in.Result;
    StudyTable cover;
    cover.Header = {"", ""};
    cover.RightAligned = {false, false};
    cover.Rows = {{"Região", in.Input},
                  {"Postos", std::to_string(r.Sites.size())},
                  {"Data do estudo", in.Date},
                  {"Programa", "ZARN " + in.Version}};
    doc.AddTable(std::move(cover));
    for (const std::string& warning : r.Warnings) doc.AddNote(warning);
}

void AddSites(StudyDocument& doc, const RegionalResult& r) {
    doc.AddHeading("1. Postos e discordância");
    doc.AddParagraph("Os L-momentos de cada posto e a medida de discordância D (Hosking e Wallis 1997, 3.2); "
                     "é discordante o posto com D acima do valor crítico de " +
                     RegionNumber(r.DCritical, 4) + " (10 %, " + std::to_string(r.Sites.size()) + " postos).");
    StudyTable t;
    t.Header = {"Nº", "Posto", "n", "l1", "t", "t3", "t4", "t5", "D", "Discordante"};
    t.RightAligned = {true, false, true, true, true, true, true, true, true, false};
    for (std::size_t i = 0; i < r.Sites.size(); ++i) {
        const RegionSite& s = r.Sites[i];
        t.Rows.push_back({std::to_string(i + 1), s.Name, std::to_string(s.N), RegionNumber(s.LMoments[0], 3), RegionNumber(s.LMoments[1], 4),
                          RegionNumber(s.LMoments[2], 4), RegionNumber(s.LMoments[3], 4),
                          RegionNumber(s.LMoments[4], 4), r.D[i] ? RegionNumber(*r.D[i], 2) : "-",
                          r.Discordant[i] ? "sim" : "não"});
    }
    doc.AddTable(std::move(t));
    if (!r.DNotGivenReason.empty()) doc.AddNote(r.DNotGivenReason);
    doc.AddParagraph("L-momentos regionais (médias ponderadas pelo tamanho das amostras): t = " +
                     RegionNumber(r.Regional[1], 4) + ", t3 = " + RegionNumber(r.Regional[2], 4) + ", t4 = " +
                     RegionNumber(r.Regional[3], 4) + ", t5 = " + RegionNumber(r.Regional[4], 4) + ".");
}

void AddHeterogeneity(StudyDocument& doc, const RegionalResult& r) {
    doc.AddHeading("2. Heterogeneidade");
    doc.AddParagraph("As medidas de heterogeneidade H comparam a dispersão dos L-momentos dos postos com a de " +
                     std::to_string(r.NSim) +
                     " regiões homogêneas simuladas da distribuição kappa regional (Hosking e Wallis 1997, 4.3).");
    StudyTable t;
    t.Header = {"Medida", "V observado", "Média simulada", "Desvio simulado", "H"};
    t.RightAligned = {false, true, true, true, true};
    const char* names[3] = {"V1 (t)", "V2 (t, t3)", "V3 (t3, t4)"};
    for (int j = 0; j < 3; ++j)
        t.Rows.push_back({names[j], RegionNumber(r.V[j], 4), RegionNumber(r.SimulatedMeanV[j], 4),
                          RegionNumber(r.SimulatedSdV[j], 4), RegionNumber(r.H[j], 2)});
    doc.AddTable(std::move(t));
    doc.AddParagraph("Veredito (H1): " + r.Heterogeneity);
    if (r.KappaFallback) doc.AddNote(r.KappaFallbackReason);
}

void AddCandidates(StudyDocument& doc, const RegionalStudyInput& in) {
    const RegionalResult& r = *in.Result;
    doc.AddHeading("3. Candidatas e escolha");
    doc.AddParagraph("A aderência de cada distribuição candidata pela medida Z (Hosking e Wallis 1997, 5.2): "
                     "aceitável quando |Z| <= 1,64.");
    StudyTable t;
    t.Header = {"Distribuição", "τ4 da distribuição", "Z", "Aceitável"};
    t.RightAligned = {false, true, true, false};
    for (std::size_t i = 0; i < r.Candidates.size(); ++i) {
        const CandidateResult& c = r.Candidates[i];
        if (c.Fit.Family == r.Chosen) t.EmphasisedRow = static_cast<int>(i);
        t.Rows.push_back({Family(c.Fit.Family), RegionNumber(c.Tau4, 4), RegionNumber(c.Z, 2),
                          c.Acceptable ? "sim" : "não"});
    }
    doc.AddTable(std::move(t));
    doc.AddParagraph("Escolhida: " + Family(r.Chosen) + (r.ChosenReason.empty() ? "." : ", " + r.ChosenReason + "."));
    if (!in.Advice.empty()) {
        doc.AddParagraph("Recomendações do sistema especialista:");
        for (const std::string& line : in.Advice)
            if (!line.empty()) doc.AddParagraph(line);
    }
    doc.AddChart(kRegionalStudyDiagramChart, kDiagramHeightMm,
                 "Diagrama de momentos-L da região: os postos (numerados como na tabela da seção 1), a média "
                 "regional e as curvas τ4(τ3) das candidatas.");
}

void AddGrowthCurve(StudyDocument& doc, const RegionalResult& r) {
    doc.AddHeading("4. Curva regional de crescimento");
    doc.AddParagraph("Quantis adimensionais (quantil / índice de cheia) de cada distribuição ajustada aos "
                     "L-momentos regionais" +
                     std::string(r.Accuracy ? ", e o erro quadrático médio relativo e os limites de 90 % da "
                                              "simulação de precisão"
                                            : "") +
                     ".");
    std::vector<PeriodRow> rows;
    for (const CandidateResult& c : r.Candidates) rows.push_back({Family(c.Fit.Family), c.GrowthCurve, 4});
    rows.push_back({"WAK", r.WakebyGrowthCurve, 4});
    if (r.Accuracy) {
        const std::string f = Family(r.Accuracy->Family);
        rows.push_back({f + ": EQM relativo", r.Accuracy->RelativeRMSE, 4});
        rows.push_back({f + ": limite 5 %", r.Accuracy->Lower, 4});
        rows.push_back({f + ": limite 95 %", r.Accuracy->Upper, 4});
    }
    AddPeriodTables(doc, r, "Distribuição", rows);
    doc.AddChart(kRegionalStudyGrowthChart, kGrowthChartHeightMm,
                 "Curva regional de crescimento da distribuição escolhida em papel de Gumbel" +
                     std::string(r.Accuracy ? ", com os limites de 90 %" : "") +
                     "; no eixo, T = 2 anos é 0,37, 10 anos 2,25, 100 anos 4,6 e 1000 anos 6,9.");
}

void AddSiteQuantiles(StudyDocument& doc, const RegionalResult& r) {
    doc.AddHeading("5. Quantis dos postos");
    doc.AddParagraph(r.Accuracy ? "O índice de cheia de cada posto (sua média l1) vezes a curva regional de " +
                                      Family(r.Accuracy->Family) +
                                      ", com o erro quadrático médio e os limites de 90 % da simulação de precisão."
                                : "O índice de cheia de cada posto (sua média l1) vezes a curva regional de " +
                                      Family(r.Chosen) + "; sem simulação de precisão, sem limites.");
    std::vector<PeriodRow> rows;
    for (std::size_t i = 0; i < r.Sites.size(); ++i) {
        rows.push_back({r.Sites[i].Name, RegionSiteQuantiles(r, i), 2});
        if (!r.Accuracy) continue;
        const AccuracyResult::Site& s = r.Accuracy->Sites[i];
        rows.push_back({"   EQM", s.RMSE, 2});
        rows.push_back({"   limite 5 %", s.Lower, 2});
        rows.push_back({"   limite 95 %", s.Upper, 2});
    }
    AddPeriodTables(doc, r, "Posto", rows);
}

void AddUngauged(StudyDocument& doc, const RegionalResult& r) {
    if (!r.Regression) return;
    const RegressionResult& g = *r.Regression;
    doc.AddHeading("6. Posto sem dados");
    doc.AddParagraph("Regressão do índice de cheia na área de drenagem, com " + std::to_string(g.Sites.size()) +
                     " postos: ln l1 = " + RegionNumber(g.A, 3) + " + " + RegionNumber(g.B, 3) + " ln(área), R² = " +
                     RegionNumber(g.R2, 3) + ", erro-padrão dos resíduos " + RegionNumber(g.StandardError, 3) +
                     " (em ln); áreas de " + RegionNumber(g.SmallestArea, 1) + " a " + RegionNumber(g.LargestArea, 1) +
                     " km².");
    if (!r.Ungauged) return;
    const UngaugedResult& u = *r.Ungauged;
    doc.AddParagraph("Área de " + RegionNumber(u.Area, 1) + " km²: índice de cheia " + RegionNumber(u.IndexFlood, 2) +
                     ".");
    std::vector<PeriodRow> rows = {{"Quantil", u.Quantiles, 2}};
    if (u.HasBounds) {
        rows.push_back({"Limite 5 %", u.Lower, 2});
        rows.push_back({"Limite 95 %", u.Upper, 2});
    }
    AddPeriodTables(doc, r, "", rows);
    if (u.HasBounds)
        doc.AddNote("Os limites são os da curva regional e não incluem o erro da regressão do índice de cheia.");
    if (const std::string caution = UngaugedCaution(r); !caution.empty()) doc.AddParagraph(caution);
}

void AddMethod(StudyDocument& doc, const RegionalResult& r) {
    doc.AddHeading(r.Regression ? "7. Método" : "6. Método");
    std::string text =
        "Análise regional de frequência pelo método do índice de cheia com L-momentos (Hosking, J. R. M. e "
        "Wallis, J. R., 1997, Regional Frequency Analysis: an approach based on L-moments, Cambridge University "
        "Press). Heterogeneidade com " +
        std::to_string(r.NSim) + " regiões simuladas";
    if (r.Accuracy)
        text += "; precisão com " + std::to_string(r.NRep) + " regiões simuladas da distribuição " +
                Family(r.Accuracy->Family) + " (" + std::to_string(r.Accuracy->Replicates) +
                " reajustadas), correlação entre postos " + RegionNumber(r.Accuracy->Correlation, 2);
    text += "; semente " + std::to_string(r.Seed) +
            ". Com a mesma semente e as mesmas contagens os resultados se repetem exatamente.";
    doc.AddParagraph(text);
}

}  // namespace

StudyDocument RegionalStudy(const RegionalStudyInput& in) {
    StudyDocument doc;
    doc.Title = "Estudo regional de frequência de cheias";
    doc.Subtitle = "Região: " + in.Input;
    AddCover(doc, in);
    AddSites(doc, *in.Result);
    AddHeterogeneity(doc, *in.Result);
    AddCandidates(doc, in);
    AddGrowthCurve(doc, *in.Result);
    AddSiteQuantiles(doc, *in.Result);
    AddUngauged(doc, *in.Result);
    AddMethod(doc, *in.Result);
    return doc;
}

}  // namespace zarn
