// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the number texts on arbitrary doubles, widths and decimal counts,
// checking what every text must satisfy.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "files/format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 10) return 0;
    double v;
    std::memcpy(&v, data, sizeof v);
    const int width = static_cast<std::int8_t>(data[8]) % 40;
    const int decimals = data[9] % 8;
    const char separator = (size > 10 && data[10] & 1) ? ',' : '.';

    const std::string fixed = zarn::FormatFixed(v, width, decimals);
    if (width > 0 && static_cast<int>(fixed.size()) < width) std::abort();
    if (std::isfinite(v)) {
        // Fixed notation: digits, one "." when decimals > 0, a leading "-" on negatives.
        const std::size_t start = fixed.find_first_not_of(' ');
        if (start == std::string::npos) std::abort();
        const std::string body = fixed.substr(start);
        if ((body[0] == '-') != std::signbit(v) && v != 0.0) std::abort();
        const std::size_t point = body.find('.');
        if (decimals > 0 && (point == std::string::npos || body.size() - point - 1 != static_cast<std::size_t>(decimals)))
            std::abort();
        // The text reads back within half a unit of its last decimal (of the
        // 17 or 18 digits expanded for large magnitudes).
        const double back = std::strtod(body.c_str(), nullptr);
        const double unit = 0.5 * std::pow(10.0, -decimals);
        if (std::fabs(v) < 1e15 && std::fabs(back - v) > unit * 1.000001 + std::fabs(v) * 1e-15) std::abort();
    }

    const std::string f4 = zarn::Fixed4(v, separator);
    if (f4.empty() || f4.size() > 24) std::abort();
    if (std::isnan(v) && f4 != "NAN") std::abort();
    if (std::isinf(v) && f4 != (v > 0 ? "INF" : "-INF")) std::abort();
    return 0;
}
