// SPDX-License-Identifier: GPL-3.0-or-later
// The batch over many stations: every station's files byte-identical to a
// single run on its file whatever the thread count, a failed station a row
// of its own with its error text, the two summaries, and the inputs (a
// folder, a list of paths, repeated names).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "analysis/record.h"
#include "cli/batch.h"
#include "tests/core/support/cli.h"
#include "files/textcodec.h"

namespace fs = std::filesystem;
using namespace zarn;

namespace {

using zarn::testing::Slurp;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

class BatchTest : public zarn::testing::CliTestBase {
protected:
    void SetUp() override {
        CliTestBase::SetUp();
        stations_ = dir_ / "estacoes";
        fs::create_directories(stations_);
        for (const char* name : {"tees-dent-bank.dat", "ocmulgee-river-macon.dat", "santa-cruz-river-lochiel.dat"})
            fs::copy_file(std::string(ZARN_EXAMPLES) + "/" + name, stations_ / name);
        std::ofstream(stations_ / "curta.dat") << "21.3\n24.4\n16.8\n28.6\n20\n21.8\n71.9\n17.2\n";
        std::ofstream(stations_ / "virgula.dat") << "12\n13,5\n14\n15\n";
        std::ofstream(stations_ / "leia-me.txt") << "not a station\n";
        fs::copy_file(std::string(ZARN_TEST_DATA) + "/import/USGS02482550.txt", stations_ / "pearl.txt");
    }
    // The exit status of the tool.
    int Run(const std::string& args) { return CliTestBase::Run(args).Exit; }

