// The calculation driver end to end: the fault rows of small, degenerate and
// invalid samples, the texts, and what a completed calculation leaves.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

#include "analysis/calculation.h"
#include "analysis/errors.h"
#include "analysis/record.h"

namespace fs = std::filesystem;
using namespace zarn;

namespace {

class CalculationTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("zarn-calc-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        r_ = std::make_unique<AnalysisRecord>();
        std::memset(r_.get(), 0, sizeof(AnalysisRecord));
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Write(const std::string& content, const std::string& name = "s.dat") {
        const fs::path p = dir_ / name;
        std::ofstream(p, std::ios::binary) << content;
        return p.string();
    }

    // The error text of calculating `content`, or "" when it completes.
    std::string ErrorOf(const std::string& content) {
        try {
            CalculateAll(*r_, "", "", "", Write(content));
        } catch (const ZarnError& e) {
            return e.what();
        }
        return "";
    }

    fs::path dir_;
    std::unique_ptr<AnalysisRecord> r_;
};

TEST_F(CalculationTest, FaultRowsGiveTheirTexts) {
    struct Row {
        const char* situation;
        const char* content;
        const char* text;
    } rows[] = {
        {"empty file", "", "Invalid floating point operation"},
        {"only blanks", "  \n\n \t\n", "Invalid floating point operation"},
        {"one value", "5\n", "Invalid floating point operation"},
        {"two values", "0.1\n0.7\n", "Floating point division by zero"},
        {"two values, cubes sum to 0", "1\n4\n", "Invalid floating point operation"},
        {"all values equal", "7\n7\n7\n7\n", "Floating point division by zero"},
        {"a zero", "3\n0\n5\n8\n", "Floating point division by zero"},
        {"a negative value", "3\n-2\n5\n8\n", "Invalid floating point operation"},
        {"three values: b3 is 0/0", "1\n2\n4\n", "Invalid floating point operation"},
        {"5, 5, 5, 9: zero spread without the maximum", "5\n5\n5\n9\n", "Floating point division by zero"},
        {"comma decimal", "1\n2,5\n3\n", "Invalid numeric input"},
        {"year;value", "1910;28.8\n", "Invalid numeric input"},
        {"beyond a double", "1\n1e400\n", "Floating point overflow"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.situation);
        EXPECT_EQ(ErrorOf(row.content), row.text);
    }
}

TEST_F(CalculationTest, MissingFileAndMissingFolder) {
    EXPECT_THROW(CalculateAll(*r_, "", "", "", (dir_ / "none.dat").string()), ZarnError);
    try {
        CalculateAll(*r_, "", "", "", (dir_ / "none.dat").string());
    } catch (const ZarnError& e) {
        EXPECT_STREQ(e.what(), "File not found");
    }
    try {
        CalculateAll(*r_, "", "", "", (dir_ / "nofolder" / "none.dat").string());
    } catch (const ZarnError& e) {
        EXPECT_STREQ(e.what(), "Invalid filename");
    }
}

TEST_F(CalculationTest, RealSeriesCompleteWithFiniteResults) {
    for (const char* name : {"ocmulgee-river-macon.dat", "tees-dent-bank.dat", "santa-cruz-river-lochiel.dat"}) {
        SCOPED_TRACE(name);
        r_->ParsimonyValue[2] = 3.5;  // no step touches the parsimony fields
        r_->TestFlags = 0;
        CalculateAll(*r_, "T", "L", "C", std::string(ZARN_EXAMPLES) + "/" + name);
        EXPECT_EQ(r_->PlotDistribution, 1);
        EXPECT_EQ(r_->ParsimonyValue[2], 3.5);
        EXPECT_TRUE(std::isfinite(r_->Mean) && std::isfinite(r_->LogSkewness));
        for (int d = 1; d <= kDistributionCount; ++d) {
            EXPECT_TRUE(std::isfinite(FitTestOf(*r_, d).R)) << d;
            EXPECT_TRUE(std::isfinite(FitTestOf(*r_, d).R90)) << d;
            EXPECT_TRUE(std::isfinite(VarianceTestZOf(*r_, d))) << d;
        }
        EXPECT_EQ(r_->TestFlags & 0x81, 0);
    }
}

TEST_F(CalculationTest, TextsAreCutTo255AndTheFileIsReadUnderItsFullPath) {
    // A data file path longer than 255 characters: the record keeps the first
    // 255, the sample is still read from the file the user chose.
    fs::path deep = dir_;
    while (deep.string().size() < 300) deep /= std::string(40, 'd');
    fs::create_directories(deep);
    const std::string path = (deep / "ocmulgee.dat").string();
    fs::copy_file(std::string(ZARN_EXAMPLES) + "/ocmulgee-river-macon.dat", path);
    ASSERT_GT(path.size(), 255u);

    CalculateAll(*r_, std::string(300, 't'), "Macon", "", path);
    EXPECT_EQ(r_->SampleSize, 40);
    EXPECT_EQ(r_->Title.Length, 255);
    EXPECT_EQ(TextOf(r_->Title), std::string(255, 't'));
    EXPECT_EQ(TextOf(r_->DataFileName), path.substr(0, 255));
    EXPECT_EQ(TextOf(r_->Location), "Macon");
}

TEST_F(CalculationTest, TwoRunsAreBitIdentical) {
    const std::string path = std::string(ZARN_EXAMPLES) + "/tees-dent-bank.dat";
    CalculateAll(*r_, "a", "b", "c", path);
    auto second = std::make_unique<AnalysisRecord>();
    std::memset(second.get(), 0, sizeof(AnalysisRecord));
    CalculateAll(*second, "a", "b", "c", path);
    EXPECT_EQ(std::memcmp(r_.get(), second.get(), sizeof(AnalysisRecord)), 0);
}

}  // namespace
