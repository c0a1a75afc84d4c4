// SPDX-License-Identifier: GPL-3.0-or-later
// What the rule base says about a project's Bulletin 17C analysis: the
// 100-year flood against the L-moment fit it would otherwise adopt (inside
// or outside the EMA limits), the low outliers, the skew weighting; and
// nothing of it for a project without one. The B17C results are set by hand
// here so that each branch of the rules is reached whatever the analysis gives.
#include <gtest/gtest.h>

#include <memory>

#include "analysis/calculation.h"
#include "analysis/returnperiods.h"
#include "rules/advisor.h"
#include "rules/b17cfacts.h"

using namespace zarn;

namespace {

const AnalysisRecord& Pueblo() {
    static const std::unique_ptr<AnalysisRecord> r = [] {
        auto record = std::make_unique<AnalysisRecord>();
        CalculateAll(*record, "Arkansas", "Pueblo", "", ZARN_EXAMPLES "/arkansas-river-pueblo.dat", {});
        return record;
    }();
    return *r;
}

// A result with one historical year whose 100-year flood is `factor` times
// that of the distribution the advice adopts, limits at +-10 %.
B17cResult Result(double factor, int adopted) {
    B17cResult r;
    r.Ok = true;
    r.SystematicYears = 84;
    r.HistoricalYears = 1;
    r.StationSkew = 0.9;
    r.Skew = 0.9;
    const double q = factor * AdjustedQuantile(Pueblo(), adopted, ReturnPeriodProbability(100), 0);
    r.Aep = {0.5, 0.01};
    r.Quantiles = {5000, q};
    r.Lower = {4000, q / 1.1};
    r.Upper = {6000, q * 1.1};
    return r;
}

std::vector<std::string> Cautions(const std::vector<std::string>& facts) {
    const Advice advice = AdviseWithRuleBase(Pueblo(), "", {}, facts);
    std::vector<std::string> texts;
    for (const Phrase& p : advice.Cautions) texts.push_back(PhraseText(p));
    return texts;
}

bool Says(const std::vector<std::string>& texts, const std::string& words) {
    for (const std::string& t : texts)
        if (t.find(words) != std::string::npos) return true;
    return false;
}

}  // namespace

TEST(B17cAdvice, TheHundredYearFloodIsJudgedByTheEmaLimits) {
    const int adopted = AdviseWithRuleBase(Pueblo(), "").Recommended;
    ASSERT_NE(adopted, 0);
    const B17cOptions options;
    const auto moved = Cautions(B17cFacts(Pueblo(), {}, options, Result(1.5, adopted)));
    EXPECT_TRUE(Says(moved, "fora do intervalo de confiança de 90 %"));
    EXPECT_TRUE(Says(moved, "50 % acima"));
    EXPECT_TRUE(Says(moved, "Adote o B17C"));
    const auto confirmed = Cautions(B17cFacts(Pueblo(), {}, options, Result(0.97, adopted)));
    EXPECT_TRUE(Says(confirmed, "3 % abaixo"));
    EXPECT_TRUE(Says(confirmed, "dentro do intervalo de confiança"));
    EXPECT_FALSE(Says(confirmed, "Adote o B17C"));
}

TEST(B17cAdvice, ASystematicRecordAloneSaysNothingOfHistory) {
    const int adopted = AdviseWithRuleBase(Pueblo(), "").Recommended;
    B17cResult r = Result(1.5, adopted);
    r.HistoricalYears = 0;
    EXPECT_FALSE(Says(Cautions(B17cFacts(Pueblo(), {}, B17cOptions{}, r)), "Informação histórica"));
    // A failed analysis gives no facts at all.
    r.Ok = false;
    EXPECT_TRUE(B17cFacts(Pueblo(), {}, B17cOptions{}, r).empty());
    // Without facts the cautions are those of the record alone.
    EXPECT_EQ(Cautions({}), Cautions(B17cFacts(Pueblo(), {}, B17cOptions{}, r)));
}

TEST(B17cAdvice, LowOutliersAndTheSkewWeightingAreExplained) {
    B17cResult r = Result(1.0, kLogPearson3);
    r.LowOutliers = 11;
    r.LowOutlierThreshold = 2500;
    r.StationSkew = 0.9;
    r.Skew = 0.5;
    r.SkewMse = 0.3;
    r.RegionalSkewMse = 0.1;
    B17cOptions options;
    options.Skew = SkewOption::Weighted;
    options.RegionalSkew = 0.1;
    options.RegionalSkewSE = std::sqrt(0.1);
    const auto texts = Cautions(B17cFacts(Pueblo(), {}, options, r));
    EXPECT_TRUE(Says(texts, "Grubbs-Beck múltiplo (Cohn et al., 2013) do B17C acha 11 valores menores que 2500"));
    EXPECT_TRUE(Says(texts, "com peso 0.2500 para a da estação"));  // 0.1 / (0.3 + 0.1)
    EXPECT_TRUE(Says(texts, "A regional pesa mais"));
    options.LowOutliers = LowOutlierMethod::None;
    EXPECT_FALSE(Says(Cautions(B17cFacts(Pueblo(), {}, options, r)), "Atípicos baixos"));
}
