// SPDX-License-Identifier: GPL-3.0-or-later
#include "rules/protocol.h"

#include <algorithm>
#include <cstring>

#include "analysis/record.h"
#include "files/textcodec.h"

namespace zarn {

namespace {

constexpr char kRequestMagic[4] = {'Z', 'R', 'N', 'q'};
constexpr char kAnswerMagic[4] = {'Z', 'R', 'N', 'a'};
constexpr std::size_t kHeaderBytes = 12;

// Appends little-endian integers, doubles and counted texts.
class Writer {
public:
    void U8(std::uint8_t v) { out_ += static_cast<char>(v); }
    void U32(std::uint32_t v) {
        for (int k = 0; k < 4; ++k) out_ += static_cast<char>((v >> (8 * k)) & 0xFF);
    }
    void U64(std::uint64_t v) {
        for (int k = 0; k < 8; ++k) out_ += static_cast<char>((v >> (8 * k)) & 0xFF);
    }
    void F64(double v) {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &v, sizeof bits);
        U64(bits);
    }
    void Text(std::string_view s) {
        U32(static_cast<std::uint32_t>(s.size()));
        out_.append(s);
    }
    void Phrase(const zarn::Phrase& phrase) {
        U32(static_cast<std::uint32_t>(phrase.size()));
        for (const PhrasePart& part : phrase) {
            U8(static_cast<std::uint8_t>(part.Type));
            switch (part.Type) {
                case PhrasePart::Text: Text(part.Chars); break;
                case PhrasePart::Number: F64(part.Value); break;
                case PhrasePart::Integer: U64(static_cast<std::uint64_t>(part.Count)); break;
            }
        }
    }
    void Phrases(const std::vector<zarn::Phrase>& phrases) {
        U32(static_cast<std::uint32_t>(phrases.size()));
        for (const zarn::Phrase& p : phrases) Phrase(p);
    }
    // The frame: magic, version, body length, body.
    std::string Frame(const char (&magic)[4]) const {
        Writer header;
        header.out_.append(magic, 4);
        header.U32(kProtocolVersion);
        header.U32(static_cast<std::uint32_t>(out_.size()));
        return header.out_ + out_;
    }

private:
    std::string out_;
};

// Reads what Writer wrote; every read checks the bytes left and its bound,
// and after the first failure every read fails.
class Reader {
public:
    explicit Reader(std::string_view bytes) : in_(bytes) {}
    bool Ok() const { return ok_; }
    bool AtEnd() const { return ok_ && in_.empty(); }

    std::uint8_t U8() {
        if (!Need(1)) return 0;
        const auto v = static_cast<std::uint8_t>(in_[0]);
        in_.remove_prefix(1);
        return v;
    }
    std::uint32_t U32() { return static_cast<std::uint32_t>(Unsigned(4)); }
    std::uint64_t U64() { return Unsigned(8); }
    double F64() {
        const std::uint64_t bits = U64();
        double v = 0;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    }
    std::string Text(std::size_t bound) {
        const std::uint32_t n = U32();
        if (n > bound) ok_ = false;
        if (!Need(n)) return {};
        std::string s(in_.substr(0, n));
        in_.remove_prefix(n);
        return s;
    }
    // A count of items, each at least `itemBytes` long: bounded by `bound`
    // and by what is left, so that no reader reserves for bytes it lacks.
    std::size_t Count(std::size_t bound, std::size_t itemBytes) {
        const std::uint32_t n = U32();
        if (n > bound || static_cast<std::uint64_t>(n) * itemBytes > in_.size()) ok_ = false;
        return ok_ ? n : 0;
    }
    zarn::Phrase Phrase() {
        zarn::Phrase phrase;
        const std::size_t n = Count(kMaxPhraseParts, 5);
        for (std::size_t k = 0; k < n && ok_; ++k) {
            PhrasePart part;
            switch (U8()) {
                case PhrasePart::Text: part.Type = PhrasePart::Text; part.Chars = Text(kMaxAnswerText); break;
                case PhrasePart::Number: part.Type = PhrasePart::Number; part.Value = F64(); break;
                case PhrasePart::Integer:
                    part.Type = PhrasePart::Integer;
                    part.Count = static_cast<long long>(U64());
                    break;
                default: ok_ = false;
            }
            phrase.push_back(std::move(part));
        }
        return phrase;
    }
    std::vector<zarn::Phrase> Phrases() {
        std::vector<zarn::Phrase> phrases;
        const std::size_t n = Count(kMaxPhrases, 4);
        for (std::size_t k = 0; k < n && ok_; ++k) phrases.push_back(Phrase());
        return phrases;
    }
    // The header of a frame of `magic`; the body left to read.
    bool Header(const char (&magic)[4], std::size_t maxBody) {
        if (!Need(kHeaderBytes) || std::memcmp(in_.data(), magic, 4) != 0) return ok_ = false;
        in_.remove_prefix(4);
        if (U32() != kProtocolVersion) return ok_ = false;
        const std::uint32_t body = U32();
        if (body > maxBody || body != in_.size()) ok_ = false;
        return ok_;
    }

private:
    bool Need(std::size_t n) {
        if (!ok_ || in_.size() < n) ok_ = false;
        return ok_;
    }
    std::uint64_t Unsigned(int bytes) {
        if (!Need(static_cast<std::size_t>(bytes))) return 0;
        std::uint64_t v = 0;
        for (int k = 0; k < bytes; ++k) v |= static_cast<std::uint64_t>(static_cast<unsigned char>(in_[k])) << (8 * k);
        in_.remove_prefix(static_cast<std::size_t>(bytes));
        return v;
    }

