// SPDX-License-Identifier: GPL-3.0-or-later
// The advisor: which of the eight fitted distributions to adopt, and why,
// decided by a CLIPS rule base (rules/zarn.clp) from the analysis record.
// Every consultation runs in a fresh CLIPS environment in a child process of
// its own (rules/consultation.h): the record goes in as crisp facts at full
// double precision (rules/facts.h), the rule base computes the memberships,
// statuses, reasons and ranking, and the advice comes back. Nothing of the
// policy lives here.
//
//   Advise               consults the rule base of RuleBasePath() or the one
//                        compiled into the program
//   RuleBasePath         the session's chosen rule base (--rules, the advice
//                        window's menu), else zarn.clp found by
//                        FindRuleBaseFile (never the working folder)
//   AdviseWithRuleBase   the same with a given rule base file
//   AdviseWithText       the same with a rule base's text (tests, adapted copies)
//   DefaultRuleBaseText  the compiled-in rule base
//   PhraseText           a sentence of the advice, numbers in the caller's format
//   ComparedPhraseText   the same in a NumberStyle, the numbers it compares
//                        told apart (FormatCompared)
//   StatusName           "aceita", "parcimônia", "limite superior", "rejeitada"
//   StatusKey            "accepted", "parsimony", "upper-bound", "rejected"
//   ReadRuleBaseFile     a rule base file's text, or why it is not read
//   FallBackProblem      the sentence of Advice::RuleBaseProblem
//   EngineRuleBaseText   a rule base's text as the engine reads it
//
// A rule base that cannot be read, has errors, fails while running or does
// not produce a complete advice is named in Advice::RuleBaseProblem, and the
// compiled-in rule base is consulted instead. So is a rule base over 1 MB, or
// one that uses a function that touches files, runs programs or ends the
// program, or that recurses (rulecheck.h): nothing of it runs. So is one
// that crashes the engine, runs past its time or memory, or makes the child
// answer nonsense: that costs the child, never the program. Consultations
// may come from several threads at once, each in its own child.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "files/numbertext.h"
#include "analysis/record.h"
#include "analysis/returnperiods.h"
#include "platform/session.h"

namespace zarn {

// The file name of an adapted rule base (FindRuleBaseFile).
constexpr const char* kRuleBaseFileName = "zarn.clp";
// How the advice names the compiled-in rule base.
constexpr const char* kDefaultRuleBaseName = "padrão (embutida)";
// Rule firings after which a consultation counts as not terminating.
constexpr long long kMaxRuleFirings = 100000;

enum class AdviceStatus { Accepted, Parsimony, UpperBound, Rejected };

// One sentence of the advice as the rule base wrote it: pieces of text
// (UTF-8) and numbers, the numbers written by whoever shows the sentence.
struct PhrasePart {
    enum Kind { Text, Number, Integer };
    Kind Type = Text;
    std::string Chars;      // Text
    double Value = 0.0;     // Number (NaN for a value that is not finite)
    long long Count = 0;    // Integer
};
using Phrase = std::vector<PhrasePart>;
using PhraseNumberText = std::function<std::string(double)>;

struct DistributionAdvice {
    int Index = 0;                   // DistributionIndex 1..8
    AdviceStatus Status = AdviceStatus::Rejected;
    double Degree = 0.0;             // g = min(ZMembership, RMembership)
    double ZMembership = 0.0;        // of |Z| (variance test)
    double RMembership = 0.0;        // of R (Filliben's test)
    int Rank = 0;                    // 1..8
    std::vector<Phrase> Reasons;     // in the rule base's order
};

struct Advice {
    std::string RuleBase;            // the path consulted, or kDefaultRuleBaseName
    std::string RuleBaseProblem;     // why the user's rule base was not used; "" when it was
    int Recommended = 0;             // DistributionIndex, 0: none
    Phrase Conclusion;               // the recommendation, or why there is none
    std::vector<Phrase> Cautions;    // about the whole series, in order
    std::vector<DistributionAdvice> Ranking;  // all eight, in rank order
};

// The rule base of RuleBasePath(session); the session's start-up folder is
// never searched (a rule base is code). zeros: the years without flow set
// aside from the record's series; with any, the fact anos-sem-vazao is
// asserted too. projectFacts: what the project knows beyond the record, as
// assert texts (its Bulletin 17C analysis, b17cfacts.h).
Advice Advise(const AnalysisRecord& r, const Session& session, const ZeroYears& zeros = {},
              const std::vector<std::string>& projectFacts = {});
// The file Advise consults; "" for the compiled-in rule base.
std::string RuleBasePath(const Session& session);
// `path` empty: the compiled-in rule base.
Advice AdviseWithRuleBase(const AnalysisRecord& r, const std::string& path, const ZeroYears& zeros = {},
                          const std::vector<std::string>& projectFacts = {});
// `name` is how the advice names the rule base (a path). Text in UTF-8; a
// text that is not valid UTF-8 is read as Windows-1252.
Advice AdviseWithText(const AnalysisRecord& r, const std::string& text, const std::string& name,
                      const ZeroYears& zeros = {}, const std::vector<std::string>& projectFacts = {});

const std::string& DefaultRuleBaseText();

// Reads the rule base file `path` into `text`: "" on success, else why not
// (not a regular file, over kMaxRuleBaseBytes, unreadable), the end of a
// sentence that starts with the rule base's name.
std::string ReadRuleBaseFile(const std::string& path, std::string& text);
// "A base de regras \"NAME\" PROBLEM Foi usada a base de regras padrão (embutida)."
std::string FallBackProblem(const std::string& name, std::string problem);
// UTF-8 without a byte-order mark; a text that is not valid UTF-8 is read as
// Windows-1252.
std::string EngineRuleBaseText(const std::string& text);

// Numbers by `number`, integers in decimal; the default number format is the
// report's free form (FormatFixed, 4 decimals).
std::string PhraseText(const Phrase& phrase, const PhraseNumberText& number);
std::string PhraseText(const Phrase& phrase);
// "R = 0,95612 fica abaixo de R(90%) = 0,95608": two numbers of the sentence
// that would read alike get the digits that tell them apart.
std::string ComparedPhraseText(const Phrase& phrase, const NumberStyle& style);

std::string StatusName(AdviceStatus status);   // UTF-8
std::string StatusKey(AdviceStatus status);

}  // namespace zarn
