// SPDX-License-Identifier: GPL-3.0-or-later
// zarn-cli --region INPUT: regional frequency analysis of many stations.
//
// INPUT is a folder (its data files and downloads in name order, read as
// --batch reads them) or a list file, one site per line:
// path[;name[;area_km2]] (blank lines and lines starting with # skipped,
// relative paths from the list's folder). A site with fewer than 4 values,
// or that the at-site analysis refuses, is left out with a warning.
//
//   RegionCommand      the command's options
//   RegionUsage        its usage lines
//   ParseRegionCommand the arguments after zarn-cli; throws RegionUsageError
//   RegionJson         the result as JSON (with the advice)
//   RunRegion          the whole command: the sites (analysis/regionsites.h), the
//                      analysis, the advice, and the JSON, report and CSV
//                      (views/regionallines.h); the report on standard output
//                      when no output is named; the study PDF through the
//                      charts tool (cli/study.h)
#pragma once

#include <string>
#include <vector>

#include "regional/regional.h"

namespace zarn {

extern const char* const kRegionUsage;

// A fault in the command's arguments (the tool exits with status 2).
struct RegionUsageError {
    std::string Text;
};

struct RegionCommand {
    std::string Input;
    std::string Json, Report, Csv;
    std::string Study;  // --study OUT.pdf: the regional study, drawn by the charts tool
    // The input and the analysis's options as given (no outputs): what the
    // charts tool is handed to make the same analysis for the study.
    std::vector<std::string> Arguments;
    std::string Rules;  // --rules FILE: the rule base of the regional advice
    RegionOptions Options;
};

RegionCommand ParseRegionCommand(int argc, char** argv);

std::string RegionJson(const RegionalResult& r, const std::string& input, const std::vector<std::string>& advice);

int RunRegion(const RegionCommand& command);

}  // namespace zarn