    std::string_view in_;
    bool ok_ = true;
};

bool ValidStatus(std::uint8_t s) { return s <= static_cast<std::uint8_t>(AdviceStatus::Rejected); }

// The at-site advice; false when it is not a complete ranking of the eight.
bool ReadAdvice(Reader& in, Advice& advice) {
    const std::uint8_t recommended = in.U8();
    advice.Conclusion = in.Phrase();
    advice.Cautions = in.Phrases();
    bool seenIndex[kDistributionCount + 1] = {};
    bool seenRank[kDistributionCount + 1] = {};
    for (int k = 0; k < kDistributionCount && in.Ok(); ++k) {
        DistributionAdvice row;
        row.Index = in.U8();
        const std::uint8_t status = in.U8();
        row.Degree = in.F64();
        row.ZMembership = in.F64();
        row.RMembership = in.F64();
        row.Rank = in.U8();
        row.Reasons = in.Phrases();
        if (!in.Ok() || !ValidStatus(status) || row.Index < 1 || row.Index > kDistributionCount || row.Rank != k + 1 ||
            seenIndex[row.Index] || seenRank[row.Rank])
            return false;
        seenIndex[row.Index] = seenRank[row.Rank] = true;
        row.Status = static_cast<AdviceStatus>(status);
        advice.Ranking.push_back(std::move(row));
    }
    if (recommended > kDistributionCount) return false;
    advice.Recommended = recommended;
    return in.Ok();
}

}  // namespace

std::string EncodeRequest(const ConsultationRequest& request) {
    Writer out;
    out.U8(static_cast<std::uint8_t>(request.Kind));
    out.Text(request.RuleBase);
    out.U32(static_cast<std::uint32_t>(request.Facts.size()));
    for (const std::string& fact : request.Facts) out.Text(fact);
    return out.Frame(kRequestMagic);
}

std::optional<ConsultationRequest> DecodeRequest(std::string_view bytes) {
    Reader in(bytes);
    if (!in.Header(kRequestMagic, kMaxRequestBytes)) return std::nullopt;
    ConsultationRequest request;
    const std::uint8_t kind = in.U8();
    if (kind != static_cast<std::uint8_t>(ConsultationKind::AtSite) &&
        kind != static_cast<std::uint8_t>(ConsultationKind::Regional))
        return std::nullopt;
    request.Kind = static_cast<ConsultationKind>(kind);
    request.RuleBase = in.Text(kMaxRuleBaseBytes);
    const std::size_t n = in.Count(kMaxFacts, 4);
    for (std::size_t k = 0; k < n && in.Ok(); ++k) request.Facts.push_back(in.Text(kMaxFactBytes));
    // The engine reads texts up to their first zero byte.
    const auto hasZero = [](const std::string& s) { return s.find('\0') != std::string::npos; };
    if (!in.AtEnd() || hasZero(request.RuleBase) || std::any_of(request.Facts.begin(), request.Facts.end(), hasZero))
        return std::nullopt;
    return request;
}

std::string EncodeAnswer(ConsultationKind kind, const ConsultationAnswer& answer) {
    Writer out;
    out.U8(static_cast<std::uint8_t>(kind));
    out.U8(answer.Problem.empty() ? 0 : answer.Lasting ? 2 : 1);
    if (!answer.Problem.empty()) {
        out.Text(answer.Problem);
    } else if (kind == ConsultationKind::Regional) {
        out.Phrases(answer.Regional);
    } else {
        const Advice& a = answer.AtSite;
        out.U8(static_cast<std::uint8_t>(a.Recommended));
        out.Phrase(a.Conclusion);
        out.Phrases(a.Cautions);
        for (const DistributionAdvice& row : a.Ranking) {
            out.U8(static_cast<std::uint8_t>(row.Index));
            out.U8(static_cast<std::uint8_t>(row.Status));
            out.F64(row.Degree);
            out.F64(row.ZMembership);
            out.F64(row.RMembership);
            out.U8(static_cast<std::uint8_t>(row.Rank));
            out.Phrases(row.Reasons);
        }
    }
    return out.Frame(kAnswerMagic);
}

std::optional<ConsultationAnswer> DecodeAnswer(ConsultationKind kind, std::string_view bytes) {
    Reader in(bytes);
    if (!in.Header(kAnswerMagic, kMaxAnswerBytes) || in.U8() != static_cast<std::uint8_t>(kind)) return std::nullopt;
    ConsultationAnswer answer;
    const std::uint8_t outcome = in.U8();
    if (outcome == 1 || outcome == 2) {
        answer.Problem = in.Text(kMaxProblemBytes);
        answer.Lasting = outcome == 2;
        if (answer.Problem.empty() || !IsValidUtf8(answer.Problem)) return std::nullopt;
    } else if (outcome != 0) {
        return std::nullopt;
    } else if (kind == ConsultationKind::Regional) {
        answer.Regional = in.Phrases();
    } else if (!ReadAdvice(in, answer.AtSite)) {
        return std::nullopt;
    }
    if (!in.AtEnd()) return std::nullopt;
    return answer;
}

}  // namespace zarn
