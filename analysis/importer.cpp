#include "analysis/importer.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <tuple>

#include "analysis/datafile.h"
#include "analysis/errors.h"
#include "analysis/filewrite.h"
#include "analysis/format.h"
#include "analysis/record.h"

namespace zarn {

namespace {

constexpr int kMonths = 12;
constexpr int kMaxDaysInMonth = 31;
// The P % comparison allows this relative slack, so that a year at exactly
// P % (18.25 of 365 days at 5 %) is not lost to the rounding of P * days.
constexpr double kPercentSlack = 1e-9;
// Characters of a cell or line quoted in a message; longer texts are cut.
constexpr std::size_t kQuotedTextMax = 60;
// A "year value" data file: first numbers are whole years in this range...
constexpr long kPlausibleFirstYear = 1700;
constexpr long kPlausibleLastYear = 2100;
// ...rising on average by this much a line at least and at most.
constexpr double kYearStepLow = 0.5;
constexpr double kYearStepHigh = 2.0;
// Values spanning more than this ratio (four orders of magnitude) are suspect.
constexpr double kMagnitudeSpan = 1e4;
// A file is taken as UTF-16 without a byte-order mark when at least this
// share of its even (or odd) bytes is NUL.
constexpr double kUtf16NulShare = 0.3;

const char* const kMonthNames[kMonths] = {"janeiro", "fevereiro", "março",    "abril",   "maio",     "junho",
                                          "julho",   "agosto",    "setembro", "outubro", "novembro", "dezembro"};

// ---------------------------------------------------------------------------
// Text

// The text without leading and trailing blanks and control characters.
std::string_view Trim(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
    return s.substr(b, e - b);
}

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

struct DecodedText {
    std::string Text;  // UTF-8
    std::string Encoding;
};

// The file's text as UTF-8: UTF-16 (with a byte-order mark, or NUL bytes in
// every other place), UTF-8 (with or without a mark), or else ISO-8859-1
// read as its Windows superset.
DecodedText Decode(std::string_view bytes) {
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

// Lines ended by CR LF, LF or CR; line i of the file is element i - 1.
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

bool IsBlank(std::string_view line) { return Trim(line).empty(); }

// A cell or line for a message, in quotes, cut to kQuotedTextMax characters.
std::string Quoted(std::string_view text) {
    std::string t(Trim(text));
    if (t.size() > kQuotedTextMax) {
        std::size_t cut = kQuotedTextMax;
        while (cut > 0 && (static_cast<unsigned char>(t[cut]) & 0xC0) == 0x80) --cut;  // whole characters
        t = t.substr(0, cut) + "...";
    }
    return "\"" + t + "\"";
}

// "<what> (linha N: "<text>")", then ": <hint>" when there is one.
[[noreturn]] void FailAt(const std::string& what, int line, std::string_view text, const std::string& hint = {}) {
    std::string message = what + " (linha " + std::to_string(line) + ": " + Quoted(text) + ")";
    if (!hint.empty()) message += ": " + hint;
    throw ZarnError(message);
}

// A percentage with one decimal and a decimal comma: "58,9".
std::string Percent(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f", value);
    std::string s = buffer;
    std::replace(s.begin(), s.end(), '.', ',');
    return s;
}

// A number with at most `decimals` decimals, no trailing zeros, decimal
// comma: "5", "2,5".
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

// The items with `separator` between them.
std::string Join(const std::vector<std::string>& items, const std::string& separator) {
    std::string out;
    for (std::size_t i = 0; i < items.size(); ++i) out += (i > 0 ? separator : std::string()) + items[i];
    return out;
}

// ---------------------------------------------------------------------------
// Numbers and dates

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

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

enum class CellKind { Number, Thousands, OtherDecimal, NotNumber };

// What a trimmed cell is, with `mark` as the decimal separator.
CellKind ClassifyCell(std::string_view t, char mark) {
    if (IsDecimalNumber(t, mark)) return CellKind::Number;
    const char other = mark == '.' ? ',' : '.';
    if (IsGroupedNumber(t, other, mark) || IsGroupedNumber(t, mark, other)) return CellKind::Thousands;
    if (IsDecimalNumber(t, other)) return CellKind::OtherDecimal;
    return CellKind::NotNumber;
}

bool IsNumberEither(std::string_view t) { return IsDecimalNumber(t, '.') || IsDecimalNumber(t, ','); }

// A number in any writing, thousands separators included: such a cell
// belongs to the data (and is refused there), not to a header.
bool IsNumberLike(std::string_view t) { return ClassifyCell(t, '.') != CellKind::NotNumber; }

// The value's text for the data file: the decimal comma turned into ".".
std::string PointText(std::string_view t) {
    std::string s(t);
    std::replace(s.begin(), s.end(), ',', '.');
    return s;
}

// The number of a checked value text ("." decimal), locale-independent.
double NumberOf(const std::string& pointText) {
    const char* b = pointText.data();
    const char* e = b + pointText.size();
    if (b < e && *b == '+') ++b;
    double v = 0;
    const auto [end, ec] = std::from_chars(b, e, v);
    if (ec == std::errc::result_out_of_range) return std::signbit(v) ? -HUGE_VAL : HUGE_VAL;
    return end == e ? v : 0.0;
}

// Refuses a value cell that is not a number written with `mark`.
void CheckValueCell(std::string_view cell, char mark, int line) {
    switch (ClassifyCell(cell, mark)) {
        case CellKind::Number: return;
        case CellKind::Thousands:
            FailAt("Separador de milhar não aceito", line, cell, "grave os valores sem separador de milhar");
        case CellKind::OtherDecimal:
            FailAt(std::string("Separador decimal diferente do usado no arquivo (") + (mark == ',' ? "vírgula" : "ponto") +
                       ")",
                   line, cell);
        case CellKind::NotNumber: FailAt("Valor não numérico", line, cell);
    }
}

// Gregorian leap years.
bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

// Days of month m (1..12) of year y.
int DaysInMonth(int y, int m) {
    static const int days[kMonths] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

struct CivilDate {
    int Year = 0;
    int Month = 0;           // 0 when only the year is given
    int Day = 0;
    bool SplitYear = false;  // a hydrological year "1979/80": Year is its start
};

// A non-empty run of digits as an int; false otherwise.
bool ReadInt(std::string_view s, int& v) {
    if (s.empty()) return false;
    for (char c : s)
        if (!IsDigit(c)) return false;
    return std::from_chars(s.data(), s.data() + s.size(), v).ec == std::errc{};
}

// True when d names a day of the calendar.
bool ValidDay(const CivilDate& d) {
    return d.Month >= 1 && d.Month <= kMonths && d.Day >= 1 && d.Day <= DaysInMonth(d.Year, d.Month);
}

// A time of day after a date: "00:00", "23:45:10", "00:00:00.000".
bool IsTimeOfDay(std::string_view t) {
    return t.find(':') != std::string_view::npos &&
           std::all_of(t.begin(), t.end(), [](char c) { return IsDigit(c) || c == ':' || c == '.'; });
}

// "yyyy", "dd/mm/yyyy" or "yyyy-mm-dd"; a time of day after a full date
// (after a blank or "T") is ignored. A hydrological year "1979/80" or
// "1979/1980" (the end year following the start) is a year too.
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

// "1979": the label of a calendar or water year.
std::string YearText(int y) { return std::to_string(y); }

// "2000/01": the start year and the last two digits of the end year.
std::string SplitYearText(int y) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%d/%02d", y, (y + 1) % 100);
    return buffer;
}

// "29/02/2000".
std::string DayText(int y, int m, int d) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%02d/%02d/%04d", d, m, y);
    return buffer;
}

// Missing days allowed: missing <= P % of days.
bool WithinMissingLimit(int missing, int days, double percent) {
    return 100.0 * missing <= percent * days * (1 + kPercentSlack);
}

// Leading integer of a label ("2000/01" gives 2000), or nullopt.
std::optional<int> LabelYear(const std::string& label) {
    int y = 0;
    std::size_t n = 0;
    while (n < label.size() && IsDigit(label[n])) ++n;
    if (n == 0 || std::from_chars(label.data(), label.data() + n, y).ec != std::errc{}) return std::nullopt;
    return y;
}

// Runs of consecutive years, "1938 a 1939, 1962 a 2017".
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

// Years between the first and the last label that no label names.
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

// Notes shared by every format: absent years, several values in one year,
// values the analysis cannot take.
void AddSeriesNotes(ImportResult& r) {
    std::vector<int> years;
    std::map<int, int> count;
    std::vector<std::string> notPositive;
    for (const auto& k : r.Kept) {
        if (const auto y = LabelYear(k.Label)) {
            years.push_back(*y);
            ++count[*y];
        }
        if (NumberOf(k.Value) <= 0) notPositive.push_back(k.Value + (k.Label.empty() ? "" : " (" + k.Label + ")"));
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
    if (!notPositive.empty())
        r.Notes.push_back("Valores nulos ou negativos: " + Join(notPositive, ", ") +
                          ". A análise trabalha com logaritmos e exige valores maiores que zero.");
}

// The stations of a file, in order of appearance; the one to read.
std::string ChooseStation(const std::vector<std::string>& stations, const std::string& wanted, const char* kind) {
    if (!wanted.empty()) {
        if (std::find(stations.begin(), stations.end(), wanted) == stations.end())
            throw ZarnError(std::string("A ") + kind + " " + wanted + " não está no arquivo (há: " + Join(stations, ", ") + ")");
        return wanted;
    }
    if (stations.size() > 1)
        throw StationChoiceNeeded(std::string("O arquivo traz mais de uma ") + kind + " (" + Join(stations, ", ") +
                                      "): escolha a " + kind + " a importar",
                                  stations);
    return stations.empty() ? std::string() : stations.front();
}

// ---------------------------------------------------------------------------
// Delimited fields

// The fields of a line. Tab, ";" and "," fields may be quoted ("350,5");
// blanks split on every run of blanks and tabs.
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

// ---------------------------------------------------------------------------
// HidroWeb

struct DayValue {
    std::string Text;  // "." decimal
    double Number = 0;
    std::string Status;
};

struct MonthRow {
    int Year = 0, Month = 0, Level = 0, Line = 0;
    std::vector<std::optional<DayValue>> Days;  // one per day of the month
};

// Daily columns of the three HidroWeb daily exports and what they hold.
struct DailyKind {
    const char* Prefix;
    const char* Text;
};
const DailyKind kDailyKinds[] = {{"Vazao", "vazões diárias"}, {"Chuva", "chuvas diárias"}, {"Cota", "cotas diárias"}};

// HidroWeb status of a day: 0 blank, 1 real, 2 estimated, 3 doubtful, 4 dry gauge.
std::string StatusText(std::string_view code) {
    if (code == "2") return "Estimado";
    if (code == "3") return "Duvidoso";
    if (code == "4") return "Régua Seca";
    return {};
}

// "01" .. "31", the suffix of the daily columns.
std::string TwoDigits(int n) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%02d", n);
    return buffer;
}

// The column line of a HidroWeb export: its index, or -1.
int FindHidroWebColumnLine(const std::vector<std::string>& lines) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (Trim(lines[i]).substr(0, 14) != "EstacaoCodigo;") continue;
        const auto fields = SplitFields(lines[i], ColumnSeparator::Semicolon);
        for (const auto& kind : kDailyKinds)
            if (std::find(fields.begin(), fields.end(), std::string(kind.Prefix) + "01") != fields.end())
                return static_cast<int>(i);
    }
    return -1;
}

