// SPDX-License-Identifier: GPL-3.0-or-later
// The table of the return-period quantiles with their 90 % confidence
// limits, for the eight distributions: what the intervals window shows and
// what its "Salvar" writes as CSV. Pure functions of the record and the
// simulations; texts are UTF-8.
//
//   IntervalRow        one distribution at one return period
//   IntervalRows       8 x k rows, distributions 1..8, the study's return
//                      periods (the seven of the report by default), the
//                      years without flow taken back in
//   IntervalCsv        the rows as CSV: ";" with decimal "," or "," with ".",
//                      a line naming the project, the columns' header,
//                      UTF-8 with BOM, CR LF; kIntervalDryText in the
//                      limits of a period at which the river is expected dry
#pragma once

#include <string>
#include <vector>

#include "analysis/intervals.h"
#include "analysis/record.h"
#include "analysis/returnperiods.h"

namespace zarn {

struct IntervalRow {
    int Index;            // distribution 1..8
    double ReturnPeriod;  // years
    double Quantile;      // as the report computes it; 0 in a year expected dry
    QuantileInterval Limits;
    int Samples;          // m, the refits the limits rest on
    bool Dry = false;     // 1 - 1/T <= p0: the river is expected dry
};

std::vector<IntervalRow> IntervalRows(const AnalysisRecord& r, const SimulationSummary& s,
                                      const std::vector<double>& periods = StandardReturnPeriods(),
                                      const ZeroYears& zeros = {});
// The limits' text at a return period with 1 - 1/T <= p0, as the window shows it.
extern const char* const kIntervalDryText;

// separator ';' writes decimal commas, ',' decimal points. `project` names
// the analysis ("Projeto: Título - Local", as the window heads it).
std::string IntervalCsv(const std::vector<IntervalRow>& rows, char separator, const std::string& project);

}  // namespace zarn
