// SPDX-License-Identifier: GPL-3.0-or-later
// Number texts of the report, the fact file and the result dialogs. Both
// routines are independent of the process locale.
//
//   FormatFixed   fixed notation, "." always, "-" on every negative value,
//                 left-filled to width and never cut; "Nan", "+Inf", "-Inf"
//   Fixed4        4 significant digits and at most 4 decimals, the exponent
//                 form 1.235E0004 above four integer digits; "INF", "NAN"
//   Count         a count with its noun: "1 valor", "3 valores"
//   CsvNumber     a CSV cell of a number: the shortest text that reads back,
//                 with the given decimal mark; empty when not finite
//   CsvText       a CSV cell of a text, quoted when it holds the separator,
//                 a quote or a line end (RFC 4180); UTF-8, a Windows-1252
//                 text (a file name) converted
#pragma once

#include <string>

namespace zarn {

// `decimals` digits after "."; the magnitude is first expanded correctly
// rounded to 17 decimals (below 10) or 18 significant digits (10 and above),
// and those digits are rounded half away from zero. -0.0 has no "-".
std::string FormatFixed(double value, int width, int decimals);

// The exact decimal value of `value`, rounded half away from zero to at most
// 4 significant digits and at most 4 decimals; `decimalSeparator` between the
// integer and the fractional digits.
std::string Fixed4(double value, char decimalSeparator);

std::string Count(long long n, const char* one, const char* many);

std::string CsvNumber(double v, char decimal);
std::string CsvText(const std::string& text, char separator);

}  // namespace zarn
