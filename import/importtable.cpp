// SPDX-License-Identifier: GPL-3.0-or-later
// The table reader: a value column and, optionally, a date or year column,
// separated by tabs, ";", "," or blanks.
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

// How the columns are chosen, said in the summary when they were.
constexpr const char* kColumnRule =
    "Regra: a coluna de anos é a de datas, ou a de anos de 4 algarismos distintos e crescentes, ou a de anos próximos "
    "entre si em qualquer ordem; a de valores, a "
    "outra coluna com mais números (a primeira, num empate) que não seja uma contagem 1, 2, 3...";


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

}  // namespace

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

namespace {

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

// "dd/mm/yyyy" or "yyyy-mm-dd" in digits, the day maybe not of the calendar.
bool LooksLikeDate(const std::string& f) {
    auto digits = [&](std::size_t from, std::size_t n) {
        return from + n <= f.size() && std::all_of(f.begin() + static_cast<std::ptrdiff_t>(from),
                                                   f.begin() + static_cast<std::ptrdiff_t>(from + n), IsDigit);
    };
    if (f.size() >= 10 && f[4] == '-' && f[7] == '-') return digits(0, 4) && digits(5, 2) && digits(8, 2);
    const std::size_t a = f.find('/'), b = f.find('/', a + 1);
    return a != std::string::npos && b != std::string::npos && a >= 1 && a <= 2 && b - a - 1 >= 1 && b - a - 1 <= 2 &&
           f.size() - b - 1 == 4 && digits(0, a) && digits(a + 1, b - a - 1) && digits(b + 1, 4);
}

// A 4-digit whole number: what a year column holds.
bool IsYearText(const std::string& f) {
    int y = 0;
    return f.size() == 4 && ReadInt(f, y);
}

// A column mostly of years: all of its cells but at most one in five (and at
// least two) are 4-digit years from kFirstYear to next year.
constexpr int kOddYearShare = 5;
// ... whose distinct years lie close: on average at most this many years
// apart (a record of annual maxima has a year a line, with some gaps). A
// column of discharges that happen to be 4-digit numbers spreads wider, and
// of two such columns the closer one is the years.
constexpr double kYearStepMax = 10.0;

// The mean step between the distinct years of a column mostly of years, in
// any row order; a negative value when the column is not one.
double YearColumnStep(const std::vector<std::string>& cells) {
    std::vector<int> years;
    for (const std::string& f : cells) {
        int y = 0;
        if (f.size() == 4 && ReadInt(f, y) && y >= kFirstYear && y <= LastPlausibleYear()) years.push_back(y);
    }
    const std::size_t odd = cells.size() - years.size();
    if (years.size() < 2 || odd > std::max<std::size_t>(1, cells.size() / kOddYearShare)) return -1.0;
    std::sort(years.begin(), years.end());
    years.erase(std::unique(years.begin(), years.end()), years.end());
    if (years.size() < 2) return -1.0;
    const double step = static_cast<double>(years.back() - years.front()) / static_cast<double>(years.size() - 1);
    return step <= kYearStepMax ? step : -1.0;
}

// Columns chosen from the data (kColumnRule says it in the summary). The
// year column is a column of dates or hydrological years ("1979/80"), else
// of 4-digit years that are distinct and rising (a series of years, even one
// out of range, which is then refused naming its line), else mostly of
// years lying close together, in any order (YearColumnStep: a ranked table
// with one mistyped year; the odd cell is refused naming its line), else of
// 4-digit years within kFirstYear to next year; years never become values. The value
// column is the other column with the most numbers (the leftmost of a tie; a
// cell that is not a number is a missing value) that is not a counter 1, 2, 3.
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
    // The filled cells of column c.
    auto cells = [&](int c) {
        std::vector<std::string> out;
        for (const auto& t : rows)
            if (c < static_cast<int>(t.Fields.size()) && !IsMissingMarker(t.Fields[c])) out.push_back(t.Fields[c]);
        return out;
    };
    auto all_of = [](const std::vector<std::string>& v, auto test) {
        return !v.empty() && std::all_of(v.begin(), v.end(), test);
    };
    const int columns = static_cast<int>(width);
    if (r.DateColumn == 0 && width > 1) {
        int dates = 0, series = 0, mostly = 0, years = 0;
        double closest = 0.0;
        for (int c = columns - 1; c >= 0; --c) {
            const auto v = cells(c);
            // A day that does not exist (30/02/1970) still marks a date
            // column: the reading refuses it, naming its line.
            if (all_of(v, [](const std::string& f) {
                    const auto d = ParseDate(f);
                    return (d && (d->Month != 0 || d->SplitYear)) || LooksLikeDate(f);
                }))
                dates = c + 1;
            if (const double step = YearColumnStep(v); step >= 0.0 && (mostly == 0 || step <= closest))
                mostly = c + 1, closest = step;
            if (!all_of(v, IsYearText)) continue;
            bool rising = true;
            for (std::size_t k = 1; k < v.size(); ++k) rising = rising && std::stoi(v[k]) > std::stoi(v[k - 1]);
            if (rising && v.size() > 1) series = c + 1;
            if (all_of(v, [](const std::string& f) {
                    const int y = std::stoi(f);
                    return y >= kFirstYear && y <= LastPlausibleYear();
                }))
                years = c + 1;
        }
        r.DateColumn = dates != 0 ? dates : series != 0 ? series : mostly != 0 ? mostly : years;
    }
    int value = 0, fallback = 0;
    long valueNumbers = 0, fallbackNumbers = 0;
    for (int c = 0; c < columns; ++c) {
        if (c + 1 == r.DateColumn) continue;
        const auto v = cells(c);
        const long numbers = std::count_if(v.begin(), v.end(), [](const std::string& f) { return IsNumberLike(f); });
        if (numbers > fallbackNumbers) fallback = c + 1, fallbackNumbers = numbers;
        if (numbers > valueNumbers && !IsCounterColumn(rows, c)) value = c + 1, valueNumbers = numbers;
    }
    r.ValueColumn = value != 0 ? value : fallback;
    if (r.ValueColumn == 0) throw ZarnError("Nenhuma coluna da tabela, além da dos anos, tem números");
}