    fs::path stations_;
};

TEST_F(BatchTest, EveryStationAsASingleRunWritesItWhateverTheThreads) {
    // The single runs, one station at a time.
    // (A folder name as long as the batch's "out1" and "out3": the imported
    // station's files name its data file, in the project's counted text too.)
    const fs::path single = dir_ / "sngl";
    fs::create_directories(single);
    for (const char* name : {"tees-dent-bank", "ocmulgee-river-macon", "santa-cruz-river-lochiel", "curta"}) {
        const std::string base = (single / name).string();
        ASSERT_EQ(Run("--data '" + (stations_ / (std::string(name) + ".dat")).string() + "' --json '" + base +
                      ".json' --report '" + base + ".txt' --facts '" + base + ".clp' --project '" + base + ".prj' --advice '" +
                      base + ".advice.json'"),
                  0);
    }
    std::string firstSummary;
    // The USGS download: imported with the importer's defaults, then analysed.
    ASSERT_EQ(Run("--import '" + (stations_ / "pearl.txt").string() + "' --out '" + (single / "pearl.dat").string() + "'"), 0);
    {
        const std::string base = (single / "pearl").string();
        ASSERT_EQ(Run("--data '" + base + ".dat' --json '" + base + ".json' --report '" + base + ".txt' --facts '" + base +
                      ".clp' --project '" + base + ".prj' --advice '" + base + ".advice.json'"),
                  0);
    }
    for (int threads : {1, 3}) {
        SCOPED_TRACE(threads);
        const fs::path out = dir_ / ("out" + std::to_string(threads));
        // One station fails: the batch goes on and exits 1 at the end.
        EXPECT_EQ(Run("--batch '" + stations_.string() + "/' --out '" + out.string() + "' --threads " +
                      std::to_string(threads)),
                  1);
        // Byte for byte, but for the imported station's data file path,
        // which each run names in its own folder.
        for (const fs::directory_entry& e : fs::directory_iterator(single)) {
            std::string expected = Slurp(e.path());
            const std::string name = e.path().filename().string();
            if (name.rfind("pearl.", 0) == 0 && name != "pearl.dat") {
                for (std::size_t at; (at = expected.find(single.string())) != std::string::npos;)
                    expected.replace(at, single.string().size(), out.string());
            }
            EXPECT_TRUE(Slurp(out / name) == expected) << name;
        }
        EXPECT_FALSE(fs::exists(out / "virgula.json"));
        EXPECT_FALSE(fs::exists(out / "leia-me.json"));  // not a .dat file
        const std::string summary = Slurp(out / "summary.csv");
        if (firstSummary.empty()) firstSummary = summary;
        EXPECT_EQ(summary, firstSummary);
    }
    const std::string err = Slurp(dir_ / "stderr");
    EXPECT_NE(err.find("6/6 estações, 1 com erro"), std::string::npos) << err;
}

TEST_F(BatchTest, SummariesHoldOneRowPerStationInNameOrder) {
    const fs::path out = dir_ / "out";
    EXPECT_EQ(Run("--batch '" + stations_.string() + "' --out '" + out.string() + "'"), 1);
    const std::vector<std::string> english = Lines(Slurp(out / "summary.csv"));
    ASSERT_EQ(english.size(), 7u);
    EXPECT_EQ(english[0].rfind("file,n,zero_years,mean,std_dev,skewness,dependent,", 0), 0u);
    const std::string folder = stations_.string() + "/";
    EXPECT_EQ(english[1].rfind(folder + "curta.dat,8,", 0), 0u) << english[1];
    EXPECT_EQ(english[2].rfind(folder + "ocmulgee-river-macon.dat,40,", 0), 0u);
    EXPECT_EQ(english[3].rfind(folder + "pearl.txt,58,", 0), 0u);
    EXPECT_EQ(english[6].rfind(folder + "virgula.dat,", 0), 0u);
    // The failed row: empty cells, then the error text quoted (it holds commas and quotes).
    EXPECT_NE(english[6].find(",\"Invalid numeric input (linha 2: \"\"13,5\"\"; o separador decimal é o ponto)\""),
              std::string::npos)
        << english[6];
    const auto fields = [](const std::string& line, char sep) { return std::count(line.begin(), line.end(), sep); };
    EXPECT_EQ(fields(english[0], ','), fields(english[1], ','));

    const std::string portuguese = Slurp(out / "resumo.csv");
    EXPECT_EQ(portuguese.rfind("\xEF\xBB\xBF" "Arquivo;n;Anos sem vazão;Média;Desvio padrão;Assimetria;", 0), 0u);
    const std::vector<std::string> rows = Lines(portuguese);
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(fields(rows[0], ';'), fields(rows[2], ';'));
    // Decimal commas, verdicts in words: the Ocmulgee mean is 36.2775 thousand cfs.
    EXPECT_NE(rows[2].find(";40;0;36,277499999999996;"), std::string::npos) << rows[2];
    EXPECT_NE(rows[2].find(";não;"), std::string::npos);
    // The advisor's choice and its status: the Ocmulgee series takes the Gumbel.
    EXPECT_NE(english[2].find(",Gumbel,accepted,"), std::string::npos) << english[2];
    EXPECT_NE(rows[2].find(";Gumbel;aceita;"), std::string::npos) << rows[2];
}

TEST_F(BatchTest, SummaryColumnsFollowTheReturnPeriodsAsked) {
    const fs::path out = dir_ / "out";
    std::ofstream(stations_ / "seca.dat") << "0\n12\n0\n30\n7.5\n19\n0\n44\n25\n16\n";
    EXPECT_EQ(Run("--batch '" + stations_.string() + "' --out '" + out.string() + "' --return-periods 1.25,25,10000"), 1);
    const std::vector<std::string> english = Lines(Slurp(out / "summary.csv"));
    ASSERT_EQ(english.size(), 8u);
    EXPECT_NE(english[0].find(",recommended,status,q1.25,q1.25_lower_5,q1.25_upper_95,q25,q25_lower_5,q25_upper_95,"
                              "q10000,q10000_lower_5,q10000_upper_95,r_normal,"),
              std::string::npos)
        << english[0];
    EXPECT_EQ(english[0].rfind("file,n,zero_years,mean,", 0), 0u) << english[0];
    const auto fields = [](const std::string& line, char sep) { return std::count(line.begin(), line.end(), sep); };
    for (const std::string& row : english)
        if (row.find('"') == std::string::npos) EXPECT_EQ(fields(row, ','), fields(english[0], ',')) << row;
    // The dry station: 7 positive values and 3 zeros, p0 = 0.3; its
    // 1.25-year flood (F = 0.2) is 0, limits too.
    const std::string folder = stations_.string() + "/";
    const auto dry = std::find_if(english.begin(), english.end(),
                                  [&](const std::string& row) { return row.rfind(folder + "seca.dat,", 0) == 0; });
    ASSERT_NE(dry, english.end());
    EXPECT_EQ(dry->rfind(folder + "seca.dat,7,3,", 0), 0u) << *dry;
    const auto cells = [](const std::string& line) {
        std::vector<std::string> out(1);
        for (char c : line) {
            if (c == ',') out.emplace_back();
            else out.back().push_back(c);
        }
        return out;
    };
    const std::vector<std::string> header = cells(english[0]), row = cells(*dry);
    const auto column = std::find(header.begin(), header.end(), "q1.25") - header.begin();
    ASSERT_LT(column + 2, static_cast<long>(row.size()));
    EXPECT_FALSE(row[13].empty()) << "a distribution is recommended: " << *dry;
    EXPECT_EQ(row[column], "0");
    EXPECT_EQ(row[column + 1], "0");
    EXPECT_EQ(row[column + 2], "0");
    const std::string portuguese = Slurp(out / "resumo.csv");
    EXPECT_NE(portuguese.find(";Q1,25;Q1,25 limite inferior (5 %);Q1,25 limite superior (95 %);Q25;"), std::string::npos);
    EXPECT_NE(portuguese.find("Arquivo;n;Anos sem vazão;Média;"), std::string::npos);
    EXPECT_NE(Slurp(out / "seca.json").find("\"ZeroCount\": 3,"), std::string::npos);
    EXPECT_NE(Slurp(out / "seca.zarn").find("\nzeros=3\n"), std::string::npos);
}

TEST_F(BatchTest, AListOfPathsRelativeToItsFolderWithRepeatedNames) {
    const fs::path other = dir_ / "outra";
    fs::create_directories(other);
    fs::copy_file(stations_ / "curta.dat", other / "tees-dent-bank.dat");
    std::ofstream(dir_ / "lista.txt") << "# estações do estudo\n"
                                      << "estacoes/tees-dent-bank.dat\r\n"
                                      << "\n"
                                      << "  outra/tees-dent-bank.dat\n";
    const std::vector<BatchStation> stations = BatchStations((dir_ / "lista.txt").string());
    ASSERT_EQ(stations.size(), 2u);
    EXPECT_EQ(stations[0].Path, (dir_ / "estacoes/tees-dent-bank.dat").string());
    EXPECT_EQ(stations[0].Name, "tees-dent-bank");
    EXPECT_EQ(stations[1].Name, "tees-dent-bank-2");
    const fs::path out = dir_ / "out";
    EXPECT_EQ(Run("--batch '" + (dir_ / "lista.txt").string() + "' --out '" + out.string() + "'"), 0);
    EXPECT_TRUE(fs::exists(out / "tees-dent-bank.prj"));
    EXPECT_TRUE(fs::exists(out / "tees-dent-bank-2.prj"));
}

TEST_F(BatchTest, BadInputsAndUsage) {
    EXPECT_EQ(Run("--batch '" + (dir_ / "nada").string() + "' --out '" + (dir_ / "o").string() + "'"), 1);
    EXPECT_EQ(Slurp(dir_ / "stderr"),
              "Arquivo \"" + (dir_ / "nada").string() + "\": o arquivo não existe (File not found)\n");
    const fs::path empty = dir_ / "vazia";
    fs::create_directories(empty);
    EXPECT_EQ(Run("--batch '" + empty.string() + "' --out '" + (dir_ / "o").string() + "'"), 1);
    EXPECT_EQ(Run("--batch '" + stations_.string() + "'"), 2);  // no --out
    EXPECT_EQ(Run("--batch '" + stations_.string() + "' --out o --json -"), 2);
}

}  // namespace

