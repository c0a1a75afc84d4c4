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
    "Regra: a coluna de anos é a de datas, ou a de anos de 4 algarismos distintos e crescentes; a de valores, a "
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

// Columns chosen from the data (kColumnRule says it in the summary). The
// year column is a column of dates or hydrological years ("1979/80"), else
// of 4-digit years that are distinct and rising (a series of years, even one
// out of range, which is then refused naming its line), else of 4-digit
// years within kFirstYear to next year; years never become values. The value
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
        int dates = 0, series = 0, years = 0;
        for (int c = columns - 1; c >= 0; --c) {
            const auto v = cells(c);
            // A day that does not exist (30/02/1970) still marks a date
            // column: the reading refuses it, naming its line.
            if (all_of(v, [](const std::string& f) {
                    const auto d = ParseDate(f);
                    return (d && (d->Month != 0 || d->SplitYear)) || LooksLikeDate(f);
                }))
                dates = c + 1;
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
        r.DateColumn = dates != 0 ? dates : series != 0 ? series : years;
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
    auto cell = [](const TableLine& t, int c) {
        return c >= 1 && c <= static_cast<int>(t.Fields.size()) ? t.Fields[c - 1] : std::string();
    };

    // Header lines: those above the first row with a number in the value
    // column (and a date in the date column).
    std::size_t start = 0;
    if (o.HeaderLines < 0) {
        // With a date column, its first date starts the data (the value
        // there may be missing); without one, the first number.
        auto dated = [&](const std::string& d) { return IsDateOrYear(d) || LooksLikeDate(d); };
        while (start < rows.size() && !(r.DateColumn > 0 ? dated(cell(rows[start], r.DateColumn))
                                                         : IsNumberLike(cell(rows[start], r.ValueColumn))))
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
    std::vector<std::string> notNumbers, groupedLines;
    int grouped = 0, groupedBefore = 0;
    bool ambiguousMarks = o.Decimal == DecimalMark::Auto, anyMarked = false, anyPlainLong = false;
    for (const auto& t : rows) {
        Entry e;
        e.Year.Line = t.Line;
        if (r.DateColumn > 0) {
            const std::string d = cell(t, r.DateColumn);
            e.Date = ParseDate(d);
            if (!e.Date) FailAt(d.empty() ? "Data ausente" : "Data ou ano inválido", t.Line, d.empty() ? lines[t.Line - 1] : d);
            CheckYear(e.Date->Year, t.Line, d);
            e.Year.Label = e.Date->SplitYear ? SplitYearText(e.Date->Year) : YearText(e.Date->Year);
            if (e.Date->Month != 0) e.Year.Date = std::string(Trim(d));
        }
        const std::string v = cell(t, r.ValueColumn);
        if (IsMissingMarker(v)) {
            e.Kept = false;
            e.Reason = v.empty() ? "sem valor" : "sem valor (" + v + ")";
        } else if (ClassifyCell(v, mark) == CellKind::NotNumber) {
            // "s/d", "420*", "?": a missing value, listed with its line.
            e.Kept = false;
            e.Reason = "valor não numérico " + Quoted(v);
            notNumbers.push_back(std::to_string(t.Line));
        } else {
            e.Kept = true;
            e.Year.Value = ValueText(v, mark, t.Line, &grouped);
            if (grouped > groupedBefore) groupedLines.push_back(std::to_string(t.Line));
            groupedBefore = grouped;
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
                          ". " + kColumnRule);
    if (!notNumbers.empty())
        r.Notes.push_back("Valores não numéricos deixados de fora como falhas (linhas " + JoinCut(notNumbers, kMaxListed, "linhas") +
                          "): confira se não é um valor com anotação.");
    if (!groupedLines.empty())
        r.Notes.push_back(std::string("Valores com separador de milhar (") + (mark == ',' ? "ponto" : "vírgula") +
                          ") lidos sem ele (linhas " + JoinCut(groupedLines, kMaxListed, "linhas") + ").");
    if (r.DateColumn == 0)
        r.Notes.push_back("Sem coluna de datas: os valores ficam na ordem do arquivo, sem rótulo de ano.");
    if (ambiguousMarks && anyMarked && anyPlainLong)
        r.Notes.push_back(std::string("Todos os valores com ") + (mark == ',' ? "vírgula" : "ponto") +
                          " têm três algarismos depois dela e há valores sem ela: confira se não é separador de "
                          "milhar (1" + mark + "234 seria mil duzentos e trinta e quatro). Ela foi lida como separador decimal.");
}

}  // namespace zarn::importing