// "1" to "999" (with a sign): the head of a number grouped by spaces.
bool IsGroupHead(const std::string& f) {
    const std::size_t sign = !f.empty() && (f[0] == '-' || f[0] == '+');
    const std::size_t n = f.size() - sign;
    return n >= 1 && n <= 3 && std::all_of(f.begin() + static_cast<std::ptrdiff_t>(sign), f.end(), IsDigit);
}

// "234", "234,5", "234.5": a following group of three digits, the last one
// maybe with its decimals.
bool IsGroupTail(const std::string& f) {
    if (f.size() < 3 || !std::all_of(f.begin(), f.begin() + 3, IsDigit)) return false;
    if (f.size() == 3) return true;
    return (f[3] == ',' || f[3] == '.') && f.size() > 4 && std::all_of(f.begin() + 4, f.end(), IsDigit);
}

// In a table split by blanks, a number written with spaces between its
// thousands ("1 234,5") falls into several fields. A line with more fields
// than the table's usual count is read with its groups joined when that
// gives the usual count (the lines are listed in a note); otherwise it is
// refused. When every line has such groups in the same columns nothing
// tells them from columns: the table is refused naming its first line.
void JoinSpaceThousands(std::vector<TableLine>& rows, const std::vector<std::string>& lines, ImportResult& r) {
    std::map<std::size_t, int> counts;
    for (const auto& t : rows) ++counts[t.Fields.size()];
    std::size_t usual = 0;
    int most = 0;
    for (const auto& [n, c] : counts)
        if (c > most) usual = n, most = c;
    std::vector<std::string> joined;
    for (auto& t : rows) {
        if (t.Fields.size() <= usual) continue;
        std::vector<std::string> f;
        for (std::size_t i = 0; i < t.Fields.size(); ++i) {
            std::string field = t.Fields[i];
            if (IsGroupHead(field))
                while (f.size() + (t.Fields.size() - i) > usual && i + 1 < t.Fields.size() &&
                       IsGroupTail(t.Fields[i + 1]) && field.find_first_of(".,") == std::string::npos)
                    field += t.Fields[++i];
            f.push_back(field);
        }
        if (f.size() != usual)
            FailAt("Linha com mais colunas que as outras (separador de milhar com espaço?)", t.Line, lines[t.Line - 1]);
        t.Fields = std::move(f);
        joined.push_back(std::to_string(t.Line));
    }
    if (!joined.empty())
        r.Notes.push_back("Valores com espaço como separador de milhar lidos sem ele (linhas " +
                          JoinCut(joined, kMaxListed, "linhas") + ").");
    // Every line alike: a column of heads followed by a column of groups.
    for (std::size_t c = 0; c + 1 < usual && !rows.empty(); ++c) {
        bool heads = true, tails = true;
        for (const auto& t : rows) {
            if (t.Fields.size() != usual) continue;
            heads = heads && IsGroupHead(t.Fields[c]);
            tails = tails && IsGroupTail(t.Fields[c + 1]) && t.Fields[c + 1].size() > 3;
        }
        if (heads && tails && !IsCounterColumn(rows, static_cast<int>(c)))
            FailAt("Números com espaço como separador de milhar não podem ser separados das colunas", rows[0].Line,
                   lines[rows[0].Line - 1], "grave os valores sem separador de milhar");
    }
}

}  // namespace

