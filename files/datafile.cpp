// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/datafile.h"

#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <locale.h>
#include <string>
#include <sys/stat.h>

#include "files/errors.h"
#include "files/filewrite.h"
#include "files/textcodec.h"

namespace zarn {

const char* const kTooManyValuesText =
    "O arquivo de dados tem mais de 10000 valores; a amostra comporta no máximo 10000 valores";

namespace {

constexpr int kMaxTokenLength = 64;  // characters of a token that are converted
constexpr int kEndOfFileMark = 26;   // Ctrl-Z ends the file
constexpr std::size_t kBufferSize = 1 << 16;

// A byte reader over the file that stops at the end of the file or at Ctrl-Z.
class DataReader {
public:
    DataReader(std::FILE* f, const std::string& path) : file_(f), path_(path) {}

    // The next byte without taking it, or -1 at the end.
    int Peek() {
        if (pos_ == len_ && !Fill()) return -1;
        return static_cast<unsigned char>(buffer_[pos_]);
    }
    void Take() { ++pos_; }

private:
    bool Fill() {
        if (ended_) return false;
        len_ = std::fread(buffer_, 1, kBufferSize, file_);
        pos_ = 0;
        if (len_ == 0) {
            if (std::ferror(file_)) RaiseFileError(errno != 0 ? errno : EIO, path_);
            ended_ = true;
            return false;
        }
        // Ctrl-Z counts as the end of the file: keep what comes before it.
        for (std::size_t i = 0; i < len_; ++i) {
            if (buffer_[i] == kEndOfFileMark) {
                len_ = i;
                ended_ = true;
                return len_ > 0;
            }
        }
        return true;
    }

    std::FILE* file_;
    const std::string& path_;
    char buffer_[kBufferSize];
    std::size_t pos_ = 0;
    std::size_t len_ = 0;
    bool ended_ = false;
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Converts a checked token, correctly rounded and with "." whatever the
// process locale. Beyond the range of a double: "Floating point overflow";
// below it the value underflows silently to a subnormal or zero.
double ConvertNumber(const std::string& token) {
    static const locale_t c_locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    errno = 0;
    const double v = strtod_l(token.c_str(), nullptr, c_locale);
    if (errno == ERANGE && (v == HUGE_VAL || v == -HUGE_VAL)) throw ZarnError(kOverflowText);
    return v;
}

// The token for a message: as read when it is UTF-8, otherwise taken as
// Windows-1252 (the code page the program's own files use).
std::string TokenText(const std::string& token) {
    return IsValidUtf8(token) ? token : Windows1252ToUtf8(token);
}

// A decimal number written with a comma: "28,8", "-0,5".
bool IsCommaDecimal(const std::string& token) {
    const auto comma = token.find(',');
    if (comma == std::string::npos || token.find(',', comma + 1) != std::string::npos) return false;
    std::string pointed = token;
    pointed[comma] = '.';
    return token.find('.') == std::string::npos && IsDecimalNumber(pointed);
}

// "<text> (linha 3: "28,8")", with the decimal-comma hint when it applies.
[[noreturn]] void RaiseAtToken(const std::string& text, int line, const std::string& token) {
    std::string message = text + " (linha " + std::to_string(line) + ": \"" + TokenText(token) + "\"";
    if (IsCommaDecimal(token)) message += "; o separador decimal é o ponto";
    throw ZarnError(message + ")");
}

struct FileCloser {
    std::FILE* f;
    ~FileCloser() { std::fclose(f); }
};

}  // namespace

// ReadDataFile: skip white space (codes <= 32) across lines, take the first
// token of the line (at most 64 characters), convert it, skip the rest of the
// line. Lines end in CR LF, LF or CR.
bool IsDecimalNumber(std::string_view t, char mark) {
    std::size_t i = 0;
    const std::size_t n = t.size();
    if (i < n && (t[i] == '+' || t[i] == '-')) ++i;
    const std::size_t intStart = i;
    while (i < n && IsDigit(t[i])) ++i;
    if (i == intStart) return false;
    if (i < n && t[i] == mark) {
        ++i;
        const std::size_t fracStart = i;
        while (i < n && IsDigit(t[i])) ++i;
        if (i == fracStart) return false;
    }
    if (i < n && (t[i] == 'E' || t[i] == 'e')) {
        ++i;
        if (i < n && (t[i] == '+' || t[i] == '-')) ++i;
        const std::size_t expStart = i;
        while (i < n && IsDigit(t[i])) ++i;
        if (i == expStart) return false;
    }
    return i == n;
}

int ReadDataFile(const std::string& path, double* values, DataFileSource* source) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) RaiseFileError(errno, path);
    if (S_ISDIR(st.st_mode)) RaiseFileError(EISDIR, path);
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) RaiseFileError(errno, path);
    FileCloser closer{f};
    DataReader in(f, path);

    int n = 0;
    int line = 1;
    bool afterCR = false;  // a LF right after a CR ends no further line
    // Takes the byte c, counting the line ends it makes.
    auto take = [&](int c) {
        if (c == '\r' || (c == '\n' && !afterCR)) ++line;
        afterCR = c == '\r';
        in.Take();
    };
    if (source != nullptr) {
        source->Lines.clear();
        source->Tokens.clear();
    }
    std::string token;
    token.reserve(kMaxTokenLength);
    for (;;) {
        int c = in.Peek();
        while (c >= 0 && c <= ' ') {
            take(c);
            c = in.Peek();
        }
        if (c < 0) break;

        token.clear();
        const int tokenLine = line;
        while (c > ' ' && static_cast<int>(token.size()) < kMaxTokenLength) {
            token += static_cast<char>(c);
            take(c);
            c = in.Peek();
        }
        if (n == kDataFileCapacity) RaiseAtToken(kTooManyValuesText, tokenLine, token);
        if (!IsDecimalNumber(token)) RaiseAtToken(kInvalidNumericText, tokenLine, token);
        try {
            values[n++] = ConvertNumber(token);
        } catch (const ZarnError& e) {
            RaiseAtToken(e.what(), tokenLine, token);
        }
        if (source != nullptr) {
            source->Lines.push_back(tokenLine);
            source->Tokens.push_back(TokenText(token));
        }

        // The rest of the line, up to and including its line end.
        while (c >= 0 && c != '\n' && c != '\r') {
            take(c);
            c = in.Peek();
        }
        if (c >= 0) take(c);
    }
    return n;
}