namespace {

// A station of the examples copied to `to`.
void CopyStation(const fs::path& to) { fs::copy_file(std::string(ZARN_EXAMPLES) + "/tees-dent-bank.dat", to); }

}  // namespace

// The batch never writes over what the user has: not into the input folder,
// not through a link already in the output folder.
TEST_F(BatchTest, OutputsNeverReplaceInputsOrFollowLinks) {
    std::ofstream(stations_ / "resumo.csv") << "meu resumo\n";
    for (const fs::path out : {stations_, stations_ / "sub"}) {
        EXPECT_EQ(Run("--batch '" + stations_.string() + "' --out '" + out.string() + "'"), 1);
        EXPECT_NE(Slurp(dir_ / "stderr").find("é a pasta dos dados"), std::string::npos) << Slurp(dir_ / "stderr");
    }
    EXPECT_EQ(Slurp(stations_ / "resumo.csv"), "meu resumo\n");
    EXPECT_FALSE(fs::exists(stations_ / "tees-dent-bank.json"));
    EXPECT_FALSE(fs::exists(stations_ / "sub"));

    const fs::path one = dir_ / "um";
    fs::create_directories(one);
    CopyStation(one / "tees.dat");
    const fs::path out = dir_ / "saida";
    fs::create_directories(out);
    std::ofstream(dir_ / "alheio.txt") << "alheio\n";
    fs::create_symlink(dir_ / "alheio.txt", out / "tees.json");
    EXPECT_EQ(Run("--batch '" + one.string() + "' --out '" + out.string() + "'"), 0);
    EXPECT_EQ(Slurp(dir_ / "alheio.txt"), "alheio\n");
    EXPECT_FALSE(fs::is_symlink(out / "tees.json"));
    EXPECT_EQ(Slurp(out / "tees.json").substr(0, 1), "{");
}

