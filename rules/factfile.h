// SPDX-License-Identifier: GPL-3.0-or-later
// The fuzzy fact file "indata.clp" handed to the rule engine (FuzzyCLIPS
// syntax): templates, facts, flag facts and the start rule. ASCII only.
//
//   FactFileLines    the file's lines: 42 + k, k the flag and parsimony facts written
//   WriteFactFile    writes them with CR LF into `path`, replacing the file whole;
//                    fails with the file error text ("File access denied", "Disk full", ...)
#pragma once

#include <string>
#include <vector>

#include "analysis/record.h"

namespace zarn {

std::vector<std::string> FactFileLines(const AnalysisRecord& r);
void WriteFactFile(const AnalysisRecord& r, const std::string& path = "indata.clp");

}  // namespace zarn
