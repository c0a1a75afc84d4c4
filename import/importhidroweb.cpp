// SPDX-License-Identifier: GPL-3.0-or-later
// The HidroWeb reader: daily discharges (or rainfall, stage) exported by
// ANA's HidroWeb, one row per month and consistency level.
#include "import/importtext.h"

#include <algorithm>
#include <map>
#include <optional>
#include <tuple>

#include "files/datafile.h"
#include "files/errors.h"
#include "files/format.h"

namespace zarn::importing {

namespace {


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

}  // namespace

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
        CheckYear(date->Year, line, cell(dateColumn));
        row.Year = date->Year;
        row.Month = date->Month;
        // Days past the month's end do not exist, whatever their cells hold.
        for (int d = 1; d <= DaysInMonth(row.Year, row.Month); ++d) {
            const std::string text = cell(dayColumn[d - 1]);
            if (text.empty()) {
                row.Days.emplace_back();
                continue;
            }
            DayValue v{ValueText(text, ',', line), 0, StatusText(cell(statusColumn[d - 1]))};
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

    // The daily values, for the preview's picture of the series.
    for (const auto& [key, row] : months)
        for (std::size_t d = 0; d < row.Days.size(); ++d)
            if (row.Days[d]) r.Daily.push_back({row.Year, row.Month, static_cast<int>(d) + 1, row.Days[d]->Number});

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
                                 order, missing, days, best == nullptr ? std::string() : best->Text, bestDate});
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

}  // namespace zarn::importing
