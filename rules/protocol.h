// SPDX-License-Identifier: GPL-3.0-or-later
// What the program and its rule-engine helper (zarn-advisor) say to each
// other over two pipes: one request, one answer, each a single frame
//
//   magic (4 bytes) | version (u32) | body length (u32) | body
//
// with every integer little-endian, every text a u32 length and its bytes,
// every number an IEEE double. Both readers take nothing on trust: a length
// past its bound, a kind that does not exist, a byte left over or missing
// makes the whole frame invalid. The answer's reader is what stands between
// a helper that a rule base may have corrupted and the program.
//
//   EncodeRequest / DecodeRequest   the consultation asked for
//   EncodeAnswer / DecodeAnswer     the advice, the regional advice, or why none
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "rules/advisor.h"

namespace zarn {

constexpr std::uint32_t kProtocolVersion = 1;
// A rule base larger than this is refused before it is read (the shipped one has 36 KB).
constexpr std::size_t kMaxRuleBaseBytes = 1 << 20;
// Bounds of the request beyond the rule base: facts and their texts.
constexpr std::size_t kMaxFacts = 4096;
constexpr std::size_t kMaxFactBytes = 1 << 16;
// Bounds of the answer: its body, the texts, the sentences and their pieces.
constexpr std::size_t kMaxAnswerBytes = 4 << 20;
constexpr std::size_t kMaxAnswerText = 1 << 16;
constexpr std::size_t kMaxProblemBytes = 4096;
constexpr std::size_t kMaxPhrases = 4096;
constexpr std::size_t kMaxPhraseParts = 1024;
// The largest request frame: the rule base and the facts of a large region.
constexpr std::size_t kMaxRequestBytes = 4 << 20;

// The limits the helper sets on itself: CPU seconds (SIGXCPU, then SIGKILL
// a second later) and address space.
constexpr int kHelperCpuSeconds = 3;
constexpr long kHelperMemoryMB = 256;

// The helper's exit status when it writes no answer (0: an answer was written).
constexpr int kHelperExitLimits = 2;       // its limits or its filter could not be set
constexpr int kHelperExitBadRequest = 3;   // the request was not one valid frame
constexpr int kHelperExitMemory = 4;       // its own code ran out of memory
constexpr int kHelperExitWrite = 5;        // the answer could not be written whole

enum class ConsultationKind : std::uint8_t { AtSite = 1, Regional = 2 };

struct ConsultationRequest {
    ConsultationKind Kind = ConsultationKind::AtSite;
    std::string RuleBase;             // the rule base's text, UTF-8
    std::vector<std::string> Facts;   // assert texts (module MAIN, or REGIONAL for a regional one)
};

struct ConsultationAnswer {
    // "" when the rule base answered; else why not, the end of a sentence
    // that starts with the rule base's name.
    std::string Problem;
    // The problem does not depend on the analysis (the rule base does not
    // load, is refused): a session need not try that text again.
    bool Lasting = false;
    Advice AtSite;                    // Kind AtSite: RuleBase and RuleBaseProblem left empty
    std::vector<Phrase> Regional;     // Kind Regional: the conselho texts in order
};

std::string EncodeRequest(const ConsultationRequest& request);
// nullopt unless `bytes` is exactly one valid request frame.
std::optional<ConsultationRequest> DecodeRequest(std::string_view bytes);

std::string EncodeAnswer(ConsultationKind kind, const ConsultationAnswer& answer);
// nullopt unless `bytes` is exactly one valid answer frame of `kind`; an
// at-site advice must rank all eight distributions once each.
std::optional<ConsultationAnswer> DecodeAnswer(ConsultationKind kind, std::string_view bytes);

}  // namespace zarn
