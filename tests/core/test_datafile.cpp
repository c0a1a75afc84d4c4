// SPDX-License-Identifier: GPL-3.0-or-later
// The data file reader: line ends, blank lines, first token only, the number
// syntax, Ctrl-Z, the file errors and the sample capacity.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "files/datafile.h"
#include "files/errors.h"
#include "analysis/record.h"

namespace fs = std::filesystem;
using namespace zarn;

namespace {

class DataFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("zarn-datafile-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Write(const std::string& content, const std::string& name = "sample.dat") {
        const fs::path p = dir_ / name;
        std::ofstream(p, std::ios::binary) << content;
        return p.string();
    }

    // Reads `content` and returns the values.
    std::vector<double> Read(const std::string& content) {
        std::vector<double> v(kSampleCapacity);
        const int n = ReadDataFile(Write(content), v.data());
        v.resize(n);
        return v;
    }

    std::string ErrorOf(const std::string& content) {
        try {
            Read(content);
        } catch (const ZarnError& e) {
            return e.what();
        }
        return "no error";
    }

    fs::path dir_;
};

struct ReadCase {
    const char* name;
    std::string content;
    std::vector<double> expected;
};

TEST_F(DataFileTest, ReadsEveryLayoutOfLines) {
    const ReadCase cases[] = {
        {"LF", "1\n2\n3\n", {1, 2, 3}},
        {"CR LF", "1\r\n2\r\n3\r\n", {1, 2, 3}},
        {"CR alone", "1\r2\r3\r", {1, 2, 3}},
        {"no final line end", "1\n2\n3", {1, 2, 3}},
        {"blank lines between", "1\n\n\n2\n  \t\n3\n", {1, 2, 3}},
        {"blank lines and blanks at the end", "1\n2\n\n\n   ", {1, 2}},
        {"leading blanks and tabs", "  \t 4.5\n", {4.5}},
        {"second column ignored", "350.5 1970\n", {350.5}},
        {"comment after the value", "12 cheia de 1983\n", {12}},
        {"exponent form", "3.5E2\n2e-1\n1E+3\n", {350, 0.2, 1000}},
        {"signs", "+5\n-2.5\n", {5, -2.5}},
        {"Ctrl-Z ends the file", "1\n2\n\x1a" "3\n", {1, 2}},
        {"Ctrl-Z inside a line", "1\n2\x1a" "9\n", {1, 2}},
        {"empty file", "", {}},
        {"only white space", " \n\r\n\t \n", {}},
        {"underflow is zero", "1e-400\n", {0.0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Read(c.content), c.expected);
    }
}

TEST_F(DataFileTest, ConvertsCorrectlyRounded) {
    // 0.1 and 66.2 have no exact binary form: the nearest double is expected.
    EXPECT_EQ(Read("0.1\n66.2\n")[0], 0.1);
    EXPECT_EQ(Read("66.2\n")[0], 66.2);
    EXPECT_EQ(Read("2.2250738585072014e-308\n")[0], 2.2250738585072014e-308);
    EXPECT_EQ(Read("1.7976931348623157e308\n")[0], 1.7976931348623157e308);
}

TEST_F(DataFileTest, RejectsWhatIsNotADecimalNumber) {
    const char* bad[] = {"350,5\n", "1970;350.5\n", ".5\n", "5.\n", "+\n", "-\n", "1e\n", "1e+\n",
                         "nan\n", "inf\n", "0x1A\n", "1..2\n", "abc\n", "12a\n", "\xEF\xBB\xBF" "12\n"};
    for (const char* content : bad) {
        SCOPED_TRACE(content);
        std::string token(content);
        token.pop_back();  // the line end
        const std::string hint = token == "350,5" ? "; o separador decimal é o ponto" : "";
        EXPECT_EQ(ErrorOf(content), "Invalid numeric input (linha 1: \"" + token + "\"" + hint + ")");
    }
    // A bad value after good ones stops the reading there.
    EXPECT_EQ(ErrorOf("1\n2\nx\n3\n"), "Invalid numeric input (linha 3: \"x\")");
}

TEST_F(DataFileTest, MessagesNameTheLineAsAnEditorCountsIt) {
    // CR LF, LF and CR each end one line; blank lines count; the hint only
    // follows a number written with a decimal comma.
    EXPECT_EQ(ErrorOf("1\r\n\r\n2\r\n28,8\r\n"), "Invalid numeric input (linha 4: \"28,8\"; o separador decimal é o ponto)");
    EXPECT_EQ(ErrorOf("1\r2\r\r-0,5 x\r"), "Invalid numeric input (linha 4: \"-0,5\"; o separador decimal é o ponto)");
    EXPECT_EQ(ErrorOf("1\n\n\n  1,234.5\n"), "Invalid numeric input (linha 4: \"1,234.5\")");
    EXPECT_EQ(ErrorOf("1\n2\n1,2,3\n"), "Invalid numeric input (linha 3: \"1,2,3\")");
    // A Windows-1252 byte is shown as its character.
    EXPECT_EQ(ErrorOf("7\xBA\n"), "Invalid numeric input (linha 1: \"7º\")");
}

TEST_F(DataFileTest, ValueBeyondADoubleOverflows) {
    EXPECT_EQ(ErrorOf("1e400\n"), "Floating point overflow (linha 1: \"1e400\")");
    EXPECT_EQ(ErrorOf("5\n-1e400\n"), "Floating point overflow (linha 2: \"-1e400\")");
}

TEST_F(DataFileTest, LongTokenIsConvertedFromItsFirst64Characters) {
    // 64 digits are converted; the 65th character onwards is the rest of the line.
    const std::string digits64(64, '1');
    const auto v = Read(digits64 + "x\n7\n");
    ASSERT_EQ(v.size(), 2u);
    EXPECT_DOUBLE_EQ(v[0], std::stod(digits64));
    EXPECT_EQ(v[1], 7);
    // A million characters on one line do not matter after the first token.
    EXPECT_EQ(Read("5 " + std::string(1000000, 'z') + "\n6\n"), (std::vector<double>{5, 6}));
}

TEST_F(DataFileTest, FileErrorsCarryTheRuntimeTexts) {
    std::vector<double> v(kSampleCapacity);
    auto error = [&](const std::string& path) -> std::string {
        try {
            ReadDataFile(path, v.data());
        } catch (const ZarnError& e) {
            return e.what();
        }
        return "no error";
    };
    EXPECT_EQ(error((dir_ / "missing.dat").string()), "File not found");
    EXPECT_EQ(error((dir_ / "no-such-folder" / "x.dat").string()), "Invalid filename");
    EXPECT_EQ(error(dir_.string()), "File access denied");
}

TEST_F(DataFileTest, StopsAtTheSampleCapacity) {
    std::string exactly, more;
    for (int i = 1; i <= kSampleCapacity; ++i) exactly += std::to_string(i) + "\n";
    more = exactly + "10001\n";
    EXPECT_EQ(Read(exactly).size(), static_cast<std::size_t>(kSampleCapacity));

    // Nothing is stored beyond element 10000: the guard after the array stays.
    std::vector<double> v(kSampleCapacity + 1, -7.0);
    try {
        ReadDataFile(Write(more), v.data());
        FAIL() << "more than 10000 values were accepted";
    } catch (const ZarnError& e) {
        EXPECT_EQ(std::string(e.what()), std::string(kTooManyValuesText) + " (linha 10001: \"10001\")");
    }
    EXPECT_EQ(v[kSampleCapacity], -7.0);
    // Blank lines after the 10000th value are not a further value.
    EXPECT_EQ(Read(exactly + "\n\n  \n").size(), static_cast<std::size_t>(kSampleCapacity));
}

TEST_F(DataFileTest, ReadsTheMalformedSamples) {
    std::vector<double> v(kSampleCapacity);
    const std::string data = ZARN_TEST_DATA;
    EXPECT_THROW(ReadDataFile(data + "/ocmulgee-river-macon-comma-decimal.dat", v.data()), ZarnError);
    EXPECT_THROW(ReadDataFile(data + "/ocmulgee-river-macon-year-semicolon.dat", v.data()), ZarnError);
    EXPECT_EQ(ReadDataFile(data + "/ocmulgee-river-macon-zero.dat", v.data()), 40);
    EXPECT_EQ(v[4], 0.0);
    EXPECT_EQ(ReadDataFile(std::string(ZARN_EXAMPLES) + "/ocmulgee-river-macon.dat", v.data()), 40);
    EXPECT_EQ(v[0], 28.8);
    EXPECT_EQ(v[39], 84);
}

}  // namespace
