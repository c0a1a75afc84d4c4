// SPDX-License-Identifier: GPL-3.0-or-later
// zarn-cli --import as a user runs it: the data file written, the summary on
// standard error, exit codes for faults and bad usage; and the warning line
// that --data prints for a data file the reader misreads.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>

#include "tests/core/support/cli.h"

namespace fs = std::filesystem;

namespace {

using zarn::testing::Slurp;
using Result = zarn::testing::CliResult;

const std::string kImportData = std::string(ZARN_TEST_DATA) + "/import/";

class CliImportTest : public zarn::testing::CliTestBase {
protected:
    std::string Write(const std::string& name, const std::string& bytes) {
        std::ofstream(dir_ / name, std::ios::binary) << bytes;
        return Path(name);
    }
};

TEST_F(CliImportTest, UsgsFileBecomesThePublishedSeriesWithASummary) {
    const Result r = Run("--import '" + kImportData + "USGS02482550.txt' --out " + Path("pearl.dat"));
    ASSERT_EQ(r.Exit, 0) << r.Err;
    EXPECT_EQ(r.Out, "");
    const std::string data = Slurp(dir_ / "pearl.dat");
    std::string values;
    for (std::size_t at = 0; at < data.size();) {
        const std::size_t tab = data.find('\t', at), end = data.find('\n', at);
        values += data.substr(at, tab - at) + "\n";
        at = end + 1;
    }
    EXPECT_EQ(values, Slurp(kImportData + "pearl-river-carthage.dat"));
    for (const char* part : {"Formato: USGS (picos anuais, RDB), estação 02482550", "Anos mantidos: 58 (1938 a 1939, 1962 a 2017).",
                             "  1874: sem peak_va; só a cota 24.20 (linha 75)",
                             "Código de qualificação 2 (vazão estimada): 1986.", "(58 valores)."})
        EXPECT_NE(r.Err.find(part), std::string::npos) << part;
}

TEST_F(CliImportTest, HidroWebOptionsAndStandardOutput) {
    const Result r = Run("--import '" + kImportData + "vazoes_C_58138000.csv' --out - --year-start 1 --max-missing 4,5");
    ASSERT_EQ(r.Exit, 0) << r.Err;
    // 1968 has 15 of 366 days missing (4.1 %): kept at 4.5 %.
    EXPECT_EQ(r.Out, "21.459\t1966\n22.101\t1968\n16.644\t1969\n23.812\t1970\n14.609\t1971\n17.535\t1972\n");
    EXPECT_NE(r.Err.find("Limite de falhas: 4,5 % dos dias do ano."), std::string::npos);
    EXPECT_NE(r.Err.find("Gravado: saída padrão (6 valores)."), std::string::npos);
}

TEST_F(CliImportTest, TableColumnsChosenOnTheCommandLine) {
    const std::string table = Write("ranked.csv", "Ordem;Ano;Vazão\n1;1979;102000\n2;1983;69500\n3;1961;31900\n");
    Result r = Run("--import " + table + " --out - --value-column 3 --date-column 2");
    ASSERT_EQ(r.Exit, 0) << r.Err;
    EXPECT_EQ(r.Out, "31900\t1961\n102000\t1979\n69500\t1983\n");
    r = Run("--import " + table + " --out - --value-column 3 --format table");
    EXPECT_EQ(r.Out, "102000\n69500\n31900\n");
}

TEST_F(CliImportTest, FaultsExitOneWithTheirTextAlone) {
    const std::string thousands = Write("t.csv", "1970;98,5\n1971;1,234.5\n");
    const std::string gappy = Write("gappy.csv", "1970;\n1971;NA\n");
    struct Case {
        std::string Args;
        std::string Err;
    } cases[] = {
        {"--import " + Path("missing.csv") + " --out " + Path("o.dat"),
         "Arquivo \"" + (dir_ / "missing.csv").string() + "\": o arquivo não existe (File not found)\n"},
        {"--import " + thousands + " --out " + Path("o.dat"),
         "Separador de milhar não aceito (linha 2: \"1,234.5\"): grave os valores sem separador de milhar\n"},
        {"--import '" + kImportData + "USGS02482550.txt' --out " + Path("o.dat") + " --format hidroweb",
         "Linha de colunas do HidroWeb (EstacaoCodigo;NivelConsistencia;Data;...;Vazao01;...) não encontrada\n"},
        {"--import " + gappy + " --out " + Path("o.dat") + " --value-column 2 --date-column 1 --header-lines 0",
         "Nenhum ano foi mantido (2 deixados de fora): nada foi gravado\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Args);
        const Result r = Run(c.Args);
        EXPECT_EQ(r.Exit, 1);
        EXPECT_EQ(r.Err, c.Err);
        EXPECT_FALSE(fs::exists(dir_ / "o.dat"));
    }
}

TEST_F(CliImportTest, BadUsageExitsTwo) {
    for (const char* args : {"--import a.csv", "--out a.dat", "--import a.csv --out b.dat --format rdb",
                             "--import a.csv --out b.dat --year-start 0", "--import a.csv --out b.dat --year-start 13",
                             "--import a.csv --out b.dat --max-missing 101", "--import a.csv --out b.dat --max-missing x",
                             "--import a.csv --out b.dat --value-column 0",
                             "--import a.csv --out b.dat --value-column 2 --date-column 2",
                             "--import a.csv --out b.dat --data c.dat", "--import a.csv --out b.dat --json -",
                             "--import a.csv --out b.dat --separator pipe", "--import a.csv --out"}) {
        SCOPED_TRACE(args);
        const Result r = Run(args);
        EXPECT_EQ(r.Exit, 2);
        EXPECT_NE(r.Err.find("zarn-cli --import FILE --out OUT.dat"), std::string::npos);
    }
}

TEST_F(CliImportTest, DataFileWarningsFollowASuccessfulCalculation) {
    const std::string years = Write("years.dat", "1910 28.8\n1911 8.5\n1912 44.8\n1913 51\n1914 4.8\n");
    Result r = Run("--data " + years + " --json " + Path("out.json"));
    EXPECT_EQ(r.Exit, 0);
    EXPECT_EQ(r.Err,
              "O arquivo de dados parece uma tabela \"ano valor\": as linhas começam pelos anos 1910 a 1914, e só o "
              "primeiro número de cada linha é lido, de modo que a análise foi feita com os anos. Use zarn-cli "
              "--import ARQUIVO --out SERIE.dat para montar o arquivo de dados.\n");
    r = Run("--data '" + kImportData + "pearl-river-carthage.dat' --json " + Path("out.json"));
    EXPECT_EQ(r.Exit, 0);
    EXPECT_EQ(r.Err, "");
}

}  // namespace
