// SPDX-License-Identifier: GPL-3.0-or-later
// The calculation report: its lines from a record set by hand, and the saved file.
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "files/errors.h"
#include "analysis/record.h"
#include "views/report.h"
#include "files/textcodec.h"

namespace zarn {
namespace {

namespace fs = std::filesystem;

// Line indexes (0-based) without the warning block.
constexpr int kSkewnessLine = 15;
constexpr int kKendallVerdictLine = 37;
constexpr int kParameterHeaderLine = 67;
constexpr int kFillibenFirstRow = 81;
constexpr int kVarianceFirstRow = 92;
constexpr int kQuantileFirstRow = 105;

std::unique_ptr<AnalysisRecord> SampleRecord() {
    auto r = std::make_unique<AnalysisRecord>();
    r->PlotDistribution = 1;
    SetText(r->Title, "Rio Teste");
    SetText(r->Location, "Esta\xE7\xE3o 1");  // "Estação 1" in Windows-1252
    SetText(r->Comment, "");
    SetText(r->DataFileName, "/dados/rio.dat");
    r->SampleSize = 35;
    r->Maximum = 812.5;
    r->Minimum = 102.25;
    r->Mean = 350.12345;
    r->StdDev = 120.5;
    r->Skewness = -0.43214;
    // Every distribution fitted with a valid scale, so every quantile computes.
    for (int i = 1; i <= kDistributionCount; ++i) {
        ParametersOf(*r, i) = {0.0, 1.0, 0.0};
        FitTestOf(*r, i) = {0.98, 0.95};
        VarianceTestZOf(*r, i) = 0.5;
    }
    return r;
}

std::string Utf8(const std::string& cp1252) { return Windows1252ToUtf8(cp1252); }

TEST(ReportLines, CountsAndWarningBlockFollowBitsOneToSix) {
    auto r = SampleRecord();
    for (std::uint8_t flags : {0x00, 0x01, 0x80, 0x81}) {
        r->TestFlags = flags;
        const auto lines = ReportLines(*r);
        ASSERT_EQ(lines.size(), 113u) << "flags " << int(flags);
        // The heading's empty line, then the statistics section's own.
        EXPECT_EQ(lines[6], "");
        EXPECT_EQ(lines[7], "");
        EXPECT_EQ(Utf8(lines[8]), "ESTATÍSTICAS DESCRITIVAS:");
    }
    const char* texts[6] = {
        "*** O TESTE DE KENDALL IDENTIFICOU A POSSIBILIDADE DOS DADOS AMOSTRAIS NÃO SEREM INDEPENDENTES.",
        "*** O TESTE DE MANN-KENDALL IDENTIFICOU A POSSIBILIDADE DOS DADOS AMOSTRAIS NÃO SEREM HOMOGENEOS.",
        "*** O TESTE DE GRUBBS & BECK IDENTIFICOU A POSSÍVEL PRESENÇA DE UM OUTLIER (VALOR ALTO).",
        "*** O TESTE DE GRUBBS & BECK IDENTIFICOU A POSSÍVEL PRESENÇA DE UM OUTLIER (VALOR BAIXO).",
        "*** O TESTE DA ASSIMETRIA IDENTIFICOU A POSSÍVEL PRESENÇA DE UM OUTLIER (VALOR ALTO).",
        "*** O TESTE DA ASSIMETRIA IDENTIFICOU A POSSÍVEL PRESENÇA DE UM OUTLIER (VALOR BAIXO).",
    };
    for (int bit = 1; bit <= 6; ++bit) {
        r->TestFlags = static_cast<std::uint8_t>((1 << bit) | 0x81);
        const auto lines = ReportLines(*r);
        ASSERT_EQ(lines.size(), 119u) << "bit " << bit;
        EXPECT_EQ(Utf8(lines[7]), "ATENÇÃO:");
        EXPECT_EQ(lines[8], "");
        EXPECT_EQ(Utf8(lines[9]), texts[bit - 1]);
        EXPECT_EQ(lines[10], "");
        EXPECT_EQ(Utf8(lines[11]),
                  "*** ANTES DE PROSSEGUIR VERIFIQUE SE A(S) QUESTÃO(ÕES) APONTADA(S) TEM OU NÃO PROCEDÊNCIA.");
        EXPECT_EQ(Utf8(lines[12]), "    CASO NEGATIVO PROSSIGA À ANÁLISE.");
        EXPECT_EQ(lines[13], "");
    }
    r->TestFlags = 0xFF;
    const auto lines = ReportLines(*r);
    ASSERT_EQ(lines.size(), 124u);
    for (int k = 0; k < 6; ++k) EXPECT_EQ(Utf8(lines[9 + k]), texts[k]);
    EXPECT_EQ(lines[15], "");
}

TEST(ReportLines, HeadingAndStatisticsAreWindows1252) {
    auto r = SampleRecord();
    const auto lines = ReportLines(*r);
    EXPECT_EQ(lines[0], "ZARN - KELMORIDA");
    EXPECT_EQ(lines[2], "T\xCDTULO: Rio Teste");
    EXPECT_EQ(lines[3], "LOCAL: Esta\xE7\xE3o 1");        // the record's bytes, unchanged
    EXPECT_EQ(lines[4], "COMENT\xC1RIO: ");               // empty text, trailing blank kept
    EXPECT_EQ(lines[5], "ARQUIVO DE DADOS: /dados/rio.dat");
    EXPECT_EQ(lines[10], "**Tamanho da amostra : 35");
    EXPECT_EQ(lines[11], "  M\xE1ximo : 812.5000");
    EXPECT_EQ(lines[12], "  M\xEDnimo : 102.2500");
    // 350.12345 is 350.12344999999999...: its 18-digit expansion rounds down.
    EXPECT_EQ(lines[13], "  M\xE9" "dia : 350.1234");
    EXPECT_EQ(lines[14], "  Desvio padr\xE3o : 120.5000");
    EXPECT_EQ(lines[kSkewnessLine], "  Assimetria : -0.4321");
}

TEST(ReportLines, VerdictsFollowTheBitsNotTheNumbers) {
    auto r = SampleRecord();
    r->KendallZ = 5.0;  // far above the limit, yet no bit set
    r->KendallZLimit = 1.96;
    auto lines = ReportLines(*r);
    EXPECT_EQ(lines[kKendallVerdictLine], "  Z < | Z | => dados independentes");
    EXPECT_EQ(lines[kKendallVerdictLine + 6], "  U < | U | => dados homogeneos");
    EXPECT_EQ(Utf8(lines[kKendallVerdictLine + 13]), "    Max < LS => não ha outlier");
    EXPECT_EQ(Utf8(lines[kKendallVerdictLine + 19]), "    Min > LI => não ha outlier");

    r->TestFlags = 0x7E;
    lines = ReportLines(*r);
    const int shift = 5 + 6;  // the warning block
    EXPECT_EQ(lines[kKendallVerdictLine + shift], "  Z > | Z | => dados dependentes");
    EXPECT_EQ(Utf8(lines[kKendallVerdictLine + shift + 6]), "  U > | U | => dados não homogeneos");
    EXPECT_EQ(Utf8(lines[kKendallVerdictLine + shift + 13]), "    Max > LS => há outlier");
    EXPECT_EQ(Utf8(lines[kKendallVerdictLine + shift + 19]), "    Min < LI => há outlier");
    EXPECT_EQ(Utf8(lines[kKendallVerdictLine + shift + 23]),
              "    há outlier - a retirada do máximo amostral resultou em uma mudança significativa da assimetria.");
    EXPECT_EQ(Utf8(lines[kKendallVerdictLine + shift + 26]),
              "    há outlier - a retirada do mínimo amostral resultou em uma mudança significativa da assimetria.");
}

TEST(ReportLines, TablesKeepTheirColumns) {
    auto r = SampleRecord();
    ParametersOf(*r, kNormal) = {1234.5, 456.78, 99.0};
    ParametersOf(*r, kGEV) = {12345678.9, 1.0, -0.25};
    FitTestOf(*r, kGumbel) = {0.97654, 0.95};
    const auto lines = ReportLines(*r);

    EXPECT_EQ(Utf8(lines[kParameterHeaderLine]), "Distribuição           Posição       Escala        Forma");
    // Shape of the two-parameter distributions is not printed.
    EXPECT_EQ(lines[kParameterHeaderLine + 1], "  Normal              1234.5000      456.7800");
    // Numbers end in columns 31, 45 and 59.
    EXPECT_EQ(lines[kParameterHeaderLine + 5], "  Pearson-III            0.0000        1.0000        0.0000");
    // A 13-character number pushes the row one character right; nothing is cut.
    EXPECT_EQ(lines[kParameterHeaderLine + 7], "  GEV              12345678.9000        1.0000       -0.2500");
    EXPECT_EQ(lines[kFillibenFirstRow + 2], "  Gumbel                 0.9500        0.9765");
    EXPECT_EQ(lines[kVarianceFirstRow + 3], "  Exponecial             0.5000");
    EXPECT_EQ(lines[kVarianceFirstRow + 7], "  GPA                    0.5000");
    EXPECT_EQ(Utf8(lines[kQuantileFirstRow - 1]),
              "Distribuição              2          5          10         50        100        200       1000");
    EXPECT_EQ(lines[kQuantileFirstRow - 2], std::string(50, ' ') + "Tempo de Retorno");
}

TEST(ReportLines, QuantileRowsEndTheReport) {
    auto r = SampleRecord();
    // Exponential, Position 0, Scale 1: -ln(1 - F) = 0.693, 1.609, 2.303, 3.912, 4.605, 5.298, 6.908.
    // Gumbel, Position 0, Scale 1: -ln(-ln F) = 0.367, 1.500, 2.250, 3.902, 4.600, 5.296, 6.907.
    // Normal with Scale 0 cannot be computed: 0; LogNormal likewise: e^0 = 1.
    ParametersOf(*r, kNormal) = {5.0, 0.0, 0.0};
    ParametersOf(*r, kLogNormal) = {5.0, 0.0, 0.0};
    const auto lines = ReportLines(*r);
    ASSERT_EQ(lines.size(), 113u);
    EXPECT_EQ(lines[kQuantileFirstRow],
              "  Normal                 0.000      0.000      0.000      0.000      0.000      0.000      0.000");
    EXPECT_EQ(lines[kQuantileFirstRow + 1],
              "  LogNormal              1.000      1.000      1.000      1.000      1.000      1.000      1.000");
    EXPECT_EQ(lines[kQuantileFirstRow + 2],
              "  Gumbel                 0.367      1.500      2.250      3.902      4.600      5.296      6.907");
    EXPECT_EQ(lines[kQuantileFirstRow + 3],
              "  Exponecial             0.693      1.609      2.303      3.912      4.605      5.298      6.908");
    // The last row is the last line; numbers end in columns 30, 41, ..., 96.
    EXPECT_EQ(lines.back().size(), 96u);
    EXPECT_EQ(lines.back().substr(0, 19), "  GPA              ");
}

TEST(ReportLines, ArithmeticFaultOfAQuantileEndsTheReport) {
    auto r = SampleRecord();
    // ln x of 1000 and more: e raised to it overflows.
    ParametersOf(*r, kLogNormal) = {1000.0, 1.0, 0.0};
    try {
        (void)ReportLines(*r);
        FAIL() << "no error";
    } catch (const ZarnError& e) {
        EXPECT_STREQ(e.what(), "Floating point overflow");
    }
    // The lines before the fault are kept: the Normal row is the last one.
    std::vector<std::string> lines;
    EXPECT_THROW(AppendReportLines(*r, lines), ZarnError);
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kQuantileFirstRow + 1));
    EXPECT_EQ(lines.back().substr(0, 19), "  Normal           ");
    EXPECT_FALSE(FloatingPointCheck::Faulted());
}

