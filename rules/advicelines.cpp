#include "rules/advicelines.h"

#include "analysis/errors.h"
#include "analysis/format.h"


namespace zarn {

namespace {

// UTF-8 characters in s.
int Characters(const std::string& s) {
    int n = 0;
    for (char c : s)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
    return n;
}

// s followed by blanks up to `width` characters.
std::string Padded(std::string s, int width) {
    for (int n = Characters(s); n < width; ++n) s += ' ';
    return s;
}

// Blanks and then s, `width` characters in all.
std::string RightAligned(const std::string& s, int width) {
    const int n = Characters(s);
    return n >= width ? s : std::string(static_cast<std::size_t>(width - n), ' ') + s;
}

std::string Col(double v, int width, int decimals) { return FormatFixed(v, width, decimals); }

// Widths of the columns of the ranking and of the quantile table.
constexpr int kRankWidth = 5, kNameWidth = 17, kStatusWidth = 16, kNumberWidth = 12;
constexpr int kPeriodWidth = 23, kQuantileWidth = 14, kLowerWidth = 24, kUpperWidth = 25;

}  // namespace

const char* const kExpectedDryText = "rio seco esperado (F <= p0)";

double AdviceQuantile(const AnalysisRecord& r, int index, int period) {
    const FloatingPointFlagsKept flags;
    return ReturnPeriodQuantile(r, index, period);
}

std::vector<std::string> WrapText(const std::string& text, int width, const std::string& first,
                                  const std::string& rest) {
    std::vector<std::string> lines;
    std::string line = first;
    bool empty = true;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && text[i] == ' ') ++i;
        if (i >= text.size()) break;
        std::size_t end = text.find(' ', i);
        if (end == std::string::npos) end = text.size();
        const std::string word = text.substr(i, end - i);
        i = end;
        if (!empty && Characters(line) + 1 + Characters(word) > width) {
            lines.push_back(line);
            line = rest;
            empty = true;
        }
        if (!empty) line += ' ';
        line += word;
        empty = false;
    }
    if (!empty || lines.empty()) lines.push_back(line);
    return lines;
}

std::vector<std::string> AdviceLines(const Advice& advice, const AnalysisRecord& r, const ReturnPeriodLimits* limits) {
    ReturnPeriodTable table;
    table.Periods = StandardReturnPeriods();
    for (int t = 0; t < kReturnPeriodCount; ++t) table.Probabilities.push_back(kReturnPeriodProbabilities[t]);
    if (advice.Recommended > 0) {
        for (int t = 0; t < kReturnPeriodCount; ++t) {
            table.Quantiles[advice.Recommended - 1].push_back(AdviceQuantile(r, advice.Recommended, t));
            table.Intervals[advice.Recommended - 1].push_back(limits != nullptr ? (*limits)[t] : QuantileInterval{0, 0});
        }
    }
    return AdviceLines(advice, r, table, limits != nullptr);
}

