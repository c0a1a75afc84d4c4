// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/importtext.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <map>

#include "files/datafile.h"
#include "files/errors.h"
#include "files/filewrite.h"
#include "files/format.h"

namespace zarn::importing {

namespace {

// The P % comparison allows this relative slack, so that a year at exactly
// P % (18.25 of 365 days at 5 %) is not lost to the rounding of P * days.
constexpr double kPercentSlack = 1e-9;

// Characters of a cell or line quoted in a message; longer texts are cut.
constexpr std::size_t kQuotedTextMax = 60;

// Digits grouped by threes with `group` ("1.234", "12.345.678"), optionally
// followed by `mark` and digits: a number written with thousands separators.
bool IsGroupedNumber(std::string_view t, char group, char mark) {
    std::size_t i = 0;
    const std::size_t n = t.size();
    if (i < n && (t[i] == '+' || t[i] == '-')) ++i;
    const std::size_t start = i;
    while (i < n && IsDigit(t[i])) ++i;
    if (i == start || i - start > 3) return false;
    int groups = 0;
    while (i < n && t[i] == group) {
        ++i;
        for (int k = 0; k < 3; ++k, ++i)
            if (i >= n || !IsDigit(t[i])) return false;
        ++groups;
    }
    if (groups == 0) return false;
    if (i < n && t[i] == mark) {
        const std::size_t fraction = ++i;
        while (i < n && IsDigit(t[i])) ++i;
        if (i == fraction) return false;
    }
    return i == n;
}

// A time of day after a date: "00:00", "23:45:10", "00:00:00.000".
bool IsTimeOfDay(std::string_view t) {
    return t.find(':') != std::string_view::npos &&
           std::all_of(t.begin(), t.end(), [](char c) { return IsDigit(c) || c == ':' || c == '.'; });
}

}  // namespace

// ---------------------------------------------------------------------------
// Text

std::string_view Trim(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
    return s.substr(b, e - b);
}

bool IsBlank(std::string_view line) { return Trim(line).empty(); }

std::string Quoted(std::string_view text) {
    std::string t(Trim(text));
    if (t.size() > kQuotedTextMax) {
        std::size_t cut = kQuotedTextMax;
        while (cut > 0 && (static_cast<unsigned char>(t[cut]) & 0xC0) == 0x80) --cut;  // whole characters
        t = t.substr(0, cut) + "...";
    }
    return "\"" + t + "\"";
}

void FailAt(const std::string& what, int line, std::string_view text, const std::string& hint) {
    std::string message = what + " (linha " + std::to_string(line) + ": " + Quoted(text) + ")";
    if (!hint.empty()) message += ": " + hint;
    throw ZarnError(message);
}

std::string Percent(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f", value);
    std::string s = buffer;
    std::replace(s.begin(), s.end(), '.', ',');
    return s;
}

std::string NumberText(double value, int decimals) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    std::string s = buffer;
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0') s.pop_back();
        if (s.back() == '.') s.pop_back();
    }
    std::replace(s.begin(), s.end(), '.', ',');
    return s;
}

std::string Join(const std::vector<std::string>& items, const std::string& separator) {
    std::string out;
    for (std::size_t i = 0; i < items.size(); ++i) out += (i > 0 ? separator : std::string()) + items[i];
    return out;
}

// ---------------------------------------------------------------------------
// Numbers and dates

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

CellKind ClassifyCell(std::string_view t, char mark) {
    if (IsDecimalNumber(t, mark)) return CellKind::Number;
    const char other = mark == '.' ? ',' : '.';
    if (IsGroupedNumber(t, other, mark) || IsGroupedNumber(t, mark, other)) return CellKind::Thousands;
    if (IsDecimalNumber(t, other)) return CellKind::OtherDecimal;
    return CellKind::NotNumber;
}

bool IsNumberEither(std::string_view t) { return IsDecimalNumber(t, '.') || IsDecimalNumber(t, ','); }

bool IsNumberLike(std::string_view t) { return ClassifyCell(t, '.') != CellKind::NotNumber; }

std::string PointText(std::string_view t) {
    std::string s(t);
    std::replace(s.begin(), s.end(), ',', '.');
    return s;
}

double NumberOf(const std::string& pointText) {
    const char* b = pointText.data();
    const char* e = b + pointText.size();
    if (b < e && *b == '+') ++b;
    double v = 0;
    const auto [end, ec] = std::from_chars(b, e, v);
    if (ec == std::errc::result_out_of_range) return std::signbit(v) ? -HUGE_VAL : HUGE_VAL;
    return end == e ? v : 0.0;
}

