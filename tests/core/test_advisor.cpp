// SPDX-License-Identifier: GPL-3.0-or-later
// The advisor: the rule base's memberships against the core's, each status
// rule and the ranking on crafted records, random records against a plain
// implementation of the policy written here, broken rule bases, threads,
// the process locale, the advice text and the batch tool's JSON.
#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "analysis/calculation.h"
#include "files/format.h"
#include "files/numbertext.h"
#include "analysis/membership.h"
#include "analysis/record.h"
#include "platform/session.h"
#include "rules/advicelines.h"
#include "rules/advisor.h"
#include "rules/factfile.h"
#include "rules/rulecheck.h"
#include "files/filewrite.h"
#include "files/textcodec.h"

namespace zarn {
namespace {

namespace fs = std::filesystem;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
// The advice must agree with an independent reading of the policy to this.
constexpr double kAgreement = 1e-12;

// A record where every distribution passes both tests and nothing flags:
// positive skewness, minimum far above every lower bound, no upper bound,
// two-parameter members just below the parsimony limit.
std::unique_ptr<AnalysisRecord> PlainRecord() {
    auto r = std::make_unique<AnalysisRecord>();
    r->SampleSize = 40;
    r->Skewness = 0.8;
    r->LogSkewness = 0.1;
    r->Minimum = 100.0;
    r->LogMinimum = std::log(100.0);
    r->Maximum = 900.0;
    r->LogMaximum = std::log(900.0);
    for (int i = 1; i <= kDistributionCount; ++i) {
        FitTestOf(*r, i) = {0.99, 0.95};
        VarianceTestZOf(*r, i) = 0.1 * i;
    }
    // |Z| = 1.65 gives the two-parameter members g = 0.5: not above the limit.
    for (int k = 1; k <= 4; ++k) VarianceTestZOf(*r, k) = 1.65;
    for (int i = 1; i <= kDistributionCount; ++i) ParametersOf(*r, i) = {300.0, 100.0, 0.0};
    ParametersOf(*r, kLogNormal) = {5.5, 0.5, 0.0};
    ParametersOf(*r, kExponential) = {50.0, 100.0, 0.0};
    ParametersOf(*r, kPearson3) = {300.0, 100.0, 0.0};
    ParametersOf(*r, kLogPearson3) = {5.5, 0.5, 0.0};
    ParametersOf(*r, kGEV) = {300.0, 100.0, 0.0};
    ParametersOf(*r, kGPA) = {50.0, 100.0, -0.1};
    return r;
}

const DistributionAdvice& Row(const Advice& a, int index) {
    for (const auto& row : a.Ranking)
        if (row.Index == index) return row;
    throw std::runtime_error("distribution " + std::to_string(index) + " missing from the advice");
}

std::vector<int> Order(const Advice& a) {
    std::vector<int> order;
    for (const auto& row : a.Ranking) order.push_back(row.Index);
    return order;
}

std::string Reasons(const Advice& a, int index) {
    std::string all;
    for (const Phrase& p : Row(a, index).Reasons) all += PhraseText(p) + "\n";
    return all;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// UTF-8 characters of a line.
int Characters(const std::string& s) {
    int n = 0;
    for (const char c : s)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
    return n;
}

// The numbers of a distribution's reasons, in order.
std::vector<double> ReasonNumbers(const Advice& a, int index) {
    std::vector<double> numbers;
    for (const Phrase& p : Row(a, index).Reasons)
        for (const PhrasePart& part : p)
            if (part.Type == PhrasePart::Number) numbers.push_back(part.Value);
    return numbers;
}

Advice Default(const AnalysisRecord& r) { return AdviseWithRuleBase(r, ""); }

// ---------------------------------------------------------------------------
// Memberships: the rule base's deffunctions against analysis/membership.h.

struct FitCase {
    double Z, R, R90;
};

// Consults on up to eight (|Z|, R, R90) at once, one per distribution.
void ExpectMembershipsAgree(const std::vector<FitCase>& cases) {
    for (std::size_t first = 0; first < cases.size(); first += kDistributionCount) {
        auto r = PlainRecord();
        const std::size_t n = std::min<std::size_t>(kDistributionCount, cases.size() - first);
        for (std::size_t k = 0; k < n; ++k) {
            const FitCase& c = cases[first + k];
            VarianceTestZOf(*r, static_cast<int>(k) + 1) = c.Z;
            FitTestOf(*r, static_cast<int>(k) + 1) = {c.R, c.R90};
        }
        const Advice a = Default(*r);
        for (std::size_t k = 0; k < n; ++k) {
            const FitCase& c = cases[first + k];
            const DistributionAdvice& row = Row(a, static_cast<int>(k) + 1);
            SCOPED_TRACE("|Z| " + std::to_string(c.Z) + " R " + std::to_string(c.R) + " R90 " + std::to_string(c.R90));
            EXPECT_NEAR(row.ZMembership, ZMembership(c.Z), kAgreement);
            EXPECT_NEAR(row.RMembership, RMembership(c.R, c.R90), kAgreement);
            EXPECT_NEAR(row.Degree, std::min(ZMembership(c.Z), RMembership(c.R, c.R90)), kAgreement);
        }
    }
}

TEST(AdvisorMemberships, ZFunctionAtItsBreakPoints) {
    // Z-function from 0 to 3.3: 1 at or below 0, 0.5 at 1.65, 0 from 3.3 on.
    auto r = PlainRecord();
    const double zs[] = {-1.0, 0.0, 0.825, 1.65, 2.475, 3.3, 7.0, kNaN};
    const double expected[] = {1.0, 1.0, 0.875, 0.5, 0.125, 0.0, 0.0, 0.0};
    for (int i = 1; i <= kDistributionCount; ++i) VarianceTestZOf(*r, i) = zs[i - 1];
    const Advice a = Default(*r);
    for (int i = 1; i <= kDistributionCount; ++i) {
        SCOPED_TRACE(zs[i - 1]);
        EXPECT_NEAR(Row(a, i).ZMembership, expected[i - 1], kAgreement);
        EXPECT_NEAR(Row(a, i).ZMembership, ZMembership(zs[i - 1]), kAgreement);
    }
}

TEST(AdvisorMemberships, SFunctionAtItsBreakPoints) {
    // R90 = 0.95: a = 0.9, midpoint 0.95, c = 1.
    auto r = PlainRecord();
    const FitCase cases[] = {{0.0, 0.85, 0.95}, {0.0, 0.9, 0.95},   {0.0, 0.925, 0.95}, {0.0, 0.95, 0.95},
                             {0.0, 0.975, 0.95}, {0.0, 1.0, 0.95}, {0.0, 1.2, 0.95},   {0.0, 0.5, 0.5}};
    const double expected[] = {0.0, 0.0, 0.125, 0.5, 0.875, 1.0, 1.0, 0.5};
    for (int i = 1; i <= kDistributionCount; ++i) FitTestOf(*r, i) = {cases[i - 1].R, cases[i - 1].R90};
    const Advice a = Default(*r);
    for (int i = 1; i <= kDistributionCount; ++i) {
        SCOPED_TRACE(cases[i - 1].R);
        EXPECT_NEAR(Row(a, i).RMembership, expected[i - 1], kAgreement);
    }
}

TEST(AdvisorMemberships, DegenerateSFunctionAndNonFiniteInputs) {
    ExpectMembershipsAgree({
        // c <= a (R90 >= 1): 1 from c = 1 on, 0 below.
        {0.0, 1.0, 1.0}, {0.0, 0.999999, 1.0}, {0.0, 1.0, 1.2}, {0.0, 0.99, 1.2},
        // Not finite: membership 0 whatever the other value.
        {kNaN, 0.99, 0.95}, {kInf, 0.99, 0.95}, {-kInf, 0.99, 0.95}, {0.5, kNaN, 0.95},
        {0.5, 0.99, kNaN}, {0.5, kInf, 0.95}, {0.5, 0.99, -kInf}, {0.5, 0.99, 1e308},
        // Extremes that round-trip only at full precision.
        {1e-300, 0.95 + 1e-15, 0.95}, {3.3 - 1e-15, 1.0 - 1e-16, 0.95}, {1.65 + 1e-14, 0.9 + 1e-15, 0.95},
        {4.9406564584124654e-324, 0.95, 0.95},
    });
}

TEST(AdvisorMemberships, AgreeWithTheCoreOnRandomSamples) {
    std::mt19937_64 random(20240611);
    std::uniform_real_distribution<double> z(-0.2, 3.6), r90(0.4, 1.05), shift(-0.15, 0.15);
    std::vector<FitCase> cases;
    for (int k = 0; k < 160; ++k) {
        const double R90 = r90(random);
        cases.push_back({z(random), std::min(R90 + shift(random), 1.0 + shift(random) / 10), R90});
    }
    ExpectMembershipsAgree(cases);
}

// ---------------------------------------------------------------------------
// The policy written out plainly, from the core's memberships and the fact
// file's flags, to compare the rule base with.

struct ExpectedAdvice {
    std::vector<int> Order;
    std::vector<AdviceStatus> Status = std::vector<AdviceStatus>(kDistributionCount + 1);
    std::vector<double> Degree = std::vector<double>(kDistributionCount + 1);
    int Recommended = 0;
};

ExpectedAdvice PolicyOf(const AnalysisRecord& record) {
    auto r = std::make_unique<AnalysisRecord>(record);
    ParsimonyStep(*r);
    const std::vector<std::string> facts = FactFileLines(*r);
    const auto has = [&facts](const char* fact) { return std::find(facts.begin(), facts.end(), fact) != facts.end(); };
    const char* lowerFlags[kDistributionCount + 1] = {nullptr, nullptr, nullptr, nullptr, "(MinXMenorMinEXP)",
                                                      "(MinXMenorMinPE3)", "(MinXMenorMinLP3)", "(MinXMenorMinGEV)",
                                                      "(MinXMenorMinGPA)"};
    const char* parsimonyFacts[5] = {nullptr, "(NORparsimoniaPE3)", "(LNRparsimoniaLP3)", "(GUMparsimoniaGEV)",
                                     "(EXPparsimoniaGPA)"};
    ExpectedAdvice e;
    std::vector<bool> rejected(kDistributionCount + 1);
    for (int i = 1; i <= kDistributionCount; ++i) {
        e.Degree[i] = FitDegree(*r, i);
        const bool positiveOnly = i == kLogNormal || i == kGumbel || i == kExponential;
        rejected[i] = e.Degree[i] < 0.5 || (lowerFlags[i] && has(lowerFlags[i])) ||
                      (positiveOnly && std::isless(r->Skewness, 0.0));
    }
    for (int i = 1; i <= kDistributionCount; ++i) {
        const double shape = ParametersOf(*r, i).Shape;
        const bool upper = ((i == kGEV || i == kGPA) && shape > 0) || ((i == kPearson3 || i == kLogPearson3) && shape < 0);
        if (rejected[i]) e.Status[i] = AdviceStatus::Rejected;
        else if (upper) e.Status[i] = AdviceStatus::UpperBound;
        else if (i > 4 && has(parsimonyFacts[i - 4]) && !rejected[i - 4]) e.Status[i] = AdviceStatus::Parsimony;
        else e.Status[i] = AdviceStatus::Accepted;
    }
    const auto group = [&e](int i) { return static_cast<int>(e.Status[i]); };  // declared in rank order
    for (int i = 1; i <= kDistributionCount; ++i) e.Order.push_back(i);
    std::sort(e.Order.begin(), e.Order.end(), [&](int a, int b) {
        if (group(a) != group(b)) return group(a) < group(b);
        if (e.Degree[a] != e.Degree[b]) return e.Degree[a] > e.Degree[b];
        return a < b;
    });
    e.Recommended = e.Status[e.Order[0]] == AdviceStatus::Rejected ? 0 : e.Order[0];
    return e;
}

void ExpectPolicy(const AnalysisRecord& r, const Advice& a) {
    const ExpectedAdvice e = PolicyOf(r);
    EXPECT_EQ(Order(a), e.Order);
    EXPECT_EQ(a.Recommended, e.Recommended);
    for (int i = 1; i <= kDistributionCount; ++i) {
        SCOPED_TRACE("distribution " + std::to_string(i));
        EXPECT_EQ(StatusKey(Row(a, i).Status), StatusKey(e.Status[i]));
        EXPECT_NEAR(Row(a, i).Degree, e.Degree[i], kAgreement);
        EXPECT_FALSE(Row(a, i).Reasons.empty());
    }
    for (int k = 0; k < kDistributionCount; ++k) EXPECT_EQ(a.Ranking[k].Rank, k + 1);
}

// Random records that cross every rule's boundary: degrees around 0.5,
// shapes of both signs and zero, minimum around 0.9 of the lower bounds,
// skewness of both signs, ties of degree.
std::unique_ptr<AnalysisRecord> RandomRecord(std::mt19937_64& random) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const auto pick = [&](std::initializer_list<double> values) {
        return *(values.begin() + static_cast<long>(unit(random) * static_cast<double>(values.size())) %
                                      static_cast<long>(values.size()));
    };
    auto r = std::make_unique<AnalysisRecord>();
    r->SampleSize = 5 + static_cast<int>(unit(random) * 60);
    r->Skewness = pick({-0.6, -0.1, 0.0, 0.3, 1.2});
    r->Minimum = 20.0 + 80.0 * unit(random);
    r->LogMinimum = std::log(r->Minimum);
    r->Maximum = r->Minimum * (3 + 20 * unit(random));
    r->TestFlags = static_cast<std::uint8_t>(static_cast<int>(unit(random) * 128) & 0x7E);
    for (int i = 1; i <= kDistributionCount; ++i) {
        const double R90 = 0.9 + 0.09 * unit(random);
        FitTestOf(*r, i) = {std::min(1.0, R90 + pick({-0.05, -0.01, 0.0, 0.01, 0.02})), R90};
        VarianceTestZOf(*r, i) = pick({0.2, 1.0, 1.5, 1.65, 1.8, 2.5, kNaN}) * (0.9 + 0.2 * unit(random));
        const double shape = pick({-0.3, -0.05, 0.0, 0.05, 0.3});
        // Positions that put the lower bounds on either side of the minimum.
        const double position = r->Minimum * pick({0.5, 1.0, 1.2, 1.5});
        ParametersOf(*r, i) = {position, r->Minimum * pick({0.02, 0.1, 0.3}), shape};
    }
    ParametersOf(*r, kLogNormal).Position = ParametersOf(*r, kLogPearson3).Position =
        r->LogMinimum * pick({0.95, 1.05, 1.2});
    ParametersOf(*r, kLogPearson3).Scale = 0.05 * pick({0.5, 1.0, 4.0});
    // Ties: copy one distribution's tests onto another now and then.
    if (unit(random) < 0.3) {
        const int from = 1 + static_cast<int>(unit(random) * 8) % 8, to = 1 + static_cast<int>(unit(random) * 8) % 8;
        FitTestOf(*r, to) = FitTestOf(*r, from);
        VarianceTestZOf(*r, to) = VarianceTestZOf(*r, from);
    }
    return r;
}

TEST(AdvisorPolicy, RandomRecordsAgreeWithThePolicyWrittenOut) {
    std::mt19937_64 random(7);
    int recommendedNone = 0, statuses[4] = {};
    for (int k = 0; k < 150; ++k) {
        SCOPED_TRACE("record " + std::to_string(k));
        auto r = RandomRecord(random);
        const Advice a = Default(*r);
        ExpectPolicy(*r, a);
        if (a.Recommended == 0) ++recommendedNone;
        for (const auto& row : a.Ranking) ++statuses[static_cast<int>(row.Status)];
    }
    // The sample reached every status and both kinds of outcome.
    for (int s : statuses) EXPECT_GT(s, 10);
    EXPECT_GT(recommendedNone, 0);
}

// Everything an advice holds, as text, to compare two advices whole.
std::string AdviceText(const Advice& a) {
    std::string text = a.RuleBase + "|" + a.RuleBaseProblem + "|" + std::to_string(a.Recommended) + "|" +
                       PhraseText(a.Conclusion);
    for (const Phrase& caution : a.Cautions) text += "|" + PhraseText(caution);
    for (const DistributionAdvice& row : a.Ranking) {
        char numbers[128];
        std::snprintf(numbers, sizeof numbers, "%d %d %d %.17g %.17g %.17g", row.Index, row.Rank,
                      static_cast<int>(row.Status), row.Degree, row.ZMembership, row.RMembership);
        text += std::string("|") + numbers;
        for (const Phrase& reason : row.Reasons) text += "/" + PhraseText(reason);
    }
    return text;
}

TEST(AdvisorPolicy, TheEnginesImageOfARuleBaseAdvisesAsItsText) {
    // The first consultation of a rule base reads its text and keeps the
    // engine's binary image; the later ones load the image. Both the same.
    const std::string text = DefaultRuleBaseText() + "\n; a copy the process has not read yet, number ";
    std::mt19937_64 random(11);
    for (int k = 0; k < 20; ++k) {
        SCOPED_TRACE(k);
        auto r = RandomRecord(random);
        const Advice fromText = AdviseWithText(*r, text + std::to_string(k) + "\n", "copia.clp");
        const Advice fromImage = AdviseWithText(*r, text + std::to_string(k) + "\n", "copia.clp");
        EXPECT_TRUE(fromText.RuleBaseProblem.empty()) << fromText.RuleBaseProblem;
        EXPECT_EQ(AdviceText(fromImage), AdviceText(fromText));
    }
}

TEST(AdvisorPolicy, RealSeriesAgreeWithThePolicyWrittenOut) {
    for (const char* name : {"ocmulgee-river-macon.dat", "arkansas-river-pueblo.dat", "santa-cruz-river-lochiel.dat",
                             "tees-dent-bank.dat", "potomac-river-point-of-rocks.dat"}) {
        SCOPED_TRACE(name);
        auto r = std::make_unique<AnalysisRecord>();
        CalculateAll(*r, "", "", "", std::string(ZARN_EXAMPLES) + "/" + name);
        const Advice a = Default(*r);
        ExpectPolicy(*r, a);
        // The parsimony fields the calculation stored are the rule base's degrees.
        for (int k = 1; k <= 4; ++k) {
            EXPECT_NEAR(r->ParsimonyValue[k - 1], Row(a, k).Degree, kAgreement);
            EXPECT_EQ(r->ParsimonyLimit[k - 1], 0.5);
        }
    }
}

// ---------------------------------------------------------------------------
// Each rule on a crafted record.

TEST(AdvisorStatus, PlainRecordAcceptsAllInIndexOrderOfDegree) {
    auto r = PlainRecord();
    const Advice a = Default(*r);
    for (int i = 1; i <= kDistributionCount; ++i) EXPECT_EQ(Row(a, i).Status, AdviceStatus::Accepted) << i;
    // g = min(Z membership, R membership = 0.5 + ...): the three-parameter
    // members have the smaller |Z|, so the larger g.
    EXPECT_EQ(a.Recommended, a.Ranking[0].Index);
    EXPECT_EQ(a.RuleBase, kDefaultRuleBaseName);
    EXPECT_TRUE(a.RuleBaseProblem.empty());
    EXPECT_TRUE(a.Cautions.empty());
    ExpectPolicy(*r, a);
}

TEST(AdvisorStatus, RejectionSaysWhichTestFailed) {
    auto r = PlainRecord();
    VarianceTestZOf(*r, kNormal) = 2.0;          // |Z| above 1.65
    FitTestOf(*r, kGumbel) = {0.94, 0.95};       // R below R90
    VarianceTestZOf(*r, kGEV) = 3.0;             // both
    FitTestOf(*r, kGEV) = {0.90, 0.95};
    VarianceTestZOf(*r, kPearson3) = kNaN;       // a simulation that gave nothing
    const Advice a = Default(*r);
    for (int i : {kNormal, kGumbel, kGEV, kPearson3}) EXPECT_EQ(Row(a, i).Status, AdviceStatus::Rejected) << i;
    EXPECT_TRUE(Contains(Reasons(a, kNormal), "teste da variância: |Z| = 2.0000"));
    EXPECT_FALSE(Contains(Reasons(a, kNormal), "Filliben"));
    EXPECT_TRUE(Contains(Reasons(a, kGumbel), "teste de Filliben: R = 0.9400 fica abaixo de R(90%) = 0.9500"));
    EXPECT_FALSE(Contains(Reasons(a, kGumbel), "variância"));
    EXPECT_EQ(Row(a, kGEV).Reasons.size(), 2u);
    EXPECT_TRUE(Contains(Reasons(a, kPearson3), "não tem resultado"));
    EXPECT_EQ(Row(a, kPearson3).ZMembership, 0.0);
    ExpectPolicy(*r, a);
}

TEST(AdvisorStatus, DegreeOfExactlyOneHalfIsNotRejected) {
    auto r = PlainRecord();
    VarianceTestZOf(*r, kPearson3) = 1.65;
    FitTestOf(*r, kGEV) = {0.95, 0.95};
    const Advice a = Default(*r);
    EXPECT_EQ(Row(a, kPearson3).Degree, 0.5);
    EXPECT_NE(Row(a, kPearson3).Status, AdviceStatus::Rejected);
    EXPECT_EQ(Row(a, kGEV).Degree, 0.5);
    EXPECT_NE(Row(a, kGEV).Status, AdviceStatus::Rejected);
}

// Rows 5 to 9 of the fact file's flags reject; each case is set just past
// and just short of 0.9 times the bound, and the fact file must agree.
TEST(AdvisorStatus, LowerBoundAboveTheDataRejectsAsTheFactFileFlags) {
    struct Case {
        int Index;
        ParameterSet Parameters;
        const char* Fact;
    } cases[] = {
        {kExponential, {112.0, 10.0, 0.0}, "(MinXMenorMinEXP)"},   // bound 112, 0.9 x 112 = 100.8
        {kPearson3, {312.0, 100.0, 1.0}, "(MinXMenorMinPE3)"},     // bound 312 - 200 = 112
        {kGEV, {212.0, 50.0, -0.5}, "(MinXMenorMinGEV)"},          // bound 212 - 100 = 112
        {kGPA, {112.0, 10.0, 0.0}, "(MinXMenorMinGPA)"},           // shape 0 qualifies
        {kGPA, {112.0, 10.0, -0.2}, "(MinXMenorMinGPA)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Fact);
        for (double minimum : {100.0, 100.8, 101.0}) {
            auto r = PlainRecord();
            r->Minimum = minimum;
            r->LogMinimum = std::log(minimum);
            ParametersOf(*r, c.Index) = c.Parameters;
            const auto facts = FactFileLines(*r);
            const bool flagged = std::find(facts.begin(), facts.end(), c.Fact) != facts.end();
            const Advice a = Default(*r);
            EXPECT_EQ(Row(a, c.Index).Status == AdviceStatus::Rejected, flagged) << minimum;
            if (flagged) {
                EXPECT_TRUE(Contains(Reasons(a, c.Index), "limite inferior")) << Reasons(a, c.Index);
                const auto numbers = ReasonNumbers(a, c.Index);
                EXPECT_NEAR(numbers.back(), 112.0, 1e-9);  // the bound, in data units
            }
            ExpectPolicy(*r, a);
        }
    }
}

TEST(AdvisorStatus, LogPearsonLowerBoundComparesTheLogarithms) {
    auto r = PlainRecord();
    // Bound of the logarithms 5.0 - 2 x 0.2 / 0.5 = 4.2; 0.9 x 4.2 = 3.78 > ln 40 = 3.689.
    ParametersOf(*r, kLogPearson3) = {5.0, 0.2, 0.5};
    r->Minimum = 40.0;
    r->LogMinimum = std::log(40.0);
    const auto facts = FactFileLines(*r);
    ASSERT_NE(std::find(facts.begin(), facts.end(), "(MinXMenorMinLP3)"), facts.end());
    const Advice a = Default(*r);
    EXPECT_EQ(Row(a, kLogPearson3).Status, AdviceStatus::Rejected);
    const auto numbers = ReasonNumbers(a, kLogPearson3);
    ASSERT_GE(numbers.size(), 2u);
    EXPECT_NEAR(numbers[numbers.size() - 2], 40.0, 1e-9);               // minimum in data units
    EXPECT_NEAR(numbers.back(), std::exp(4.2), 1e-9 * std::exp(4.2));  // bound in data units
    // 0.9 x 4.2 below ln 50 = 3.91: no flag, no rejection.
    r->Minimum = 50.0;
    r->LogMinimum = std::log(50.0);
    EXPECT_NE(Row(Default(*r), kLogPearson3).Status, AdviceStatus::Rejected);
}

TEST(AdvisorStatus, NegativeSkewnessRejectsOnlyTheDistributionsOfPositiveSkewness) {
    auto r = PlainRecord();
    r->Skewness = -0.2;
    const Advice a = Default(*r);
    for (int i = 1; i <= kDistributionCount; ++i) {
        const bool positiveOnly = i == kLogNormal || i == kGumbel || i == kExponential;
        EXPECT_EQ(Row(a, i).Status == AdviceStatus::Rejected, positiveOnly) << i;
        if (positiveOnly) {
            EXPECT_TRUE(Contains(Reasons(a, i), "assimetria da amostra é negativa (-0.2000)"));
        }
    }
    r->Skewness = 0.0;  // zero is not negative
    for (const auto& row : Default(*r).Ranking) EXPECT_NE(row.Status, AdviceStatus::Rejected);
}

TEST(AdvisorStatus, UpperBoundIsGivenInDataUnits) {
    auto r = PlainRecord();
    ParametersOf(*r, kGEV) = {300.0, 100.0, 0.25};          // 300 + 100 / 0.25 = 700
    ParametersOf(*r, kGPA) = {50.0, 100.0, 0.5};            // 50 + 200 = 250 < maximum 900
    ParametersOf(*r, kPearson3) = {300.0, 100.0, -0.5};     // 300 + 400 = 700
    ParametersOf(*r, kLogPearson3) = {5.5, 0.5, -1.0};      // exp(5.5 + 1) = exp(6.5) = 665
    r->Maximum = 600.0;
    const Advice a = Default(*r);
    const double bounds[] = {700.0, std::exp(6.5), 700.0, 250.0};
    for (int i = kPearson3; i <= kGPA; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(Row(a, i).Status, AdviceStatus::UpperBound);
        EXPECT_TRUE(Contains(Reasons(a, i), "limite superior"));
        EXPECT_NEAR(ReasonNumbers(a, i).front(), bounds[i - kPearson3], 1e-12 * bounds[i - kPearson3]);
    }
    // The GPA's bound lies below the largest flood observed: said, status unchanged.
    EXPECT_TRUE(Contains(Reasons(a, kGPA), "abaixo do máximo da amostra, 600.0000"));
    EXPECT_FALSE(Contains(Reasons(a, kGEV), "abaixo do máximo"));
    ExpectPolicy(*r, a);
}

TEST(AdvisorStatus, ParsimonyPrefersThePassingTwoParameterMember) {
    auto r = PlainRecord();
    VarianceTestZOf(*r, kGumbel) = 0.5;       // Gumbel passes: g > 0.5
    VarianceTestZOf(*r, kNormal) = 0.5;
    r->Skewness = -0.1;                       // ... but Gumbel is rejected by the skewness
    const Advice a = Default(*r);
    EXPECT_EQ(Row(a, kPearson3).Status, AdviceStatus::Parsimony);
    EXPECT_TRUE(Contains(Reasons(a, kPearson3), "a Normal, de dois parâmetros, também passa"));
    EXPECT_EQ(Row(a, kGEV).Status, AdviceStatus::Accepted);
    EXPECT_EQ(Row(a, kGumbel).Status, AdviceStatus::Rejected);
    ExpectPolicy(*r, a);

    // Upper bound comes first: a bounded GEV stays "upper bound" and names its pair.
    r->Skewness = 0.5;
    ParametersOf(*r, kGEV).Shape = 0.2;
    const Advice b = Default(*r);
    EXPECT_EQ(Row(b, kGEV).Status, AdviceStatus::UpperBound);
    EXPECT_TRUE(Contains(Reasons(b, kGEV), "A Gumbel, de dois parâmetros, também passa"));
    ExpectPolicy(*r, b);
}

TEST(AdvisorRanking, GroupsThenDegreeThenLowerIndex) {
    auto r = PlainRecord();
    for (int i = 1; i <= kDistributionCount; ++i) VarianceTestZOf(*r, i) = 0.3;  // equal degrees
    VarianceTestZOf(*r, kNormal) = 1.0;        // g 0.82: accepted, below the others
    ParametersOf(*r, kGPA).Shape = 0.1;        // upper bound
    FitTestOf(*r, kLogNormal) = {0.5, 0.95};   // rejected
    const Advice a = Default(*r);
    // Accepted by degree, ties by index (Gumbel, Exponential, LogPearson III
    // whose pair is rejected, then the Normal); parsimony (Pearson III, GEV);
    // GPA bounded; LogNormal rejected.
    EXPECT_EQ(Order(a), (std::vector<int>{3, 4, 6, 1, 5, 7, 8, 2}));
    EXPECT_EQ(a.Recommended, kGumbel);
    ExpectPolicy(*r, a);
}

TEST(AdvisorRanking, AllRejectedGivesNoRecommendationAndNamesTheHighestDegree) {
    auto r = PlainRecord();
    for (int i = 1; i <= kDistributionCount; ++i) VarianceTestZOf(*r, i) = 2.0 + 0.1 * i;
    VarianceTestZOf(*r, kGEV) = 1.9;   // the highest g
    VarianceTestZOf(*r, kGPA) = 1.9;   // tied, higher index: second
    const Advice a = Default(*r);
    EXPECT_EQ(a.Recommended, 0);
    EXPECT_EQ(a.Ranking[0].Index, kGEV);
    EXPECT_EQ(a.Ranking[1].Index, kGPA);
    const std::string conclusion = PhraseText(a.Conclusion);
    EXPECT_TRUE(Contains(conclusion, "não há recomendação")) << conclusion;
    EXPECT_TRUE(Contains(conclusion, "GEV")) << conclusion;
    ExpectPolicy(*r, a);
}

TEST(AdvisorCautions, ShortSeriesAndEachTestVerdictInOrder) {
    auto r = PlainRecord();
    r->SampleSize = 19;
    r->TestFlags = 0x7E | 0x01 | 0x80;
    const Advice a = Default(*r);
    // The plain record recommends a three-parameter distribution: the short
    // series' caution is followed by the sentence on that conflict.
    ASSERT_EQ(a.Cautions.size(), 8u);
    const char* words[] = {"Série curta: 19 valores", "Esta cautela contraria a recomendação", "Kendall",
                           "Mann-Kendall", "Grubbs e Beck indica um valor atípico alto",
                           "Grubbs e Beck indica um valor atípico baixo", "assimetria indica um valor atípico alto",
                           "assimetria indica um valor atípico baixo"};
    for (int k = 0; k < 8; ++k) EXPECT_TRUE(Contains(PhraseText(a.Cautions[k]), words[k])) << k;
    // Cautions change no status.
    auto plain = PlainRecord();
    EXPECT_EQ(Order(a), Order(Default(*plain)));

    r->SampleSize = 20;
    r->TestFlags = FlagNonHomogeneous;
    const Advice b = Default(*r);
    ASSERT_EQ(b.Cautions.size(), 1u);
    EXPECT_TRUE(Contains(PhraseText(b.Cautions[0]), "Mann-Kendall"));
}

// A short series counsels two-parameter distributions: a three-parameter
// recommendation says in one sentence why it stands, once.
TEST(AdvisorCautions, AShortSeriesNamesItsConflictWithAThreeParameterRecommendation) {
    const auto conflicts = [](const Advice& a) {
        std::vector<std::string> found;
        for (const Phrase& caution : a.Cautions)
            if (Contains(PhraseText(caution), "contraria a recomendação")) found.push_back(PhraseText(caution));
        return found;
    };
    // Every two-parameter distribution rejected by Filliben's test.
    auto r = PlainRecord();
    r->SampleSize = 17;
    for (int k = 1; k <= 4; ++k) FitTestOf(*r, k) = {0.90, 0.95};
    const Advice rejected = Default(*r);
    ASSERT_GE(rejected.Recommended, kPearson3);
    auto text = conflicts(rejected);
    ASSERT_EQ(text.size(), 1u);
    EXPECT_TRUE(Contains(text[0], "todas as distribuições de dois parâmetros foram rejeitadas")) << text[0];
    EXPECT_TRUE(Contains(text[0], DistributionName(rejected.Recommended))) << text[0];
    EXPECT_TRUE(Contains(PhraseText(rejected.Cautions[0]), "Série curta"));

    // A two-parameter one passes but ranks below: it is named.
    auto passing = PlainRecord();
    passing->SampleSize = 17;
    const Advice ranked = Default(*passing);
    ASSERT_GE(ranked.Recommended, kPearson3);
    text = conflicts(ranked);
    ASSERT_EQ(text.size(), 1u);
    int firstTwoParameter = 0;
    for (const DistributionAdvice& row : ranked.Ranking)
        if (row.Index <= kExponential && row.Status != AdviceStatus::Rejected) {
            firstTwoParameter = row.Index;
            break;
        }
    EXPECT_TRUE(Contains(text[0], "a " + DistributionName(firstTwoParameter) + ", de dois parâmetros")) << text[0];

    // No conflict: a two-parameter recommendation, or a series that is not short.
    auto two = PlainRecord();
    two->SampleSize = 17;
    for (int k = 5; k <= 8; ++k) FitTestOf(*two, k) = {0.90, 0.95};
    const Advice agreeing = Default(*two);
    ASSERT_LE(agreeing.Recommended, kExponential);
    EXPECT_TRUE(conflicts(agreeing).empty());
    r->SampleSize = 20;
    EXPECT_TRUE(conflicts(Default(*r)).empty());
}

// ---------------------------------------------------------------------------
// Rule bases: the user's copy, broken ones, threads, locale, output.

class RuleBaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("zarn-advisor-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        fs::remove_all(dir_);
    }
    fs::path Write(const std::string& name, const std::string& text) {
        const fs::path path = dir_ / name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    fs::path dir_;
};

TEST_F(RuleBaseTest, TheUserCopyInTheConfigFolderIsUsedNeverOneInTheWorkingFolder) {
    std::string adapted = DefaultRuleBaseText();
    const std::string from = "\"Recomenda-se a distribuição \"";
    adapted.replace(adapted.find(from), from.size(), "\"Adote a \"");
    fs::create_directories(dir_ / "config" / "zarn");
    const fs::path path = Write("config/zarn/" + std::string(kRuleBaseFileName), adapted);
    // A rule base where the user stands (a folder of downloads) is code of
    // unknown origin: never looked at.
    fs::create_directories(dir_ / "work");
    Write("work/" + std::string(kRuleBaseFileName), "(defrule x => (system \"touch hacked\"))");
    const Session session{(dir_ / "work").string()};
    const char* savedConfig = std::getenv("XDG_CONFIG_HOME");
    const std::string kept = savedConfig ? savedConfig : "";
    ::setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
    auto r = PlainRecord();
    const Advice a = Advise(*r, session);
    EXPECT_EQ(a.RuleBase, path.string());
    EXPECT_TRUE(a.RuleBaseProblem.empty());
    EXPECT_EQ(PhraseText(a.Conclusion).rfind("Adote a ", 0), 0u) << PhraseText(a.Conclusion);

    // A rule base chosen for the run comes first.
    Session chosen = session;
    chosen.RuleBase = (dir_ / "missing.clp").string();
    EXPECT_TRUE(Contains(Advise(*r, chosen).RuleBaseProblem, "missing.clp"));
    if (savedConfig) ::setenv("XDG_CONFIG_HOME", kept.c_str(), 1);
    else ::unsetenv("XDG_CONFIG_HOME");
}

// Attacks by a rule base: each must run nothing, write nothing, end nothing
// and hang nothing; the default rule base gives the advice and the problem
// names the rule base and why.
TEST_F(RuleBaseTest, HostileRuleBasesRunNothingAndTheDefaultAdvises) {
    const std::string victim = Write("victim.txt", "keep").string();
    const std::string marker = (dir_ / "marker").string();
    const std::string q = "\"" + marker + "\"";
    const std::string refused = "nada dela foi executado.";
    const std::string stopped = "foi interrompida";
    struct Case {
        const char* Name;
        std::string Text;
        std::string Said;
    } cases[] = {
        {"open", "(defrule G::a => (open " + q + " f \"w\") (printout f x crlf) (close f))", "usa a função open"},
        {"remove", "(defrule G::a => (remove \"" + victim + "\"))", "usa a função remove, que apaga arquivos"},
        {"rename", "(defrule G::a => (rename \"" + victim + "\" " + q + "))", "usa a função rename"},
        {"system", "(defrule G::a => (system \"touch " + marker + "\"))", "usa a função system, que executa programas"},
        {"exit", "(defrule G::a => (exit 3))", "usa a função exit, que encerra o programa"},
        {"load", "(defglobal ?*g* = (load " + q + "))", "usa a função load"},
        {"batch", "(defrule G::a => (batch " + q + "))", "usa a função batch"},
        {"bsave", "(defrule G::a => (bsave " + q + "))", "usa a função bsave"},
        {"bload", "(defrule G::a => (bload " + q + "))", "usa a função bload"},
        {"save", "(defrule G::a => (save " + q + "))", "usa a função save"},
        {"dribble", "(defrule G::a => (dribble-on " + q + "))", "usa a função dribble-on"},
        {"global", "(defglobal ?*g* = (system \"touch " + marker + "\"))", "usa a função system"},
        {"eval", "(defrule G::a => (eval (str-cat \"(sys\" \"tem \\\"touch " + marker + "\\\")\")))",
         "usa a função eval"},
        {"recursion", "(deffunction f (?x) (f ?x))\n(defrule G::a => (f 1))", "tem a função f, que chama a si mesma"},
        {"mutual", "(deffunction g (?x))\n(deffunction f (?x) (g ?x))\n(deffunction g (?x) (f ?x))",
         "tem a função f, que chama a si mesma"},
        {"nesting", "(defglobal ?*g* = " + std::string(500, '(') + std::string(500, ')') + ")",
         "tem parênteses aninhados em mais de 200 níveis"},
        {"rule loop", "(defrule G::a => (while TRUE do (bind ?x 1)))", stopped + ": a consulta passou de 3 segundos"},
        {"global loop", "(defglobal ?*g* = (while TRUE do (bind ?x 1)))", stopped + ": a consulta passou de 3 segundos"},
        {"memory", "(defrule G::a => (bind ?m (create$ a b)) (while TRUE do (bind ?m (create$ ?m ?m))))",
         stopped + ": a consulta passou de 128 MB"},
    };
    auto r = PlainRecord();
    const Advice reference = Default(*r);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const fs::path path = Write("hostile.clp", DefaultRuleBaseText() + "\n" + c.Text + "\n");
        const Advice a = AdviseWithRuleBase(*r, path.string());
        EXPECT_EQ(a.RuleBase, kDefaultRuleBaseName);
        EXPECT_TRUE(Contains(a.RuleBaseProblem, "A base de regras \"" + path.string() + "\" " + c.Said))
            << a.RuleBaseProblem;
        if (c.Said.rfind("usa", 0) == 0 || c.Said.rfind("tem", 0) == 0)
            EXPECT_TRUE(Contains(a.RuleBaseProblem, refused)) << a.RuleBaseProblem;
        EXPECT_EQ(Order(a), Order(reference));
        EXPECT_FALSE(fs::exists(marker));
        EXPECT_EQ(ReadFileContents(victim), "keep");
    }
}

TEST(RuleBaseRefusal, ReadsTheTextAsTheEngineDoes) {
    // Names in strings and comments are not calls; a name is a call wherever
    // it follows "(", blanks and comments between.
    EXPECT_EQ(RuleBaseRefusal("(defrule a => (printout t \"(system x) (exit)\" crlf)) ; (open f)\n"), "");
    EXPECT_EQ(RuleBaseRefusal("(defrule a => (printout t \"a \\\" (exit)\" crlf))"), "");
    EXPECT_TRUE(Contains(RuleBaseRefusal("(defrule a => ( ; note\n  exit))"), "usa a função exit"));
    EXPECT_TRUE(Contains(RuleBaseRefusal("(defrule a => (load* \"x\"))"), "usa a função load*"));
    // A deffunction calling another is fine; a generic function whose method
    // calls itself is not.
    EXPECT_EQ(RuleBaseRefusal("(deffunction g (?x) (* 2 ?x)) (deffunction f (?x) (g (g ?x)))"), "");
    EXPECT_TRUE(Contains(RuleBaseRefusal("(defmethod h ((?x INTEGER)) (h (- ?x 1)))"), "a função h"));
    EXPECT_TRUE(Contains(RuleBaseRefusal("(defmessage-handler USER m () (send ?self m))"), "tratadores de mensagens"));
    EXPECT_EQ(RuleBaseRefusal(DefaultRuleBaseText()), "");
    EXPECT_EQ(RuleBaseRefusal(std::string(kMaxRuleNesting, '(')), "");
}

TEST_F(RuleBaseTest, TheBinaryImageLeavesNoFileBehind) {
    const char* saved = std::getenv("TMPDIR");
    const std::string kept = saved ? saved : "";
    fs::create_directories(dir_ / "tmp");
    ::setenv("TMPDIR", (dir_ / "tmp").c_str(), 1);
    auto r = PlainRecord();
    const Advice a = AdviseWithText(*r, DefaultRuleBaseText() + "\n; image test\n", "imagem.clp");
    const Advice b = AdviseWithText(*r, DefaultRuleBaseText() + "\n; image test\n", "imagem.clp");
    EXPECT_EQ(Order(a), Order(b));
    EXPECT_TRUE(fs::is_empty(dir_ / "tmp"));
    if (saved) ::setenv("TMPDIR", kept.c_str(), 1);
    else ::unsetenv("TMPDIR");
}

TEST_F(RuleBaseTest, BrokenRuleBasesAreNamedAndTheDefaultIsUsed) {
    const std::string head = "(defmodule MAIN (export ?ALL))\n";
    struct Case {
        const char* Name;
        std::string Text;
        const char* Said;
    } cases[] = {
        {"syntax.clp", DefaultRuleBaseText() + "\n(defrule MAIN::partida (serie =>", "tem erros e não foi carregada: "},
        {"empty.clp", head, "não aceitou os fatos da análise: "},
        {"seven.clp", DefaultRuleBaseText() + "\n(defrule F::apaga ?p <- (parecer (indice 3)) => (retract ?p))",
         "não produziu um parecer completo: há 7 fatos parecer, e são precisos 8."},
        {"loop.clp",
         DefaultRuleBaseText() + "\n(deftemplate G::volta (slot n))\n(defrule G::comeca => (assert (volta (n 0))))"
                                 "\n(defrule G::volta ?f <- (volta (n ?n)) => (modify ?f (n (+ ?n 1))))",
         "não terminou"},
        {"runtime.clp", DefaultRuleBaseText() + "\n(defrule G::divide => (bind ?x (/ 1 0)))",
         "falhou durante a consulta: "},
        {"two.clp",
         DefaultRuleBaseText() + "\n(defrule F::outra (parecer (indice 2)) => (assert (recomendacao (indice 2))))",
         "não produziu um parecer completo: há 2 fatos recomendacao, e é preciso 1."},
    };
    auto r = PlainRecord();
    const Advice reference = Default(*r);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const fs::path path = Write(c.Name, c.Text);
        const Advice a = AdviseWithRuleBase(*r, path.string());
        EXPECT_EQ(a.RuleBase, kDefaultRuleBaseName);
        EXPECT_TRUE(Contains(a.RuleBaseProblem, "A base de regras \"" + path.string() + "\" " + c.Said))
            << a.RuleBaseProblem;
        EXPECT_TRUE(Contains(a.RuleBaseProblem, "Foi usada a base de regras padrão (embutida)."));
        EXPECT_EQ(Order(a), Order(reference));
    }
    const Advice missing = AdviseWithRuleBase(*r, (dir_ / "missing.clp").string());
    EXPECT_TRUE(Contains(missing.RuleBaseProblem, "não pôde ser lida (File not found)")) << missing.RuleBaseProblem;
}

TEST_F(RuleBaseTest, ACopySavedInWindows1252ReadsTheSame) {
    const fs::path path = Write("latin.clp", "\xEF\xBB\xBF" + Utf8ToWindows1252(DefaultRuleBaseText()));
    auto r = PlainRecord();
    r->SampleSize = 10;
    const Advice a = AdviseWithRuleBase(*r, path.string());
    EXPECT_TRUE(a.RuleBaseProblem.empty()) << a.RuleBaseProblem;
    EXPECT_EQ(PhraseText(a.Cautions.at(0)), PhraseText(Default(*r).Cautions.at(0)));
    EXPECT_TRUE(Contains(PhraseText(a.Cautions.at(0)), "Série curta"));
}

TEST_F(RuleBaseTest, WhatARuleBasePrintsNeverReachesStandardOutput) {
    const std::string text = DefaultRuleBaseText() +
                             "\n(defrule G::fala => (printout t \"conversa\" crlf) (printout stdout \"mais\" crlf)"
                             " (bind ?x (read)))";
    auto r = PlainRecord();
    testing::internal::CaptureStdout();
    const Advice a = AdviseWithText(*r, text, "fala.clp");
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed, "");
    EXPECT_EQ(a.RuleBase, "fala.clp");
    EXPECT_TRUE(a.RuleBaseProblem.empty()) << a.RuleBaseProblem;
}

