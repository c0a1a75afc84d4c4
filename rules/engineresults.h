// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a consultation's results out of a CLIPS environment (engine side).
//
//   ReadAdvice          parecer, razao, recomendacao, conclusao, cautela of module MAIN
//   ReadRegionalAdvice  the texto of every REGIONAL::conselho in order of ordem
#pragma once

#include <string>
#include <vector>

#include "rules/advisor.h"

namespace zarn {

// "" when the advice is complete, otherwise what is wrong with it.
std::string ReadAdvice(void* env, Advice& advice);
// "" when every conselho is complete, otherwise what is wrong.
std::string ReadRegionalAdvice(void* env, std::vector<Phrase>& advice);

}  // namespace zarn
