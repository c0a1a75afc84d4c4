// The table of the return-period quantiles with their 90 % confidence
// limits, for the eight distributions: what the intervals window shows and
// what its "Salvar" writes as CSV. Pure functions of the record and the
// simulations; texts are UTF-8.
//
//   IntervalRow        one distribution at one return period
//   IntervalRows       the 56 rows, distributions 1..8, T = 2 ... 1000
//   IntervalCsv        the rows as CSV: ";" with decimal "," or "," with ".",
//                      a header line, UTF-8 with BOM, CR LF
#pragma once

#include <string>
#include <vector>

#include "analysis/intervals.h"
#include "analysis/record.h"

namespace zarn {

struct IntervalRow {
    int Index;          // distribution 1..8
    int ReturnPeriod;   // 2, 5, 10, 50, 100, 200, 1000
    double Quantile;    // as the report computes it
    QuantileInterval Limits;
    int Samples;        // m, the refits the limits rest on
};

std::vector<IntervalRow> IntervalRows(const AnalysisRecord& r, const SimulationSummary& s);
// separator ';' writes decimal commas, ',' decimal points.
std::string IntervalCsv(const std::vector<IntervalRow>& rows, char separator);

}  // namespace zarn
