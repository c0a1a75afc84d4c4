// The fuzzy fact file "indata.clp" handed to the rule engine (FuzzyCLIPS
// syntax): templates, facts, flag facts and the start rule.
//
//   FactFileLines    the file's lines, 42 + k of them
//   WriteFactFile    writes them with CR LF into `path`, replacing the file whole
#pragma once

#include <string>
#include <vector>

#include "analysis/record.h"

namespace zarn {

std::vector<std::string> FactFileLines(const AnalysisRecord& r);
void WriteFactFile(const AnalysisRecord& r, const std::string& path = "indata.clp");

}  // namespace zarn
