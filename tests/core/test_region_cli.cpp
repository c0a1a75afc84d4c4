// SPDX-License-Identifier: GPL-3.0-or-later
// zarn-cli --region as a user runs it: a list of stations with names and
// areas (one of them refused), the three outputs, identical results on any
// thread count, and the refusals.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "tests/core/support/cli.h"

namespace fs = std::filesystem;

namespace {

using Result = zarn::testing::CliResult;
using zarn::testing::Slurp;

class RegionCliTest : public zarn::testing::CliTestBase {
protected:
    // Five example stations with drainage areas, a HidroWeb download, and a
    // file the at-site analysis refuses (a decimal comma on line 11).
    std::string WriteList() {
        const std::string examples = ZARN_EXAMPLES, data = ZARN_TEST_DATA;
        std::ofstream list(dir_ / "postos.txt");
        list << "# arquivo;nome;área (km2)\n"
             << examples << "/arkansas-river-pueblo.dat;Arkansas;12000\n"
             << examples << "/ocmulgee-river-macon.dat;Ocmulgee;5800\n"
             << examples << "/santa-cruz-river-lochiel.dat;Santa Cruz;212\n"
             << examples << "/tees-dent-bank.dat;Tees;217,3\n"
             << examples << "/potomac-river-point-of-rocks.dat;Potomac;25000\n"
             << data << "/import/vazoes_C_58110002.csv\n"
             << data << "/ocmulgee-river-macon-comma-decimal.dat;Quebrado;100\n";
        return Path("postos.txt");
    }
};

TEST_F(RegionCliTest, ListWithNamesAndAreasGivesEveryOutput) {
    const Result r = Run("--region " + WriteList() + " --nsim 200 --nrep 200 --ungauged 1000 --json " +
                         Path("r.json") + " --report " + Path("r.txt") + " --csv " + Path("r.csv"));
    ASSERT_EQ(r.Exit, 0) << r.Err;
    // The refused file is named on standard error and in the JSON, and left out.
    EXPECT_NE(r.Err.find("Posto Quebrado"), std::string::npos);
    const std::string json = Slurp(dir_ / "r.json");
    for (const char* key : {"\"Region\"", "\"NSim\": 200", "\"NRep\": 200", "\"Seed\": 748932582", "\"Sites\"",
                            "\"LMoments\"", "\"D\"", "\"Discordant\"", "\"DCritical\": 1.648", "\"RegionalLMoments\"",
                            "\"Kappa\"", "\"KappaFallback\"", "\"V\"", "\"SimulatedMeanV\"", "\"SimulatedSdV\"", "\"H\"",
                            "\"Heterogeneity\"", "\"Distributions\"", "\"Tau4\"", "\"Z\"", "\"Acceptable\"",
                            "\"GrowthCurve\"", "\"Wakeby\"", "\"Chosen\"", "\"Accuracy\"", "\"RelativeRMSE\"",
                            "\"Lower\"", "\"Upper\"", "\"RMSE\"", "\"IndexFloodRegression\": {", "\"Ungauged\": {",
                            "\"Advice\"", "\"Name\": \"vazoes_C_58110002\"", "Posto Quebrado"})
        EXPECT_NE(json.find(key), std::string::npos) << key;
    EXPECT_EQ(json.find("\"Name\": \"Quebrado\""), std::string::npos);
    // The report in Portuguese, the CSV with a byte-order mark, ";" and decimal commas.
    const std::string report = Slurp(dir_ / "r.txt");
    EXPECT_NE(report.find("HETEROGENEIDADE"), std::string::npos);
    EXPECT_NE(report.find("NÃO incluem o erro da regressão"), std::string::npos);
    const std::string csv = Slurp(dir_ / "r.csv");
    ASSERT_GT(csv.size(), 3u);
    EXPECT_EQ(csv.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_NE(csv.find("\r\nTees;"), std::string::npos);
    EXPECT_NE(csv.find(";217,3;"), std::string::npos);
}

TEST_F(RegionCliTest, SameBitsOnAnyThreadCountAndAnotherSeedDiffers) {
    const std::string list = WriteList();
    const std::string common = "--region " + list + " --nsim 300 --nrep 300 --correlation 0,3 --json ";
    ASSERT_EQ(Run(common + Path("one.json") + " --threads 1").Exit, 0);
    ASSERT_EQ(Run(common + Path("three.json") + " --threads 3").Exit, 0);
    ASSERT_EQ(Run(common + Path("seed.json") + " --threads 2 --seed 12345").Exit, 0);
    EXPECT_EQ(Slurp(dir_ / "one.json"), Slurp(dir_ / "three.json"));
    EXPECT_NE(Slurp(dir_ / "one.json"), Slurp(dir_ / "seed.json"));
}

TEST_F(RegionCliTest, RefusalsSayWhy) {
    {
        std::ofstream one(dir_ / "um.txt");
        one << ZARN_EXAMPLES << "/tees-dent-bank.dat\n" << ZARN_TEST_DATA << "/ocmulgee-river-macon-zero.dat\n";
    }
    Result r = Run("--region " + Path("um.txt"));
    EXPECT_EQ(r.Exit, 1);
    EXPECT_NE(r.Err.find("pelo menos 2 postos"), std::string::npos) << r.Err;
    // Without areas there is no regression for an ungauged site.
    {
        std::ofstream two(dir_ / "dois.txt");
        two << ZARN_EXAMPLES << "/tees-dent-bank.dat\n" << ZARN_EXAMPLES << "/potomac-river-point-of-rocks.dat\n";
    }
    r = Run("--region " + Path("dois.txt") + " --nsim 20 --accuracy none --ungauged 50");
    EXPECT_EQ(r.Exit, 1);
    EXPECT_NE(r.Err.find("áreas de drenagem"), std::string::npos) << r.Err;
    for (const char* args : {"--nsim 1", "--accuracy kappa", "--correlation 1", "--seed 0", "--threads 0", "--bogus 1"}) {
        SCOPED_TRACE(args);
        r = Run("--region " + Path("dois.txt") + " " + args);
        EXPECT_EQ(r.Exit, 2);
        EXPECT_NE(r.Err.find("usage: zarn-cli --region"), std::string::npos);
    }
}

// The regional advice is guarded like the at-site one: a hostile rule base
// given with --rules runs nothing and the default advises; no output may
// replace the list or a station's file.
TEST_F(RegionCliTest, HostileRuleBaseRunsNothingAndNoOutputReplacesAnInput) {
    {
        std::ofstream two(dir_ / "dois.txt");
        two << ZARN_EXAMPLES << "/tees-dent-bank.dat\n" << ZARN_EXAMPLES << "/potomac-river-point-of-rocks.dat\n";
        std::ofstream hostile(dir_ / "hostil.clp");
        hostile << "(defglobal ?*x* = (system \"touch " << Path("tocado") << "\"))\n";
    }
    Result r = Run("--region " + Path("dois.txt") + " --nsim 20 --accuracy none --rules " + Path("hostil.clp") +
                   " --json " + Path("r.json"));
    ASSERT_EQ(r.Exit, 0) << r.Err;
    EXPECT_FALSE(fs::exists(dir_ / "tocado"));
    const std::string json = Slurp(dir_ / "r.json");
    EXPECT_NE(json.find("usa a função system"), std::string::npos);
    EXPECT_NE(json.find("Foi usada a base de regras padrão (embutida)"), std::string::npos);

    const std::string list = Slurp(dir_ / "dois.txt");
    r = Run("--region " + Path("dois.txt") + " --nsim 20 --accuracy none --csv " + Path("dois.txt"));
    EXPECT_EQ(r.Exit, 1);
    EXPECT_NE(r.Err.find("é o próprio arquivo de entrada"), std::string::npos) << r.Err;
    EXPECT_EQ(Slurp(dir_ / "dois.txt"), list);
}

}  // namespace
