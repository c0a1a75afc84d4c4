#include "views/intervaltable.h"

#include <algorithm>

#include "analysis/errors.h"
#include "analysis/format.h"
#include "analysis/quantiles.h"

namespace zarn {

namespace {

// Decimals of the quantiles and limits in the CSV (the report's quantile table has 3).
constexpr int kCsvDecimals = 3;
constexpr const char* kByteOrderMark = "\xEF\xBB\xBF";

// A number of the CSV: empty when not finite (a spreadsheet reads an empty
// cell as missing, and "Nan" as text).
std::string CsvNumber(double v, char decimal) {
    std::string text = FormatFixed(v, 0, kCsvDecimals);
    if (text == "Nan" || text == "+Inf" || text == "-Inf") return {};
    if (decimal != '.') std::replace(text.begin(), text.end(), '.', decimal);
    return text;
}

}  // namespace

std::vector<IntervalRow> IntervalRows(const AnalysisRecord& r, const SimulationSummary& s) {
    std::vector<IntervalRow> rows;
    FloatingPointFlagsKept kept;  // a quantile that faults shows as it is, like the report's
    for (int index = 1; index <= kDistributionCount; ++index) {
        const auto limits = ReturnPeriodIntervals(s, index);
        const int m = IntervalSamples(s, index);
        for (int t = 0; t < kReturnPeriodCount; ++t)
            rows.push_back({index, kReturnPeriods[t], ReturnPeriodQuantile(r, index, t), limits[t], m});
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
        csv += DistributionName(row.Index) + sep + std::to_string(row.ReturnPeriod) + sep +
               CsvNumber(row.Quantile, decimal) + sep + CsvNumber(row.Limits.Lower, decimal) + sep +
               CsvNumber(row.Limits.Upper, decimal) + sep + std::to_string(row.Samples) + "\r\n";
    }
    return csv;
}

}  // namespace zarn