TEST(ReportLines, NonFiniteValuesPrintAsTextAndTheReportCompletes) {
    auto r = SampleRecord();
    r->Mean = std::numeric_limits<double>::quiet_NaN();
    FitTestOf(*r, kNormal).R90 = std::numeric_limits<double>::infinity();
    VarianceTestZOf(*r, kNormal) = -std::numeric_limits<double>::infinity();
    const auto lines = ReportLines(*r);
    ASSERT_EQ(lines.size(), 113u);
    EXPECT_EQ(lines[13], "  M\xE9" "dia : Nan");
    EXPECT_EQ(lines[kFillibenFirstRow], "  Normal                   +Inf        0.9800");
    EXPECT_EQ(lines[kVarianceFirstRow], "  Normal                   -Inf");
}

class SaveReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("zarn-report-" + std::to_string(::getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override {
        fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(folder_);
    }
    static std::string Contents(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::size_t EntryCount() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder_), {}));
    }
    fs::path folder_;
};

TEST_F(SaveReportTest, EveryLineEndsInCrLfAndAFileIsReplacedWhole) {
    const fs::path path = folder_ / "relatorio.txt";
    {
        std::ofstream(path, std::ios::binary) << std::string(5000, 'x');
    }
    SaveReport({"ZARN - KELMORIDA", "", "T\xCDTULO: "}, path.string());
    EXPECT_EQ(Contents(path), "ZARN - KELMORIDA\r\n\r\nT\xCDTULO: \r\n");
    EXPECT_EQ(EntryCount(), 1u);  // no temporary file left beside it

    auto r = SampleRecord();
    const auto lines = ReportLines(*r);
    SaveReport(lines, path.string());
    std::string expected;
    for (const auto& line : lines) expected += line + "\r\n";
    EXPECT_EQ(Contents(path), expected);
}