// ---------------------------------------------------------------------------
// InspectDataFile

namespace {

// A "year value" data file: first numbers whole years from kPlausibleFirstYear
// to kPlausibleLastYear, rising on average by this much a line at least and
// at most.
constexpr double kYearStepLow = 0.5;
constexpr double kYearStepHigh = 2.0;
// Values spanning more than this ratio (four orders of magnitude) are suspect.
constexpr double kMagnitudeSpan = 1e4;

}  // namespace

// InspectDataFile: reads the file on its own, as tokens split by blanks and
// ";". A "year value" table: two or more numbers on every line, the first a
// whole number 1700..2100, never falling, rising on average 0.5 to 2 a line.
// A span: the first tokens all numbers, the largest over 10^4 times the
// smallest (positive). NUL bytes: any.
std::vector<DataFileWarning> InspectDataFile(const std::string& path) {
    std::vector<DataFileWarning> warnings;
    std::string bytes;
    try {
        bytes = ReadFileContents(path);
    } catch (const ZarnError&) {
        return warnings;  // the reader reports the file's fault
    }

    if (bytes.find('\0') != std::string::npos) warnings.push_back(DataFileWarning{});
    // Tokens of each line as the reader sees them (blanks and ";" split), up
    // to a Ctrl-Z.
    const std::string text = bytes.substr(0, bytes.find('\x1A'));
    std::vector<std::vector<std::string>> tokens;
    for (const auto& line : SplitLines(text)) {
        std::vector<std::string> t;
        std::string current;
        for (char c : line + " ") {
            if (static_cast<unsigned char>(c) <= ' ' || c == ';') {
                if (!current.empty()) t.push_back(current);
                current.clear();
            } else {
                current += c;
            }
        }
        if (!t.empty()) tokens.push_back(std::move(t));
    }
    if (tokens.size() >= 2) {
        bool table = true;
        long firstYear = 0, lastYear = 0, previous = 0;
        for (std::size_t i = 0; i < tokens.size() && table; ++i) {
            int numbers = 0;
            for (const auto& t : tokens[i]) numbers += IsDecimalNumber(t, '.') || IsDecimalNumber(t, ',');
            long year = 0;
            const auto& t0 = tokens[i][0];
            const bool whole = std::all_of(t0.begin(), t0.end(), [](char c) { return c >= '0' && c <= '9'; }) && t0.size() <= 4;
            if (whole) year = std::stol(t0);
            table = numbers >= 2 && whole && year >= kPlausibleFirstYear && year <= kPlausibleLastYear &&
                    (i == 0 || year >= previous);
            if (i == 0) firstYear = year;
            previous = lastYear = year;
        }
        const double step = static_cast<double>(lastYear - firstYear) / static_cast<double>(tokens.size() - 1);
        if (table && step >= kYearStepLow && step <= kYearStepHigh)
            warnings.push_back({DataFileWarning::YearValueTable, firstYear, lastYear, {}, {}});
    }
    double low = HUGE_VAL, high = 0;
    std::string lowText, highText;
    bool allNumbers = !tokens.empty();
    for (const auto& t : tokens) {
        if (!IsDecimalNumber(t[0], '.')) {
            allNumbers = false;
            break;
        }
        double v = HUGE_VAL;  // a number beyond the double range counts as the largest
        try {
            v = ConvertNumber(t[0]);
        } catch (const ZarnError&) {
        }
        if (v < low) low = v, lowText = t[0];
        if (v > high) high = v, highText = t[0];
    }
    if (allNumbers && low > 0 && high / low > kMagnitudeSpan)
        warnings.push_back({DataFileWarning::MagnitudeSpan, 0, 0, lowText, highText});
    return warnings;
}

}  // namespace zarn