// ImportHidroWeb: one row per month and consistency level with the daily
// values; level 2 (consisted) replaces level 1 (raw) for the same month. The
// hydrological year starts on the 1st of month S (by default the calendar
// month with the smallest mean of the monthly means); a year is kept when at
// most P % of its days are missing, months absent from the file included,
// and its value is its largest daily value (the first day of a tie).
void ImportHidroWeb(const std::vector<std::string>& lines, const ImportOptions& o, ImportResult& r) {
    const int head = FindHidroWebColumnLine(lines);
    if (head < 0)
        throw ZarnError("Linha de colunas do HidroWeb (EstacaoCodigo;NivelConsistencia;Data;...;Vazao01;...) não "
                        "encontrada");
    const auto columns = SplitFields(lines[head], ColumnSeparator::Semicolon);
    auto column = [&](const std::string& name) {
        const auto it = std::find(columns.begin(), columns.end(), name);
        return it == columns.end() ? -1 : static_cast<int>(it - columns.begin());
    };
    const DailyKind* kind = nullptr;
    for (const auto& k : kDailyKinds)
        if (column(std::string(k.Prefix) + "01") >= 0) {
            kind = &k;
            break;
        }
    const int levelColumn = column("NivelConsistencia"), dateColumn = column("Data");
    int dayColumn[kMaxDaysInMonth], statusColumn[kMaxDaysInMonth];
    for (int d = 1; d <= kMaxDaysInMonth; ++d) {
        dayColumn[d - 1] = column(kind->Prefix + TwoDigits(d));
        statusColumn[d - 1] = column(kind->Prefix + TwoDigits(d) + "Status");
        if (dayColumn[d - 1] < 0) FailAt("Coluna " + (kind->Prefix + TwoDigits(d)) + " ausente", head + 1, lines[head]);
    }
    if (levelColumn < 0 || dateColumn < 0)
        FailAt("Colunas NivelConsistencia e Data são necessárias", head + 1, lines[head]);
    r.Format = ImportFormat::HidroWeb;
    r.FormatText = std::string("HidroWeb (") + kind->Text + ")";
    r.MaxMissingPercent = o.MaxMissingPercent;

    // The stations, then the rows of the one read.
    std::vector<std::string> stations;
    for (std::size_t i = head + 1; i < lines.size(); ++i) {
        if (IsBlank(lines[i])) continue;
        const std::string code(Trim(lines[i].substr(0, lines[i].find(';'))));
        if (std::find(stations.begin(), stations.end(), code) == stations.end()) stations.push_back(code);
    }
    r.Stations = stations;
    r.Station = ChooseStation(stations, o.Station, "estação");

    std::map<std::pair<int, int>, MonthRow> months;
    int replacedRaw = 0, repeated = 0, consisted = 0;
    std::vector<std::string> repeatedLines;
    for (std::size_t i = head + 1; i < lines.size(); ++i) {
        if (IsBlank(lines[i])) continue;
        const int line = static_cast<int>(i) + 1;
        const auto f = SplitFields(lines[i], ColumnSeparator::Semicolon);
        if (f[0] != r.Station) continue;
        auto cell = [&](int c) { return c >= 0 && c < static_cast<int>(f.size()) ? f[c] : std::string(); };
        MonthRow row;
        row.Line = line;
        const std::string level = cell(levelColumn);
        if (level != "1" && level != "2") FailAt("Nível de consistência desconhecido", line, level);
        row.Level = level[0] - '0';
        const auto date = ParseDate(cell(dateColumn));
        if (!date || date->Month == 0) FailAt("Data inválida", line, cell(dateColumn));
        row.Year = date->Year;
        row.Month = date->Month;
        // Days past the month's end do not exist, whatever their cells hold.
        for (int d = 1; d <= DaysInMonth(row.Year, row.Month); ++d) {
            const std::string text = cell(dayColumn[d - 1]);
            if (text.empty()) {
                row.Days.emplace_back();
                continue;
            }
            CheckValueCell(text, ',', line);
            DayValue v{PointText(text), 0, StatusText(cell(statusColumn[d - 1]))};
            v.Number = NumberOf(v.Text);
            row.Days.emplace_back(std::move(v));
        }
        const auto key = std::make_pair(row.Year, row.Month);
        const auto it = months.find(key);
        if (it == months.end()) {
            months.emplace(key, std::move(row));
        } else if (it->second.Level > row.Level) {
            ++replacedRaw;
        } else {
            if (it->second.Level < row.Level) {
                ++replacedRaw;
            } else {
                ++repeated;
                repeatedLines.push_back(std::to_string(it->second.Line) + " e " + std::to_string(line));
            }
            it->second = std::move(row);
        }
    }
    if (months.empty()) throw ZarnError("O arquivo do HidroWeb não tem linhas de dados");
    for (const auto& [key, row] : months) consisted += row.Level == 2;

    // Mean of the monthly means per calendar month, the years in order.
    double sum[kMonths] = {};
    int count[kMonths] = {};
    for (const auto& [key, row] : months) {
        double s = 0;
        int n = 0;
        for (const auto& d : row.Days)
            if (d) {
                s += d->Number;
                ++n;
            }
        if (n > 0) {
            sum[row.Month - 1] += s / n;
            ++count[row.Month - 1];
        }
    }
    r.MonthlyMeans.assign(kMonths, -1.0);
    int driest = 0;
    for (int m = 0; m < kMonths; ++m) {
        if (count[m] == 0) continue;
        r.MonthlyMeans[m] = sum[m] / count[m];
        if (driest == 0 || r.MonthlyMeans[m] < r.MonthlyMeans[driest - 1]) driest = m + 1;  // ties: the earlier month
    }
    r.YearStartAuto = o.YearStart == 0;
    r.YearStart = r.YearStartAuto ? driest : o.YearStart;
    if (r.YearStart == 0) throw ZarnError("O arquivo do HidroWeb não tem nenhum valor diário");
    const int s = r.YearStart;

    auto hydroYear = [s](int y, int m) { return m >= s ? y : y - 1; };
    const int first = hydroYear(months.begin()->first.first, months.begin()->first.second);
    const int last = hydroYear(months.rbegin()->first.first, months.rbegin()->first.second);
    std::vector<std::string> keptWithGaps, doubtful;
    for (int y = first; y <= last; ++y) {
        const std::string label = s == 1 ? YearText(y) : SplitYearText(y);
        int days = 0, missing = 0;
        const DayValue* best = nullptr;
        std::string bestDate;
        int bestLine = 0;
        for (int k = 0; k < kMonths; ++k) {
            const int m = (s - 1 + k) % kMonths + 1;
            const int cy = m >= s ? y : y + 1;
            const int n = DaysInMonth(cy, m);
            days += n;
            const auto it = months.find({cy, m});
            if (it == months.end()) {
                missing += n;
                continue;
            }
            for (int d = 0; d < n; ++d) {
                const auto& v = it->second.Days[d];
                if (!v) {
                    ++missing;
                } else if (best == nullptr || v->Number > best->Number) {
                    best = &*v;
                    bestDate = DayText(cy, m, d + 1);
                    bestLine = it->second.Line;
                }
            }
        }
        const int order = y - first;
        if (best != nullptr && WithinMissingLimit(missing, days, o.MaxMissingPercent)) {
            r.Kept.push_back({best->Text, label, bestDate, bestLine, order, missing, days, best->Status});
            if (missing > 0) keptWithGaps.push_back(label + " (" + std::to_string(missing) + ")");
            if (!best->Status.empty()) doubtful.push_back(label + " (" + best->Status + ")");
        } else {
            r.LeftOut.push_back({label, best == nullptr ? "nenhum dia com valor" : "dias sem dado acima do limite", 0,
                                 order, missing, days});
        }
    }

    r.Notes.push_back("Meses no arquivo: " + std::to_string(consisted) + " consistidos (nível 2), " +
                      std::to_string(months.size() - consisted) + " brutos (nível 1)." +
                      (replacedRaw > 0 ? " Presentes nos dois níveis: " + Count(replacedRaw, "mês", "meses") +
                                             "; valeu o consistido."
                                       : std::string()));
    if (repeated > 0)
        r.Notes.push_back("Mês repetido no mesmo nível (linhas " + Join(repeatedLines, "; ") + "): valeu a última linha.");
    if (!keptWithGaps.empty())
        r.Notes.push_back("Anos mantidos com dias sem dado (o máximo pode ter ocorrido num deles): " +
                          Join(keptWithGaps, ", ") + ".");
    if (!doubtful.empty())
        r.Notes.push_back("Máximos com status diferente de Real: " + Join(doubtful, ", ") + ".");
}

