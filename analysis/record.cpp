// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/record.h"

#include <algorithm>
#include <cstring>

namespace zarn {

void SetText(CountedText& field, std::string_view text) {
    const std::size_t n = std::min<std::size_t>(text.size(), kTextCapacity);
    std::memset(field.Chars, 0, sizeof field.Chars);
    std::memcpy(field.Chars, text.data(), n);
    field.Length = static_cast<std::uint8_t>(n);
}

std::string TextOf(const CountedText& field) {
    return std::string(field.Chars, field.Length);
}

std::string DistributionName(int index) {
    static const char* const kNames[kDistributionCount] = {"Normal",      "LogNormal",      "Gumbel", "Exponencial",
                                                           "Pearson III", "LogPearson III", "GEV",    "GPA"};
    return index >= 1 && index <= kDistributionCount ? kNames[index - 1] : "";
}

}  // namespace zarn