TEST(AdvisorThreads, ConsultationsFromSeveralThreadsGiveTheSameAdvice) {
    std::mt19937_64 random(99);
    std::vector<std::unique_ptr<AnalysisRecord>> records;
    for (int k = 0; k < 8; ++k) records.push_back(RandomRecord(random));
    std::vector<Advice> alone;
    for (const auto& r : records) alone.push_back(Default(*r));

    constexpr int kThreads = 8, kRounds = 6;
    std::vector<std::vector<Advice>> together(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int k = 0; k < kRounds; ++k) together[t].push_back(Default(*records[(t + k) % records.size()]));
        });
    for (auto& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t)
        for (int k = 0; k < kRounds; ++k) {
            const Advice& a = together[t][k];
            const Advice& b = alone[(t + k) % records.size()];
            EXPECT_EQ(Order(a), Order(b));
            EXPECT_EQ(a.Recommended, b.Recommended);
            for (int j = 0; j < kDistributionCount; ++j) {
                EXPECT_EQ(a.Ranking[j].Degree, b.Ranking[j].Degree);
                EXPECT_EQ(a.Ranking[j].Reasons.size(), b.Ranking[j].Reasons.size());
            }
        }
}

// The windows set the process locale from the environment: the engine must
// still read "0.5" as a half.
const char* SetCommaLocale() {
    for (const char* name : {"pt_BR.UTF-8", "pt_BR.utf8", "de_DE.UTF-8", "fr_FR.UTF-8"})
        if (const char* set = std::setlocale(LC_ALL, name)) return set;
    const std::string folder = "/tmp/zarn-locale-" + std::to_string(::getpid());
    fs::create_directories(folder);
    const std::string command = "localedef -i pt_BR -f UTF-8 " + folder + "/pt_BR.UTF-8 >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return nullptr;
    ::setenv("LOCPATH", folder.c_str(), 1);
    return std::setlocale(LC_ALL, "pt_BR.UTF-8");
}

