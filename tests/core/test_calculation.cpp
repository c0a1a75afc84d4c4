// SPDX-License-Identifier: GPL-3.0-or-later
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
#include "analysis/membership.h"
#include "files/errors.h"
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
        // Refused before any calculation, in this order: the count, a value
        // that is not positive, no variation, no variation but for one value.
        {"empty file", "", "O arquivo de dados não tem nenhum valor: a análise precisa de pelo menos 4 valores"},
        {"only blanks", "  \n\n \t\n", "O arquivo de dados não tem nenhum valor: a análise precisa de pelo menos 4 valores"},
        {"one value", "5\n", "O arquivo de dados tem apenas 1 valor: a análise precisa de pelo menos 4 valores"},
        {"three values, a zero among them", "1\n0\n4\n",
         "O arquivo de dados tem apenas 3 valores: a análise precisa de pelo menos 4 valores"},
        // Zeros are years without flow, set aside; at least 4 positive values must remain.
        {"a zero leaves three positive values", "3\n0\n5\n8\n",
         "O arquivo de dados tem 4 valores, dos quais 1 é zero (ano sem vazão): restam 3 valores positivos, e a "
         "análise precisa de pelo menos 4"},
        {"only zeros", "0\n0.0\n-0\n0e2\n",
         "O arquivo de dados tem 4 valores, dos quais 4 são zero (anos sem vazão): não resta nenhum valor positivo, "
         "e a análise precisa de pelo menos 4"},
        {"a zero among values otherwise equal", "5\n0\n5\n5\n5\n",
         "Todos os 4 valores positivos do arquivo de dados são iguais (5): uma série sem variação não pode ser "
         "analisada"},
        {"zeros, then all positive values but one equal, named by their lines", "0\n9\n0\n5\n5\n5\n",
         "Todos os valores positivos do arquivo de dados são iguais (5), exceto o da linha 2 (9): sem variação nos "
         "demais valores, o teste de outliers pela assimetria não pode ser calculado"},
        {"a negative value after a zero", "0\n3\n-1\n5\n8\n",
         "O valor da linha 3 do arquivo de dados é -1: a análise trabalha com os logaritmos dos valores, por isso "
         "todo valor deve ser maior que zero"},
        {"a negative value after blank lines, all others equal", "3\n\n\n-2.5\n3\n3\n",
         "O valor da linha 4 do arquivo de dados é -2.5: a análise trabalha com os logaritmos dos valores, por "
         "isso todo valor deve ser maior que zero"},
        {"a value that underflows to zero", "3\r\n1e-400\r\n5\r\n8\r\n",
         "O valor da linha 2 do arquivo de dados é 1e-400: a análise trabalha com os logaritmos dos valores, por "
         "isso todo valor deve ser maior que zero"},
        {"all values equal", "7\n7.0\n7\n7\n",
         "Todos os 4 valores do arquivo de dados são iguais (7): uma série sem variação não pode ser analisada"},
        {"5, 5, 5, 9: all but the last equal", "5\n5\n5\n9\n",
         "Todos os valores do arquivo de dados são iguais (5), exceto o da linha 4 (9): sem variação nos demais "
         "valores, o teste de outliers pela assimetria não pode ser calculado"},
        {"9, 5, 5, 5: all but the first equal", "9\n5\n5\n5\n",
         "Todos os valores do arquivo de dados são iguais (5), exceto o da linha 1 (9): sem variação nos demais "
         "valores, o teste de outliers pela assimetria não pode ser calculado"},
        {"5, 5, 9, 9 is analysed", "5\n5\n9\n9\n", ""},
        // Reader faults name the line and the token.
        {"comma decimal", "1\n2,5\n3\n", "Invalid numeric input (linha 2: \"2,5\"; o separador decimal é o ponto)"},
        {"year;value", "1910;28.8\n", "Invalid numeric input (linha 1: \"1910;28.8\")"},
        {"beyond a double, lines ended by CR", "1\r2\r\r1e400\r", "Floating point overflow (linha 4: \"1e400\")"},
        {"a token in Windows-1252", "1\n2\n3\n4\xB0\n", "Invalid numeric input (linha 4: \"4°\")"},
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
        r_->ParsimonyValue[2] = 3.5;  // the last step fills the parsimony fields
        r_->TestFlags = 0;
        CalculateAll(*r_, "T", "L", "C", std::string(ZARN_EXAMPLES) + "/" + name);
        EXPECT_EQ(r_->PlotDistribution, 1);
        for (int k = 1; k <= 4; ++k) {
            EXPECT_EQ(r_->ParsimonyValue[k - 1], FitDegree(*r_, k)) << k;
            EXPECT_EQ(r_->ParsimonyLimit[k - 1], 0.5) << k;
        }
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
