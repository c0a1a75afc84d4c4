// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/numbertext.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace zarn {

namespace {

constexpr const char* kNotFinite = "\xE2\x80\x94";  // em dash
// The longest fixed text of a double: 309 integer digits and the decimals asked.
constexpr int kTextCapacity = 400;

// Digits (and one '.') of |value| with `decimals` decimals, correctly rounded.
std::string Fixed(double magnitude, int decimals) {
    char buffer[kTextCapacity];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::fixed, decimals);
    return std::string(buffer, result.ptr);
}

int SignificantCount(const std::string& digits) {
    int count = 0;
    bool leading = true;
    for (const char c : digits) {
        if (c == '.') continue;
        if (leading && c == '0') continue;
        leading = false;
        ++count;
    }
    return count;
}

}  // namespace

NumberStyle StyleFor(char decimalSeparator, int significant) {
    NumberStyle style;
    style.DecimalSeparator = decimalSeparator;
    style.GroupSeparator = decimalSeparator == '.' ? ',' : '.';
    style.Significant = significant;
    return style;
}

std::string FormatNumber(double value, const NumberStyle& style) {
    if (!std::isfinite(value)) return kNotFinite;
    const double magnitude = std::fabs(value);
    const int significant = std::max(1, style.Significant);
    // Decimals that leave `significant` digits; a carry (9.9996 -> 10.000)
    // adds an integer digit, and one decimal fewer is asked then.
    int decimals = 0;
    if (magnitude > 0) decimals = std::max(0, significant - 1 - static_cast<int>(std::floor(std::log10(magnitude))));
    std::string text = Fixed(magnitude, decimals);
    if (decimals > 0 && SignificantCount(text) > significant) text = Fixed(magnitude, decimals - 1);

    std::string integer = text, fraction;
    if (const auto point = text.find('.'); point != std::string::npos) {
        integer = text.substr(0, point);
        fraction = text.substr(point + 1);
    }
    while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
    if (style.GroupSeparator != 0 && magnitude >= kGroupingThreshold) {
        for (int i = static_cast<int>(integer.size()) - 3; i > 0; i -= 3) integer.insert(i, 1, style.GroupSeparator);
    }
    const bool zero = integer.find_first_not_of("0.,") == std::string::npos && fraction.empty();
    std::string out = (std::signbit(value) && !zero) ? "-" : "";
    out += integer;
    if (!fraction.empty()) out += style.DecimalSeparator + fraction;
    return out;
}

std::vector<std::string> FormatCompared(const std::vector<double>& values, const NumberStyle& style) {
    // Only the values of a pair that reads alike get more digits, both the
    // same number, so the rest of the sentence keeps its precision.
    std::vector<int> digits(values.size(), std::max(1, style.Significant));
    std::vector<std::string> texts(values.size());
    for (;;) {
        for (std::size_t i = 0; i < values.size(); ++i) {
            NumberStyle s = style;
            s.Significant = digits[i];
            texts[i] = FormatNumber(values[i], s);
        }
        bool widened = false;
        for (std::size_t i = 0; i < values.size(); ++i)
            for (std::size_t j = i + 1; j < values.size(); ++j) {
                const bool alike = std::isfinite(values[i]) && std::isfinite(values[j]) && values[i] != values[j] &&
                                   texts[i] == texts[j];
                const int wider = std::max(digits[i], digits[j]) + 1;
                if (!alike || wider > kMostComparedDigits) continue;
                digits[i] = digits[j] = wider;
                widened = true;
            }
        if (!widened) return texts;
    }
}

}  // namespace zarn
