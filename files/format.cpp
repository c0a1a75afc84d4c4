// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/format.h"

#include "files/textcodec.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <system_error>

namespace zarn {

namespace {

// FormatFixed expands magnitudes below this bound to kFixedPlaces decimals and
// larger ones to kSignificantDigits significant digits before its own rounding.
constexpr double kFixedExpansionBound = 10.0;
constexpr int kFixedPlaces = 17;
constexpr int kSignificantDigits = 18;
// Fixed4 keeps at most this many significant digits and this many decimals.
constexpr int kFixed4Digits = 4;
constexpr int kFixed4Decimals = 4;
// Digits after the point that make the scientific expansion of any double
// exact (the longest, of the smallest subnormal, has 767 significant digits).
constexpr int kExactPrecision = 780;

// A non-negative decimal number 0.d1d2d3... x 10^Point: Digits holds d1 d2 ...
// and Point is the number of digits before the decimal point (it may be zero,
// negative, or larger than the number of digits).
struct Decimal {
    std::string Digits;
    int Point = 0;
};

// Splits the text of std::to_chars in scientific form ("d.ddde+XX").
Decimal FromScientific(const char* first, const char* last) {
    Decimal d;
    const char* e = std::find(first, last, 'e');
    for (const char* p = first; p != e; ++p)
        if (*p != '.') d.Digits += *p;
    d.Point = std::atoi(std::string(e + 1, last).c_str()) + 1;
    return d;
}

// Rounds d half away from zero so that `keep` digits remain (keep may be zero
// or negative: the value then rounds to a unit of the position it names, or to
// zero). A carry out of the first digit adds a digit in front.
void RoundAwayFromZero(Decimal& d, int keep) {
    if (keep >= static_cast<int>(d.Digits.size())) {
        d.Digits.append(keep - d.Digits.size(), '0');
        return;
    }
    if (keep < 0) {
        d.Digits.clear();
        return;
    }
    const bool up = d.Digits[keep] >= '5';
    d.Digits.resize(keep);
    if (!up) return;
    int i = keep - 1;
    while (i >= 0 && d.Digits[i] == '9') d.Digits[i--] = '0';
    if (i >= 0) {
        ++d.Digits[i];
    } else {
        d.Digits.insert(d.Digits.begin(), '1');
        ++d.Point;
    }
}

// Digit at position i (0 = first digit after "0.") of d, '0' outside it.
char DigitAt(const Decimal& d, int i) {
    return i >= 0 && i < static_cast<int>(d.Digits.size()) ? d.Digits[i] : '0';
}

bool AllZero(const std::string& digits) {
    return std::all_of(digits.begin(), digits.end(), [](char c) { return c == '0'; });
}

std::string PadLeft(std::string text, int width) {
    if (width > static_cast<int>(text.size())) text.insert(0, width - text.size(), ' ');
    return text;
}

}  // namespace

// The expansion uses std::to_chars, which is correctly rounded (as printf is
// in the "C" locale) and never reads the process locale.
std::string FormatFixed(double value, int width, int decimals) {
    if (std::isnan(value)) return PadLeft("Nan", width);
    if (std::isinf(value)) return PadLeft(std::signbit(value) ? "-Inf" : "+Inf", width);
    decimals = std::max(decimals, 0);

    const bool negative = value < 0;  // -0.0 is not negative
    const double magnitude = std::fabs(value);
    char buffer[64];
    Decimal d;
    if (magnitude < kFixedExpansionBound) {
        const auto res = std::to_chars(buffer, buffer + sizeof buffer, magnitude,
                                       std::chars_format::fixed, kFixedPlaces);
        const char* dot = std::find(buffer, res.ptr, '.');
        d.Point = static_cast<int>(dot - buffer);
        for (const char* p = buffer; p != res.ptr; ++p)
            if (*p != '.') d.Digits += *p;
    } else {
        const auto res = std::to_chars(buffer, buffer + sizeof buffer, magnitude,
                                       std::chars_format::scientific, kSignificantDigits - 1);
        d = FromScientific(buffer, res.ptr);
    }
    RoundAwayFromZero(d, d.Point + decimals);

    std::string text = negative ? "-" : "";
    text.append(d.Digits, 0, d.Point);
    if (decimals > 0) {
        text += '.';
        text.append(d.Digits, d.Point, std::string::npos);
    }
    return PadLeft(std::move(text), width);
}

std::string Fixed4(double value, char decimalSeparator) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return std::signbit(value) ? "-INF" : "INF";
    const std::string zero = std::string("0") + decimalSeparator + "0000";
    if (value == 0) return zero;

    char buffer[kExactPrecision + 16];
    const auto res = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                   std::chars_format::scientific, kExactPrecision);
    Decimal d = FromScientific(buffer, res.ptr);
    RoundAwayFromZero(d, std::min(kFixed4Digits, d.Point + kFixed4Decimals));
    if (d.Digits.empty() || AllZero(d.Digits)) return zero;

    std::string text = value < 0 ? "-" : "";
    if (d.Point <= kFixed4Digits) {
        if (d.Point <= 0) {
            text += '0';
        } else {
            for (int i = 0; i < d.Point; ++i) text += DigitAt(d, i);
        }
        text += decimalSeparator;
        for (int i = 0; i < kFixed4Decimals; ++i) text += DigitAt(d, d.Point + i);
        return text;
    }
    // Exponent form: d1[.d2d3d4]E and the power of ten with at least four digits.
    std::string digits = d.Digits;
    digits.erase(digits.find_last_not_of('0') + 1);
    text += digits[0];
    if (digits.size() > 1) {
        text += decimalSeparator;
        text.append(digits, 1, std::string::npos);
    }
    const int power = d.Point - 1;
    std::string exponent = std::to_string(std::abs(power));
    if (exponent.size() < 4) exponent.insert(0, 4 - exponent.size(), '0');
    text += 'E';
    if (power < 0) text += '-';
    return text + exponent;
}

std::string Count(long long n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// The shortest text that reads back to the same double; decimal as given;
// empty for a value that is not finite (a spreadsheet's empty cell).
std::string CsvNumber(double v, char decimal) {
    if (!std::isfinite(v)) return {};
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, v);
    std::string s(text, result.ptr);
    if (decimal != '.') std::replace(s.begin(), s.end(), '.', decimal);
    return s;
}

// A text field, quoted when it holds the separator, a quote or a line end (RFC 4180).
std::string CsvText(const std::string& raw, char separator) {
    const std::string text = IsValidUtf8(raw) ? raw : Windows1252ToUtf8(raw);  // file names in Windows-1252 too
    if (text.find_first_of(std::string(1, separator) + "\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

}  // namespace zarn
