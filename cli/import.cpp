// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/import.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>

#include "files/errors.h"
#include "cli/outputs.h"
#include "platform/datawarnings.h"

namespace zarn {

const char* const kImportUsage =
    "       zarn-cli --import FILE --out OUT.dat [--format hidroweb|usgs|table] [--year-start S]\n"
    "                [--max-missing P] [--value-column N] [--date-column N] [--separator tab|semicolon|comma|blanks]\n"
    "                [--decimal point|comma] [--header-lines N] [--station CODE]\n";

namespace {

// A whole number from `low` to `high`, or nothing.
bool ReadWhole(const std::string& text, int low, int high, int& out) {
    int v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc{} || end != text.data() + text.size() || v < low || v > high) return false;
    out = v;
    return true;
}

// A percentage 0..100, "." or "," as decimal mark.
bool ReadPercent(std::string text, double& out) {
    for (char& c : text)
        if (c == ',') c = '.';
    double v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size() || !(v >= 0 && v <= 100)) return false;
    out = v;
    return true;
}

}  // namespace

bool IsImportArgument(const std::string& arg) {
    for (const char* name : {"--import", "--out", "--format", "--year-start", "--max-missing", "--value-column",
                             "--date-column", "--separator", "--decimal", "--header-lines", "--station"})
        if (arg == name) return true;
    return false;
}

std::string TakeImportArgument(const std::string& arg, const std::string& value, ImportCommand& c) {
    ImportOptions& o = c.Options;
    std::string usageError;
    if (arg == "--import") {
        c.File = value;
    } else if (arg == "--out") {
        c.Out = value;
    } else if (arg == "--format") {
        if (value == "hidroweb") o.Format = ImportFormat::HidroWeb;
        else if (value == "usgs") o.Format = ImportFormat::Usgs;
        else if (value == "table") o.Format = ImportFormat::Table;
        else usageError = "--format takes hidroweb, usgs or table";
    } else if (arg == "--year-start") {
        if (!ReadWhole(value, 1, 12, o.YearStart)) usageError = "--year-start takes a month, 1 to 12";
    } else if (arg == "--max-missing") {
        if (!ReadPercent(value, o.MaxMissingPercent)) usageError = "--max-missing takes a percentage, 0 to 100";
    } else if (arg == "--value-column") {
        if (!ReadWhole(value, 1, 10000, o.ValueColumn)) usageError = "--value-column takes a column number from 1";
    } else if (arg == "--date-column") {
        if (!ReadWhole(value, 1, 10000, o.DateColumn)) usageError = "--date-column takes a column number from 1";
    } else if (arg == "--separator") {
        if (value == "tab") o.Separator = ColumnSeparator::Tab;
        else if (value == "semicolon") o.Separator = ColumnSeparator::Semicolon;
        else if (value == "comma") o.Separator = ColumnSeparator::Comma;
        else if (value == "blanks") o.Separator = ColumnSeparator::Blanks;
        else usageError = "--separator takes tab, semicolon, comma or blanks";
    } else if (arg == "--decimal") {
        if (value == "point") o.Decimal = DecimalMark::Point;
        else if (value == "comma") o.Decimal = DecimalMark::Comma;
        else usageError = "--decimal takes point or comma";
    } else if (arg == "--header-lines") {
        if (!ReadWhole(value, 0, 1000000, o.HeaderLines)) usageError = "--header-lines takes a number from 0";
    } else if (arg == "--station") {
        o.Station = value;
    }
    c.Given = true;
    return usageError;
}

std::string CheckImportCommand(const ImportCommand& c) {
    if (c.File.empty()) return "--out and the import options go with --import FILE";
    if (c.Out.empty()) return "--import needs --out OUT.dat";
    if (c.Options.ValueColumn != 0 && c.Options.ValueColumn == c.Options.DateColumn)
        return "--value-column and --date-column name the same column";
    return "";
}

// RunImport: reads the file, writes the data file (or standard output for
// "-") and then the summary on standard error.
int RunImport(const ImportCommand& c) {
    RefuseSameFile(c.Out, c.File);
    const ImportResult r = ImportSeries(c.File, c.Options);
    if (r.Kept.empty()) WriteImportedDataFile(r, c.Out);  // throws: nothing kept, nothing written
    WriteOut(c.Out, ImportedDataText(r));
    for (const auto& line : ImportSummary(r)) std::fprintf(stderr, "%s\n", line.c_str());
    std::fprintf(stderr, "Gravado: %s (%zu valores).\n", c.Out == "-" ? "saída padrão" : c.Out.c_str(), r.Kept.size());
    return 0;
}

void PrintDataFileWarnings(const std::string& dataFile) {
    for (const auto& w : InspectDataFile(dataFile))
        std::fprintf(stderr, "%s\n", DataFileWarningText(w, kImporterHint).c_str());
}

}  // namespace zarn