// ---------------------------------------------------------------------------
// USGS annual peak files

// Meaning of the USGS peak discharge qualification codes (peak_cd).
std::string PeakCodeText(const std::string& code) {
    static const std::map<std::string, std::string> texts = {
        {"1", "vazão máxima média diária"},
        {"2", "vazão estimada"},
        {"3", "afetada por ruptura de barragem"},
        {"4", "menor que o valor indicado (mínimo registrável)"},
        {"5", "afetada em grau desconhecido por regularização ou desvio"},
        {"6", "afetada por regularização ou desvio"},
        {"7", "pico histórico"},
        {"8", "maior que o valor indicado"},
        {"9", "devida a degelo, furacão ou ruptura de barragem de gelo ou de detritos"},
        {"A", "ano de ocorrência desconhecido ou incerto"},
        {"Bd", "dia de ocorrência desconhecido ou incerto"},
        {"Bm", "mês de ocorrência desconhecido ou incerto"},
        {"C", "registro afetado por urbanização, mineração, mudanças agrícolas, canalização ou outras"},
        {"D", "vazão de base alterada neste ano"},
        {"E", "só o pico máximo anual disponível neste ano"},
        {"F", "pico fornecido por outra agência"},
        {"O", "valor oportunista, fora da coleta sistemática"},
        {"R", "revisado"},
    };
    const auto it = texts.find(code);
    return it == texts.end() ? "código sem descrição conhecida" : it->second;
}

