// SPDX-License-Identifier: GPL-3.0-or-later
// The facts a consultation asserts, as the rule base reads them.
//
//   RuleNumber    a number: 17 significant digits, always a float, the symbol
//                 nao-finito for a value that is not finite
//   RecordFacts   the record's facts: serie, indicacao, ajuste (and
//                 anos-sem-vazao with years without flow)
#pragma once

#include <string>
#include <vector>

#include "analysis/record.h"
#include "analysis/returnperiods.h"

namespace zarn {

// The symbol that stands for a value that is not a finite number, both ways.
constexpr const char* kNotFinite = "nao-finito";

std::string RuleNumber(double v);

std::vector<std::string> RecordFacts(const AnalysisRecord& r, const ZeroYears& zeros);

}  // namespace zarn
