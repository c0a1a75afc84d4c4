// SPDX-License-Identifier: GPL-3.0-or-later
// What a rule base may not hold, checked on its text before the engine reads
// any of it: an adapted rule base computes the advice and nothing else. It
// may not touch files, run programs, load other files, end the program or
// build code at run time, and it may not recurse (the engine's recursion
// runs on the program's stack, which an endless one would overflow).
//
//   ForbiddenFunctions   the engine functions taken out of every environment
//   RuleBaseRefusal      why a rule base's text is refused, or "" when it is not
//
// The check reads the text as the engine's scanner does (";" comments,
// strings with "\" escapes) and looks at the first symbol after each "(".
// The functions are also removed from the environment, so a call the scan
// could not see (there is none without eval, build or funcall, all three
// refused) still finds nothing to run.
#pragma once

#include <string>
#include <string_view>

namespace zarn {

// Parentheses nested deeper than this are refused: the engine's parser
// recurses once a level (the compiled-in rule base nests 9 deep).
constexpr int kMaxRuleNesting = 200;

struct ForbiddenFunction {
    const char* Name;   // as the engine names it
    const char* What;   // what it does, Portuguese, after "que"
};

// The functions; ends with {nullptr, nullptr}.
const ForbiddenFunction* ForbiddenFunctions();

// "" when the text may be given to the engine; else the end of a sentence
// that starts with the rule base's name ("usa a função open, que abre
// arquivos: ...").
std::string RuleBaseRefusal(std::string_view text);

}  // namespace zarn
