// SPDX-License-Identifier: GPL-3.0-or-later
// What a project keeps for its Bulletin 17C analysis: the flood record with
// its historical and censored years, the perception thresholds, and the
// options of the analysis. Kept in the project's side file (projectsettings.h)
// as "b17c_..." lines beside the other settings; the project file, one image
// of the analysis record, never holds them.
//
//   B17cProject            the record and the options
//   ReadB17cProject        the project's B17C values from its settings
//   SetB17cProject         puts them into the settings (replacing the old ones)
//   SystematicRecord       the project's series as point values from a first year
//   LowOutlierMethodKey    "mgbt", "gb", "nenhum", "valor"; SkewOptionKey likewise
//
// Side-file lines (one per year and per threshold, "inf" for no upper bound):
//   b17c_ano=1902;12000;12000;h        a year: its low and high flow, "h" when
//                                      it lies outside the systematic record
//   b17c_limiar=1850;1920;5000;inf     a perception threshold: years, low, high
//   b17c_atipicos=mgbt                 mgbt, gb, nenhum, or valor with b17c_limiar_atipicos
//   b17c_assimetria=ponderada          estacao, ponderada or regional
//   b17c_assimetria_regional=-0.1, b17c_ep_assimetria_regional=0.3, b17c_confianca=0.9
// A line that cannot be read is dropped; other keys are left as they are.
#pragma once

#include <string>
#include <vector>

#include "analysis/b17c.h"
#include "analysis/historical.h"
#include "files/projectsettings.h"
#include "analysis/record.h"

namespace zarn {

struct B17cProject {
    HistoricalRecord Record;
    B17cOptions Options;
    // True when the settings held any B17C line (the user entered or imported a record).
    bool Present = false;
};

// True when the record holds more than a complete systematic series: a
// threshold, a historical year, an interval or a censored value.
bool HasHistoricalInformation(const HistoricalRecord& record);

B17cProject ReadB17cProject(const ProjectSettings& settings);
// Replaces the settings' b17c lines by those of `project` (none when the
// record is empty and the options are the defaults), keeping the rest in order.
void SetB17cProject(ProjectSettings& settings, const B17cProject& project);

// The record's series in file (time) order as point values in consecutive
// years from `firstYear`.
std::vector<FloodObservation> SystematicRecord(const AnalysisRecord& r, int firstYear);

const char* LowOutlierMethodKey(LowOutlierMethod method);
const char* SkewOptionKey(SkewOption option);

}  // namespace zarn
