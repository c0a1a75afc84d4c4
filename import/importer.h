// SPDX-License-Identifier: GPL-3.0-or-later
// The importer: turns the files hydrologists download (ANA HidroWeb daily
// discharges, USGS annual peak files, delimited tables) into an annual
// maximum series and writes it as a data file the reader takes: one line per
// year, oldest first, "value<TAB>label", LF line ends.
//
//   ImportSeries          reads a file and builds the series; ZarnError on a fault
//                         (StationChoiceNeeded when the file has several stations)
//   ImportText            the same from bytes already in memory
//   DetectImportFormat    HidroWeb, USGS or table, from the text
//   ImportedDataText      the data file's bytes; WriteImportedDataFile writes them
//   ImportSummary         the Portuguese summary of kept and left-out years
//   ImportPreviewRows     kept and left-out years merged in the order of the series
//
// Values are copied as their text, a decimal comma turned into "."; they are
// never reformatted. A thousands separator is refused, never guessed. Every
// fault names the line and the text it met: Separador de milhar não aceito
// (linha 23: "1.234,5").
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "files/errors.h"

namespace zarn {

// The fault of a file of several stations when none was chosen; it lists them.
class StationChoiceNeeded : public ZarnError {
public:
    StationChoiceNeeded(const std::string& text, std::vector<std::string> stations)
        : ZarnError(text), Stations(std::move(stations)) {}
    std::vector<std::string> Stations;
};

enum class ImportFormat { Auto, HidroWeb, Usgs, Table };
enum class ColumnSeparator { Auto, Tab, Semicolon, Comma, Blanks };
enum class DecimalMark { Auto, Point, Comma };

// Missing days allowed in a kept HidroWeb year, in percent of its days.
constexpr double kDefaultMaxMissingPercent = 5.0;

struct ImportOptions {
    ImportFormat Format = ImportFormat::Auto;
    // HidroWeb: first month of the hydrological year, 1..12; 0 = the calendar
    // month with the smallest mean of the monthly mean values.
    int YearStart = 0;
    // HidroWeb: a year is kept when at most this percentage of its days is missing.
    double MaxMissingPercent = kDefaultMaxMissingPercent;
    // Tables: 1-based columns. ValueColumn 0 = chosen from the data (and then
    // the date column too, when DateColumn is 0); DateColumn 0 = none.
    int ValueColumn = 0;
    int DateColumn = 0;
    ColumnSeparator Separator = ColumnSeparator::Auto;
    DecimalMark Decimal = DecimalMark::Auto;
    // Tables: lines above the data; -1 = every line before the first one
    // whose value cell is a number.
    int HeaderLines = -1;
    // HidroWeb and USGS files of several stations: the station to import
    // (EstacaoCodigo, site_no); empty = the only station of the file.
    std::string Station;
};

// One year of the series (or one row of a peak file or table).
struct ImportedYear {
    std::string Value;      // the value's text, decimal comma turned into "."
    std::string Label;      // "2000/01", "1979", or empty (table without dates)
    std::string Date;       // date of the maximum as the source writes it, or empty
    int Line = 0;           // line of the source holding the value
    int Order = 0;          // position in the series, shared with left-out years
    int MissingDays = -1;   // HidroWeb: days without a value (-1: not counted)
    int Days = -1;          // HidroWeb: days of the hydrological year
    std::string Codes;      // USGS peak_cd; HidroWeb status of the day of the maximum
};

struct LeftOutYear {
    std::string Label;
    std::string Reason;     // Portuguese, e.g. "sem peak_va"
    int Line = 0;           // 0 when the year has no line of its own
    int Order = 0;
    int MissingDays = -1;
    int Days = -1;
    // HidroWeb: the largest of the days the year has, and its date, so the
    // user sees whether the year left out held a large flood; else empty.
    std::string Value;
    std::string Date;
};

// One day of a daily series (HidroWeb), in the units of the file.
struct DailyValue {
    int Year = 0, Month = 0, Day = 0;
    double Value = 0;
};

struct ImportResult {
    ImportFormat Format = ImportFormat::Table;  // the format read (never Auto)
    std::string FormatText;                     // "HidroWeb (vazões diárias)", ...
    std::string Encoding;                       // "UTF-8", "ISO-8859-1", "UTF-16LE", "UTF-16BE"
    std::string Station;                        // station or site read, if any
    std::vector<std::string> Stations;          // every station of the file
    // HidroWeb: the first month of the hydrological year and whether it was
    // chosen from the data; the mean of the monthly means per calendar month
    // (index 0 = January; negative when the month has no value).
    int YearStart = 0;
    bool YearStartAuto = false;
    std::vector<double> MonthlyMeans;
    double MaxMissingPercent = kDefaultMaxMissingPercent;
    // Tables: what was used (after automatic choices).
    int ValueColumn = 0;
    int DateColumn = 0;
    ColumnSeparator Separator = ColumnSeparator::Auto;
    DecimalMark Decimal = DecimalMark::Auto;
    int HeaderLines = 0;
    int ColumnCount = 0;

    std::vector<ImportedYear> Kept;             // the series, in the order written
    std::vector<LeftOutYear> LeftOut;
    std::vector<DailyValue> Daily;              // HidroWeb: every day with a value, in date order
    std::vector<std::string> Notes;             // warnings and notes, Portuguese
};

ImportResult ImportSeries(const std::string& path, const ImportOptions& options);
ImportResult ImportText(std::string_view bytes, const ImportOptions& options);
// The format of decoded text (Auto never returned).
ImportFormat DetectImportFormat(std::string_view bytes);

// "value<TAB>label\n" per kept year ("value\n" without a label).
std::string ImportedDataText(const ImportResult& result);
// Writes the data file whole or not at all; ZarnError when no year was kept
// or the file cannot be written.
void WriteImportedDataFile(const ImportResult& result, const std::string& path);

// Lines of the summary: format, options used, kept and left-out years, notes.
std::vector<std::string> ImportSummary(const ImportResult& result);

struct ImportPreviewRow {
    bool Kept = false;
    std::string Label, Value, Date, Missing, Remark;  // Missing: "3 de 365" or empty
};
std::vector<ImportPreviewRow> ImportPreviewRows(const ImportResult& result);

// True for a HidroWeb or USGS download (told by the start of its content)
// and for a .csv or .tsv table: the files a folder of stations imports.
bool IsImportableFile(const std::string& path);

}  // namespace zarn