// The codes of a peak_cd cell ("2,C" gives "2" and "C").
std::vector<std::string> SplitCodes(const std::string& codes) {
    std::vector<std::string> out;
    std::string current;
    for (char c : codes + ",") {
        if (c == ',' || static_cast<unsigned char>(c) <= ' ') {
            if (!current.empty()) out.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    return out;
}

// RDB format line: every field a width and a type letter ("5s", "10d").
bool IsFormatLine(const std::vector<std::string>& fields) {
    for (const auto& f : fields) {
        std::size_t i = 0;
        while (i < f.size() && IsDigit(f[i])) ++i;
        if (i == 0 || i + 1 != f.size() || !std::isalpha(static_cast<unsigned char>(f[i]))) return false;
    }
    return !fields.empty();
}

// ImportUsgs: one value per row from peak_va, in file order; a row without
// peak_va is left out. Each value is labelled with its water year (October
// to September, named by the year it ends in); a month "00" keeps the
// calendar year.
void ImportUsgs(const std::vector<std::string>& lines, const ImportOptions& o, ImportResult& r) {
    std::size_t i = 0;
    auto nextLine = [&]() -> int {
        while (i < lines.size() && (IsBlank(lines[i]) || lines[i][0] == '#')) ++i;
        return i < lines.size() ? static_cast<int>(i++) : -1;
    };
    const int head = nextLine();
    if (head < 0 || Trim(lines[head]).substr(0, 9) != "agency_cd")
        throw ZarnError("Linha de colunas do USGS (agency_cd, site_no, peak_dt, peak_va, ...) não encontrada");
    const auto columns = SplitFields(lines[head], ColumnSeparator::Tab);
    auto column = [&](const char* name) {
        const auto it = std::find(columns.begin(), columns.end(), name);
        return it == columns.end() ? -1 : static_cast<int>(it - columns.begin());
    };
    const int site = column("site_no"), date = column("peak_dt"), value = column("peak_va"), codes = column("peak_cd"),
              gage = column("gage_ht");
    if (value < 0 || date < 0)
        FailAt("O arquivo do USGS não tem as colunas peak_dt e peak_va: não é um arquivo de picos anuais", head + 1,
               lines[head]);
    r.Format = ImportFormat::Usgs;
    r.FormatText = "USGS (picos anuais, RDB)";

    struct Row {
        int Line;
        std::vector<std::string> Fields;
    };
    std::vector<Row> rows;
    const std::size_t afterHead = i;
    const int formatLine = nextLine();
    if (formatLine >= 0 && !IsFormatLine(SplitFields(lines[formatLine], ColumnSeparator::Tab))) i = afterHead;
    for (int k = nextLine(); k >= 0; k = nextLine()) rows.push_back({k + 1, SplitFields(lines[k], ColumnSeparator::Tab)});

    std::vector<std::string> sites;
    auto cell = [](const Row& row, int c) { return c >= 0 && c < static_cast<int>(row.Fields.size()) ? row.Fields[c] : std::string(); };
    for (const auto& row : rows) {
        const std::string s = cell(row, site);
        if (std::find(sites.begin(), sites.end(), s) == sites.end()) sites.push_back(s);
    }
    r.Stations = sites;
    r.Station = ChooseStation(sites, o.Station, "estação");

    std::map<std::string, std::vector<std::string>> codeYears;
    int order = 0;
    for (const auto& row : rows) {
        if (cell(row, site) != r.Station) continue;
        const std::string dateText = cell(row, date);
        const std::string_view d = dateText;
        int y = 0, m = 0, day = 0;
        if (d.size() != 10 || d[4] != '-' || d[7] != '-' || !ReadInt(d.substr(0, 4), y) || !ReadInt(d.substr(5, 2), m) ||
            !ReadInt(d.substr(8, 2), day) || m > kMonths || day > kMaxDaysInMonth)
            FailAt("Data de pico (peak_dt) inválida", row.Line, dateText);
        const std::string label = YearText(m >= 10 ? y + 1 : y);
        const std::string text = cell(row, value);
        if (text.empty()) {
            const std::string height = cell(row, gage);
            r.LeftOut.push_back({label, "sem peak_va" + (height.empty() ? std::string() : "; só a cota " + height),
                                 row.Line, order++});
            continue;
        }
        CheckValueCell(text, '.', row.Line);
        ImportedYear k;
        k.Value = text;
        k.Label = label;
        k.Date = dateText;
        k.Line = row.Line;
        k.Order = order++;
        k.Codes = cell(row, codes);
        for (const auto& c : SplitCodes(k.Codes)) codeYears[c].push_back(label);
        r.Kept.push_back(std::move(k));
    }

    r.Notes.push_back("Vazões de pico em pés cúbicos por segundo (cfs; 1 cfs = 0,0283168 m³/s); "
                      "anos hidrológicos de outubro a setembro, com o nome do ano em que terminam.");
    for (const auto& [code, years] : codeYears)
        r.Notes.push_back("Código de qualificação " + code + " (" + PeakCodeText(code) + "): " + Join(years, ", ") + ".");
}

// ---------------------------------------------------------------------------
// Tables

// An empty value cell, or one of the markers spreadsheets and R write for
// a missing value.
bool IsMissingMarker(std::string_view t) {
    return t.empty() || t == "NA" || t == "NaN" || t == "nan" || t == "N/A" || t == "-" || t == "--";
}

bool IsDateOrYear(std::string_view t) { return ParseDate(t).has_value(); }

// A non-blank line of a table that is not a "#" comment, split into fields.

struct TableLine {
    int Line;
    std::vector<std::string> Fields;
};

// The table's lines from line `skip` + 1 on, blank and "#" lines passed over.
std::vector<TableLine> TableLines(const std::vector<std::string>& lines, ColumnSeparator separator, int skip) {
    std::vector<TableLine> out;
    for (std::size_t i = static_cast<std::size_t>(std::max(skip, 0)); i < lines.size(); ++i) {
        if (IsBlank(lines[i]) || Trim(lines[i])[0] == '#') continue;
        out.push_back({static_cast<int>(i) + 1, SplitFields(lines[i], separator)});
    }
    return out;
}

// Lines of the table whose every field is a number (with `mark`, or either
// mark when it is 0: quoted cells may hold a decimal comma) or a date.
int CountNumericLines(const std::vector<std::string>& lines, ColumnSeparator separator, char mark) {
    int n = 0;
    for (const auto& t : TableLines(lines, separator, 0)) {
        bool all = !t.Fields.empty();
        for (const auto& f : t.Fields)
            all = all && ((mark == 0 ? IsNumberEither(f) : IsDecimalNumber(f, mark)) || IsDateOrYear(f));
        n += all;
    }
    return n;
}

// The separator of a table and, when the commas are decimal marks, the
// decimal comma. Tab, then ";", win when present; otherwise "," splits
// columns unless the commas are better read as decimal marks of one or more
// blank-separated columns.
ColumnSeparator DetectSeparator(const std::vector<std::string>& lines, DecimalMark& decimal) {
    bool tab = false, semicolon = false, comma = false;
    for (const auto& l : lines) {
        if (Trim(l).empty() || Trim(l)[0] == '#') continue;
        tab = tab || l.find('\t') != std::string::npos;
        semicolon = semicolon || l.find(';') != std::string::npos;
        comma = comma || l.find(',') != std::string::npos;
    }
    if (tab) return ColumnSeparator::Tab;
    if (semicolon) return ColumnSeparator::Semicolon;
    if (!comma) return ColumnSeparator::Blanks;
    const int byComma = CountNumericLines(lines, ColumnSeparator::Comma, 0);
    const int byBlank = CountNumericLines(lines, ColumnSeparator::Blanks, ',');
    // "1970,350" fits both: columns when the first field is a year or date.
    bool firstIsDate = byComma > 0;
    for (const auto& t : TableLines(lines, ColumnSeparator::Comma, 0))
        if (t.Fields.size() > 1 && IsNumberEither(t.Fields[1])) firstIsDate = firstIsDate && IsDateOrYear(t.Fields[0]);
    if (byComma > byBlank || (byComma == byBlank && firstIsDate)) return ColumnSeparator::Comma;
    if (decimal == DecimalMark::Auto) decimal = DecimalMark::Comma;
    return ColumnSeparator::Blanks;
}

// The separator's name in the summary.
const char* SeparatorText(ColumnSeparator s) {
    switch (s) {
        case ColumnSeparator::Tab: return "tabulação";
        case ColumnSeparator::Semicolon: return "ponto e vírgula";
        case ColumnSeparator::Comma: return "vírgula";
        case ColumnSeparator::Blanks: return "espaços";
        case ColumnSeparator::Auto: break;
    }
    return "automático";
}

// A column holding 1, 2, 3, ... in order: a rank or a line number.
bool IsCounterColumn(const std::vector<TableLine>& rows, int c) {
    int expected = 1;
    for (const auto& t : rows) {
        if (c >= static_cast<int>(t.Fields.size())) return false;
        int v = 0;
        if (!ReadInt(t.Fields[c], v) || v != expected++) return false;
    }
    return expected > 2;
}

// Columns chosen from the data: the date column is the first whose cells are
// all dates or years; the value column the first other numeric column that
// is not a counter (1, 2, 3, ...).
void ChooseColumns(const std::vector<TableLine>& all, ImportResult& r) {
    std::vector<TableLine> rows;
    std::size_t width = 0;
    for (const auto& t : all) {
        bool any = false;
        for (const auto& f : t.Fields) any = any || IsNumberLike(f);
        if (!any) continue;  // a header or a comment
        rows.push_back(t);
        width = std::max(width, t.Fields.size());
    }
    if (rows.empty()) throw ZarnError("A tabela não tem nenhuma linha com números");
    auto columnIs = [&](int c, auto test) {
        int seen = 0;
        for (const auto& t : rows) {
            if (c >= static_cast<int>(t.Fields.size()) || IsMissingMarker(t.Fields[c])) continue;
            if (!test(t.Fields[c])) return false;
            ++seen;
        }
        return seen > 0;
    };
    const bool dateWanted = r.DateColumn == 0 && width > 1;
    int value = 0, fallback = 0;
    for (int c = 0; c < static_cast<int>(width); ++c) {
        if (c + 1 == r.DateColumn) continue;
        if (dateWanted && r.DateColumn == 0 && columnIs(c, [](const std::string& f) {
                const auto d = ParseDate(f);
                return d && (d->Month != 0 || (d->Year >= kPlausibleFirstYear && d->Year <= kPlausibleLastYear));
            })) {
            r.DateColumn = c + 1;
            continue;
        }
        if (!columnIs(c, [](const std::string& f) { return IsNumberLike(f); })) continue;
        if (fallback == 0) fallback = c + 1;
        if (value == 0 && !IsCounterColumn(rows, c)) value = c + 1;
    }
    r.ValueColumn = value != 0 ? value : fallback;
    if (r.ValueColumn == 0) {
        // Only a date column: its numbers are the values after all.
        r.ValueColumn = r.DateColumn;
        r.DateColumn = 0;
    }
    if (r.ValueColumn == 0) throw ZarnError("Nenhuma coluna da tabela tem só números");
}

// ImportTable: the value column and, optionally, a date or year column;
// with dates the rows are put in time order (ties keep file order), without
// them the file order stays. Header lines are skipped; a row whose value
// cell is empty (or NA) is left out and listed.
void ImportTable(const std::vector<std::string>& lines, const ImportOptions& o, ImportResult& r) {
    r.Format = ImportFormat::Table;
    r.FormatText = "tabela";
    DecimalMark decimal = o.Decimal;
    const std::vector<std::string> body(lines.begin() + std::min<std::size_t>(std::max(o.HeaderLines, 0), lines.size()),
                                        lines.end());
    r.Separator = o.Separator == ColumnSeparator::Auto ? DetectSeparator(body, decimal) : o.Separator;
    auto rows = TableLines(lines, r.Separator, o.HeaderLines);
    if (rows.empty()) throw ZarnError("A tabela está vazia");
    r.ValueColumn = o.ValueColumn;
    r.DateColumn = o.DateColumn;
    if (r.ValueColumn > 0 && r.ValueColumn == r.DateColumn)
        throw ZarnError("A coluna dos valores e a coluna das datas são a mesma (" + std::to_string(r.ValueColumn) + ")");
    const bool chosen = r.ValueColumn == 0;
    if (chosen) ChooseColumns(rows, r);
    for (const auto& t : rows) r.ColumnCount = std::max(r.ColumnCount, static_cast<int>(t.Fields.size()));
    auto cell = [](const TableLine& t, int c) {
        return c >= 1 && c <= static_cast<int>(t.Fields.size()) ? t.Fields[c - 1] : std::string();
    };

    // Header lines: those above the first row with a number in the value
    // column (and a date in the date column).
    std::size_t start = 0;
    if (o.HeaderLines < 0) {
        while (start < rows.size() && !(IsNumberLike(cell(rows[start], r.ValueColumn)) &&
                                        (r.DateColumn == 0 || IsDateOrYear(cell(rows[start], r.DateColumn)))))
            ++start;
        if (start == rows.size())
            throw ZarnError("Nenhuma linha da tabela tem um número na coluna " + std::to_string(r.ValueColumn));
        r.HeaderLines = rows[start].Line - 1;
    } else {
        r.HeaderLines = o.HeaderLines;
    }
    rows.erase(rows.begin(), rows.begin() + static_cast<std::ptrdiff_t>(start));

    if (decimal == DecimalMark::Auto) {
        // With "," between columns a decimal comma can only come quoted.
        decimal = DecimalMark::Point;
        for (const auto& t : rows)
            if (cell(t, r.ValueColumn).find(',') != std::string::npos) decimal = DecimalMark::Comma;
    }
    r.Decimal = decimal;
    const char mark = decimal == DecimalMark::Comma ? ',' : '.';

    struct Entry {
        std::optional<CivilDate> Date;
        ImportedYear Year;
        bool Kept;
        std::string Reason;
    };
    std::vector<Entry> entries;
    bool ambiguousMarks = o.Decimal == DecimalMark::Auto, anyMarked = false, anyPlainLong = false;
    for (const auto& t : rows) {
        Entry e;
        e.Year.Line = t.Line;
        if (r.DateColumn > 0) {
            const std::string d = cell(t, r.DateColumn);
            e.Date = ParseDate(d);
            if (!e.Date) FailAt(d.empty() ? "Data ausente" : "Data ou ano inválido", t.Line, d.empty() ? lines[t.Line - 1] : d);
            e.Year.Label = e.Date->SplitYear ? SplitYearText(e.Date->Year) : YearText(e.Date->Year);
            if (e.Date->Month != 0) e.Year.Date = std::string(Trim(d));
        }
        const std::string v = cell(t, r.ValueColumn);
        if (IsMissingMarker(v)) {
            e.Kept = false;
            e.Reason = v.empty() ? "sem valor" : "sem valor (" + v + ")";
        } else {
            CheckValueCell(v, mark, t.Line);
            e.Kept = true;
            e.Year.Value = PointText(v);
            // "1.234" beside "987": the mark may be a thousands separator.
            const auto at = v.find(mark);
            if (at != std::string::npos) {
                anyMarked = true;
                ambiguousMarks = ambiguousMarks && v.size() - at - 1 == 3 && v.find_first_of("eE") == std::string::npos;
            } else if (v.find_first_of("eE") == std::string::npos) {
                anyPlainLong = true;
            }
        }
        entries.push_back(std::move(e));
    }
    if (r.DateColumn > 0) {
        const auto before = entries;
        std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
            return std::tie(a.Date->Year, a.Date->Month, a.Date->Day) < std::tie(b.Date->Year, b.Date->Month, b.Date->Day);
        });
        bool moved = false;
        for (std::size_t k = 0; k < entries.size(); ++k) moved = moved || entries[k].Year.Line != before[k].Year.Line;
        if (moved) r.Notes.push_back("As linhas foram postas em ordem cronológica pela coluna " + std::to_string(r.DateColumn) + ".");
    }
    int order = 0;
    for (auto& e : entries) {
        e.Year.Order = order++;
        if (e.Kept) r.Kept.push_back(e.Year);
        else r.LeftOut.push_back({e.Year.Label, e.Reason, e.Year.Line, e.Year.Order});
    }

    if (chosen)
        r.Notes.push_back("Colunas escolhidas automaticamente: valores na coluna " + std::to_string(r.ValueColumn) +
                          (r.DateColumn > 0 ? ", datas ou anos na coluna " + std::to_string(r.DateColumn) : std::string()) +
                          ".");
    if (r.DateColumn == 0)
        r.Notes.push_back("Sem coluna de datas: os valores ficam na ordem do arquivo, sem rótulo de ano.");
    if (ambiguousMarks && anyMarked && anyPlainLong)
        r.Notes.push_back(std::string("Todos os valores com ") + (mark == ',' ? "vírgula" : "ponto") +
                          " têm três algarismos depois dela e há valores sem ela: confira se não é separador de "
                          "milhar (1" + mark + "234 seria mil duzentos e trinta e quatro). Ela foi lida como separador decimal.");
}

}  // namespace

