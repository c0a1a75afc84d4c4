// The values that live beside the analysis record for the whole run, and
// where the program's support files (help file, rule bases) are found.
//
//   ProjectModified    true while a created analysis has not been saved
//   StartupDir         the working directory at start-up
//   CurrentSimulations what the simulations of the analysis in memory gave
//                      (not in the project file: invalid after an open)
//   CurrentReturnPeriods the study's return periods (the report's seven by default)
//   CurrentZeroYears   the years without flow set aside from its series
//   CalculationThreads threads of a calculation (0: the hardware threads)
//   ProgramDir         the folder of the running executable
//   FindSupportFile    a support file in StartupDir, beside the executable,
//                      or in the installed data folder, in that order
#pragma once

#include <string>
#include <vector>

#include "analysis/returnperiods.h"
#include "analysis/simulation.h"

namespace zarn {

// True while a created analysis has not been saved.
extern bool ProjectModified;
// The working directory at start-up: help file, rule-engine files.
extern std::string StartupDir;
// Replicates completed and confidence intervals of the analysis in memory;
// Valid is false until a calculation (or EnsureSimulations) filled it.
extern SimulationSummary CurrentSimulations;
// The return periods of the quantile tables, the intervals and the charts,
// and the zero annual maxima of the series; both kept beside the project file.
extern std::vector<double> CurrentReturnPeriods;
extern ZeroYears CurrentZeroYears;
extern int CalculationThreads;

// The folder that holds the running executable ("" when it cannot be told).
std::string ProgramDir();
// The folders searched for support files, in order: StartupDir, the
// executable's folder, the installed data folder (share/zarn beside the
// executable's bin/); duplicates and empty entries left out.
std::vector<std::string> SupportFolders();
// The full path of the first existing regular file `name` in SupportFolders(),
// or "" when there is none.
std::string FindSupportFile(const std::string& name);

}  // namespace zarn