TEST_F(SaveReportTest, MissingFolderFailsWithCannotCreate) {
    const std::string path = (folder_ / "nao-existe" / "r.txt").string();
    try {
        SaveReport({"x"}, path);
        FAIL() << "no error";
    } catch (const ZarnError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file \"" + path + "\". No such file or directory");
    }
}

TEST_F(SaveReportTest, FailedSaveLeavesTheExistingFileUntouched) {
    const fs::path path = folder_ / "r.txt";
    { std::ofstream(path, std::ios::binary) << "anterior\r\n"; }
    // A directory in the way of the new file.
    const fs::path blocked = folder_ / "pasta";
    fs::create_directory(blocked);
    EXPECT_THROW(SaveReport({"x"}, blocked.string()), ZarnError);
    EXPECT_TRUE(fs::is_directory(blocked));

    // A write that stops half way (the file size limit): the old file stays.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 1000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    std::string error = "no error";
    try {
        SaveReport(std::vector<std::string>(100, std::string(80, 'x')), path.string());
    } catch (const ZarnError& e) {
        error = e.what();
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(error, "I/O error " + std::to_string(EFBIG));
    EXPECT_EQ(Contents(path), "anterior\r\n");
    EXPECT_EQ(EntryCount(), 2u);  // no temporary file left
}

TEST_F(SaveReportTest, ReadOnlyFolderFailsWithCannotCreate) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
    const fs::path path = folder_ / "r.txt";
    { std::ofstream(path, std::ios::binary) << "anterior\r\n"; }
    fs::permissions(folder_, fs::perms::owner_read | fs::perms::owner_exec);
    try {
        SaveReport({"novo"}, path.string());
        FAIL() << "no error";
    } catch (const ZarnError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file \"" + path.string() + "\". Permission denied");
    }
    fs::permissions(folder_, fs::perms::owner_all);
    EXPECT_EQ(Contents(path), "anterior\r\n");
}

TEST_F(SaveReportTest, FullDiskIsReported) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    try {
        SaveReport(std::vector<std::string>(100, std::string(80, 'x')), "/dev/full");
        FAIL() << "no error";
    } catch (const ZarnError& e) {
        EXPECT_STREQ(e.what(), "Disk full");
    }
}

TEST_F(SaveReportTest, SymbolicLinkStaysALink) {
    const fs::path real = folder_ / "real.txt";
    const fs::path link = folder_ / "link.txt";
    { std::ofstream(real, std::ios::binary) << "old"; }
    fs::create_symlink(real, link);
    SaveReport({"new"}, link.string());
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Contents(real), "new\r\n");
}

}  // namespace
}  // namespace zarn