// ---------------------------------------------------------------------------

// DetectImportFormat: a HidroWeb column line anywhere; a first line (not a
// comment) starting with agency_cd; otherwise a table.
ImportFormat DetectImportFormat(std::string_view bytes) {
    const auto lines = SplitLines(Decode(bytes).Text);
    if (FindHidroWebColumnLine(lines) >= 0) return ImportFormat::HidroWeb;
    for (const auto& l : lines) {
        if (IsBlank(l) || l[0] == '#') continue;
        return Trim(l).substr(0, 9) == "agency_cd" ? ImportFormat::Usgs : ImportFormat::Table;
    }
    return ImportFormat::Table;
}

// ImportText: decodes the bytes, picks the format (or takes the one given)
// and reads it. ZarnError with the line and the text on the first fault.
ImportResult ImportText(std::string_view bytes, const ImportOptions& o) {
    if (o.YearStart < 0 || o.YearStart > kMonths) throw ZarnError("O mês de início do ano deve ser de 1 a 12");
    if (!(o.MaxMissingPercent >= 0 && o.MaxMissingPercent <= 100))
        throw ZarnError("O limite de falhas deve ficar entre 0 e 100 %");
    if (o.ValueColumn < 0 || o.DateColumn < 0) throw ZarnError("As colunas são contadas a partir de 1");
    ImportResult r;
    const DecodedText decoded = Decode(bytes);
    r.Encoding = decoded.Encoding;
    const auto lines = SplitLines(decoded.Text);
    if (lines.empty() || std::all_of(lines.begin(), lines.end(), [](const std::string& l) { return IsBlank(l); }))
        throw ZarnError("O arquivo está vazio");
    const ImportFormat format = o.Format == ImportFormat::Auto ? DetectImportFormat(bytes) : o.Format;
    switch (format) {
        case ImportFormat::HidroWeb: ImportHidroWeb(lines, o, r); break;
        case ImportFormat::Usgs: ImportUsgs(lines, o, r); break;
        default: ImportTable(lines, o, r); break;
    }
    if (r.Encoding.rfind("UTF-16", 0) == 0) r.Notes.push_back("Texto em " + r.Encoding + ".");
    AddSeriesNotes(r);
    return r;
}

