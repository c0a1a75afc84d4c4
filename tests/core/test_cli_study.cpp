// SPDX-License-Identifier: GPL-3.0-or-later
// zarn-cli --study: the batch tool hands the study to the charts tool found
// beside it or on PATH (never in the working folder), through a project in
// a private temporary folder it removes, and says in Portuguese what is
// missing when the charts tool is not installed.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/cli.h"

namespace zarn {
namespace {

namespace fs = std::filesystem;
using testing::CliTestBase;
using testing::Slurp;

class CliStudy : public CliTestBase {
protected:
    // Runs a shell command in the scratch folder with TMPDIR inside it.
    testing::CliResult Shell(const std::string& env, const std::string& program, const std::string& args) {
        fs::create_directories(dir_ / "tmp");
        const std::string cmd = "cd '" + dir_.string() + "' && TMPDIR='" + (dir_ / "tmp").string() + "' " + env +
                                " '" + program + "' " + args + " >stdout 2>stderr";
        const int status = std::system(cmd.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(dir_ / "stdout"), Slurp(dir_ / "stderr")};
    }
    // Qt may keep its runtime folder there; the study's own folder must go.
    bool NoStudyFolderLeft() const {
        for (const auto& entry : fs::directory_iterator(dir_ / "tmp"))
            if (entry.path().filename().string().rfind("zarn-estudo-", 0) == 0) return false;
        return true;
    }
};

TEST_F(CliStudy, TheChartsToolBesideTheBatchToolWritesThePdfAndTheProjectIsRemoved) {
    if (!fs::exists(fs::path(ZARN_CLI).parent_path() / "zarn-charts")) GTEST_SKIP() << "built without the charts tool";
    const auto r = Shell("", ZARN_CLI, "--data '" ZARN_EXAMPLES "/ocmulgee-river-macon.dat' --study estudo.pdf");
    ASSERT_EQ(r.Exit, 0) << r.Err;
    EXPECT_EQ(Slurp(dir_ / "estudo.pdf").substr(0, 5), "%PDF-");
    EXPECT_TRUE(NoStudyFolderLeft());
    // To standard output, and after --open.
    ASSERT_EQ(Shell("", ZARN_CLI, "--data '" ZARN_EXAMPLES "/ocmulgee-river-macon.dat' --project p.zarn").Exit, 0);
    const auto piped = Shell("", ZARN_CLI, "--open p.zarn --study -");
    ASSERT_EQ(piped.Exit, 0) << piped.Err;
    EXPECT_EQ(piped.Out.substr(0, 5), "%PDF-");
    EXPECT_TRUE(NoStudyFolderLeft());
}

TEST_F(CliStudy, WithoutTheChartsToolItSaysWhichPackageIsMissing) {
    // A copy of the batch tool alone, and a "zarn-charts" in the working
    // folder that PATH names only relatively: it must not be run.
    fs::copy_file(ZARN_CLI, dir_ / "zarn-cli");
    {
        std::ofstream fake(dir_ / "zarn-charts");
        fake << "#!/bin/sh\ntouch ran\n";
    }
    fs::permissions(dir_ / "zarn-charts", fs::perms::owner_all);
    fs::create_directories(dir_ / "alone");
    fs::rename(dir_ / "zarn-cli", dir_ / "alone" / "zarn-cli");
    const auto r = Shell("PATH=.::/bin:/usr/bin", (dir_ / "alone" / "zarn-cli").string(),
                         "--data '" ZARN_EXAMPLES "/ocmulgee-river-macon.dat' --study estudo.pdf");
    EXPECT_NE(r.Exit, 0);
    EXPECT_NE(r.Err.find("pacote zarn"), std::string::npos) << r.Err;
    EXPECT_FALSE(fs::exists(dir_ / "ran"));
    EXPECT_FALSE(fs::exists(dir_ / "estudo.pdf"));
    EXPECT_TRUE(NoStudyFolderLeft());
}

// zarn-cli --region TABLE --study: the regional study of the Cascades'
// published L-moments, read back with pdftotext: every section and the
// chosen growth curve's 100-year factor; the study never replaces its input.
TEST_F(CliStudy, TheRegionalStudyOfAPublishedTableHasItsSectionsAndNumbers) {
    if (!fs::exists(fs::path(ZARN_CLI).parent_path() / "zarn-charts")) GTEST_SKIP() << "built without the charts tool";
    if (std::system("command -v pdftotext >/dev/null 2>&1") != 0) GTEST_SKIP() << "pdftotext is not installed";
    fs::copy_file(ZARN_TEST_DATA "/regional/cascades-lmoments.csv", dir_ / "cascades.csv");
    const auto r = Shell("", ZARN_CLI, "--region cascades.csv --nsim 200 --nrep 500 --study regional.pdf");
    ASSERT_EQ(r.Exit, 0) << r.Err;
    EXPECT_TRUE(NoStudyFolderLeft());
    ASSERT_EQ(Shell("", "pdftotext", "regional.pdf texto.txt").Exit, 0);
    const std::string text = Slurp(dir_ / "texto.txt");
    for (const char* heading : {"1. Postos e discordância", "2. Heterogeneidade", "3. Candidatas e escolha",
                                "4. Curva regional de crescimento", "5. Quantis dos postos", "6. Método",
                                "Diagrama de momentos-L da região", "Hosking", "Escolhida: ", "458773"})
        EXPECT_NE(text.find(heading), std::string::npos) << heading;
    // GNO's growth factor at 100 years from the regional t, t3 (0,1103,
    // 0,0279), in the candidates' table whatever the simulations choose.
    EXPECT_NE(text.find("1,4801"), std::string::npos);

    const std::string list = Slurp(dir_ / "cascades.csv");
    const auto refused = Shell("", ZARN_CLI, "--region cascades.csv --nsim 200 --nrep 500 --study cascades.csv");
    EXPECT_NE(refused.Exit, 0);
    EXPECT_EQ(Slurp(dir_ / "cascades.csv"), list);
}

// zarn-cli --b17c --study: the study of the peak file's systematic record
// with its Bulletin 17C section; the study never replaces the peak file.
TEST_F(CliStudy, TheBulletin17cRunWritesTheStudyWithItsSection) {
    if (!fs::exists(fs::path(ZARN_CLI).parent_path() / "zarn-charts")) GTEST_SKIP() << "built without the charts tool";
    if (std::system("command -v pdftotext >/dev/null 2>&1") != 0) GTEST_SKIP() << "pdftotext is not installed";
    fs::copy_file(ZARN_TEST_DATA "/import/USGS02482550.txt", dir_ / "pearl.txt");
    const std::string peaks = Slurp(dir_ / "pearl.txt");
    const auto r = Shell("", ZARN_CLI, "--data pearl.txt --b17c --threshold 1874-1937:19000 --study b17c.pdf");
    ASSERT_EQ(r.Exit, 0) << r.Err;
    EXPECT_TRUE(NoStudyFolderLeft());
    ASSERT_EQ(Shell("", "pdftotext", "b17c.pdf texto.txt").Exit, 0);
    const std::string text = Slurp(dir_ / "texto.txt");
    EXPECT_NE(text.find("Bulletin 17C"), std::string::npos);
    EXPECT_NE(text.find("pearl"), std::string::npos);  // the project is named after the peak file

    const auto refused = Shell("", ZARN_CLI, "--data pearl.txt --b17c --study pearl.txt");
    EXPECT_NE(refused.Exit, 0);
    EXPECT_EQ(Slurp(dir_ / "pearl.txt"), peaks);
}

}  // namespace
}  // namespace zarn
