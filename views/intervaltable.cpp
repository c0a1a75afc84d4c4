// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/intervaltable.h"

#include <algorithm>

#include "files/errors.h"
#include "files/format.h"

namespace zarn {

namespace {

// Decimals of the quantiles and limits in the CSV (the report's quantile table has 3).
constexpr int kCsvDecimals = 3;
constexpr const char* kByteOrderMark = "\xEF\xBB\xBF";

// A number of the CSV: empty when not finite (a spreadsheet reads an empty
// cell as missing, and "Nan" as text).
std::string CsvFixed(double v, char decimal) {
    std::string text = FormatFixed(v, 0, kCsvDecimals);
    if (text == "Nan" || text == "+Inf" || text == "-Inf") return {};
    if (decimal != '.') std::replace(text.begin(), text.end(), '.', decimal);
    return text;
}

}  // namespace

std::vector<IntervalRow> IntervalRows(const AnalysisRecord& r, const SimulationSummary& s,
                                      const std::vector<double>& periods, const ZeroYears& zeros) {
    // A quantile that faults shows as it is, like the report's.
    const ReturnPeriodTable table =
        MakeReturnPeriodTable(r, &s, periods, zeros.Probability(), QuantileFaults::Show);
    std::vector<IntervalRow> rows;
    for (int index = 1; index <= kDistributionCount; ++index) {
        for (std::size_t t = 0; t < periods.size(); ++t)
            rows.push_back({index, periods[t], table.Quantiles[index - 1][t], table.Intervals[index - 1][t],
                            table.IntervalSamples[index - 1], table.Dry(t)});
    }
    return rows;
}

std::string IntervalCsv(const std::vector<IntervalRow>& rows, char separator) {
    const char decimal = separator == ';' ? ',' : '.';
    const std::string sep(1, separator);
    std::string csv = kByteOrderMark;
    csv += "Distribuição" + sep + "Tempo de retorno (anos)" + sep + "Quantil" + sep + "Limite inferior (5 %)" + sep +
           "Limite superior (95 %)" + sep + "Amostras simuladas\r\n";
    for (const IntervalRow& row : rows) {
        csv += DistributionName(row.Index) + sep + FormatReturnPeriods({row.ReturnPeriod}, decimal) + sep +
               CsvFixed(row.Quantile, decimal) + sep + CsvFixed(row.Limits.Lower, decimal) + sep +
               CsvFixed(row.Limits.Upper, decimal) + sep + std::to_string(row.Samples) + "\r\n";
    }
    return csv;
}

}  // namespace zarn
