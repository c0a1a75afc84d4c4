// SPDX-License-Identifier: GPL-3.0-or-later
// The historical flood record: the year;value table, the file reading shared
// with the peak-file reader, and the record's check (historical.h).
#include "analysis/historical.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "analysis/historicaltext.h"

namespace zarn {

namespace historicaltext {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    return s;
}

std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> out;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        out.push_back(line);
        if (end == text.size()) break;
        start = end + 1;
    }
    return out;
}

// A flow: digits with "." or "," as the decimal mark, or "inf"; never negative.
bool ReadFlow(std::string_view t, double& v) {
    t = Trim(t);
    if (t == "inf" || t == "INF" || t == "Inf" || t == "infinito") {
        v = INFINITY;
        return true;
    }
    if (t.empty() || t.size() > 40) return false;
    std::string s(t);
    int marks = 0;
    for (char& c : s) {
        if (c == ',') c = '.';
        if (c == '.') ++marks;
        else if (!(c >= '0' && c <= '9') && c != 'e' && c != 'E' && c != '+' && c != '-') return false;
    }
    if (marks > 1) return false;
    char* end = nullptr;
    errno = 0;
    v = std::strtod(s.c_str(), &end);
    return end == s.c_str() + s.size() && errno == 0 && std::isfinite(v) && v >= 0;
}

bool ReadYear(std::string_view t, int& year) {
    t = Trim(t);
    const auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), year);
    return ec == std::errc() && ptr == t.data() + t.size() && year >= kFirstYear && year <= kLastYear;
}

std::string LineText(int line, std::string_view text) {
    std::string shown(Trim(text).substr(0, 60));
    return " (linha " + std::to_string(line) + ": \"" + shown + "\")";
}

}  // namespace historicaltext

namespace {

using namespace historicaltext;

HistoricalReading Fail(std::string text) {
    HistoricalReading r;
    r.Failure = std::move(text);
    return r;
}

// The fields of a table line: ";" or a tab when there is one, else blanks,
// else "," (a line of "year,value" with no blank: then "," is no decimal mark).
char TableSeparator(std::string_view line) {
    if (line.find(';') != std::string_view::npos) return ';';
    if (line.find('\t') != std::string_view::npos) return '\t';
    if (line.find(' ') == std::string_view::npos && line.find(',') != std::string_view::npos) return ',';
    return ' ';
}

std::vector<std::string_view> TableFields(std::string_view line) {
    std::vector<std::string_view> out;
    const char separator = TableSeparator(line);
    std::size_t start = 0;
    while (start <= line.size()) {
        std::size_t end = line.find(separator, start);
        if (end == std::string_view::npos) end = line.size();
        const std::string_view f = Trim(line.substr(start, end - start));
        if (!f.empty() || separator != ' ') out.push_back(f);
        start = end + 1;
    }
    while (!out.empty() && out.back().empty()) out.pop_back();
    return out;
}

// "Q", "<Q", ">Q" or "LOW-HIGH" (HIGH may be "inf").
bool ReadValue(std::string_view t, FloodObservation& o) {
    double a = 0, b = 0;
    if (!t.empty() && t.front() == '<') {
        if (!ReadFlow(t.substr(1), b) || !std::isfinite(b)) return false;
        o.Low = 0;
        o.High = b;
        return true;
    }
    if (!t.empty() && t.front() == '>') {
        if (!ReadFlow(t.substr(1), a) || !std::isfinite(a)) return false;
        o.Low = a;
        o.High = INFINITY;
        return true;
    }
    const std::size_t dash = t.find('-', 1);
    if (dash != std::string_view::npos && t[dash - 1] != 'e' && t[dash - 1] != 'E') {
        if (!ReadFlow(t.substr(0, dash), a) || !ReadFlow(t.substr(dash + 1), b) || !std::isfinite(a)) return false;
        o.Low = a;
        o.High = b;
        return a <= b;
    }
    if (!ReadFlow(t, a) || !std::isfinite(a)) return false;
    o.Low = o.High = a;
    return true;
}

bool IsHistoricalMark(std::string_view t) {
    return t == "h" || t == "H" || t == "hist" || t == "histórico" || t == "historico" || t == "7";
}

}  // namespace

