// SPDX-License-Identifier: GPL-3.0-or-later
// The report and the fact file on a terminal: the terminal's character set
// with LF line ends; --raw, files and pipes keep the file's bytes.
#include <gtest/gtest.h>

#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string>
#include <vector>

#include "analysis/calculation.h"
#include "analysis/record.h"
#include "cli/outputs.h"
#include "cli/terminal.h"
#include "views/report.h"
#include "tests/core/support/cli.h"

using namespace zarn;

namespace {

// "TÍTULO:" and "m³/s" as the report holds them (Windows-1252).
const std::vector<std::string> kLines = {"T\xCDTULO: Cheias", "Q = 3.5 m\xB3/s", "\x93" "aspas\x94"};

TEST(TerminalText, InTheTerminalsCharacterSetWithLfEnds) {
    EXPECT_EQ(TerminalText(kLines, "UTF-8"), "T\u00CDTULO: Cheias\nQ = 3.5 m\u00B3/s\n\u201Caspas\u201D\n");
    // Latin-1 has Í and ³ at the same codes; its lacking curly quotes are transliterated.
    EXPECT_EQ(TerminalText(kLines, "ISO-8859-1"), "T\xCDTULO: Cheias\nQ = 3.5 m\xB3/s\n\"aspas\"\n");
    // ASCII: nothing above 127, one character for each that it lacks.
    const std::string ascii = TerminalText(kLines, "ANSI_X3.4-1968");
    for (char c : ascii) EXPECT_LT(static_cast<unsigned char>(c), 128u) << ascii;
    EXPECT_EQ(ascii.find('\r'), std::string::npos);
    EXPECT_EQ(ascii.substr(0, 1), "T");
    EXPECT_EQ(ascii.substr(2, 14), "TULO: Cheias\nQ");
}

// zarn-cli with `args`, its standard output and error on a terminal that
// passes the bytes unchanged (no LF -> CR LF of a cooked terminal).
std::string OnTerminal(const std::string& args) {
    termios raw{};
    cfmakeraw(&raw);
    int master = -1;
    const pid_t child = forkpty(&master, nullptr, &raw, nullptr);
    if (child == 0) {
        const std::string command = "LC_ALL=C.UTF-8 '" + std::string(ZARN_CLI) + "' " + args;
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    std::string out;
    if (child < 0) return out;
    char buffer[4096];
    while (true) {
        const ssize_t n = read(master, buffer, sizeof buffer);
        if (n > 0) out.append(buffer, static_cast<std::size_t>(n));
        else if (n < 0 && errno == EINTR) continue;
        else break;  // EIO: the child closed the terminal
    }
    int status = 0;
    waitpid(child, &status, 0);
    close(master);
    return out;
}

class TerminalOutput : public zarn::testing::CliTestBase {
protected:
    std::string Example() const { return std::string("'") + ZARN_EXAMPLES + "/ocmulgee-river-macon.dat'"; }
};

TEST_F(TerminalOutput, ReportAndFactsInUtf8OnAUtf8Terminal) {
    auto record = std::make_unique<AnalysisRecord>();
    CalculateAll(*record, "", "", "", std::string(ZARN_EXAMPLES) + "/ocmulgee-river-macon.dat");
    const std::vector<std::string> report = ReportLines(*record);

    const std::string shown = OnTerminal("--data " + Example() + " --report -");
    EXPECT_NE(shown.find("T\u00CDTULO:"), std::string::npos);
    EXPECT_EQ(shown.find('\r'), std::string::npos);
    // Apart from the characters and line ends, the same text as the file.
    EXPECT_EQ(shown, TerminalText(report, "UTF-8"));

    const std::string facts = OnTerminal("--data " + Example() + " --facts -");
    EXPECT_EQ(facts.find('\r'), std::string::npos);
    EXPECT_FALSE(facts.empty());
}

TEST_F(TerminalOutput, RawAndPipesKeepTheFilesBytes) {
    const std::string raw = OnTerminal("--data " + Example() + " --report - --raw");
    const zarn::testing::CliResult piped = Run("--data " + Example() + " --report -");
    ASSERT_EQ(piped.Exit, 0);
    EXPECT_EQ(raw, piped.Out);
    EXPECT_NE(piped.Out.find("T\xCDTULO:"), std::string::npos);
    EXPECT_NE(piped.Out.find("\r\n"), std::string::npos);
    // --raw given to a pipe changes nothing.
    EXPECT_EQ(Run("--raw --data " + Example() + " --report -").Out, piped.Out);
}

}  // namespace
