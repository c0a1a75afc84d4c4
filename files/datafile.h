// SPDX-License-Identifier: GPL-3.0-or-later
// The data file: one value per line, "." as decimal separator, only the first
// token of each line counts.
//
//   ReadDataFile   reads at most kDataFileCapacity values into values[0..n-1],
//                  returns n; file errors and "Invalid numeric input" are thrown
//   DataFileSource where each value was read: its line and its token
//   InspectDataFile what in a data file the reader takes without an error but
//                  probably not as meant (kinds; the caller words them)
//
// A fault met on a value ("Invalid numeric input", "Floating point
// overflow", more values than the sample holds) names the line and the token
// after the runtime's text: Invalid numeric input (linha 3: "28,8"; o
// separador decimal é o ponto). The hint follows a token that is a number
// with a decimal comma.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zarn {

// Values a data file may hold: the record's sample holds as many
// (analysis/record.h checks that the two agree).
constexpr int kDataFileCapacity = 10000;

struct DataFileSource {
    std::vector<int> Lines;            // line of value i (1-based), lines ended by CR LF, LF or CR
    std::vector<std::string> Tokens;   // its token as read (UTF-8)
};

int ReadDataFile(const std::string& path, double* values, DataFileSource* source = nullptr);

// True when `t` has the form [+-]digits[<mark>digits][(E|e)[+-]digits]: a
// value the data file takes when the mark is ".".
bool IsDecimalNumber(std::string_view t, char mark = '.');

// Something the reader takes without an error but probably not as meant.
struct DataFileWarning {
    enum Kind {
        NulBytes,        // NUL bytes: UTF-16 text, whose digits the reader splits
        YearValueTable,  // lines starting with rising years: the years are read
        MagnitudeSpan,   // values over more than four orders of magnitude
    };
    Kind Type = NulBytes;
    long FirstYear = 0, LastYear = 0;  // YearValueTable: the first and last line's year
    std::string Low, High;             // MagnitudeSpan: smallest and largest value as written
};

// A "year value" table: its first numbers are whole years in this range.
constexpr long kPlausibleFirstYear = 1700;
constexpr long kPlausibleLastYear = 2100;

// Reads the file on its own; an unreadable file gives no warning.
std::vector<DataFileWarning> InspectDataFile(const std::string& path);

// The message of a data file holding more values than the sample can keep.
extern const char* const kTooManyValuesText;

}  // namespace zarn
