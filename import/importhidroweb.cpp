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

namespace {

// Where the columns of a HidroWeb export are, and which daily values it holds.
struct HidroWebColumns {
    const DailyKind* Kind = nullptr;
    int Level = -1, Date = -1;
    int Day[kMaxDaysInMonth], Status[kMaxDaysInMonth];
};

HidroWebColumns ReadHidroWebColumns(const std::vector<std::string>& lines, int head) {
    const auto columns = SplitFields(lines[head], ColumnSeparator::Semicolon);
    auto column = [&](const std::string& name) {
        const auto it = std::find(columns.begin(), columns.end(), name);
        return it == columns.end() ? -1 : static_cast<int>(it - columns.begin());
    };
    HidroWebColumns c;
    for (const auto& k : kDailyKinds)
        if (column(std::string(k.Prefix) + "01") >= 0) {
            c.Kind = &k;
            break;
        }
    c.Level = column("NivelConsistencia");
    c.Date = column("Data");
    for (int d = 1; d <= kMaxDaysInMonth; ++d) {
        c.Day[d - 1] = column(c.Kind->Prefix + TwoDigits(d));
        c.Status[d - 1] = column(c.Kind->Prefix + TwoDigits(d) + "Status");
        if (c.Day[d - 1] < 0) FailAt("Coluna " + (c.Kind->Prefix + TwoDigits(d)) + " ausente", head + 1, lines[head]);
    }
    if (c.Level < 0 || c.Date < 0) FailAt("Colunas NivelConsistencia e Data são necessárias", head + 1, lines[head]);
    return c;
}

// The month rows of one station; level 2 replaces level 1 of the same month,
// a month repeated at the same level keeps its last line (both counted).
struct HidroWebMonths {
    std::map<std::pair<int, int>, MonthRow> Rows;
    int ReplacedRaw = 0, Repeated = 0;
    std::vector<std::string> RepeatedLines;
};

// One data line of the station as a month row.
MonthRow ReadMonthRow(const std::vector<std::string>& f, int line, const HidroWebColumns& c) {
    auto cell = [&](int k) { return k >= 0 && k < static_cast<int>(f.size()) ? f[k] : std::string(); };
    MonthRow row;
    row.Line = line;
    const std::string level = cell(c.Level);
    if (level != "1" && level != "2") FailAt("Nível de consistência desconhecido", line, level);
    row.Level = level[0] - '0';
    const auto date = ParseDate(cell(c.Date));
    if (!date || date->Month == 0) FailAt("Data inválida", line, cell(c.Date));
    CheckYear(date->Year, line, cell(c.Date));
    row.Year = date->Year;
    row.Month = date->Month;
    // Days past the month's end do not exist, whatever their cells hold.
    for (int d = 1; d <= DaysInMonth(row.Year, row.Month); ++d) {
        const std::string text = cell(c.Day[d - 1]);
        if (text.empty()) {
            row.Days.emplace_back();
            continue;
        }
        DayValue v{ValueText(text, ',', line), 0, StatusText(cell(c.Status[d - 1]))};
        v.Number = NumberOf(v.Text);
        row.Days.emplace_back(std::move(v));
    }
    return row;
}

HidroWebMonths ReadHidroWebMonths(const std::vector<std::string>& lines, int head, const HidroWebColumns& c,
                                  const std::string& station) {
    HidroWebMonths months;
    for (std::size_t i = head + 1; i < lines.size(); ++i) {
        if (IsBlank(lines[i])) continue;
        const int line = static_cast<int>(i) + 1;
        const auto f = SplitFields(lines[i], ColumnSeparator::Semicolon);
        if (f[0] != station) continue;
        MonthRow row = ReadMonthRow(f, line, c);
        const auto key = std::make_pair(row.Year, row.Month);
        const auto it = months.Rows.find(key);
        if (it == months.Rows.end()) {
            months.Rows.emplace(key, std::move(row));
        } else if (it->second.Level > row.Level) {
            ++months.ReplacedRaw;
        } else {
            if (it->second.Level < row.Level) {
                ++months.ReplacedRaw;
            } else {
                ++months.Repeated;
                months.RepeatedLines.push_back(std::to_string(it->second.Line) + " e " + std::to_string(line));
            }
            it->second = std::move(row);
        }
    }
    return months;
}

// The mean of the monthly means per calendar month (r.MonthlyMeans) and the
// month the hydrological year starts on (r.YearStart): the one asked, or the
// driest (the earlier month of a tie).
void ChooseYearStart(const std::map<std::pair<int, int>, MonthRow>& months, const ImportOptions& o, ImportResult& r) {
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
}

// Each hydrological year kept (its largest daily value) or left out (too many
// missing days); the years kept with gaps and with a doubtful maximum, for
// the notes.
void TakeHydrologicalYears(const std::map<std::pair<int, int>, MonthRow>& months, const ImportOptions& o,
                           ImportResult& r, std::vector<std::string>& keptWithGaps, std::vector<std::string>& doubtful) {
    const int s = r.YearStart;
    auto hydroYear = [s](int y, int m) { return m >= s ? y : y - 1; };
    const int first = hydroYear(months.begin()->first.first, months.begin()->first.second);
    const int last = hydroYear(months.rbegin()->first.first, months.rbegin()->first.second);
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
}

}  // namespace

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
    const HidroWebColumns columns = ReadHidroWebColumns(lines, head);
    r.Format = ImportFormat::HidroWeb;
    r.FormatText = std::string("HidroWeb (") + columns.Kind->Text + ")";
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

    const HidroWebMonths read = ReadHidroWebMonths(lines, head, columns, r.Station);
    const auto& months = read.Rows;
    if (months.empty()) throw ZarnError("O arquivo do HidroWeb não tem linhas de dados");
    int consisted = 0;
    for (const auto& [key, row] : months) consisted += row.Level == 2;

    // The daily values, for the preview's picture of the series.
    for (const auto& [key, row] : months)
        for (std::size_t d = 0; d < row.Days.size(); ++d)
            if (row.Days[d]) r.Daily.push_back({row.Year, row.Month, static_cast<int>(d) + 1, row.Days[d]->Number});

    ChooseYearStart(months, o, r);
    std::vector<std::string> keptWithGaps, doubtful;
    TakeHydrologicalYears(months, o, r, keptWithGaps, doubtful);

    r.Notes.push_back("Meses no arquivo: " + std::to_string(consisted) + " consistidos (nível 2), " +
                      std::to_string(months.size() - consisted) + " brutos (nível 1)." +
                      (read.ReplacedRaw > 0 ? " Presentes nos dois níveis: " + Count(read.ReplacedRaw, "mês", "meses") +
                                                  "; valeu o consistido."
                                            : std::string()));
    if (read.Repeated > 0)
        r.Notes.push_back("Mês repetido no mesmo nível (linhas " + Join(read.RepeatedLines, "; ") +
                          "): valeu a última linha.");
    if (!keptWithGaps.empty())
        r.Notes.push_back("Anos mantidos com dias sem dado (o máximo pode ter ocorrido num deles): " +
                          Join(keptWithGaps, ", ") + ".");
    if (!doubtful.empty())
        r.Notes.push_back("Máximos com status diferente de Real: " + Join(doubtful, ", ") + ".");
}

}  // namespace zarn::importing