// ParseHistoricalTable: one year a line, "year;value[;h]" (a tab or blanks
// may separate), "h" marking a year outside the systematic record; lines
// "limiar;FIRST-LAST;LOW[;HIGH]" give perception thresholds; a first line
// that is not a year is a header; "#" starts a comment line.
HistoricalReading ParseHistoricalTable(std::string_view text) {
    HistoricalReading r;
    const auto lines = Lines(text);
    bool first = true;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = Trim(lines[i]);
        const int number = static_cast<int>(i) + 1;
        if (line.empty() || line.front() == '#') continue;
        const auto f = TableFields(line);
        if (f.size() >= 3 && (f[0] == "limiar" || f[0] == "LIMIAR" || f[0] == "threshold")) {
            PerceptionThreshold t;
            const std::size_t dash = f[1].find('-');
            if (dash == std::string_view::npos || !ReadYear(f[1].substr(0, dash), t.First) ||
                !ReadYear(f[1].substr(dash + 1), t.Last) || !ReadFlow(f[2], t.Low) || !std::isfinite(t.Low) ||
                (f.size() >= 4 && !ReadFlow(f[3], t.High)))
                return Fail("Limiar de percepção ilegível: use limiar;PRIMEIRO-ÚLTIMO;MÍNIMO[;MÁXIMO]" +
                            LineText(number, line));
            r.Record.Thresholds.push_back(t);
            first = false;
            continue;
        }
        FloodObservation o;
        if (f.empty() || !ReadYear(f[0], o.Year)) {
            if (first) {  // a header
                first = false;
                continue;
            }
            return Fail("Ano ilegível" + LineText(number, line));
        }
        first = false;
        if (f.size() < 2 || f[1].empty()) continue;  // a year without a value: no information
        if (!ReadValue(f[1], o))
            return Fail("Valor ilegível: use Q, <Q, >Q ou MÍNIMO-MÁXIMO, sem separador de milhar" +
                        LineText(number, line));
        o.Historical = f.size() >= 3 && IsHistoricalMark(f[2]);
        r.Record.Observations.push_back(o);
    }
    std::stable_sort(r.Record.Observations.begin(), r.Record.Observations.end(),
                     [](const auto& a, const auto& b) { return a.Year < b.Year; });
    if (r.Record.Observations.empty()) return Fail("A tabela não tem nenhum ano com valor.");
    if (std::string e = CheckHistoricalRecord(r.Record); !e.empty()) return Fail(e);
    r.Ok = true;
    return r;
}

HistoricalReading ParseHistoricalRecord(std::string_view text) {
    for (const auto line : Lines(text)) {
        const std::string_view t = Trim(line);
        if (t.empty() || t.front() == '#') continue;
        return t.substr(0, 9) == "agency_cd" ? ParsePeakFile(text) : ParseHistoricalTable(text);
    }
    return Fail("O arquivo está vazio.");
}

namespace {

// Inputs are regular files of at most this size.
constexpr std::uintmax_t kMaxInputBytes = 64u << 20;

bool ReadInput(const std::string& path, std::string& bytes, std::string& failure) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        failure = "Arquivo não encontrado ou não é um arquivo comum: " + path;
        return false;
    }
    if (std::filesystem::file_size(path, ec) > kMaxInputBytes || ec) {
        failure = "Arquivo grande demais para uma série de cheias: " + path;
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    if (!in && !in.eof()) {
        failure = "Não foi possível ler o arquivo " + path;
        return false;
    }
    bytes = s.str();
    return true;
}

template <class Parse>
HistoricalReading ReadWith(const std::string& path, Parse parse) {
    std::string bytes, failure;
    if (!ReadInput(path, bytes, failure)) return Fail(failure);
    return parse(bytes);
}

}  // namespace

HistoricalReading ReadPeakFile(const std::string& path) { return ReadWith(path, ParsePeakFile); }
HistoricalReading ReadHistoricalTable(const std::string& path) { return ReadWith(path, ParseHistoricalTable); }
HistoricalReading ReadHistoricalFile(const std::string& path) { return ReadWith(path, ParseHistoricalRecord); }

std::string CheckHistoricalRecord(const HistoricalRecord& record) {
    const auto& o = record.Observations;
    for (std::size_t i = 0; i < o.size(); ++i) {
        const std::string year = std::to_string(o[i].Year);
        if (i > 0 && o[i].Year <= o[i - 1].Year)
            return o[i].Year == o[i - 1].Year ? "O ano " + year + " aparece mais de uma vez." : "Os anos não estão em ordem.";
        if (!(o[i].Low >= 0) || !std::isfinite(o[i].Low) || std::isnan(o[i].High))
            return "Vazão negativa ou inválida no ano " + year + ".";
        if (o[i].High < o[i].Low) return "Intervalo com mínimo acima do máximo no ano " + year + ".";
        if (o[i].High == 0) return "Intervalo de vazão nula no ano " + year + ".";
    }
    for (const auto& t : record.Thresholds) {
        const std::string range = std::to_string(t.First) + "-" + std::to_string(t.Last);
        if (t.First > t.Last) return "Limiar de percepção com anos invertidos: " + range + ".";
        if (!(t.Low >= 0) || !std::isfinite(t.Low) || std::isnan(t.High) || t.High < t.Low)
            return "Limiar de percepção inválido em " + range + ".";
    }
    return {};
}

}  // namespace zarn
