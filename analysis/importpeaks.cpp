// SPDX-License-Identifier: GPL-3.0-or-later
// The USGS annual peak file (RDB, tab-separated) as a historical flood record
// (historical.h): one observation per water year from peak_va and peak_cd.
#include <algorithm>
#include <map>

#include "analysis/historical.h"
#include "analysis/historicaltext.h"

namespace zarn {
namespace {

using namespace historicaltext;

std::vector<std::string_view> TabFields(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = line.find('\t', start);
        out.push_back(Trim(line.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start)));
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return out;
}

// The codes of a peak_cd cell ("7,8" gives 7 and 8).
bool HasCode(std::string_view codes, std::string_view code) {
    std::size_t start = 0;
    while (start <= codes.size()) {
        std::size_t end = codes.find(',', start);
        if (end == std::string_view::npos) end = codes.size();
        if (Trim(codes.substr(start, end - start)) == code) return true;
        start = end + 1;
    }
    return false;
}

bool IsFormatCell(std::string_view t) {
    if (t.size() < 2) return false;
    for (std::size_t j = 0; j + 1 < t.size(); ++j)
        if (t[j] < '0' || t[j] > '9') return false;
    return (t.back() >= 'a' && t.back() <= 'z') || (t.back() >= 'A' && t.back() <= 'Z');
}

// The size of a peak to keep the annual maximum: its value, or the bound
// its code gives.
double Peak(const FloodObservation& o) { return std::isinf(o.High) ? o.Low : o.High; }

HistoricalReading Fail(std::string text) {
    HistoricalReading r;
    r.Failure = std::move(text);
    return r;
}

}  // namespace

// ParsePeakFile: the water year (October to September, named by the year it
// ends in; a month "00" keeps the calendar year) of each row with a peak_va.
// peak_cd 7 marks a historic peak (outside the systematic record), 4 a peak
// less than the value ([0, Q]), 8 a peak greater than it ([Q, inf)). A water
// year with two rows keeps the larger peak, the annual maximum.
HistoricalReading ParsePeakFile(std::string_view text) {
    const auto lines = Lines(text);
    std::size_t i = 0;
    auto next = [&]() -> int {
        while (i < lines.size() && (Trim(lines[i]).empty() || lines[i].front() == '#')) ++i;
        return i < lines.size() ? static_cast<int>(i++) : -1;
    };
    const int head = next();
    if (head < 0 || Trim(lines[head]).substr(0, 9) != "agency_cd")
        return Fail("Linha de colunas do USGS (agency_cd, site_no, peak_dt, peak_va, ...) não encontrada.");
    const auto columns = TabFields(lines[head]);
    auto column = [&](std::string_view name) {
        const auto it = std::find(columns.begin(), columns.end(), name);
        return it == columns.end() ? -1 : static_cast<int>(it - columns.begin());
    };
    const int site = column("site_no"), date = column("peak_dt"), value = column("peak_va"), codes = column("peak_cd");
    if (date < 0 || value < 0)
        return Fail("O arquivo do USGS não tem as colunas peak_dt e peak_va: não é um arquivo de picos anuais.");
    std::map<int, FloodObservation> years;
    std::string station;
    for (int k = next(); k >= 0; k = next()) {
        const auto f = TabFields(lines[k]);
        auto cell = [&](int c) { return c >= 0 && c < static_cast<int>(f.size()) ? f[c] : std::string_view(); };
        // The RDB format line: a width and a type letter in every field ("5s", "10d").
        if (IsFormatCell(cell(date)) && IsFormatCell(cell(value))) continue;
        const std::string_view s = cell(site);
        if (station.empty()) station = s;
        else if (s != station)
            return Fail("O arquivo tem picos de mais de uma estação (" + station + ", " + std::string(s) +
                        "): separe-as antes da análise.");
        const std::string_view d = cell(date);
        int y = 0, m = 0;
        const bool monthUnknown = d.size() == 10 && d.substr(5, 2) == "00";
        if (d.size() != 10 || d[4] != '-' || d[7] != '-' || !ReadYear(d.substr(0, 4), y) ||
            (!monthUnknown && (!ReadYear(d.substr(5, 2), m) || m > 12)))
            return Fail("Data de pico (peak_dt) inválida" + LineText(k + 1, lines[k]));
        const int year = m >= 10 ? y + 1 : y;
        const std::string_view v = cell(value);
        if (v.empty()) continue;  // a gage height only: no discharge
        FloodObservation o;
        o.Year = year;
        if (!ReadFlow(v, o.Low) || !std::isfinite(o.Low))
            return Fail("Vazão de pico (peak_va) ilegível" + LineText(k + 1, lines[k]));
        o.High = o.Low;
        const std::string_view c = cell(codes);
        o.Historical = HasCode(c, "7");
        if (HasCode(c, "4")) o.Low = 0;
        if (HasCode(c, "8")) o.High = INFINITY;
        const auto it = years.find(year);
        if (it == years.end() || Peak(it->second) < Peak(o)) years[year] = o;
    }
    HistoricalReading r;
    for (const auto& [year, o] : years) r.Record.Observations.push_back(o);
    if (r.Record.Observations.empty()) return Fail("O arquivo do USGS não tem nenhum pico com vazão (peak_va).");
    r.Ok = true;
    return r;
}

}  // namespace zarn
