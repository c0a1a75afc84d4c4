// SPDX-License-Identifier: GPL-3.0-or-later
// Number texts of the report, the fact file and the result dialogs. These
// texts are compared byte for byte, so every expected text below was worked
// out independently (Python's decimal module on the exact value of the
// double, or by hand), never by running the code under test.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>
#include <cmath>
#include <limits>
#include <string>

#include "files/format.h"

namespace zarn {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct FixedCase {
    const char* name;
    double value;
    int width;
    int decimals;
    const char* text;
};

class FormatFixedTest : public ::testing::TestWithParam<FixedCase> {};

TEST_P(FormatFixedTest, WritesTheExpectedText) {
    const FixedCase& c = GetParam();
    EXPECT_EQ(FormatFixed(c.value, c.width, c.decimals), c.text) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, FormatFixedTest,
    ::testing::Values(
        FixedCase{"half_pads_decimals", 0.5, 0, 4, "0.5000"},
        FixedCase{"tiny_negative_keeps_its_sign", -0.00001, 0, 4, "-0.0000"},
        FixedCase{"negative_zero_has_no_sign", -0.0, 0, 4, "0.0000"},
        FixedCase{"carry_adds_a_digit", 9.99996, 0, 4, "10.0000"},
        FixedCase{"column_value_longer_than_width_is_not_cut", 12345678.9, 12, 4, "12345678.9000"},
        FixedCase{"position_in_twelve_columns", 1234.5, 12, 4, "   1234.5000"},
        FixedCase{"scale_in_twelve_columns", 456.78, 12, 4, "    456.7800"},
        FixedCase{"negative_in_twelve_columns", -0.7333333, 12, 4, "     -0.7333"},
        FixedCase{"quantile_column", 1.0, 10, 3, "     1.000"},
        FixedCase{"zero_quantile_column", 0.0, 10, 3, "     0.000"},
        FixedCase{"zero_or_negative_width_adds_nothing", 3.25, -5, 3, "3.250"},
        FixedCase{"no_decimals_no_point", 2.5, 0, 0, "3"},
        FixedCase{"large_value_without_grouping", 1e20, 0, 3, "100000000000000000000.000"},
        // 18 significant digits: the 19th digit and beyond are zeros.
        FixedCase{"eighteen_significant_digits", 1.2345678901234569e+23, 0, 4,
                  "123456789012345686000000.0000"},
        // R90 of 0.45 and 0.95 as the fact file computes them (2 R90 - 1).
        FixedCase{"negative_first_point", 2 * 0.45 - 1, 0, 3, "-0.100"},
        FixedCase{"first_point", 2 * 0.95 - 1, 0, 3, "0.900"},
        // The double nearest 0.00015 is 0.000149999999999999986...; its 17-place
        // expansion is 0.00015000000000000, which rounds half away to 0.0002
        // (the exact value would round to 0.0001).
        FixedCase{"rounds_the_seventeen_place_expansion", 0.00015, 0, 4, "0.0002"},
        FixedCase{"rounds_the_expansion_below_the_tie", 0.00014999999999999996, 0, 4, "0.0002"},
        FixedCase{"three_decimals_of_the_expansion", 0.0045, 0, 3, "0.005"},
        FixedCase{"negative_expansion_rounds_away", -0.0045, 0, 3, "-0.005"},
        // Above 10: 1.00000000027500000e+07 at 18 significant digits.
        FixedCase{"rounds_the_eighteen_digit_expansion", 10000000.00275, 0, 4, "10000000.0028"},
        // 2.675 is 2.67499999999999982236... : the expansion keeps it below the tie.
        FixedCase{"below_the_tie_stays_below", 2.675, 0, 2, "2.67"},
        FixedCase{"nan", kNaN, 0, 4, "Nan"},
        FixedCase{"nan_filled", kNaN, 12, 4, "         Nan"},
        FixedCase{"plus_inf", kInf, 0, 3, "+Inf"},
        FixedCase{"minus_inf_filled", -kInf, 10, 3, "      -Inf"}),
    [](const ::testing::TestParamInfo<FixedCase>& info) { return std::string(info.param.name); });

struct Fixed4Case {
    const char* name;
    double value;
    const char* text;
};

class Fixed4Test : public ::testing::TestWithParam<Fixed4Case> {};

TEST_P(Fixed4Test, WritesTheExpectedText) {
    const Fixed4Case& c = GetParam();
    EXPECT_EQ(Fixed4(c.value, '.'), c.text) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Fixed4Test,
    ::testing::Values(
        Fixed4Case{"rounds_to_four_decimals", 1.959964, "1.9600"},
        Fixed4Case{"negative", -0.7333333, "-0.7333"},
        Fixed4Case{"four_significant_digits", 1234.56, "1235.0000"},
        Fixed4Case{"carry_to_four_integer_digits", 999.96, "1000.0000"},
        Fixed4Case{"four_integer_digits_stay_fixed", 9999.4, "9999.0000"},
        Fixed4Case{"exponent_form", 12345.6, "1.235E0004"},
        Fixed4Case{"negative_exponent_form", -12345.6, "-1.235E0004"},
        Fixed4Case{"exponent_without_fraction", 10000, "1E0004"},
        Fixed4Case{"carry_into_exponent_form", 9999.5, "1E0004"},
        Fixed4Case{"trailing_zeros_dropped", 12000000, "1.2E0007"},
        Fixed4Case{"carry_raises_the_power", 99995, "1E0005"},
        Fixed4Case{"large_power", 1.5e300, "1.5E0300"},
        Fixed4Case{"zero", 0.0, "0.0000"},
        Fixed4Case{"negative_zero", -0.0, "0.0000"},
        Fixed4Case{"rounds_to_zero_without_sign", -0.00004, "0.0000"},
        Fixed4Case{"small_values_round_to_the_fourth_decimal", 0.000012, "0.0000"},
        Fixed4Case{"subnormal", 4.9e-324, "0.0000"},
        // 0.00005 is 5.000000000000000239...e-05: above the tie, rounds up.
        Fixed4Case{"just_above_the_tie", 0.00005, "0.0001"},
        // The double below it is 4.99999999999999963...e-05: rounds down.
        Fixed4Case{"just_below_the_tie", 4.9999999999999996e-05, "0.0000"},
        // Exact value 0.000149999999999999986...: unlike FormatFixed, 0.0001.
        Fixed4Case{"exact_value_not_its_expansion", 0.00015, "0.0001"},
        Fixed4Case{"exact_value_above_the_tie", 0.12345, "0.1235"},
        // 10.135 is 10.13499999999999978...: rounds down.
        Fixed4Case{"exact_value_below_the_tie", 10.135, "10.1300"},
        Fixed4Case{"inf", kInf, "INF"},
        Fixed4Case{"minus_inf", -kInf, "-INF"},
        Fixed4Case{"nan", kNaN, "NAN"}),
    [](const ::testing::TestParamInfo<Fixed4Case>& info) { return std::string(info.param.name); });

TEST(Fixed4, UsesTheGivenDecimalSeparator) {
    EXPECT_EQ(Fixed4(1.959964, ','), "1,9600");
    EXPECT_EQ(Fixed4(12345.6, ','), "1,235E0004");
    EXPECT_EQ(Fixed4(0, ','), "0,0000");
    EXPECT_EQ(Fixed4(-0.00004, ','), "0,0000");
}

// The GUI sets the process locale from the environment; neither routine may
// take its decimal point from it.
// Sets a locale whose decimal separator is a comma: an installed one, or one
// compiled into a temporary folder from the system's locale sources.
const char* SetCommaLocale() {
    const char* tried[] = {"pt_BR.UTF-8", "pt_BR.utf8", "de_DE.UTF-8", "fr_FR.UTF-8"};
    for (const char* name : tried)
        if (const char* set = std::setlocale(LC_ALL, name)) return set;
    const std::string folder = "/tmp/zarn-locale-" + std::to_string(::getpid());
    std::filesystem::create_directories(folder);
    const std::string command = "localedef -i pt_BR -f UTF-8 " + folder + "/pt_BR.UTF-8 >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return nullptr;
    ::setenv("LOCPATH", folder.c_str(), 1);
    return std::setlocale(LC_ALL, "pt_BR.UTF-8");
}

TEST(FormatFixed, IgnoresTheProcessLocale) {
    const char* set = SetCommaLocale();
    if (set == nullptr) GTEST_SKIP() << "no locale with a decimal comma is available";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    const std::string fixed = FormatFixed(1234.5, 12, 4);
    const std::string fixed4 = Fixed4(1.959964, '.');
    std::setlocale(LC_ALL, "C");
    std::filesystem::remove_all("/tmp/zarn-locale-" + std::to_string(::getpid()));
    ASSERT_STREQ(probe, "1,5") << "the locale does not use a decimal comma";
    EXPECT_EQ(fixed, "   1234.5000");
    EXPECT_EQ(fixed4, "1.9600");
}

}  // namespace
}  // namespace zarn
