// SPDX-License-Identifier: GPL-3.0-or-later
// The flood-frequency study as a document: headings, paragraphs, tables and
// charts in reading order, built from the record, its simulations and the
// advice alone (no Qt). The PDF renderer (studypdf.h) lays it out on A4
// pages; any other analysis that makes a StudyDocument (a regional study)
// is rendered the same way.
//
//   StudyTable          a table: header, rows, alignment; a row never splits
//   StudyBlock          one element of the document
//   StudyDocument       the blocks with the title the pages carry at the top
//   StudyReturnPeriods  the return periods the study tabulates
//   StudyInput          what a study of one station is made of
//   StationStudy        the document of one station
//   B17cSection         its Bulletin 17C section (b17cstudy.cpp)
//
// Numbers use FormatNumber (four significant digits, the decimal comma,
// thousands grouped); the values a row compares (R and R90) are told apart
// by FormatCompared. Texts are UTF-8.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "analysis/b17c.h"
#include "analysis/historical.h"
#include "files/numbertext.h"
#include "analysis/record.h"
#include "analysis/returnperiods.h"
#include "analysis/simulation.h"
#include "rules/advisor.h"

namespace zarn {

struct StudyTable {
    std::vector<std::string> Header;
    std::vector<std::vector<std::string>> Rows;
    // Per column: numbers right-aligned, words left-aligned.
    std::vector<bool> RightAligned;
    // A row shown in bold (the recommended distribution); -1 for none.
    int EmphasisedRow = -1;
};

struct StudyBlock {
    enum Kind { Heading, Paragraph, Note, Table, Chart, PageBreak };
    Kind Type = Paragraph;
    std::string Text;           // Heading, Paragraph, Note; the caption of a Chart
    StudyTable Rows;            // Table
    std::string ChartName;      // Chart: the key of the chart the renderer is given
    double ChartHeightMm = 0;   // Chart: height on the page (the width is the text's)
};

struct StudyDocument {
    std::string Title;          // the running header of every page
    std::string Subtitle;       // under the title on the first page
    std::vector<StudyBlock> Blocks;

    void AddHeading(std::string text);
    void AddParagraph(std::string text);
    void AddNote(std::string text);
    void AddTable(StudyTable table);
    void AddChart(std::string name, double heightMm, std::string caption);
    void AddPageBreak();
};

// The return periods of the quantile tables: the project's own list when it
// has one (valid periods, above 1 year), otherwise the seven of the analysis.
std::vector<double> StudyReturnPeriods(const std::vector<double>& project);


// The names of the charts a station study asks the renderer for.
constexpr const char* kStudyTimeChart = "serie";
constexpr const char* kStudyFrequencyChart = "frequencia";
constexpr const char* kStudyRatioChart = "momentos-l";
// How the data table writes a year without flow.
constexpr const char* kZeroYearMark = "0 *";
constexpr const char* kStudyB17cChart = "b17c";

// The project's Bulletin 17C analysis: its flood record, the options and
// what the analysis gave (Result.Ok false: the section says why it failed).
struct StudyB17c {
    HistoricalRecord Record;
    B17cOptions Options;
    B17cResult Result;
};

struct StudyInput {
    const AnalysisRecord* Record = nullptr;
    const SimulationSummary* Simulations = nullptr;  // simulated from *Record
    const Advice* Consulted = nullptr;
    std::string Date;          // "07/12/2026"
    std::string Version;       // "1.0"
    std::string Variable = "Vazão máxima anual";
    std::string Unit;          // "m³/s", or empty
    bool AllQuantiles = true;  // also the quantiles of all eight distributions
    std::vector<double> ReturnPeriods;  // the project's list; empty: the seven
    ZeroYears Zeros;           // the years without flow set aside from *Record
    NumberStyle Style = TextStyle();
    // A section of its own, after the charts, when the project has a flood
    // record for Bulletin 17C; the study of a project without one is unchanged.
    std::optional<StudyB17c> B17c;
};

StudyDocument StationStudy(const StudyInput& input);
// Adds the section numbered `number` of input.B17c (which must be set).
void B17cSection(StudyDocument& doc, const StudyInput& input, int number);

}  // namespace zarn
