// SPDX-License-Identifier: GPL-3.0-or-later
// The calculation driver: fills the whole record from four texts and a data
// file. Any failure is a ZarnError and ends it at the step that failed; the
// record is then incomplete.
//
//   CalculateAll   title, location and comment in Windows-1252; the data
//                  file path as the file system spells it (UTF-8), stored in
//                  the record converted to Windows-1252; the caller has
//                  cleared TestFlags
//   RefuseUnanalysable  the early refusals of a sample read from a data file
//
// Before any calculation a sample that cannot be analysed is refused with a
// Portuguese message naming the cause, checked in this order: fewer than 4
// values; a negative value, or one that only underflows to 0 (its line and
// value); fewer than 4 positive values once the zeros are set aside; all positive values equal; all but one
// equal. A value of exactly 0 is a year without flow: the zeros are set aside
// and the whole analysis runs on the positive values in file order, as for a
// file holding only them (returnperiods.h adjusts the quantiles). A fault inside the goodness-of-fit
// simulations only leaves the faulting replicate out (simulation.h).
#pragma once

#include <string>

#include "files/datafile.h"
#include "analysis/record.h"
#include "analysis/returnperiods.h"
#include "analysis/simulation.h"

namespace zarn {

// The fewest values an analysis takes.
constexpr int kMinimumSampleSize = 4;

// dataFileName is the path the user chose: the file is read under it whole,
// the record keeps its first 255 characters. options: threads and progress of
// the simulations (the result is the same for any thread count). simulations,
// when given, receives what the analysis keeps of the simulations (replicates
// completed, confidence intervals). zeroYears, when given, receives the zeros
// set aside and the values read.
void CalculateAll(AnalysisRecord& r, const std::string& title, const std::string& location,
                  const std::string& comment, const std::string& dataFileName,
                  const SimulationOptions& options = {}, SimulationSummary* simulations = nullptr,
                  ZeroYears* zeroYears = nullptr);

// Throws the refusal of a sample of n values read from a data file (lines and
// tokens from `source`), or returns when it can be analysed.
void RefuseUnanalysable(const double* values, int n, const DataFileSource& source);

}  // namespace zarn
