// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/report.h"

#include <cerrno>
#include <cstring>
#include <string_view>

#include "files/errors.h"
#include "files/filewrite.h"
#include "files/format.h"
#include "analysis/quantiles.h"
#include "views/lines.h"
#include "files/textcodec.h"

namespace zarn {

namespace {

// Row labels, two blanks, the name and blanks up to 19 characters, by
// distribution index.
constexpr const char* kLabels[kDistributionCount] = {
    "  Normal           ", "  LogNormal        ", "  Gumbel           ", "  Exponecial       ",
    "  Pearson-III      ", "  LogPearson-III   ", "  GEV              ", "  GPA              ",
};

// Warning lines for bits 1 to 6 of TestFlags, in bit order.
struct Warning {
    std::uint8_t Bit;
    const char* Text;
};
constexpr Warning kWarnings[] = {
    {FlagDependent, "*** O TESTE DE KENDALL IDENTIFICOU A POSSIBILIDADE DOS DADOS AMOSTRAIS NÃO SEREM INDEPENDENTES."},
    {FlagNonHomogeneous, "*** O TESTE DE MANN-KENDALL IDENTIFICOU A POSSIBILIDADE DOS DADOS AMOSTRAIS NÃO SEREM HOMOGENEOS."},
    {FlagHighOutlierGB, "*** O TESTE DE GRUBBS & BECK IDENTIFICOU A POSSÍVEL PRESENÇA DE UM OUTLIER (VALOR ALTO)."},
    {FlagLowOutlierGB, "*** O TESTE DE GRUBBS & BECK IDENTIFICOU A POSSÍVEL PRESENÇA DE UM OUTLIER (VALOR BAIXO)."},
    {FlagHighOutlierSkew, "*** O TESTE DA ASSIMETRIA IDENTIFICOU A POSSÍVEL PRESENÇA DE UM OUTLIER (VALOR ALTO)."},
    {FlagLowOutlierSkew, "*** O TESTE DA ASSIMETRIA IDENTIFICOU A POSSÍVEL PRESENÇA DE UM OUTLIER (VALOR BAIXO)."},
};

std::string Free(double v) { return FormatFixed(v, 0, 4); }
std::string Col12(double v) { return FormatFixed(v, 12, 4); }
std::string Col10(double v) { return FormatFixed(v, 10, 3); }

// Appends lines whose literal part is written here in UTF-8 and stored in
// Windows-1252; the value part (numbers, record texts) is appended as it is.
class LineSink {
public:
    explicit LineSink(std::vector<std::string>& lines) : lines_(lines) {}
    void Add(std::string_view utf8, const std::string& value = {}) {
        lines_.push_back(Utf8ToWindows1252(utf8) + value);
    }
    void Empty() { lines_.emplace_back(); }

private:
    std::vector<std::string>& lines_;
};

// Quantile of return period `period` for the table. A quantile the quantile
// function cannot compute arrives as 0 (and prints as 0.000, or 1.000 after
// the exponential of indexes 2 and 6); an arithmetic fault raised by the
// computation itself (absurd parameters) ends the report with its error.
double TableQuantile(const AnalysisRecord& r, int index, int period) {
    const FloatingPointCheck check;
    const double q = ReturnPeriodQuantile(r, index, period);
    check.Raise();
    return q;
}

}  // namespace

void AppendReportLines(const AnalysisRecord& r, std::vector<std::string>& lines, const ZeroYears& zeros) {
    LineSink out(lines);
    const auto flag = [&r](std::uint8_t bit) { return (r.TestFlags & bit) != 0; };

    out.Add("ZARN - KELMORIDA");
    out.Empty();
    out.Add("TÍTULO: ", TextOf(r.Title));
    out.Add("LOCAL: ", TextOf(r.Location));
    out.Add("COMENTÁRIO: ", TextOf(r.Comment));
    out.Add("ARQUIVO DE DADOS: ", TextOf(r.DataFileName));
    out.Empty();

    if ((r.TestFlags & kWarningMask) != 0) {
        out.Add("ATENÇÃO:");
        out.Empty();
        for (const Warning& w : kWarnings)
            if (flag(w.Bit)) out.Add(w.Text);
        out.Empty();
        out.Add("*** ANTES DE PROSSEGUIR VERIFIQUE SE A(S) QUESTÃO(ÕES) APONTADA(S) TEM OU NÃO PROCEDÊNCIA.");
        out.Add("    CASO NEGATIVO PROSSIGA À ANÁLISE.");
    }

    // A series with years without flow says so first; every number below
    // is that of its positive values.
    if (zeros.Zeros > 0) {
        out.Empty();
        out.Add("ANOS SEM VAZÃO:");
        out.Empty();
        for (const std::string& line : ZeroYearLines(zeros, Free)) out.Add(line);
        out.Add("  A análise a seguir é a dos valores positivos, na ordem do arquivo.");
        out.Add("  Quantil de T anos: 0 se 1 - 1/T <= p0; senão o quantil dos valores positivos");
        out.Add("  em F' = (1 - 1/T - p0) / (1 - p0) (Bulletin 17B, apêndice 5). Os quantis de");
        out.Add("  ESTIMAÇÃO DE QUANTIS são os dos valores positivos (dado um ano com vazão).");
    }

    out.Empty();
    out.Add("ESTATÍSTICAS DESCRITIVAS:");
    out.Empty();
    out.Add("**Tamanho da amostra : ", std::to_string(r.SampleSize));
    out.Add("  Máximo : ", Free(r.Maximum));
    out.Add("  Mínimo : ", Free(r.Minimum));
    out.Add("  Média : ", Free(r.Mean));
    out.Add("  Desvio padrão : ", Free(r.StdDev));
    out.Add("  Assimetria : ", Free(r.Skewness));
    out.Empty();
    out.Add("**Momentos-L:");
    out.Add("  l1 : ", Free(r.LMoments.L1));
    out.Add("  l2 : ", Free(r.LMoments.L2));
    out.Add("  t3 : ", Free(r.LMoments.T3));
    out.Add("  t4 : ", Free(r.LMoments.T4));
    out.Empty();
    out.Add("**Logaritmos:");
    out.Add("  Máximo : ", Free(r.LogMaximum));
    out.Add("  Mínimo : ", Free(r.LogMinimum));
    out.Add("  Média : ", Free(r.LogMean));
    out.Add("  Desvio padrão : ", Free(r.LogStdDev));
    out.Add("  Assimetria : ", Free(r.LogSkewness));
    out.Empty();

    // Each verdict follows its bit of TestFlags, never the printed numbers.
    out.Add("TESTES NÃO PARAMÉTRICOS:");
    out.Empty();
    for (const std::string& line : NonParametricTestLines(r, Free)) out.Add(line);
    out.Empty();

    // Shape is printed for the three-parameter distributions 5 to 8 only.
    out.Add("ESTIMAÇÃO DOS PARÂMETROS:");
    out.Empty();
    out.Add("Distribuição           Posição       Escala        Forma");
    for (int i = 1; i <= kDistributionCount; ++i) {
        const ParameterSet& p = ParametersOf(r, i);
        std::string row = Col12(p.Position) + "  " + Col12(p.Scale);
        if (i >= kPearson3) row += "  " + Col12(p.Shape);
        out.Add(kLabels[i - 1], row);
    }
    out.Empty();

    out.Add("TESTES DE AJUSTE:");
    out.Empty();
    out.Add("**Teste de Filliben");
    out.Add("Distribuição            R(90%)          R");
    for (int i = 1; i <= kDistributionCount; ++i)
        out.Add(kLabels[i - 1], Col12(FitTestOf(r, i).R90) + "  " + Col12(FitTestOf(r, i).R));
    out.Empty();
    out.Add("**Teste da Variância");
    out.Add("Distribuição            | Z |");
    for (int i = 1; i <= kDistributionCount; ++i) out.Add(kLabels[i - 1], Col12(VarianceTestZOf(r, i)));
    out.Empty();

    // The last quantile row is the last line: no empty line follows.
    out.Add("ESTIMAÇÃO DE QUANTIS:");
    out.Empty();
    out.Add("                                                  Tempo de Retorno");
    out.Add("Distribuição              2          5          10         50        100        200       1000");
    for (int i = 1; i <= kDistributionCount; ++i) {
        std::string row;
        for (int period = 0; period < kReturnPeriodCount; ++period)
            row += " " + Col10(TableQuantile(r, i, period));
        out.Add(kLabels[i - 1], row);
    }
}

std::vector<std::string> ReportLines(const AnalysisRecord& r, const ZeroYears& zeros) {
    std::vector<std::string> lines;
    lines.reserve(124);
    AppendReportLines(r, lines, zeros);
    return lines;
}

namespace {

std::string CannotCreateText(const std::string& path, int code) {
    return "Cannot create file \"" + path + "\". " + std::strerror(code);
}

}  // namespace

void SaveReport(const std::vector<std::string>& lines, const std::string& path) {
    std::string bytes;
    for (const std::string& line : lines) bytes += line + "\r\n";
    // A file that cannot be created or replaced gets the "Cannot create file"
    // text; a write that fails once the file exists gets the runtime's text.
    ReplaceFileContents(path, bytes, [&](WriteStage stage, int code) {
        return stage == WriteStage::Create ? CannotCreateText(path, code) : FileErrorText(code, path);
    });
}

}  // namespace zarn
