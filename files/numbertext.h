// SPDX-License-Identifier: GPL-3.0-or-later
// Numbers as a reader of a study expects them: the regional decimal
// separator, a precision that suits the magnitude, no padding, thousands
// grouped, and never the exponent form. For the texts, tables and files the
// program writes beyond the report's fixed formats (the report, the fact
// file and the specified windows keep FormatFixed and Fixed4).
//
//   NumberStyle      decimal and group separators, significant digits
//   FormatNumber     one value: `Significant` significant digits (all the
//                    integer digits at least), trailing zeros dropped
//   FormatCompared   values a sentence or a table row compares: digits
//                    added to a pair of different values that read alike
//                    until they differ
#pragma once

#include <string>
#include <vector>

namespace zarn {

// More significant digits than this the comparison rule never adds: beyond
// them the values of the analysis carry no meaning.
constexpr int kMostComparedDigits = 10;
// Integer parts from this magnitude on are grouped in thousands: four-digit
// numbers read well without a separator.
constexpr double kGroupingThreshold = 10000.0;

struct NumberStyle {
    char DecimalSeparator = ',';
    // The thousands separator: '.' beside a decimal comma, ',' beside a
    // decimal point; 0 writes no grouping.
    char GroupSeparator = '.';
    int Significant = 4;
};

// The style of a decimal separator: "." groups with ",", anything else with ".".
NumberStyle StyleFor(char decimalSeparator, int significant = 4);

// A value that is not finite is written "—" (an em dash, UTF-8).
std::string FormatNumber(double value, const NumberStyle& style);
// Each text at style.Significant digits; two different finite values that
// read alike both get one digit more, until they differ or reach
// kMostComparedDigits.
std::vector<std::string> FormatCompared(const std::vector<double>& values, const NumberStyle& style);

}  // namespace zarn