// dup-2.dat, dup.csv and dup.dat once gave the names dup-2, dup and dup-2;
// bad entries (a dangling link, a loop) ended the batch.
TEST_F(BatchTest, NamesNeverCollideAndBadEntriesAreFailedRows) {
    const fs::path in = dir_ / "dup";
    fs::create_directories(in);
    CopyStation(in / "dup-2.dat");
    CopyStation(in / "dup.dat");
    std::ofstream(in / "dup.csv") << "ano,vazao\n1970,350\n1971,420\n1972,300\n1973,500\n1974,610\n";
    fs::create_symlink(in / "nowhere.dat", in / "zz.dat");
    fs::create_symlink(in / "loop", in / "loop");
    const std::vector<BatchStation> stations = BatchStations(in.string());
    std::vector<std::string> names;
    for (const BatchStation& s : stations) names.push_back(s.Name);
    EXPECT_EQ(names, (std::vector<std::string>{"dup-2", "dup", "dup-3", "loop", "zz"}));

    const fs::path out = dir_ / "out";
    EXPECT_EQ(Run("--batch '" + in.string() + "' --out '" + out.string() + "'"), 1);  // two failed rows
    for (const char* name : {"dup-2.prj", "dup.prj", "dup-3.prj", "dup.dat"}) EXPECT_TRUE(fs::exists(out / name)) << name;
    const std::vector<std::string> rows = Lines(Slurp(out / "summary.csv"));
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_NE(rows[4].find("laço"), std::string::npos) << rows[4];
    EXPECT_NE(rows[5].find("link simbólico para um arquivo que não existe"), std::string::npos) << rows[5];
}

TEST_F(BatchTest, SummariesAreUtf8WhateverTheFileNames) {
    const fs::path in = dir_ / "latin";
    fs::create_directories(in);
    CopyStation(in / "S\xE3o Jos\xE9.dat");  // a name in Latin-1 bytes
    const fs::path out = dir_ / "out";
    EXPECT_EQ(Run("--batch '" + in.string() + "' --out '" + out.string() + "'"), 0);
    for (const char* summary : {"summary.csv", "resumo.csv"}) {
        const std::string text = Slurp(out / summary);
        EXPECT_TRUE(IsValidUtf8(text)) << summary;
        EXPECT_NE(text.find("S\xC3\xA3o Jos\xC3\xA9.dat"), std::string::npos) << summary;
    }
}
