// The table reader: a value column and, optionally, a date or year column,
// separated by tabs, ";", "," or blanks.
#include "analysis/importtext.h"

#include <algorithm>
#include <map>
#include <optional>
#include <tuple>

#include "analysis/datafile.h"
#include "analysis/errors.h"
#include "analysis/record.h"
#include "analysis/format.h"

namespace zarn::importing {

namespace {


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

}  // namespace zarn::importing