std::string ValueText(std::string_view cell, char mark, int line, int* grouped) {
    const char group = mark == '.' ? ',' : '.';
    switch (ClassifyCell(cell, mark)) {
        case CellKind::Number: return PointText(cell);
        case CellKind::Thousands:
            // Grouped by the other mark than the decimal one: only one reading.
            if (IsGroupedNumber(cell, group, mark)) {
                std::string plain;
                for (char c : cell)
                    if (c != group) plain += c;
                if (grouped != nullptr) ++*grouped;
                return PointText(plain);
            }
            FailAt("Separador de milhar não aceito", line, cell, "grave os valores sem separador de milhar");
        case CellKind::OtherDecimal:
            FailAt(std::string("Separador decimal diferente do usado no arquivo (") + (mark == ',' ? "vírgula" : "ponto") +
                       ")",
                   line, cell);
        case CellKind::NotNumber: break;
    }
    FailAt("Valor não numérico", line, cell);
}

int LastPlausibleYear() {
    const std::time_t now = std::time(nullptr);
    std::tm parts {};
    ::gmtime_r(&now, &parts);
    return parts.tm_year + 1900 + 1;
}

void CheckYear(int year, int line, std::string_view text) {
    if (year < kFirstYear || year > LastPlausibleYear())
        FailAt("Ano fora do intervalo de " + std::to_string(kFirstYear) + " a " + std::to_string(LastPlausibleYear()),
               line, text);
}

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
    static const int days[kMonths] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

bool ReadInt(std::string_view s, int& v) {
    if (s.empty()) return false;
    for (char c : s)
        if (!IsDigit(c)) return false;
    return std::from_chars(s.data(), s.data() + s.size(), v).ec == std::errc{};
}

bool ValidDay(const CivilDate& d) {
    return d.Month >= 1 && d.Month <= kMonths && d.Day >= 1 && d.Day <= DaysInMonth(d.Year, d.Month);
}

std::optional<CivilDate> ParseDate(std::string_view cell) {
    std::string_view t = Trim(cell);
    const std::size_t cut = t.find_first_of(" T");
    if (cut != std::string_view::npos) {
        if (cut == 4 || !IsTimeOfDay(Trim(t.substr(cut + 1)))) return std::nullopt;
        t = t.substr(0, cut);
    }
    CivilDate d;
    if (t.size() == 4) {
        if (!ReadInt(t, d.Year)) return std::nullopt;
        return d;
    }
    const std::size_t slash = t.find('/');
    if (slash == 4 && (t.size() == 7 || t.size() == 9)) {
        int end = 0;
        if (!ReadInt(t.substr(0, 4), d.Year) || !ReadInt(t.substr(5), end)) return std::nullopt;
        const int expected = t.size() == 7 ? (d.Year + 1) % 100 : d.Year + 1;
        if (end != expected) return std::nullopt;
        d.SplitYear = true;
        return d;
    }
    if (slash != std::string_view::npos) {
        const std::size_t slash2 = t.find('/', slash + 1);
        if (slash2 == std::string_view::npos || t.size() - slash2 - 1 != 4) return std::nullopt;
        if (!ReadInt(t.substr(0, slash), d.Day) || slash > 2 || !ReadInt(t.substr(slash + 1, slash2 - slash - 1), d.Month) ||
            slash2 - slash - 1 > 2 || !ReadInt(t.substr(slash2 + 1), d.Year))
            return std::nullopt;
        return ValidDay(d) ? std::optional(d) : std::nullopt;
    }
    if (t.size() == 10 && t[4] == '-' && t[7] == '-') {
        if (!ReadInt(t.substr(0, 4), d.Year) || !ReadInt(t.substr(5, 2), d.Month) || !ReadInt(t.substr(8, 2), d.Day))
            return std::nullopt;
        return ValidDay(d) ? std::optional(d) : std::nullopt;
    }
    return std::nullopt;
}

std::string YearText(int y) { return std::to_string(y); }

std::string SplitYearText(int y) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%d/%02d", y, (y + 1) % 100);
    return buffer;
}

std::string DayText(int y, int m, int d) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%02d/%02d/%04d", d, m, y);
    return buffer;
}

bool WithinMissingLimit(int missing, int days, double percent) {
    return 100.0 * missing <= percent * days * (1 + kPercentSlack);
}

std::optional<int> LabelYear(const std::string& label) {
    int y = 0;
    std::size_t n = 0;
    while (n < label.size() && IsDigit(label[n])) ++n;
    if (n == 0 || std::from_chars(label.data(), label.data() + n, y).ec != std::errc{}) return std::nullopt;
    return y;
}

std::string YearRuns(const std::vector<std::string>& labels) {
    std::vector<std::string> runs;
    std::size_t i = 0;
    while (i < labels.size()) {
        std::size_t j = i;
        while (j + 1 < labels.size()) {
            const auto a = LabelYear(labels[j]), b = LabelYear(labels[j + 1]);
            if (!a || !b || *b != *a + 1) break;
            ++j;
        }
        runs.push_back(j == i ? labels[i] : labels[i] + " a " + labels[j]);
        i = j + 1;
    }
    return Join(runs, ", ");
}

