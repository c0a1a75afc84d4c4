// SPDX-License-Identifier: GPL-3.0-or-later
// What the importer's readers share: the decoding of the file's bytes into
// lines of UTF-8 text, the cells and numbers of a line, dates, the notes on a
// series, and each reader's entry point. Internal to the importer (the
// public interface is importer.h).
//
//   SplitFields           the cells of a line by the column separator
//   ClassifyCell, ValueText   a value cell's writing; a fault names the line
//   ParseDate             "yyyy", "dd/mm/yyyy", "yyyy-mm-dd", "1979/80"
//   AddSeriesNotes        notes shared by every format
//   ImportHidroWeb, ImportUsgs, ImportTable   the readers, over decoded lines
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/datafile.h"
#include "files/textcodec.h"
#include "import/importer.h"

namespace zarn::importing {

constexpr int kMonths = 12;

constexpr int kMaxDaysInMonth = 31;

// kPlausibleFirstYear, kPlausibleLastYear: files/datafile.h.

inline const char* const kMonthNames[kMonths] = {"janeiro", "fevereiro", "março",    "abril",   "maio",     "junho",
                                          "julho",   "agosto",    "setembro", "outubro", "novembro", "dezembro"};

// ---------------------------------------------------------------------------
// Text

// The text without leading and trailing blanks and control characters.
std::string_view Trim(std::string_view s);

bool IsBlank(std::string_view line);

// A cell or line for a message, in quotes, cut to kQuotedTextMax characters.
std::string Quoted(std::string_view text);

// "<what> (linha N: "<text>")", then ": <hint>" when there is one.
[[noreturn]] void FailAt(const std::string& what, int line, std::string_view text, const std::string& hint = {});

// A percentage with one decimal and a decimal comma: "58,9".
std::string Percent(double value);

// A number with at most `decimals` decimals, no trailing zeros, decimal
// comma: "5", "2,5".
std::string NumberText(double value, int decimals);

// The items with `separator` between them.
std::string Join(const std::vector<std::string>& items, const std::string& separator);

// ---------------------------------------------------------------------------
// Numbers and dates

bool IsDigit(char c);

enum class CellKind { Number, Thousands, OtherDecimal, NotNumber };

// What a trimmed cell is, with `mark` as the decimal separator.
CellKind ClassifyCell(std::string_view t, char mark);

bool IsNumberEither(std::string_view t);

// A number in any writing, thousands separators included: such a cell
// belongs to the data (and is refused there), not to a header.
bool IsNumberLike(std::string_view t);

// The value's text for the data file: the decimal comma turned into ".".
std::string PointText(std::string_view t);

// The number of a checked value text ("." decimal), locale-independent.
double NumberOf(const std::string& pointText);

// The "." text of a value cell written with `mark` as its decimal mark; a
// number grouped by thousands with the other mark ("1.234,5" with ",") has
// only one reading and is taken (counted in *grouped); any other writing is
// refused naming the line.
std::string ValueText(std::string_view cell, char mark, int line, int* grouped = nullptr);

// Years of a series: from kFirstYear to next year (a date beyond is a typing
// or export fault, as is 01/01/0001).
constexpr int kFirstYear = 1800;
int LastPlausibleYear();
// Refuses a year outside kFirstYear..LastPlausibleYear(), naming the line.
void CheckYear(int year, int line, std::string_view text);

// Items listed in a message before the rest is counted ("e mais 34.426 estações").
constexpr std::size_t kMaxListed = 20;
// The first `shown` items, then "e mais N <what>".
std::string JoinCut(const std::vector<std::string>& items, std::size_t shown, const std::string& what);

// Gregorian leap years.
bool IsLeap(int y);

// Days of month m (1..12) of year y.
int DaysInMonth(int y, int m);

struct CivilDate {
    int Year = 0;
    int Month = 0;           // 0 when only the year is given
    int Day = 0;
    bool SplitYear = false;  // a hydrological year "1979/80": Year is its start
};

// A non-empty run of digits as an int; false otherwise.
bool ReadInt(std::string_view s, int& v);

// True when d names a day of the calendar.
bool ValidDay(const CivilDate& d);

// "yyyy", "dd/mm/yyyy" or "yyyy-mm-dd"; a time of day after a full date
// (after a blank or "T") is ignored. A hydrological year "1979/80" or
// "1979/1980" (the end year following the start) is a year too.
std::optional<CivilDate> ParseDate(std::string_view cell);

// "1979": the label of a calendar or water year.
std::string YearText(int y);

// "2000/01": the start year and the last two digits of the end year.
std::string SplitYearText(int y);

// "29/02/2000".
std::string DayText(int y, int m, int d);

// Missing days allowed: missing <= P % of days.
bool WithinMissingLimit(int missing, int days, double percent);

// Leading integer of a label ("2000/01" gives 2000), or nullopt.
std::optional<int> LabelYear(const std::string& label);

// Runs of consecutive years, "1938 a 1939, 1962 a 2017".
std::string YearRuns(const std::vector<std::string>& labels);

// Years between the first and the last label that no label names.
std::string AbsentYears(const std::vector<int>& years);

// Notes shared by every format: absent years, several values in one year,
// values the analysis cannot take.
void AddSeriesNotes(ImportResult& r);

// The stations of a file, in order of appearance; the one to read.
std::string ChooseStation(const std::vector<std::string>& stations, const std::string& wanted, const char* kind);

// ---------------------------------------------------------------------------
// Delimited fields

// The fields of a line. Tab, ";" and "," fields may be quoted ("350,5");
// blanks split on every run of blanks and tabs.
std::vector<std::string> SplitFields(std::string_view line, ColumnSeparator separator);

// ---------------------------------------------------------------------------
// The readers: each fills `r` from the decoded lines or throws ZarnError
// naming the line.

// The column line of a HidroWeb export: its index, or -1.
int FindHidroWebColumnLine(const std::vector<std::string>& lines);
void ImportHidroWeb(const std::vector<std::string>& lines, const ImportOptions& o, ImportResult& r);

// Meaning of a USGS peak discharge qualification code (peak_cd).
std::string PeakCodeText(const std::string& code);
// The codes of a peak_cd cell ("2,C" gives "2" and "C").
std::vector<std::string> SplitCodes(const std::string& codes);
void ImportUsgs(const std::vector<std::string>& lines, const ImportOptions& o, ImportResult& r);

// The separator's name in the summary.
const char* SeparatorText(ColumnSeparator s);
void ImportTable(const std::vector<std::string>& lines, const ImportOptions& o, ImportResult& r);

}  // namespace zarn::importing
