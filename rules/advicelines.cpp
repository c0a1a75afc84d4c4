// SPDX-License-Identifier: GPL-3.0-or-later
#include "rules/advicelines.h"

#include "files/errors.h"
#include "files/format.h"
#include "files/numbertext.h"
#include "files/textcodec.h"

#include <algorithm>

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

// Blanks between two columns of a table.
constexpr int kColumnGap = 2;

// A table as text: each column as wide as its widest cell, the gap before
// every column after the first; `right` marks the columns of numbers.
std::vector<std::string> TextTable(const std::vector<std::vector<std::string>>& rows, const std::vector<bool>& right) {
    std::vector<int> widths;
    for (const auto& row : rows)
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (widths.size() <= c) widths.push_back(0);
            widths[c] = std::max(widths[c], Characters(row[c]));
        }
    std::vector<std::string> lines;
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (c > 0) line += std::string(kColumnGap, ' ');
            const bool last = c + 1 == row.size();
            line += c < right.size() && right[c] ? RightAligned(row[c], widths[c])
                    : last                       ? row[c]
                                                 : Padded(row[c], widths[c]);
        }
        lines.push_back(line);
    }
    return lines;
}

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

std::vector<std::string> AdviceLines(const Advice& advice, const AnalysisRecord& r, const ReturnPeriodLimits* limits,
                                     char decimalSeparator) {
    ReturnPeriodTable table;
    table.Periods = StandardReturnPeriods();
    for (int t = 0; t < kReturnPeriodCount; ++t) table.Probabilities.push_back(kReturnPeriodProbabilities[t]);
    if (advice.Recommended > 0) {
        for (int t = 0; t < kReturnPeriodCount; ++t) {
            table.Quantiles[advice.Recommended - 1].push_back(AdviceQuantile(r, advice.Recommended, t));
            table.Intervals[advice.Recommended - 1].push_back(limits != nullptr ? (*limits)[t] : QuantileInterval{0, 0});
        }
    }
    return AdviceLines(advice, r, table, limits != nullptr, decimalSeparator);
}

std::vector<std::string> AdviceLines(const Advice& advice, const AnalysisRecord& r, const ReturnPeriodTable& table,
                                     bool withLimits, char decimalSeparator) {
    const NumberStyle style = StyleFor(decimalSeparator);
    std::vector<std::string> out;
    const auto add = [&out](std::vector<std::string> lines) { out.insert(out.end(), lines.begin(), lines.end()); };
    const auto prose = [&](const std::string& text, const std::string& first, const std::string& rest) {
        add(WrapText(text, kAdviceTextWidth, first, rest));
    };
    const auto sentence = [&style](const Phrase& phrase) { return ComparedPhraseText(phrase, style); };

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
        for (const Phrase& caution : advice.Cautions) prose(sentence(caution), "*** ", "    ");
        out.emplace_back();
    }

    out.emplace_back("PARECER:");
    out.emplace_back();
    prose(sentence(advice.Conclusion), "", "");
    out.emplace_back();

    out.emplace_back("CLASSIFICAÇÃO:");
    out.emplace_back();
    std::vector<std::vector<std::string>> ranking{
        {"Lugar", "Distribuição", "Situação", "g", "Pert. |Z|", "Pert. R", "| Z |", "R", "R(90%)"}};
    for (const DistributionAdvice& row : advice.Ranking) {
        const FitResult& fit = FitTestOf(r, row.Index);
        const auto rr = FormatCompared({fit.R, fit.R90}, style);
        ranking.push_back({std::to_string(row.Rank), DistributionName(row.Index), StatusName(row.Status),
                           FormatNumber(row.Degree, style), FormatNumber(row.ZMembership, style),
                           FormatNumber(row.RMembership, style), FormatNumber(VarianceTestZOf(r, row.Index), style),
                           rr[0], rr[1]});
    }
    add(TextTable(ranking, {true, false, false, true, true, true, true, true, true}));
    out.emplace_back();

    out.emplace_back("MOTIVOS:");
    for (const DistributionAdvice& row : advice.Ranking) {
        out.emplace_back();
        out.push_back(std::to_string(row.Rank) + ". " + DistributionName(row.Index) + " (" + StatusName(row.Status) + ")");
        for (const Phrase& reason : row.Reasons) prose(sentence(reason), "   - ", "     ");
    }
    out.emplace_back();

    if (advice.Recommended == 0) {
        out.emplace_back("QUANTIS: nenhuma distribuição recomendada.");
        return out;
    }
    const int d = advice.Recommended - 1;
    out.push_back("QUANTIS DA DISTRIBUIÇÃO RECOMENDADA (" + DistributionName(advice.Recommended) + "):");
    out.emplace_back();
    std::vector<std::vector<std::string>> quantiles{{"Tempo de retorno (anos)", "Quantil"}};
    if (withLimits) {
        quantiles[0].push_back("Limite inferior (5 %)");
        quantiles[0].push_back("Limite superior (95 %)");
    }
    bool allDry = !table.Periods.empty();
    for (std::size_t t = 0; t < table.Periods.size(); ++t) {
        const double q = table.Quantiles[d][t];
        std::vector<std::string> row{FormatReturnPeriods({table.Periods[t]}, decimalSeparator)};
        const bool dry = table.Dry(t);
        allDry = allDry && dry;
        if (dry) {
            row.push_back(FormatNumber(q, style));
            row.push_back(kExpectedDryText);
        } else if (withLimits) {
            for (const std::string& text :
                 FormatCompared({q, table.Intervals[d][t].Lower, table.Intervals[d][t].Upper}, style))
                row.push_back(text);
        } else {
            row.push_back(FormatNumber(q, style));
        }
        quantiles.push_back(row);
    }
    add(TextTable(quantiles, {true, true, true, true}));
    if (table.ZeroProbability > 0) {
        out.emplace_back();
        prose("Com os anos sem vazão (p0 = " + FormatNumber(table.ZeroProbability, style) +
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