std::string AbsentYears(const std::vector<int>& years) {
    std::vector<int> sorted = years;
    std::sort(sorted.begin(), sorted.end());
    std::vector<std::string> gaps;
    for (std::size_t i = 1; i < sorted.size(); ++i) {
        const int a = sorted[i - 1] + 1, b = sorted[i] - 1;
        if (a == b) gaps.push_back(YearText(a));
        else if (a < b) gaps.push_back(YearText(a) + " a " + YearText(b));
    }
    return Join(gaps, ", ");
}

void AddSeriesNotes(ImportResult& r) {
    std::vector<int> years;
    std::map<int, int> count;
    // A maximum of 0 is a year without flow: kept, as data. A negative one
    // cannot be analysed.
    std::vector<std::string> dry, negative;
    for (const auto& k : r.Kept) {
        if (const auto y = LabelYear(k.Label)) {
            years.push_back(*y);
            ++count[*y];
        }
        const double v = NumberOf(k.Value);
        if (v == 0) dry.push_back(k.Label.empty() ? k.Value : k.Label);
        else if (v < 0) negative.push_back(k.Value + (k.Label.empty() ? "" : " (" + k.Label + ")"));
    }
    // HidroWeb lists every year of its span, kept or left out.
    if (const std::string gaps = AbsentYears(years); !gaps.empty() && r.Format != ImportFormat::HidroWeb)
        r.Notes.push_back("Anos sem valor no arquivo: " + gaps + ".");
    std::vector<std::string> repeated;
    for (const auto& [y, n] : count)
        if (n > 1) repeated.push_back(YearText(y) + " (" + std::to_string(n) + ")");
    if (!repeated.empty())
        r.Notes.push_back("Mais de um valor no mesmo ano: " + Join(repeated, ", ") +
                          ". Confira se a série é mesmo de máximos anuais.");
    if (!dry.empty())
        r.Notes.push_back("Anos sem vazão (máximo anual 0): " + Join(dry, ", ") +
                          ". A análise os põe de lado e os leva em conta pela probabilidade de um ano seco, p0 "
                          "(Bulletin 17B, apêndice 5).");
    if (!negative.empty())
        r.Notes.push_back("Valores negativos: " + Join(negative, ", ") +
                          ". A análise trabalha com logaritmos e exige valores maiores que zero (ou 0, um ano sem "
                          "vazão).");
}

std::string JoinCut(const std::vector<std::string>& items, std::size_t shown, const std::string& what) {
    if (items.size() <= shown) return Join(items, ", ");
    const std::vector<std::string> head(items.begin(), items.begin() + static_cast<std::ptrdiff_t>(shown));
    // The count with a dot between thousands, as Portuguese writes it.
    std::string count = std::to_string(items.size() - shown);
    for (int at = static_cast<int>(count.size()) - 3; at > 0; at -= 3) count.insert(static_cast<std::size_t>(at), ".");
    return Join(head, ", ") + " e mais " + count + " " + what;
}

std::string ChooseStation(const std::vector<std::string>& stations, const std::string& wanted, const char* kind) {
    if (!wanted.empty()) {
        if (std::find(stations.begin(), stations.end(), wanted) == stations.end())
            throw ZarnError(std::string("A ") + kind + " " + wanted + " não está no arquivo (há: " +
                            JoinCut(stations, kMaxListed, "estações") + ")");
        return wanted;
    }
    if (stations.size() > 1)
        throw StationChoiceNeeded(std::string("O arquivo traz mais de uma ") + kind + " (" +
                                      JoinCut(stations, kMaxListed, "estações") +
                                      "): escolha a " + kind + " a importar",
                                  stations);
    return stations.empty() ? std::string() : stations.front();
}

// ---------------------------------------------------------------------------
// Delimited fields

std::vector<std::string> SplitFields(std::string_view line, ColumnSeparator separator) {
    std::vector<std::string> fields;
    if (separator == ColumnSeparator::Blanks) {
        std::size_t i = 0;
        while (i < line.size()) {
            while (i < line.size() && static_cast<unsigned char>(line[i]) <= ' ') ++i;
            if (i >= line.size()) break;
            const std::size_t start = i;
            while (i < line.size() && static_cast<unsigned char>(line[i]) > ' ') ++i;
            fields.emplace_back(line.substr(start, i - start));
        }
        return fields;
    }
    const char sep = separator == ColumnSeparator::Tab ? '\t' : separator == ColumnSeparator::Semicolon ? ';' : ',';
    std::string field;
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"' && Trim(field).empty()) {
            field.clear();
            quoted = true;
        } else if (c == sep) {
            fields.emplace_back(Trim(field));
            field.clear();
        } else {
            field += c;
        }
    }
    fields.emplace_back(Trim(field));
    return fields;
}

}  // namespace zarn::importing
