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

namespace {

// Code points of Windows-1252 bytes 0x80..0x9F (0 where the code page has none).
constexpr char16_t kHigh1252[32] = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
    0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178,
};


char ToWindows1252(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
    for (int i = 0; i < 32; ++i)
        if (kHigh1252[i] != 0 && kHigh1252[i] == cp) return static_cast<char>(0x80 + i);
    return '?';
}

}  // namespace

bool IsValidUtf8(std::string_view s) {
    const std::size_t n = s.size();
    std::size_t i = 0;
    while (i < n) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t follow;
        if (c < 0x80) follow = 0;
        else if (c >= 0xC2 && c <= 0xDF) follow = 1;
        else if (c >= 0xE0 && c <= 0xEF) follow = 2;
        else if (c >= 0xF0 && c <= 0xF4) follow = 3;
        else return false;
        if (follow > n - i - 1) return false;
        for (std::size_t k = 1; k <= follow; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += follow + 1;
    }
    return true;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string Windows1252ToUtf8(std::string_view cp1252) {
    std::string out;
    out.reserve(cp1252.size() * 2);
    for (unsigned char c : cp1252) {
        if (c >= 0x80 && c <= 0x9F) {
            const char16_t cp = kHigh1252[c - 0x80];
            AppendUtf8(out, cp != 0 ? cp : c);  // undefined bytes map to C1 controls
        } else {
            AppendUtf8(out, c);
        }
    }
    return out;
}

std::string Utf8ToWindows1252(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const unsigned char c = utf8[i];
        int extra = 0;
        char32_t cp = 0;
        if (c < 0x80) { cp = c; }
        else if ((c & 0xE0) == 0xC0) { cp = c & 0x1F; extra = 1; }
        else if ((c & 0xF0) == 0xE0) { cp = c & 0x0F; extra = 2; }
        else if ((c & 0xF8) == 0xF0) { cp = c & 0x07; extra = 3; }
        else { out += '?'; ++i; continue; }  // stray continuation or invalid lead byte
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            if (i + k >= utf8.size() || (static_cast<unsigned char>(utf8[i + k]) & 0xC0) != 0x80) { ok = false; break; }
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        }
        if (!ok) { out += '?'; ++i; continue; }
        out += ToWindows1252(cp);
        i += 1 + extra;
    }
    return out;
}

std::string DistributionName(int index) {
    static const char* const kNames[kDistributionCount] = {"Normal",      "LogNormal",      "Gumbel", "Exponencial",
                                                           "Pearson III", "LogPearson III", "GEV",    "GPA"};
    return index >= 1 && index <= kDistributionCount ? kNames[index - 1] : "";
}

}  // namespace zarn