// ImportSeries: the whole file, then ImportText. File errors carry the
// runtime's texts ("File not found", ...).
ImportResult ImportSeries(const std::string& path, const ImportOptions& options) {
    return ImportText(ReadFileContents(path), options);
}

// ImportedDataText: the kept years, "value<TAB>label" and LF each.
std::string ImportedDataText(const ImportResult& r) {
    std::string text;
    for (const auto& k : r.Kept) text += k.Label.empty() ? k.Value + "\n" : k.Value + "\t" + k.Label + "\n";
    return text;
}

// WriteImportedDataFile: whole or not at all (see ReplaceFileContents).
void WriteImportedDataFile(const ImportResult& r, const std::string& path) {
    if (r.Kept.empty())
        throw ZarnError("Nenhum ano foi mantido (" + std::to_string(r.LeftOut.size()) +
                        " deixados de fora): nada foi gravado");
    ReplaceFileContents(path, ImportedDataText(r), [&](WriteStage, int code) { return FileErrorText(code, path); });
}

// ImportSummary: the format and station, the options that shaped the
// series, the kept years as runs, each left-out year with its reason or
// missing days, then the notes.
std::vector<std::string> ImportSummary(const ImportResult& r) {
    std::vector<std::string> s;
    std::string head = "Formato: " + r.FormatText;
    if (!r.Station.empty()) head += ", estação " + r.Station;
    s.push_back(head + "; texto " + r.Encoding + ".");
    if (r.Format == ImportFormat::HidroWeb) {
        const int end = (r.YearStart + kMonths - 2) % kMonths;  // the month before S
        s.push_back("Ano hidrológico: de 1º de " + std::string(kMonthNames[r.YearStart - 1]) + " ao fim de " +
                    kMonthNames[end] +
                    (r.YearStartAuto ? " (começa no mês de menor média das médias mensais)." : " (escolhido)."));
        s.push_back("Limite de falhas: " + NumberText(r.MaxMissingPercent, 2) + " % dos dias do ano.");
    } else if (r.Format == ImportFormat::Table) {
        std::string t = "Tabela: separador " + std::string(SeparatorText(r.Separator)) + ", decimal " +
                        (r.Decimal == DecimalMark::Comma ? "vírgula" : "ponto") + ", " + std::to_string(r.HeaderLines) +
                        (r.HeaderLines == 1 ? " linha" : " linhas") + " de cabeçalho; valores na coluna " +
                        std::to_string(r.ValueColumn);
        if (r.DateColumn > 0) t += ", datas ou anos na coluna " + std::to_string(r.DateColumn);
        s.push_back(t + ".");
    }
    std::vector<std::string> labels;
    for (const auto& k : r.Kept) labels.push_back(k.Label);
    std::string kept = "Anos mantidos: " + std::to_string(r.Kept.size());
    if (!r.Kept.empty() && !r.Kept.front().Label.empty()) kept += " (" + YearRuns(labels) + ")";
    s.push_back(kept + ".");
    s.push_back("Anos deixados de fora: " + std::to_string(r.LeftOut.size()) + (r.LeftOut.empty() ? "." : ":"));
    for (const auto& l : r.LeftOut) {
        std::string line = "  " + (l.Label.empty() ? "linha " + std::to_string(l.Line) : l.Label) + ": ";
        if (l.MissingDays >= 0)
            line += std::to_string(l.MissingDays) + " dias sem dado de " + std::to_string(l.Days) + " (" +
                    Percent(100.0 * l.MissingDays / l.Days) + " %)";
        else
            line += l.Reason + (l.Line > 0 && !l.Label.empty() ? " (linha " + std::to_string(l.Line) + ")" : "");
        s.push_back(line);
    }
    for (const auto& n : r.Notes) s.push_back(n);
    return s;
}