TEST(AdvisorLocale, ADecimalCommaLocaleChangesNothing) {
    std::mt19937_64 random(3);
    auto r = RandomRecord(random);
    const Advice before = Default(*r);
    if (SetCommaLocale() == nullptr) GTEST_SKIP() << "no locale with a decimal comma is available";
    const Advice during = Default(*r);
    std::setlocale(LC_ALL, "C");
    fs::remove_all("/tmp/zarn-locale-" + std::to_string(::getpid()));
    EXPECT_EQ(Order(during), Order(before));
    for (int j = 0; j < kDistributionCount; ++j) EXPECT_EQ(during.Ranking[j].Degree, before.Ranking[j].Degree);
    ExpectPolicy(*r, during);
}

// ---------------------------------------------------------------------------
// The advice as text.

TEST(AdviceLines, CautionsOpenTheTextAndTheTablesFollowTheRanking) {
    auto r = PlainRecord();
    r->SampleSize = 12;
    VarianceTestZOf(*r, kNormal) = 3.0;
    const Advice a = Default(*r);
    const ReturnPeriodLimits limits{{{1, 2}, {3, 4}, {5, 6}, {7, 8}, {9, 10}, {11, 12}, {13, 14}}};
    const auto lines = AdviceLines(a, *r, &limits, ',');
    EXPECT_EQ(lines[0], "ZARN - RECOMENDAÇÃO DA DISTRIBUIÇÃO");
    const auto at = [&lines](const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) - lines.begin();
    };
    EXPECT_EQ(lines[at("BASE DE REGRAS: padrão (embutida)")], "BASE DE REGRAS: padrão (embutida)");
    EXPECT_LT(at("ATENÇÃO:"), at("PARECER:"));
    EXPECT_LT(at("PARECER:"), at("CLASSIFICAÇÃO:"));
    const auto table = at("CLASSIFICAÇÃO:") + 3;
    for (int k = 0; k < kDistributionCount; ++k) {
        const std::string& row = lines[static_cast<std::size_t>(table + k)];
        EXPECT_EQ(row.substr(0, 5), std::string(4, ' ') + std::to_string(k + 1));
        EXPECT_NE(row.find(DistributionName(a.Ranking[k].Index)), std::string::npos) << row;
    }
    EXPECT_NE(lines[static_cast<std::size_t>(table + 7)].find("rejeitada"), std::string::npos);
    // Seven quantile rows, each with the two limits.
    const auto quantiles = std::find_if(lines.begin(), lines.end(), [](const std::string& l) {
        return l.rfind("QUANTIS DA DISTRIBUIÇÃO RECOMENDADA", 0) == 0;
    });
    ASSERT_NE(quantiles, lines.end());
    // Columns as wide as their content, numbers with the separator asked.
    const std::string quantile = FormatNumber(AdviceQuantile(*r, a.Recommended, 0), StyleFor(','));
    EXPECT_EQ(*(quantiles + 3), std::string(22, ' ') + "2  " + std::string(7 - quantile.size(), ' ') + quantile +
                                    std::string(22, ' ') + "1" + std::string(23, ' ') + "2");
    // Every line fits an A4 page in portrait at the print's size (about 100
    // characters of a fixed-pitch font at 8 points).
    for (const auto& line : lines) EXPECT_LE(Characters(line), 100) << line;

    // Without the limits the columns are left out.
    const auto plain = AdviceLines(a, *r, nullptr, ',');
    EXPECT_EQ(std::find(plain.begin(), plain.end(), *(quantiles + 2)), plain.end());
}

