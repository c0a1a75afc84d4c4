// SPDX-License-Identifier: GPL-3.0-or-later
// The batch tool as a user runs it: exit codes, the error text alone on
// standard error, and the files it writes agreeing with the library's.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <sys/wait.h>

#include "tests/core/support/cli.h"
#include "analysis/calculation.h"
#include "analysis/record.h"
#include "analysis/projectfile.h"
#include "views/report.h"

namespace fs = std::filesystem;
using namespace zarn;

namespace {

using zarn::testing::Slurp;
using Result = zarn::testing::CliResult;

class CliTest : public zarn::testing::CliTestBase {
protected:
    std::string Example(const char* name) { return std::string("'") + ZARN_EXAMPLES + "/" + name + "'"; }
};

TEST_F(CliTest, BadUsageExitsTwoWithAUsageLine) {
    for (const char* args : {"", "--data", "--bogus", "--data a --open b", "--open p --title t",
                             "--data a --plot-distribution 9", "--data a --decimal-separator ab"}) {
        SCOPED_TRACE(args);
        const Result r = Run(args);
        EXPECT_EQ(r.Exit, 2);
        EXPECT_NE(r.Err.find("usage: zarn-cli"), std::string::npos);
    }
}

TEST_F(CliTest, ErrorsPrintTheirTextAloneAndExitOne) {
    struct Case {
        std::string args;
        std::string text;
    } cases[] = {
        {"--data '" + (dir_ / "missing.dat").string() + "' --json -",
         "Arquivo \"" + (dir_ / "missing.dat").string() + "\": o arquivo não existe (File not found)\n"},
        {"--data " + std::string("'") + ZARN_TEST_DATA + "/ocmulgee-river-macon-comma-decimal.dat' --json -",
         "Invalid numeric input (linha 11: \"66,2\"; o separador decimal é o ponto)\n"},
        {"--open '" + (dir_ / "missing.prj").string() + "' --report -",
         "Arquivo \"" + (dir_ / "missing.prj").string() + "\": o arquivo não existe (File not found)\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        const Result r = Run(c.args);
        EXPECT_EQ(r.Exit, 1);
        EXPECT_EQ(r.Err, c.text);
        EXPECT_EQ(r.Out, "");
    }
}

TEST_F(CliTest, JsonHoldsTheRecordAndItsQuantiles) {
    const Result r = Run("--data " + Example("tees-dent-bank.dat") + " --title 'Tees à Dent Bank' --json -");
    ASSERT_EQ(r.Exit, 0) << r.Err;
    for (const char* key : {"\"TestFlags\"", "\"PlotDistribution\": 1", "\"Title\": \"Tees à Dent Bank\"",
                            "\"SampleSize\": 15", "\"ClassCount\": 5", "\"LogLMoments\"", "\"FitTest\"",
                            "\"R90\"", "\"KendallVarS\"", "\"MannKendallULimit\"", "\"VarianceTestZ\"",
                            "\"ParsimonyLimit\"", "\"Quantiles\""})
        EXPECT_NE(r.Out.find(key), std::string::npos) << key;
    // Doubles are written to read back exactly: the first value 92.663 is not
    // representable, so its 17-digit form must appear.
    EXPECT_NE(r.Out.find("\"Minimum\": 92.662999999999997"), std::string::npos);
}

TEST_F(CliTest, FilesAgreeWithTheLibraryAndSurviveAProjectRoundTrip) {
    const fs::path report = dir_ / "r.txt", project = dir_ / "p.prj", facts = dir_ / "indata.clp";
    const fs::path report2 = dir_ / "r2.txt", facts2 = dir_ / "f2.clp", project2 = dir_ / "p2.prj";
    const std::string data = std::string(ZARN_EXAMPLES) + "/ocmulgee-river-macon.dat";
    Result r = Run("--data '" + data + "' --title T --report '" + report.string() + "' --facts '" + facts.string() +
                   "' --project '" + project.string() + "'");
    ASSERT_EQ(r.Exit, 0) << r.Err;

    // The report is what the report window's save writes for the same record.
    auto rec = std::make_unique<AnalysisRecord>();
    CalculateAll(*rec, "T", "", "", data);
    const fs::path expected = dir_ / "expected.txt";
    SaveReport(ReportLines(*rec), expected.string());
    EXPECT_EQ(Slurp(report), Slurp(expected));
    EXPECT_EQ(fs::file_size(project), kRecordSize);

    // Opening the project writes the same files again, byte for byte.
    r = Run("--open '" + project.string() + "' --report '" + report2.string() + "' --facts '" + facts2.string() +
            "' --project '" + project2.string() + "'");
    ASSERT_EQ(r.Exit, 0) << r.Err;
    EXPECT_EQ(Slurp(report), Slurp(report2));
    EXPECT_EQ(Slurp(facts), Slurp(facts2));
    EXPECT_EQ(Slurp(project), Slurp(project2));
    // And the same to standard output.
    r = Run("--open '" + project.string() + "' --report -");
    EXPECT_EQ(r.Out, Slurp(report));
}

TEST_F(CliTest, DialogsShowWhatTheWindowsShow) {
    Result r = Run("--data " + Example("ocmulgee-river-macon.dat") +
                   " --decimal-separator , --plot-distribution 2 --dialogs -");
    ASSERT_EQ(r.Exit, 0) << r.Err;
    EXPECT_NE(r.Out.find("\"  Média : 36,2800\""), std::string::npos);
    EXPECT_NE(r.Out.find("\"Histogram\""), std::string::npos);
    EXPECT_NE(r.Out.find("\"**Teste de Kendall:\""), std::string::npos);
    EXPECT_NE(r.Out.find("\"=> Distribuição GPA\""), std::string::npos);
    EXPECT_NE(r.Out.find("\"Distribution\": 2"), std::string::npos);
    EXPECT_NE(r.Out.find("DISTRIBUIÇÃO LOGNORMAL"), std::string::npos);
}

TEST_F(CliTest, ReturnPeriodsAndYearsWithoutFlowInTheJsonAndBesideTheProject) {
    for (const char* list : {"1", "2,dez", "0.5,2", "2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22"}) {
        SCOPED_TRACE(list);
        const Result r = Run("--data " + Example("tees-dent-bank.dat") + " --return-periods " + list + " --json -");
        EXPECT_EQ(r.Exit, 2);
        EXPECT_EQ(r.Err.rfind("zarn-cli: --return-periods: ", 0), 0u) << r.Err;
        EXPECT_NE(r.Err.find("período"), std::string::npos) << r.Err;
    }
    // Without the option UserReturnPeriods holds the seven.
    Result r = Run("--data " + Example("tees-dent-bank.dat") + " --threads 2 --json -");
    ASSERT_EQ(r.Exit, 0) << r.Err;
    EXPECT_NE(r.Out.find("\"ZeroCount\": 0,\n  \"ZeroProbability\": 0,\n  \"UserReturnPeriods\": {\n    \"ReturnPeriods\": [\n"
                         "      2,\n      5,\n      10,\n      50,\n      100,\n      200,\n      1000],"),
              std::string::npos)
        << r.Out;

    // A year without flow (line 5 of the Ocmulgee reads 0) is set aside; the
    // project keeps the zero count and the list beside it, so that opening it
    // gives the same JSON.
    const std::string zero = std::string("'") + ZARN_TEST_DATA + "/ocmulgee-river-macon-zero.dat'";
    const fs::path project = dir_ / "seca.prj";
    r = Run("--data " + zero + " --threads 2 --return-periods 1.01,25,10000 --json '" + (dir_ / "a.json").string() +
            "' --project '" + project.string() + "'");
    ASSERT_EQ(r.Exit, 0) << r.Err;
    const std::string calculated = Slurp(dir_ / "a.json");
    EXPECT_NE(calculated.find("\"SampleSize\": 39"), std::string::npos);
    EXPECT_NE(calculated.find("\"ZeroCount\": 1,\n  \"ZeroProbability\": 0.025000000000000001"), std::string::npos);
    EXPECT_NE(calculated.find("\"Quantiles\": [\n      [\n        0,\n"), std::string::npos);  // 1.01 years: dry
    const std::string side = Slurp(dir_ / "seca.zarn");
    EXPECT_NE(side.find("\nzeros=1\n"), std::string::npos) << side;
    EXPECT_NE(side.find("\nperiodos_de_retorno=1.01;25;10000\n"), std::string::npos) << side;
    r = Run("--open '" + project.string() + "' --threads 2 --return-periods 1.01,25,10000 --json -");
    ASSERT_EQ(r.Exit, 0) << r.Err;
    EXPECT_EQ(r.Out, calculated);
}

TEST_F(CliTest, RefusesAProjectThatWouldOverrunTheArrays) {
    const fs::path project = dir_ / "bad.prj";
    auto rec = std::make_unique<AnalysisRecord>();
    CalculateAll(*rec, "", "", "", std::string(ZARN_EXAMPLES) + "/tees-dent-bank.dat");
    rec->SampleSize = 10001;
    std::ofstream(project, std::ios::binary).write(reinterpret_cast<const char*>(rec.get()), kRecordSize);
    const Result r = Run("--open '" + project.string() + "' --report -");
    EXPECT_EQ(r.Exit, 1);
    EXPECT_NE(r.Err, "");
    EXPECT_EQ(r.Out, "");
}

}  // namespace

// An output that is the input (by its name, another name or a link) is
// refused before anything is computed or written.
TEST_F(CliTest, AnOutputThatIsAnInputIsRefused) {
    const fs::path data = dir_ / "tees.dat";
    fs::copy_file(std::string(ZARN_EXAMPLES) + "/tees-dent-bank.dat", data);
    const std::string before = zarn::testing::Slurp(data);
    fs::create_symlink(data, dir_ / "link.json");
    for (const std::string& out : {data.string(), (dir_ / "." / "tees.dat").string(), (dir_ / "link.json").string()}) {
        SCOPED_TRACE(out);
        const Result r = Run("--data '" + data.string() + "' --json '" + out + "'");
        EXPECT_EQ(r.Exit, 1);
        EXPECT_NE(r.Err.find("é o próprio arquivo de entrada"), std::string::npos) << r.Err;
        EXPECT_EQ(zarn::testing::Slurp(data), before);
    }
    const Result twice = Run("--data '" + data.string() + "' --json '" + (dir_ / "a").string() + "' --report '" +
                             (dir_ / "a").string() + "'");
    EXPECT_EQ(twice.Exit, 1);
    EXPECT_FALSE(fs::exists(dir_ / "a"));
    std::ofstream(dir_ / "v.csv") << "ano;vazao\n1970;350\n1971;420\n";
    EXPECT_EQ(Run("--import '" + (dir_ / "v.csv").string() + "' --out '" + (dir_ / "v.csv").string() + "'").Exit, 1);
    EXPECT_EQ(zarn::testing::Slurp(dir_ / "v.csv"), "ano;vazao\n1970;350\n1971;420\n");
}