// ImportPreviewRows: kept and left-out years merged by their place in the
// series; USGS codes spelt out.
std::vector<ImportPreviewRow> ImportPreviewRows(const ImportResult& r) {
    std::vector<std::pair<int, ImportPreviewRow>> rows;
    auto missing = [](int m, int d) { return m < 0 ? std::string() : std::to_string(m) + " de " + std::to_string(d); };
    for (const auto& k : r.Kept) {
        std::string remark;
        if (r.Format == ImportFormat::Usgs)
            for (const auto& c : SplitCodes(k.Codes)) remark += (remark.empty() ? "" : "; ") + c + ": " + PeakCodeText(c);
        else
            remark = k.Codes;
        rows.push_back({k.Order, {true, k.Label, k.Value, k.Date, missing(k.MissingDays, k.Days), remark}});
    }
    for (const auto& l : r.LeftOut)
        rows.push_back({l.Order, {false, l.Label, "", "", missing(l.MissingDays, l.Days), l.Reason}});
    std::stable_sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<ImportPreviewRow> out;
    for (auto& [order, row] : rows) out.push_back(std::move(row));
    return out;
}

// ---------------------------------------------------------------------------
// InspectDataFile

// InspectDataFile: reads the file on its own, as tokens split by blanks and
// ";". A "year value" table: two or more numbers on every line, the first a
// whole number 1700..2100, never falling, rising on average 0.5 to 2 a line.
// A span: the first tokens all numbers, the largest over 10^4 times the
// smallest (positive). NUL bytes: any.
std::vector<std::string> InspectDataFile(const std::string& path, ImporterAccess access) {
    std::vector<std::string> warnings;
    std::string bytes;
    try {
        bytes = ReadFileContents(path);
    } catch (const ZarnError&) {
        return warnings;  // the reader reports the file's fault
    }
    const std::string use = access == ImporterAccess::Program
                                ? "Use Projeto > Importar série... para montar o arquivo de dados."
                                : "Use zarn-cli --import ARQUIVO --out SERIE.dat para montar o arquivo de dados.";

    if (bytes.find('\0') != std::string::npos)
        warnings.push_back("O arquivo de dados contém bytes nulos: parece texto UTF-16 (\"Texto Unicode\"), cujos "
                           "algarismos o leitor separa uns dos outros. " + use);

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
            for (const auto& t : tokens[i]) numbers += IsNumberEither(t);
            long year = 0;
            const auto& t0 = tokens[i][0];
            const bool whole = std::all_of(t0.begin(), t0.end(), IsDigit) && t0.size() <= 4;
            if (whole) year = std::stol(t0);
            table = numbers >= 2 && whole && year >= kPlausibleFirstYear && year <= kPlausibleLastYear &&
                    (i == 0 || year >= previous);
            if (i == 0) firstYear = year;
            previous = lastYear = year;
        }
        const double step = static_cast<double>(lastYear - firstYear) / static_cast<double>(tokens.size() - 1);
        if (table && step >= kYearStepLow && step <= kYearStepHigh)
            warnings.push_back("O arquivo de dados parece uma tabela \"ano valor\": as linhas começam pelos anos " +
                               std::to_string(firstYear) + " a " + std::to_string(lastYear) +
                               ", e só o primeiro número de cada linha é lido, de modo que a análise foi feita com os "
                               "anos. " + use);
    }
    double low = HUGE_VAL, high = 0;
    std::string lowText, highText;
    bool allNumbers = !tokens.empty();
    for (const auto& t : tokens) {
        if (!IsDecimalNumber(t[0], '.')) {
            allNumbers = false;
            break;
        }
        const double v = NumberOf(t[0]);
        if (v < low) low = v, lowText = t[0];
        if (v > high) high = v, highText = t[0];
    }
    if (allNumbers && low > 0 && high / low > kMagnitudeSpan)
        warnings.push_back("Os valores do arquivo de dados vão de " + lowText + " a " + highText +
                           ", mais de quatro ordens de grandeza: confira as unidades e os separadores (\"1.234\" é "
                           "lido como 1,234 e não como mil duzentos e trinta e quatro). " + use);
    return warnings;
}

bool IsImportableFile(const std::string& path) {
    constexpr std::size_t kSniffBytes = 1 << 16;  // bytes of the start of a file that tell a download
    std::string extension = path.size() >= 4 ? path.substr(path.size() - 4) : std::string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension == ".csv" || extension == ".tsv") return true;
    std::ifstream in(path, std::ios::binary);
    std::string head(kSniffBytes, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    const ImportFormat format = DetectImportFormat(head);
    return format == ImportFormat::HidroWeb || format == ImportFormat::Usgs;
}

}  // namespace zarn
