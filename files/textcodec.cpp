// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/textcodec.h"

namespace zarn {

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

// A file is taken as UTF-16 without a byte-order mark when at least this
// share of its even (or odd) bytes is NUL.
constexpr double kUtf16NulShare = 0.3;

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    std::string out;
    out.reserve(bytes.size() / 2);
    auto unit = [&](std::size_t i) -> unsigned long {
        const unsigned char a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
        return bigEndian ? (a << 8 | b) : (b << 8 | a);
    };
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        unsigned long u = unit(i);
        if (u >= 0xD800 && u < 0xDC00 && i + 3 < bytes.size()) {
            const unsigned long low = unit(i + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                AppendUtf8(out, static_cast<char32_t>(0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00)));
                i += 2;
                continue;
            }
        }
        if (u >= 0xD800 && u < 0xE000) u = 0xFFFD;
        AppendUtf8(out, static_cast<char32_t>(u));
    }
    return out;
}

// UTF-32 to UTF-8; a unit beyond U+10FFFF or a surrogate becomes U+FFFD.
std::string Utf32ToUtf8(std::string_view bytes, bool bigEndian) {
    std::string out;
    for (std::size_t i = 0; i + 3 < bytes.size(); i += 4) {
        unsigned long u = 0;
        for (int k = 0; k < 4; ++k) {
            const unsigned long b = static_cast<unsigned char>(bytes[i + (bigEndian ? k : 3 - k)]);
            u = u << 8 | b;
        }
        if (u > 0x10FFFF || (u >= 0xD800 && u < 0xE000)) u = 0xFFFD;
        AppendUtf8(out, static_cast<char32_t>(u));
    }
    return out;
}

// UTF-32 without a byte-order mark: text whose every four bytes hold three
// NULs (the high bytes of a character below U+10000); 1 big-endian, -1
// little-endian, 0 not UTF-32.
int Utf32WithoutMark(std::string_view bytes) {
    if (bytes.size() < 8 || bytes.size() % 4 != 0) return 0;
    bool little = true, big = true;
    for (std::size_t i = 0; i < bytes.size() && (little || big); i += 4) {
        little = little && bytes[i + 2] == '\0' && bytes[i + 3] == '\0' && bytes[i] != '\0';
        big = big && bytes[i] == '\0' && bytes[i + 1] == '\0' && bytes[i + 3] != '\0';
    }
    return big ? 1 : little ? -1 : 0;
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

DecodedText Decode(std::string_view bytes) {
    if (bytes.substr(0, 4) == std::string_view("\xFF\xFE\0\0", 4)) return {Utf32ToUtf8(bytes.substr(4), false), "UTF-32LE"};
    if (bytes.substr(0, 4) == std::string_view("\0\0\xFE\xFF", 4)) return {Utf32ToUtf8(bytes.substr(4), true), "UTF-32BE"};
    if (const int order = Utf32WithoutMark(bytes); order != 0) return {Utf32ToUtf8(bytes, order > 0), order > 0 ? "UTF-32BE" : "UTF-32LE"};
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE)
        return {Utf16ToUtf8(bytes.substr(2), false), "UTF-16LE"};
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE && static_cast<unsigned char>(bytes[1]) == 0xFF)
        return {Utf16ToUtf8(bytes.substr(2), true), "UTF-16BE"};
    if (bytes.find('\0') != std::string_view::npos) {
        std::size_t even = 0, odd = 0;
        for (std::size_t i = 0; i < bytes.size(); ++i)
            if (bytes[i] == '\0') ++(i % 2 == 0 ? even : odd);
        const double half = static_cast<double>(bytes.size()) / 2;
        if (odd >= kUtf16NulShare * half && odd > even) return {Utf16ToUtf8(bytes, false), "UTF-16LE"};
        if (even >= kUtf16NulShare * half) return {Utf16ToUtf8(bytes, true), "UTF-16BE"};
    }
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") return {std::string(bytes.substr(3)), "UTF-8"};
    if (IsValidUtf8(bytes)) return {std::string(bytes), "UTF-8"};
    return {Windows1252ToUtf8(bytes), "ISO-8859-1"};
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string current;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(current);
            current.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            current += c;
        }
    }
    if (!current.empty()) lines.push_back(current);
    return lines;
}

}  // namespace zarn
