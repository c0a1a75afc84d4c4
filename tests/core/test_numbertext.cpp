// SPDX-License-Identifier: GPL-3.0-or-later
// Numbers of the study, the advice and the new windows: precision by
// magnitude, no padding, thousands grouped, never the exponent form, and
// compared values told apart. Expected texts worked out by hand from the
// decimal expansion of each value.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "files/numbertext.h"
#include "rules/advisor.h"

namespace zarn {
namespace {

struct NumberCase {
    const char* name;
    double value;
    char separator;
    const char* text;
};

class FormatNumberTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(FormatNumberTest, WritesTheExpectedText) {
    const NumberCase& c = GetParam();
    EXPECT_EQ(FormatNumber(c.value, StyleFor(c.separator)), c.text) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormatNumberTest,
    ::testing::Values(
        NumberCase{"a quantile keeps four digits without padding", 147.59312, ',', "147,6"},
        NumberCase{"trailing zeros dropped", 32.5, ',', "32,5"},
        NumberCase{"a whole number has no decimals", 119.0, ',', "119"},
        NumberCase{"a carry adds an integer digit", 9.99996, ',', "10"},
        NumberCase{"the carry keeps four digits", 99.996, ',', "100"},
        NumberCase{"four integer digits are not grouped", 9876.4, ',', "9876"},
        NumberCase{"five integer digits are grouped", 52613.793, ',', "52.614"},
        NumberCase{"all integer digits kept, never E-notation", 1.23456789e9, ',', "1.234.567.890"},
        NumberCase{"a decimal point groups with commas", 116272.9, '.', "116,273"},
        NumberCase{"small values keep significant digits", 0.000123456, ',', "0,0001235"},
        NumberCase{"a correlation", 0.95612, ',', "0,9561"},
        NumberCase{"negative", -0.70613, ',', "-0,7061"},
        NumberCase{"negative zero has no sign", -0.0, ',', "0"},
        NumberCase{"zero", 0.0, ',', "0"},
        NumberCase{"not a number", std::numeric_limits<double>::quiet_NaN(), ',', "\xE2\x80\x94"},
        NumberCase{"infinite", std::numeric_limits<double>::infinity(), ',', "\xE2\x80\x94"}),
    [](const auto& info) { return std::to_string(info.index); });

TEST(FormatCompared, ValuesThatReadAlikeGetTheDigitsThatTellThemApart) {
    const NumberStyle style = StyleFor(',');
    // R just below R90: both 0,9561 at four digits.
    EXPECT_EQ(FormatCompared({0.95612, 0.95608}, style), (std::vector<std::string>{"0,95612", "0,95608"}));
    // Only the pair that reads alike widens; the other value keeps its digits.
    EXPECT_EQ(FormatCompared({0.95612, 0.8496, 0.95608}, style),
              (std::vector<std::string>{"0,95612", "0,8496", "0,95608"}));
    // Equal values, and values that already differ, stay as they are.
    EXPECT_EQ(FormatCompared({0.5, 0.5, 0.25}, style), (std::vector<std::string>{"0,5", "0,5", "0,25"}));
    // Values apart only beyond the last meaningful digit stop at the cap.
    const double a = 1.0, b = std::nextafter(1.0, 2.0);
    const auto capped = FormatCompared({a, b}, style);
    EXPECT_EQ(capped[0], "1");
    EXPECT_EQ(capped[1], "1");
    // Not finite values never take part.
    EXPECT_EQ(FormatCompared({std::nan(""), 2.0}, style)[1], "2");
}

TEST(FormatCompared, AnAdviceSentenceNeverComparesTwoEqualTexts) {
    Phrase rejection;
    auto text = [&rejection](const char* chars) {
        PhrasePart part;
        part.Chars = chars;
        rejection.push_back(part);
    };
    auto number = [&rejection](double v) {
        PhrasePart part;
        part.Type = PhrasePart::Number;
        part.Value = v;
        rejection.push_back(part);
    };
    text("Rejeitada pelo teste de Filliben: R = ");
    number(0.956123);
    text(" fica abaixo de R(90%) = ");
    number(0.956141);
    text(" (pertinência ");
    number(0.41237);
    text(").");
    EXPECT_EQ(ComparedPhraseText(rejection, StyleFor(',')),
              "Rejeitada pelo teste de Filliben: R = 0,95612 fica abaixo de R(90%) = 0,95614 (pertinência 0,4124).");
}

}  // namespace
}  // namespace zarn
