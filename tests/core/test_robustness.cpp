// SPDX-License-Identifier: GPL-3.0-or-later
// Bad input of every kind a hydrologist may hand ZARN (the rows of
// docs/robustness.md): each ends in a finished analysis with finite results
// or in its error text, and never in a crash, a hang or a half-written file.
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>

#include "analysis/calculation.h"
#include "files/datafile.h"
#include "files/errors.h"
#include "analysis/record.h"
#include "analysis/projectfile.h"
#include "views/lines.h"
#include "views/report.h"
#include "rules/factfile.h"

namespace fs = std::filesystem;
using namespace zarn;

namespace {

std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class RobustnessTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("zarn-robust-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        r_ = std::make_unique<AnalysisRecord>();
        CalculateAll(*r_, "Ocmulgee", "Macon", "", std::string(ZARN_EXAMPLES) + "/ocmulgee-river-macon.dat");
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Write(const std::string& content, const std::string& name) {
        const fs::path p = dir_ / name;
        std::ofstream(p, std::ios::binary) << content;
        return p.string();
    }

    // Calculates into a scratch record; "" when it completes.
    std::string CalculationError(const std::string& path) {
        auto scratch = std::make_unique<AnalysisRecord>();
        try {
            CalculateAll(*scratch, "", "", "", path);
        } catch (const ZarnError& e) {
            return e.what();
        }
        EXPECT_TRUE(AllResultsFinite(*scratch));
        return "";
    }

    static bool AllResultsFinite(const AnalysisRecord& r) {
        for (const double* v = &r.Mean; v <= &r.LogLMoments.T4; ++v)
            if (!std::isfinite(*v)) return false;
        for (int i = 0; i < r.SampleSize; ++i)
            if (!std::isfinite(r.Sample[i]) || !std::isfinite(r.LogSample[i])) return false;
        for (const double* v = &r.Parameters[0].Position; v <= &r.ParsimonyLimit[3]; ++v)
            if (!std::isfinite(*v)) return false;
        return true;
    }

    // Writes an image of `r` as a project file.
    std::string WriteProject(const AnalysisRecord& r, const std::string& name) {
        return Write(std::string(reinterpret_cast<const char*>(&r), kRecordSize), name);
    }

    // Everything built from an opened project; "" or the error text.
    static std::string BuildEverything(const AnalysisRecord& r) {
        try {
            FloatingPointCheck check;
            ReportLines(r);
            FactFileLines(r);
            EstatisticasLines(r, ',');
            HistogramPoints(r);
            TesteLines(r, '.');
            SamplePoints(r);
            ParaLines(r, '.');
            for (int d = 0; d <= 9; ++d) ProbabilityPlot(r, d);
        } catch (const ZarnError& e) {
            return e.what();
        }
        return "";
    }

    fs::path dir_;
    std::unique_ptr<AnalysisRecord> r_;
};

const char* const kNoValues = "O arquivo de dados não tem nenhum valor: a análise precisa de pelo menos 4 valores";

std::string NotPositive(int line, const std::string& value) {
    return "O valor da linha " + std::to_string(line) + " do arquivo de dados é " + value +
           ": a análise trabalha com os logaritmos dos valores, por isso todo valor deve ser maior que zero";
}

TEST_F(RobustnessTest, BadDataFilesGiveTheirTexts) {
    std::string tooMany;
    for (int i = 0; i < 10050; ++i) tooMany += "12.5\n";
    std::string garbage(4096, '\0');
    std::mt19937 gen(3);
    for (auto& c : garbage) c = static_cast<char>(gen());
    garbage[0] = '\x7f';  // the first token is surely not a number

    const struct Row {
        const char* what;
        std::string content;
        std::string text;
    } rows[] = {
        {"empty", "", kNoValues},
        {"only blanks", "   \n\t\n  ", kNoValues},
        {"one value", "12\n", "O arquivo de dados tem apenas 1 valor: a análise precisa de pelo menos 4 valores"},
        {"two values", "0.1\n0.7\n", "O arquivo de dados tem apenas 2 valores: a análise precisa de pelo menos 4 valores"},
        {"all equal", "4\n4\n4\n4\n4\n",
         "Todos os 5 valores do arquivo de dados são iguais (4): uma série sem variação não pode ser analisada"},
        {"a zero leaving three positive values", "4\n0\n7\n9\n",
         "O arquivo de dados tem 4 valores, dos quais 1 é zero (ano sem vazão): restam 3 valores positivos, e a "
         "análise precisa de pelo menos 4"},
        {"a negative value", "4\n-1\n7\n9\n", NotPositive(2, "-1")},
        {"comma decimal", "4,5\n7\n", std::string(kInvalidNumericText) + " (linha 1: \"4,5\"; o separador decimal é o ponto)"},
        {"year;value", "1910;28.8\n1911;8.5\n", std::string(kInvalidNumericText) + " (linha 1: \"1910;28.8\")"},
        {"header line", "Vazao\n28.8\n8.5\n", std::string(kInvalidNumericText) + " (linha 1: \"Vazao\")"},
        {"nan text", "4\nnan\n7\n", std::string(kInvalidNumericText) + " (linha 2: \"nan\")"},
        {"inf text", "4\ninf\n7\n", std::string(kInvalidNumericText) + " (linha 2: \"inf\")"},
        {"beyond a double", "4\n1e400\n7\n", std::string(kOverflowText) + " (linha 2: \"1e400\")"},
        {"more than 10000 values", tooMany, std::string(kTooManyValuesText) + " (linha 10001: \"12.5\")"},
        // A million 7s read as 7777...7 (64 digits): one value.
        {"a line of a million characters", std::string(1000000, '7') + "\n",
         "O arquivo de dados tem apenas 1 valor: a análise precisa de pelo menos 4 valores"},
        {"binary garbage", garbage, kInvalidNumericText},
        {"UTF-16 text", std::string("\xff\xfe" "1\0" "2\0", 6), kInvalidNumericText},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        // Garbage tokens are shown as read: only the leading text is fixed.
        const std::string error = CalculationError(Write(row.content, "bad.dat"));
        if (row.text == kInvalidNumericText)
            EXPECT_EQ(error.rfind(std::string(kInvalidNumericText) + " (linha 1: \"", 0), 0u) << error;
        else
            EXPECT_EQ(error, row.text);
    }
}

TEST_F(RobustnessTest, BadDataPathsGiveTheirTexts) {
    EXPECT_EQ(CalculationError(dir_.string()), "File access denied");
    EXPECT_EQ(CalculationError((dir_ / "missing.dat").string()), "File not found");
    EXPECT_EQ(CalculationError((dir_ / "no" / "folder.dat").string()), "Invalid filename");
    const std::string unreadable = Write("1\n2\n3\n", "unreadable.dat");
    fs::permissions(unreadable, fs::perms::none);
    if (::geteuid() != 0) {  // root reads every file
        EXPECT_EQ(CalculationError(unreadable), "File access denied");
    }
}

TEST_F(RobustnessTest, HostileButValidSamplesFinishOrFailCleanly) {
    std::mt19937 gen(17);
    std::uniform_real_distribution<double> exponent(-300, 300), unit(0, 1);
    auto series = [&](int n, auto value) {
        std::string s;
        char buf[40];
        for (int i = 0; i < n; ++i) {
            std::snprintf(buf, sizeof buf, "%.17g\n", value(i));
            s += buf;
        }
        return s;
    };
    const std::string allowed[] = {"", kInvalidOperationText, kDivisionByZeroText, kOverflowText};
    const struct Row {
        const char* what;
        std::string content;
    } rows[] = {
        {"1e-300 to 1e300", series(200, [&](int) { return std::pow(10.0, exponent(gen)); })},
        {"all near 1e-300", series(60, [&](int) { return 1e-300 * (1 + unit(gen)); })},
        {"all near 1e300", series(60, [&](int) { return 1e300 * (1 + unit(gen)); })},
        {"three distinct values, many ties", series(400, [&](int i) { return 1.0 + i % 3; })},
        {"one value differs", series(120, [&](int i) { return i == 60 ? 9.0 : 5.0; })},
        {"subnormal values", series(30, [&](int i) { return 5e-324 * (i + 1); })},
        {"four values, tiny spread", "1\n1.0000000000000002\n1\n1.0000000000000004\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string error = CalculationError(Write(row.content, "hostile.dat"));
        const bool refused = error.rfind("Todos os valores do arquivo de dados são iguais", 0) == 0;
        EXPECT_TRUE(refused || std::find(std::begin(allowed), std::end(allowed), error) != std::end(allowed)) << error;
    }
}

TEST_F(RobustnessTest, BadProjectFilesAreRefusedAndTheAnalysisStays) {
    const std::string before(reinterpret_cast<const char*>(r_.get()), kRecordSize);
    const std::string genuine(reinterpret_cast<const char*>(r_.get()), kRecordSize);

    struct Row {
        const char* what;
        std::string content;
        bool portuguese;  // our own message rather than a runtime text
    };
    std::vector<Row> rows = {
        {"empty", "", false},
        {"one byte short", genuine.substr(0, kRecordSize - 1), false},
    };
    auto patched = [&](auto change) {
        AnalysisRecord copy = *r_;
        change(copy);
        return std::string(reinterpret_cast<const char*>(&copy), kRecordSize);
    };
    rows.push_back({"sample size -1", patched([](AnalysisRecord& c) { c.SampleSize = -1; }), true});
    rows.push_back({"sample size 10001", patched([](AnalysisRecord& c) { c.SampleSize = 10001; }), true});
    rows.push_back({"class count 2^31-1", patched([](AnalysisRecord& c) { c.ClassCount = 0x7fffffff; }), true});
    rows.push_back({"plot distribution 0", patched([](AnalysisRecord& c) { c.PlotDistribution = 0; }), true});
    rows.push_back({"plot distribution 9", patched([](AnalysisRecord& c) { c.PlotDistribution = 9; }), true});

    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        try {
            ReadProjectFile(*r_, Write(row.content, "bad.prj"));
            ADD_FAILURE() << "accepted";
        } catch (const ZarnError& e) {
            if (row.portuguese) EXPECT_NE(std::string(e.what()).find("não é um projeto válido"), std::string::npos);
            else EXPECT_STREQ(e.what(), kReadBeyondEndText);
        }
        EXPECT_EQ(std::memcmp(r_.get(), before.data(), kRecordSize), 0);
    }
    EXPECT_THROW(ReadProjectFile(*r_, dir_.string()), ZarnError);
    EXPECT_EQ(std::memcmp(r_.get(), before.data(), kRecordSize), 0);
}

TEST_F(RobustnessTest, LongAndStrangeProjectFilesOpenAndNothingCrashes) {
    // Longer than a record: the first 321,736 bytes count.
    const std::string genuine(reinterpret_cast<const char*>(r_.get()), kRecordSize);
    auto opened = std::make_unique<AnalysisRecord>();
    ReadProjectFile(*opened, Write(genuine + std::string(5000, 'x'), "long.prj"));
    EXPECT_EQ(std::memcmp(opened.get(), r_.get(), kRecordSize), 0);

    // Non-finite doubles everywhere a reader looks: every builder either
    // finishes (printing Nan, +Inf, -Inf) or stops with an arithmetic error.
    const double strange[] = {std::nan(""), HUGE_VAL, -HUGE_VAL, 1e308, -1e308, 5e-324, 0.0};
    for (double v : strange) {
        SCOPED_TRACE(v);
        AnalysisRecord copy = *r_;
        for (double* p = &copy.Mean; p <= &copy.LogLMoments.T4; ++p) *p = v;
        for (double* p = &copy.Parameters[0].Position; p <= &copy.ParsimonyLimit[3]; ++p) *p = v;
        copy.Sample[3] = v;
        copy.ClassCentre[1] = v;
        ReadProjectFile(*opened, WriteProject(copy, "strange.prj"));
        const std::string error = BuildEverything(*opened);
        EXPECT_TRUE(error.empty() || error == kInvalidOperationText || error == kOverflowText ||
                    error == kDivisionByZeroText)
            << error;
    }

    // Random bytes with counts that pass the checks.
    std::mt19937_64 gen(99);
    for (int trial = 0; trial < 12; ++trial) {
        std::string bytes(kRecordSize, '\0');
        for (auto& c : bytes) c = static_cast<char>(gen());
        auto* rec = reinterpret_cast<AnalysisRecord*>(bytes.data());
        rec->SampleSize = static_cast<int>(gen() % 200);
        rec->ClassCount = static_cast<int>(gen() % 20);
        rec->PlotDistribution = static_cast<std::uint8_t>(1 + gen() % 8);
        ReadProjectFile(*opened, Write(bytes, "random.prj"));
        BuildEverything(*opened);
        // The report and the fact file still save whole or not at all.
        try {
            SaveReport(ReportLines(*opened), (dir_ / "random.txt").string());
        } catch (const ZarnError&) {
        }
        FloatingPointCheck::Clear();
    }
}

TEST_F(RobustnessTest, FilesWrittenToBadPlacesFailWithoutHalfFiles) {
    const std::vector<std::string> lines = ReportLines(*r_);
    // A missing folder.
    const std::string missing = (dir_ / "no-folder" / "r.txt").string();
    try {
        SaveReport(lines, missing);
        ADD_FAILURE();
    } catch (const ZarnError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Cannot create file \"" + missing + "\". ", 0), 0u) << e.what();
    }
    EXPECT_THROW(WriteFactFile(*r_, missing), ZarnError);
    EXPECT_THROW(WriteProjectFile(*r_, missing), ZarnError);
    EXPECT_FALSE(fs::exists(dir_ / "no-folder"));

    // A full disk: the device that always reports one.
    try {
        WriteProjectFile(*r_, "/dev/full");
        ADD_FAILURE();
    } catch (const ZarnError& e) {
        EXPECT_STREQ(e.what(), "Disk full");
    }
    try {
        WriteFactFile(*r_, "/dev/full");
        ADD_FAILURE();
    } catch (const ZarnError& e) {
        EXPECT_STREQ(e.what(), "Disk full");
    }

    // A folder nobody may write in (a read-only file system even for root).
    EXPECT_THROW(SaveReport(lines, "/proc/zarn-report.txt"), ZarnError);
    EXPECT_THROW(WriteProjectFile(*r_, "/proc/zarn.prj"), ZarnError);

    // A failed save keeps the previous file whole.
    const fs::path kept = dir_ / "kept.prj";
    WriteProjectFile(*r_, kept.string());
    const std::string old = Slurp(kept);
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
    if (::geteuid() != 0) {  // root writes in every folder
        EXPECT_THROW(WriteProjectFile(*r_, kept.string()), ZarnError);
    }
    fs::permissions(dir_, fs::perms::owner_all);
    EXPECT_EQ(Slurp(kept), old);
    for (const auto& entry : fs::directory_iterator(dir_))
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
}

}  // namespace

namespace zarn {
namespace {

// A NUL byte in a quoted token once ended the message where it was shown.
TEST(ErrorText, ANulByteDoesNotCutTheMessageShort) {
    const ZarnError e(std::string("Invalid numeric input (linha 1: \"2") + '\0' + "8\")");
    EXPECT_STREQ(e.what(), "Invalid numeric input (linha 1: \"2\\08\")");
}

}  // namespace
}  // namespace zarn