namespace {

// The cell of column c (from 1) of a row, "" past its end.
std::string CellOf(const TableLine& t, int c) {
    return c >= 1 && c <= static_cast<int>(t.Fields.size()) ? t.Fields[c - 1] : std::string();
}

// The index of the first data row: with a date column its first date starts
// the data (the value there may be missing); without one, the first number.
std::size_t FirstDataRow(const std::vector<TableLine>& rows, const ImportResult& r) {
    auto dated = [&](const std::string& d) { return IsDateOrYear(d) || LooksLikeDate(d); };
    std::size_t start = 0;
    while (start < rows.size() && !(r.DateColumn > 0 ? dated(CellOf(rows[start], r.DateColumn))
                                                     : IsNumberLike(CellOf(rows[start], r.ValueColumn))))
        ++start;
    if (start == rows.size())
        throw ZarnError("Nenhuma linha da tabela tem um número na coluna " + std::to_string(r.ValueColumn));
    return start;
}

struct TableEntry {
    std::optional<CivilDate> Date;
    ImportedYear Year;
    bool Kept;
    std::string Reason;
};

// The rows read, and what the notes say of them.
struct TableRead {
    std::vector<TableEntry> Entries;
    std::vector<std::string> NotNumbers, GroupedLines, GroupNames;
    bool AmbiguousMarks = false, AnyMarked = false, AnyPlainLong = false;
};

// Every row as a year: its date or year (refused naming the line when
// invalid or out of range), its value or why it is missing.
TableRead ReadTableRows(const std::vector<TableLine>& rows, const std::vector<std::string>& lines,
                        const ImportResult& r, char mark, bool markGuessed) {
    TableRead read;
    read.AmbiguousMarks = markGuessed;
    int grouped = 0, groupedBefore = 0;
    for (const auto& t : rows) {
        TableEntry e;
        e.Year.Line = t.Line;
        if (r.DateColumn > 0) {
            const std::string d = CellOf(t, r.DateColumn);
            e.Date = ParseDate(d);
            if (!e.Date) FailAt(d.empty() ? "Data ausente" : "Data ou ano inválido", t.Line, d.empty() ? lines[t.Line - 1] : d);
            CheckYear(e.Date->Year, t.Line, d);
            e.Year.Label = e.Date->SplitYear ? SplitYearText(e.Date->Year) : YearText(e.Date->Year);
            if (e.Date->Month != 0) e.Year.Date = std::string(Trim(d));
        }
        const std::string v = CellOf(t, r.ValueColumn);
        if (IsMissingMarker(v)) {
            e.Kept = false;
            e.Reason = v.empty() ? "sem valor" : "sem valor (" + v + ")";
        } else if (ClassifyCell(v, mark) == CellKind::NotNumber) {
            // "s/d", "420*", "?": a missing value, listed with its line.
            e.Kept = false;
            e.Reason = "valor não numérico " + Quoted(v);
            read.NotNumbers.push_back(std::to_string(t.Line));
        } else {
            e.Kept = true;
            std::string groupName;
            e.Year.Value = ValueText(v, mark, t.Line, &grouped, &groupName);
            if (grouped > groupedBefore) read.GroupedLines.push_back(std::to_string(t.Line));
            if (!groupName.empty() &&
                std::find(read.GroupNames.begin(), read.GroupNames.end(), groupName) == read.GroupNames.end())
                read.GroupNames.push_back(groupName);
            groupedBefore = grouped;
            // "1.234" beside "987": the mark may be a thousands separator.
            const auto at = v.find(mark);
            if (at != std::string::npos) {
                read.AnyMarked = true;
                read.AmbiguousMarks =
                    read.AmbiguousMarks && v.size() - at - 1 == 3 && v.find_first_of("eE") == std::string::npos;
            } else if (v.find_first_of("eE") == std::string::npos) {
                read.AnyPlainLong = true;
            }
        }
        read.Entries.push_back(std::move(e));
    }
    return read;
}

// With dates the rows go in time order (ties keep file order), said in a note
// when that moved any.
void PutInTimeOrder(std::vector<TableEntry>& entries, ImportResult& r) {
    const auto before = entries;
    std::stable_sort(entries.begin(), entries.end(), [](const TableEntry& a, const TableEntry& b) {
        return std::tie(a.Date->Year, a.Date->Month, a.Date->Day) < std::tie(b.Date->Year, b.Date->Month, b.Date->Day);
    });
    bool moved = false;
    for (std::size_t k = 0; k < entries.size(); ++k) moved = moved || entries[k].Year.Line != before[k].Year.Line;
    if (moved) r.Notes.push_back("As linhas foram postas em ordem cronológica pela coluna " + std::to_string(r.DateColumn) + ".");
}

void AddTableNotes(const TableRead& read, bool chosen, char mark, ImportResult& r) {
    if (chosen)
        r.Notes.push_back("Colunas escolhidas automaticamente: valores na coluna " + std::to_string(r.ValueColumn) +
                          (r.DateColumn > 0 ? ", datas ou anos na coluna " + std::to_string(r.DateColumn) : std::string()) +
                          ". " + kColumnRule);
    if (!read.NotNumbers.empty())
        r.Notes.push_back("Valores não numéricos deixados de fora como falhas (linhas " +
                          JoinCut(read.NotNumbers, kMaxListed, "linhas") + "): confira se não é um valor com anotação.");
    if (!read.GroupedLines.empty())
        r.Notes.push_back("Valores com separador de milhar (" + Join(read.GroupNames, ", ") + ") lidos sem ele (linhas " +
                          JoinCut(read.GroupedLines, kMaxListed, "linhas") + ").");
    if (r.DateColumn == 0)
        r.Notes.push_back("Sem coluna de datas: os valores ficam na ordem do arquivo, sem rótulo de ano.");
    if (read.AmbiguousMarks && read.AnyMarked && read.AnyPlainLong)
        r.Notes.push_back(std::string("Todos os valores com ") + (mark == ',' ? "vírgula" : "ponto") +
                          " têm três algarismos depois dela e há valores sem ela: confira se não é separador de "
                          "milhar (1" + mark + "234 seria mil duzentos e trinta e quatro). Ela foi lida como separador decimal.");
}

}  // namespace

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
    if (r.Separator == ColumnSeparator::Blanks) JoinSpaceThousands(rows, lines, r);
    r.ValueColumn = o.ValueColumn;
    r.DateColumn = o.DateColumn;
    if (r.ValueColumn > 0 && r.ValueColumn == r.DateColumn)
        throw ZarnError("A coluna dos valores e a coluna das datas são a mesma (" + std::to_string(r.ValueColumn) + ")");
    const bool chosen = r.ValueColumn == 0;
    if (chosen) ChooseColumns(rows, r);
    for (const auto& t : rows) r.ColumnCount = std::max(r.ColumnCount, static_cast<int>(t.Fields.size()));

    // Header lines: those above the first row with a number in the value
    // column (and a date in the date column).
    std::size_t start = 0;
    if (o.HeaderLines < 0) {
        start = FirstDataRow(rows, r);
        r.HeaderLines = rows[start].Line - 1;
    } else {
        r.HeaderLines = o.HeaderLines;
    }
    rows.erase(rows.begin(), rows.begin() + static_cast<std::ptrdiff_t>(start));

    if (decimal == DecimalMark::Auto) {
        // With "," between columns a decimal comma can only come quoted.
        decimal = DecimalMark::Point;
        for (const auto& t : rows)
            if (CellOf(t, r.ValueColumn).find(',') != std::string::npos) decimal = DecimalMark::Comma;
    }
    r.Decimal = decimal;
    const char mark = decimal == DecimalMark::Comma ? ',' : '.';

    TableRead read = ReadTableRows(rows, lines, r, mark, o.Decimal == DecimalMark::Auto);
    if (r.DateColumn > 0) PutInTimeOrder(read.Entries, r);
    int order = 0;
    for (auto& e : read.Entries) {
        e.Year.Order = order++;
        if (e.Kept) r.Kept.push_back(e.Year);
        else r.LeftOut.push_back({e.Year.Label, e.Reason, e.Year.Line, e.Year.Order});
    }
    AddTableNotes(read, chosen, mark, r);
}

}  // namespace zarn::importing
