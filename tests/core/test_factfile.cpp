// SPDX-License-Identifier: GPL-3.0-or-later
// The rule engine's fact file "indata.clp".
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "files/errors.h"
#include "analysis/record.h"
#include "rules/factfile.h"

namespace zarn {
namespace {

namespace fs = std::filesystem;

// Index of the ")" line that closes the facts when no flag fact is written.
constexpr std::size_t kCloseLine = 34;

// A record where no flag condition holds: positive skewness, minimum far
// above every lower bound, Shapes that test no sign.
std::unique_ptr<AnalysisRecord> QuietRecord() {
    auto r = std::make_unique<AnalysisRecord>();
    r->SampleSize = 35;
    r->Skewness = 0.8;
    r->LogSkewness = 0.1;
    r->Minimum = 100.0;
    r->LogMinimum = std::log(100.0);
    for (int i = 1; i <= kDistributionCount; ++i) {
        FitTestOf(*r, i) = {0.9 + i / 1000.0, 0.95};
        VarianceTestZOf(*r, i) = i / 2.0;
    }
    ParametersOf(*r, kExponential) = {50.0, 10.0, 0.0};
    ParametersOf(*r, kPearson3) = {200.0, 50.0, -0.5};
    ParametersOf(*r, kLogPearson3) = {5.0, 0.5, -0.5};
    ParametersOf(*r, kGEV) = {150.0, 40.0, 0.0};
    ParametersOf(*r, kGPA) = {20.0, 40.0, -0.1};
    return r;
}

// The flag and parsimony facts written, in file order.
std::vector<std::string> FlagFacts(const AnalysisRecord& r) {
    const auto lines = FactFileLines(r);
    const auto first = lines.begin() + kCloseLine;
    const auto close = std::find(first, lines.end(), ")");
    return {first, close};
}

TEST(FactFileLines, QuietRecordGivesTheFortyTwoLines) {
    auto r = QuietRecord();
    const std::vector<std::string> expected = {
        "(deftemplate A::VARNOR -10 10 unid ((Z (Z 0 3.3))))",
        "(deftemplate A::VARLNR -10 10 unid ((Z (Z 0 3.3))))",
        "(deftemplate A::VARGUM -10 10 unid ((Z (Z 0 3.3))))",
        "(deftemplate A::VAREXP -10 10 unid ((Z (Z 0 3.3))))",
        "(deftemplate A::VARPE3 -10 10 unid ((Z (Z 0 3.3))))",
        "(deftemplate A::VARLP3 -10 10 unid ((Z (Z 0 3.3))))",
        "(deftemplate A::VARGEV -10 10 unid ((Z (Z 0 3.3))))",
        "(deftemplate A::VARGPA -10 10 unid ((Z (Z 0 3.3))))",
        // 2 R90 - 1 for R90 = 0.95.
        "(deftemplate A::PPCCNOR -10 10 unid ((S (S 0.900 1))))",
        "(deftemplate A::PPCCLNR -10 10 unid ((S (S 0.900 1))))",
        "(deftemplate A::PPCCGUM -10 10 unid ((S (S 0.900 1))))",
        "(deftemplate A::PPCCEXP -10 10 unid ((S (S 0.900 1))))",
        "(deftemplate A::PPCCPE3 -10 10 unid ((S (S 0.900 1))))",
        "(deftemplate A::PPCCLP3 -10 10 unid ((S (S 0.900 1))))",
        "(deftemplate A::PPCCGEV -10 10 unid ((S (S 0.900 1))))",
        "(deftemplate A::PPCCGPA -10 10 unid ((S (S 0.900 1))))",
        "(deffacts A::Fatos",
        "(tamanho 35)",
        "(VARNOR (pi 0 0.500))",
        "(VARLNR (pi 0 1.000))",
        "(VARGUM (pi 0 1.500))",
        "(VAREXP (pi 0 2.000))",
        "(VARPE3 (pi 0 2.500))",
        "(VARLP3 (pi 0 3.000))",
        "(VARGEV (pi 0 3.500))",
        "(VARGPA (pi 0 4.000))",
        "(PPCCNOR (pi 0 0.901))",
        "(PPCCLNR (pi 0 0.902))",
        "(PPCCGUM (pi 0 0.903))",
        "(PPCCEXP (pi 0 0.904))",
        "(PPCCPE3 (pi 0 0.905))",
        "(PPCCLP3 (pi 0 0.906))",
        "(PPCCGEV (pi 0 0.907))",
        "(PPCCGPA (pi 0 0.908))",
        ")",
        "(defrule MAIN::inicio",
        "   (declare (salience 10))",
        "   (initial-fact)",
        "=>",
        "(printout t \"\" crlf)",
        "(printout t \"KELMORIDA\" crlf)",
        "(focus MAIN A B C D E F G))",
    };
    EXPECT_EQ(FactFileLines(*r), expected);
}

TEST(FactFileLines, SFunctionStartsAtTwiceR90MinusOne) {
    auto r = QuietRecord();
    FitTestOf(*r, kNormal).R90 = 0.5;
    FitTestOf(*r, kLogNormal).R90 = 0.45;
    const auto lines = FactFileLines(*r);
    EXPECT_EQ(lines[8], "(deftemplate A::PPCCNOR -10 10 unid ((S (S 0.000 1))))");
    EXPECT_EQ(lines[9], "(deftemplate A::PPCCLNR -10 10 unid ((S (S -0.100 1))))");
}

TEST(FactFileLines, AllFlagFactsInTableOrder) {
    auto r = QuietRecord();
    r->Skewness = -0.2;
    r->LogSkewness = -0.3;
    r->Minimum = 1.0;
    r->LogMinimum = 0.0;
    ParametersOf(*r, kPearson3) = {210.0, 50.0, 0.5};    // bound 10
    ParametersOf(*r, kLogPearson3) = {5.0, 0.5, 0.5};    // bound 3
    ParametersOf(*r, kGEV) = {150.0, 40.0, -0.5};        // bound 70
    ParametersOf(*r, kGPA) = {20.0, 40.0, 0.0};          // bound 20, Shape 0 qualifies
    r->ParsimonyValue[0] = 2.0;
    r->ParsimonyValue[3] = 1.0;
    r->ParsimonyLimit[3] = 0.5;
    std::vector<std::string> expected = {
        "(assimetrianegativaX)", "(assimetrianegativaLNX)", "(MinXMenorMinEXP)", "(MinXMenorMinPE3)",
        "(MinXMenorMinLP3)", "(MinXMenorMinGEV)", "(MinXMenorMinGPA)", "(NORparsimoniaPE3)", "(EXPparsimoniaGPA)",
    };
    EXPECT_EQ(FlagFacts(*r), expected);
    EXPECT_EQ(FactFileLines(*r).size(), 42u + expected.size());

    // The two positive-Shape facts sit between the skewness and the bound facts.
    ParametersOf(*r, kGEV).Shape = 0.2;
    ParametersOf(*r, kGPA).Shape = 0.2;
    expected = {"(assimetrianegativaX)", "(assimetrianegativaLNX)", "(KdaGEVpositivo)", "(KdaGPApositivo)",
                "(MinXMenorMinEXP)", "(MinXMenorMinPE3)", "(MinXMenorMinLP3)", "(NORparsimoniaPE3)",
                "(EXPparsimoniaGPA)"};
    EXPECT_EQ(FlagFacts(*r), expected);
}

TEST(FactFileLines, ShapeOfExactlyZero) {
    auto r = QuietRecord();
    r->Minimum = -1e9;  // below every bound, should a bound be computed
    ParametersOf(*r, kPearson3) = {1e9, 1.0, 0.0};
    ParametersOf(*r, kGEV) = {1e9, 1.0, 0.0};
    ParametersOf(*r, kGPA) = {1e9, 1.0, 0.0};
    ParametersOf(*r, kExponential) = {-1e10, 1.0, 0.0};
    FloatingPointCheck::Clear();
    // No division by a zero Shape: no fact for PE3 or GEV, and no fault flagged.
    EXPECT_EQ(FlagFacts(*r), std::vector<std::string>{"(MinXMenorMinGPA)"});
    EXPECT_FALSE(FloatingPointCheck::Faulted());
}

TEST(FactFileLines, MinimumExactlyAtNineTenthsOfABoundWritesNoFact) {
    auto r = QuietRecord();
    ParametersOf(*r, kExponential).Position = 110.0;
    r->Minimum = 0.9 * 110.0;
    EXPECT_TRUE(FlagFacts(*r).empty());
    r->Minimum = std::nextafter(0.9 * 110.0, 0.0);
    EXPECT_EQ(FlagFacts(*r), std::vector<std::string>{"(MinXMenorMinEXP)"});

    // LogPearson III compares its bound with LogMinimum, not Minimum.
    r = QuietRecord();
    ParametersOf(*r, kLogPearson3) = {5.0, 0.5, 0.5};  // bound 5 - 2 * 0.5 / 0.5 = 3
    r->LogMinimum = 0.9 * 3.0;
    EXPECT_TRUE(FlagFacts(*r).empty());
    r->LogMinimum = 2.0;
    EXPECT_EQ(FlagFacts(*r), std::vector<std::string>{"(MinXMenorMinLP3)"});

    // A skewness of exactly 0 is not negative.
    r = QuietRecord();
    r->Skewness = 0.0;
    r->LogSkewness = -0.0;
    EXPECT_TRUE(FlagFacts(*r).empty());
}

TEST(FactFileLines, NonFiniteValuesAreWrittenAsTextWithoutFaults) {
    auto r = QuietRecord();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    VarianceTestZOf(*r, kNormal) = nan;
    FitTestOf(*r, kGumbel).R = std::numeric_limits<double>::infinity();
    r->Skewness = nan;
    r->Minimum = nan;
    ParametersOf(*r, kGEV).Shape = nan;
    FloatingPointCheck::Clear();
    const auto lines = FactFileLines(*r);
    EXPECT_FALSE(FloatingPointCheck::Faulted());
    EXPECT_EQ(lines[18], "(VARNOR (pi 0 Nan))");
    EXPECT_EQ(lines[28], "(PPCCGUM (pi 0 +Inf))");
    EXPECT_EQ(lines.size(), 42u);
}

class WriteFactFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("zarn-facts-" + std::to_string(::getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }
    fs::path folder_;
};

TEST_F(WriteFactFileTest, ReplacesAnExistingFileWholeWithCrLfLines) {
    const fs::path path = folder_ / "indata.clp";
    { std::ofstream(path, std::ios::binary) << std::string(20000, ';'); }
    auto r = QuietRecord();
    WriteFactFile(*r, path.string());
    std::string expected;
    for (const auto& line : FactFileLines(*r)) expected += line + "\r\n";
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), expected);
}

TEST_F(WriteFactFileTest, FailuresCarryTheFileErrorTexts) {
    auto r = QuietRecord();
    const auto message = [&r](const std::string& path) {
        try {
            WriteFactFile(*r, path);
        } catch (const ZarnError& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    EXPECT_EQ(message((folder_ / "sem-pasta" / "indata.clp").string()), "Invalid filename");
    EXPECT_EQ(message(folder_.string()), "File access denied");
    if (fs::exists("/dev/full")) {
        EXPECT_EQ(message("/dev/full"), "Disk full");
    }
}

}  // namespace
}  // namespace zarn
