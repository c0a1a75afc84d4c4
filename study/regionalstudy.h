// SPDX-License-Identifier: GPL-3.0-or-later
// The regional frequency study as a document (no Qt), laid out on A4 by the
// same renderer as the study of one station (studypdf.h): the sites and
// their discordancy, the heterogeneity, the candidates and the choice with
// the rule base's advice, the growth curve with its bounds, the sites'
// quantiles, the ungauged site, the two charts and a note on the method.
//
//   RegionalStudyInput  the result, the name of its input and the advice
//   RegionalStudy       the document
#pragma once

#include <string>
#include <vector>

#include "regional/regional.h"
#include "study/studycontent.h"

namespace zarn {

// The names of the charts a regional study asks the renderer for.
constexpr const char* kRegionalStudyDiagramChart = "diagrama-regional";
constexpr const char* kRegionalStudyGrowthChart = "curva-regional";

struct RegionalStudyInput {
    const RegionalResult* Result = nullptr;
    std::string Input;                // the folder, list or table of the region
    std::vector<std::string> Advice;  // the rule base's sentences
    std::string Date;                 // "07/12/2026"
    std::string Version;              // "1.0"
};

StudyDocument RegionalStudy(const RegionalStudyInput& input);

}  // namespace zarn