std::vector<std::string> AdviceLines(const Advice& advice, const AnalysisRecord& r, const ReturnPeriodTable& table,
                                     bool withLimits) {
    std::vector<std::string> out;
    const auto add = [&out](std::vector<std::string> lines) { out.insert(out.end(), lines.begin(), lines.end()); };
    const auto prose = [&](const std::string& text, const std::string& first, const std::string& rest) {
        add(WrapText(text, kAdviceTextWidth, first, rest));
    };

    out.emplace_back("ZARN - RECOMENDAÇÃO DA DISTRIBUIÇÃO");
    out.emplace_back();
    out.push_back("TÍTULO: " + Windows1252ToUtf8(TextOf(r.Title)));
    out.push_back("LOCAL: " + Windows1252ToUtf8(TextOf(r.Location)));
    out.push_back("BASE DE REGRAS: " + advice.RuleBase);
    if (!advice.RuleBaseProblem.empty()) prose(advice.RuleBaseProblem, "*** ", "    ");
    out.emplace_back();

    if (!advice.Cautions.empty()) {
        out.emplace_back("ATENÇÃO:");
        out.emplace_back();
        for (const Phrase& caution : advice.Cautions) prose(PhraseText(caution), "*** ", "    ");
        out.emplace_back();
    }

    out.emplace_back("PARECER:");
    out.emplace_back();
    prose(PhraseText(advice.Conclusion), "", "");
    out.emplace_back();

    out.emplace_back("CLASSIFICAÇÃO:");
    out.emplace_back();
    std::string header = RightAligned("Lugar", kRankWidth) + "  " + Padded("Distribuição", kNameWidth) +
                         Padded("Situação", kStatusWidth);
    for (const char* title : {"g", "Pert. |Z|", "Pert. R", "| Z |", "R", "R(90%)"})
        header += RightAligned(title, kNumberWidth);
    out.push_back(header);
    for (const DistributionAdvice& row : advice.Ranking) {
        const FitResult& fit = FitTestOf(r, row.Index);
        std::string line = RightAligned(std::to_string(row.Rank), kRankWidth) + "  " +
                           Padded(DistributionName(row.Index), kNameWidth) + Padded(StatusName(row.Status), kStatusWidth);
        for (double v : {row.Degree, row.ZMembership, row.RMembership, VarianceTestZOf(r, row.Index), fit.R, fit.R90})
            line += Col(v, kNumberWidth, 4);
        out.push_back(line);
    }
    out.emplace_back();

    out.emplace_back("MOTIVOS:");
    for (const DistributionAdvice& row : advice.Ranking) {
        out.emplace_back();
        out.push_back(std::to_string(row.Rank) + ". " + DistributionName(row.Index) + " (" + StatusName(row.Status) + ")");
        for (const Phrase& reason : row.Reasons) prose(PhraseText(reason), "   - ", "     ");
    }
    out.emplace_back();

    if (advice.Recommended == 0) {
        out.emplace_back("QUANTIS: nenhuma distribuição recomendada.");
        return out;
    }
    const int d = advice.Recommended - 1;
    out.push_back("QUANTIS DA DISTRIBUIÇÃO RECOMENDADA (" + DistributionName(advice.Recommended) + "):");
    out.emplace_back();
    std::string quantileHeader = Padded("Tempo de retorno (anos)", kPeriodWidth) + RightAligned("Quantil", kQuantileWidth);
    if (withLimits)
        quantileHeader += RightAligned("Limite inferior (5 %)", kLowerWidth) +
                          RightAligned("Limite superior (95 %)", kUpperWidth);
    out.push_back(quantileHeader);
    bool allDry = !table.Periods.empty();
    for (std::size_t t = 0; t < table.Periods.size(); ++t) {
        std::string line = Padded(RightAligned(FormatReturnPeriods({table.Periods[t]}), 6), kPeriodWidth) +
                           Col(table.Quantiles[d][t], kQuantileWidth, 3);
        const bool dry = table.Dry(t);
        allDry = allDry && dry;
        if (dry) line += "   " + std::string(kExpectedDryText);
        else if (withLimits) line += Col(table.Intervals[d][t].Lower, kLowerWidth, 3) + Col(table.Intervals[d][t].Upper, kUpperWidth, 3);
        out.push_back(line);
    }
    if (table.ZeroProbability > 0) {
        out.emplace_back();
        prose("Com os anos sem vazão (p0 = " + FormatFixed(table.ZeroProbability, 0, 4) +
                  "): o quantil de T anos é 0 quando F = 1 - 1/T <= p0 (rio seco esperado), senão o quantil da "
                  "distribuição ajustada aos valores positivos em (F - p0) / (1 - p0); os limites, da mesma forma "
                  "(Bulletin 17B, apêndice 5).",
              "", "");
        if (allDry)
            prose("Em todos os tempos de retorno pedidos o rio deve estar seco: nenhum deles passa da "
                  "probabilidade de um ano sem vazão.",
                  "*** ", "    ");
    }
    if (withLimits) {
        out.emplace_back();
        prose("Limites do intervalo de confiança de 90 %, pelo bootstrap paramétrico das amostras simuladas no "
              "teste de Filliben (reajuste da distribuição a cada amostra).",
              "", "");
    }
    return out;
}

}  // namespace zarn
