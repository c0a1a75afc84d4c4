// SPDX-License-Identifier: GPL-3.0-or-later
// The advice on a regional analysis: the REGIONAL module of the rule base
// (zarn.clp) consulted with the facts of the result.
//
//   RegionalFacts         the facts asserted: regiao, posto, candidata
//   ConsultRegional       one consultation of a rule base's text (advisor.cpp)
//   RuleNumber            a number as the rule base reads it (advisor.cpp)
//   RegionalAdviceLines   the advice as sentences, numbers with a decimal comma:
//                         the user's zarn.clp when it has the module, else the
//                         compiled-in one (with a first line saying why)
#pragma once

#include <string>
#include <vector>

#include "regional/regional.h"
#include "platform/session.h"
#include "rules/advisor.h"

namespace zarn {

// In module REGIONAL (asserted with it as the current module).
std::vector<std::string> RegionalFacts(const RegionalResult& r);

// Loads `text`, asserts `facts`, focuses REGIONAL and runs; fills `advice`
// with the texto of every REGIONAL::conselho in order of ordem. "" on
// success, else what went wrong (the end of a sentence).
std::string ConsultRegional(const std::string& text, const std::vector<std::string>& facts,
                            std::vector<Phrase>& advice);

std::string RuleNumber(double v);

// The session's chosen rule base, else the user's adapted one (RuleBasePath).
std::vector<std::string> RegionalAdviceLines(const RegionalResult& r, const Session& session);

}  // namespace zarn
