// SPDX-License-Identifier: GPL-3.0-or-later
// zarn-cli --region as a user runs it: a list of stations with names and
// areas (one of them refused), the three outputs, identical results on any
// thread count, and the refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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

namespace {

// A number after "key": in the JSON text, from position from.
double JsonNumberAfter(const std::string& json, const std::string& key, std::size_t from = 0) {
    const std::size_t at = json.find("\"" + key + "\": ", from);
    if (at == std::string::npos) return NAN;
    return std::stod(json.substr(at + key.size() + 4));
}

}  // namespace

// A published region given as its sites' L-moments (Hosking and Wallis
// 1997, table 3.4), in commas or in semicolons with decimal commas and CR line ends.
TEST_F(RegionCliTest, TableOfSiteLMomentsIsARegion) {
    const std::string table = std::string(ZARN_TEST_DATA) + "/regional/cascades-lmoments.csv";
    Result r = Run("--region " + table + " --nsim 300 --nrep 200 --json " + Path("c.json"));
    ASSERT_EQ(r.Exit, 0) << r.Err;
    const std::string json = Slurp(dir_ / "c.json");
    EXPECT_NE(json.find("\"Name\": \"350304\""), std::string::npos);
    EXPECT_NEAR(JsonNumberAfter(json, "D"), 0.5975, 1e-4);  // the first site's published D
    const std::size_t regional = json.find("\"RegionalLMoments\": [");
    ASSERT_NE(regional, std::string::npos);
    EXPECT_NEAR(std::stod(json.substr(json.find(',', regional) + 1)), 0.110298, 1e-6);  // t^R
    EXPECT_NE(json.find("\"Accuracy\""), std::string::npos);

    // The same table as a spreadsheet in Portuguese would save it, with areas.
    std::ifstream in(table);
    std::string line, converted = "posto;n;média;L-CV;t3;t4;t5;área\r";
    std::getline(in, line);
    for (int row = 0; std::getline(in, line); ++row) {
        for (char& c : line) c = c == ',' ? ';' : c == '.' ? ',' : c;
        converted += line.substr(0, line.rfind(';')) + ";" + std::to_string(100 + 50 * row) + "\r";
    }
    std::ofstream(dir_ / "tabela.csv", std::ios::binary) << converted;
    r = Run("--region " + Path("tabela.csv") + " --nsim 300 --accuracy none --ungauged 400 --json " + Path("t.json"));
    ASSERT_EQ(r.Exit, 0) << r.Err;
    const std::string again = Slurp(dir_ / "t.json");
    EXPECT_NEAR(JsonNumberAfter(again, "D"), 0.5975, 1e-4);
    EXPECT_NE(again.find("\"IndexFloodRegression\": {"), std::string::npos);
    EXPECT_EQ(again.find("\"Caution\""), std::string::npos);  // 400 km2 lies among the sites' 100 to 1,000
    // Far outside the gauged areas: a caution, and the rule base says what it means.
    r = Run("--region " + Path("tabela.csv") + " --nsim 300 --accuracy none --ungauged 5 --json " + Path("u.json"));
    ASSERT_EQ(r.Exit, 0) << r.Err;
    const std::string outside = Slurp(dir_ / "u.json");
    EXPECT_NE(outside.find("\"Caution\": \"Cuidado: a área 5,0 km² está fora"), std::string::npos) << outside;
    EXPECT_NE(outside.find("Posto sem dados fora das áreas medidas"), std::string::npos);
}

// Region input refused or left out with the true reason, naming the line.
TEST_F(RegionCliTest, RegionInputSaysWhichLineAndWhy) {
    const std::string tees = std::string(ZARN_EXAMPLES) + "/tees-dent-bank.dat",
                      potomac = std::string(ZARN_EXAMPLES) + "/potomac-river-point-of-rocks.dat";
    struct Case {
        const char* File;
        std::string Text, Expected;
    };
    const Case cases[] = {
        {"dupla.txt", tees + ";A\n" + potomac + "\n" + tees + ";B\n", "Linhas 1 e 3"},
        {"nome.txt", tees + ";A\n" + potomac + ";A\n", "o posto A aparece duas vezes"},
        {"hex.txt", tees + ";A;0x10\n" + potomac + "\n", "\"0x10\" não é um número positivo"},
        {"nan.txt", tees + ";A;nan\n" + potomac + "\n", "\"nan\" não é um número positivo"},
        {"tabela.csv", "n,l1,t,t3,t4,t5\n30,10,0.2,0.1,0.1,0\n30,10,0.2,x,0.1,0\n", "Linha 3 de"},
    };
    for (const Case& c : cases) {
        std::ofstream(dir_ / c.File) << c.Text;
        const Result r = Run("--region " + Path(c.File) + " --nsim 20 --accuracy none");
        EXPECT_EQ(r.Exit, 1) << c.File;
        EXPECT_NE(r.Err.find(c.Expected), std::string::npos) << c.File << ": " << r.Err;
    }
    // CR-only line ends read as lines; a four-value site is left out because t5 needs five.
    std::ofstream(dir_ / "curto.dat") << "10\n20\n15\n30\n";
    std::ofstream(dir_ / "cr.txt", std::ios::binary) << tees << ";Tees;217\r" << potomac << ";Potomac;25000\r"
                                                     << "curto.dat;Curto\r";
    const Result r = Run("--region " + Path("cr.txt") + " --nsim 20 --accuracy none --json " + Path("cr.json"));
    ASSERT_EQ(r.Exit, 0) << r.Err;
    EXPECT_NE(r.Err.find("Posto Curto"), std::string::npos) << r.Err;
    EXPECT_NE(r.Err.find("t5 precisa de 5 valores; o posto tem 4"), std::string::npos) << r.Err;
    EXPECT_NE(Slurp(dir_ / "cr.json").find("\"Area\": 25000"), std::string::npos);
}

// The study's return periods on the growth curve, the accuracy and the sites' quantiles.
TEST_F(RegionCliTest, ReturnPeriodsOfTheStudy) {
    const std::string table = std::string(ZARN_TEST_DATA) + "/regional/cascades-lmoments.csv";
    Result r = Run("--region " + table + " --nsim 100 --nrep 100 --return-periods 1.5,25,500 --json " +
                   Path("p.json") + " --csv " + Path("p.csv"));
    ASSERT_EQ(r.Exit, 0) << r.Err;
    const std::string json = Slurp(dir_ / "p.json");
    EXPECT_NE(json.find("\"ReturnPeriods\": [\n    1.5,\n    25,\n    500]"), std::string::npos);
    const std::size_t curve = json.find("\"GrowthCurve\": [");
    ASSERT_NE(curve, std::string::npos);
    const std::string values = json.substr(curve, json.find(']', curve) - curve);
    EXPECT_EQ(std::count(values.begin(), values.end(), ','), 2) << values;  // three periods
    EXPECT_NE(Slurp(dir_ / "p.csv").find(";Q1,5;Q1,5 EQM;"), std::string::npos);
    for (const char* bad : {"1", "0,5", "2,x"}) {
        r = Run("--region " + table + " --return-periods " + bad);
        EXPECT_EQ(r.Exit, 2) << bad;
    }
}