TEST(AdviceLines, WrapCutsAtBlanksCountingCharacters) {
    const auto lines = WrapText("água água água", 9, "- ", "  ");
    EXPECT_EQ(lines, (std::vector<std::string>{"- água", "  água", "  água"}));
    EXPECT_EQ(WrapText("", 10, "*** ", "    "), (std::vector<std::string>{"*** "}));
}

// ---------------------------------------------------------------------------
// The batch tool.

// The tool's standard output with the blanks between JSON tokens taken out;
// it runs from "/", where no adapted rule base lies.
std::string RunCli(const std::string& args) {
    const fs::path out = fs::temp_directory_path() / ("zarn-advice-" + std::to_string(::getpid()) + ".json");
    const std::string command = std::string("cd / && '") + ZARN_CLI + "' " + args + " > '" + out.string() + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    std::ifstream in(out, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    fs::remove(out);
    std::string compact;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted && c == '\\') {
            compact += c;
            compact += text[++i];
            continue;
        }
        if (c == '"') quoted = !quoted;
        if (quoted || (c != ' ' && c != '\n')) compact += c;
    }
    return compact;
}

TEST(AdviceCli, JsonHasTheRankingInRankOrder) {
    const std::string data = std::string(ZARN_EXAMPLES) + "/ocmulgee-river-macon.dat";
    const std::string json = RunCli("--data '" + data + "' --advice -");
    auto r = std::make_unique<AnalysisRecord>();
    CalculateAll(*r, "", "", "", data);
    const Advice a = Default(*r);
    ASSERT_EQ(json.rfind("{\"RuleBase\":", 0), 0u) << json;
    EXPECT_NE(json.find("\"Recommended\":" + std::to_string(a.Recommended) + ","), std::string::npos);
    std::size_t at = json.find("\"Ranking\":[");
    ASSERT_NE(at, std::string::npos);
    for (const DistributionAdvice& row : a.Ranking) {
        const std::string entry = "{\"Index\":" + std::to_string(row.Index) + ",\"Status\":\"" + StatusKey(row.Status) +
                                  "\",\"Degree\":";
        const std::size_t next = json.find(entry, at);
        ASSERT_NE(next, std::string::npos) << entry;
        at = next + entry.size();
        // 17 significant digits read back to the same double.
        EXPECT_EQ(std::strtod(json.c_str() + at, nullptr), row.Degree);
        EXPECT_NE(json.find("\"ZMembership\":", at), std::string::npos);
        EXPECT_NE(json.find("\"RMembership\":", at), std::string::npos);
        EXPECT_NE(json.find("\"Reasons\":[\"", at), std::string::npos);
    }
    EXPECT_EQ(json.substr(json.size() - 4), "]}]}");

    // The same advice after a project round trip.
    const fs::path project = fs::temp_directory_path() / ("zarn-advice-" + std::to_string(::getpid()) + ".prj");
    RunCli("--data '" + data + "' --project '" + project.string() + "'");
    EXPECT_EQ(RunCli("--open '" + project.string() + "' --advice -"), json);
    fs::remove(project);
}

}  // namespace
}  // namespace zarn
