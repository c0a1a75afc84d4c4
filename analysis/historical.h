// SPDX-License-Identifier: GPL-3.0-or-later
// A flood record with historical and censored information: for each year a
// point value, an interval, or nothing, and the perception thresholds that
// say which floods would have been known in which years (Bulletin 17C,
// England et al. 2018, 4; Cohn, Lane and Baier 1997).
//
//   FloodObservation        one year's value or interval, in flow units
//   PerceptionThreshold     the floods known in a range of years
//   HistoricalRecord        the observations and the user's thresholds
//   ReadPeakFile            a USGS annual peak file (RDB)
//   ReadHistoricalTable     a table of year and value ("<Q", ">Q", "LOW-HIGH"),
//                           and "limiar;FIRST-LAST;LOW[;HIGH]" lines for thresholds
//   CheckHistoricalRecord   what makes a record unusable, in Portuguese
//   ParseHistoricalRecord   either of the two from text already in memory
//
// The readers return the record, or a Portuguese reason in `Failure`.
#pragma once

#include <cmath>
#include <string>
#include <string_view>
#include <vector>

namespace zarn {

// One year's information: a point value (Low == High), an interval [Low, High]
// (censored "< Q" is [0, Q], "> Q" is [Q, +inf)), flows in the user's units (not logs).
struct FloodObservation {
    int Year = 0;
    double Low = 0;
    double High = 0;
    bool Historical = false;  // outside the systematic record (a historic peak)
};

// A perception threshold: in years First..Last every flood of at least Low
// (and at most High) would be known.
struct PerceptionThreshold {
    int First = 0;
    int Last = 0;
    double Low = 0;
    double High = INFINITY;
};

struct HistoricalRecord {
    std::vector<FloodObservation> Observations;   // one per year, sorted by year, years unique
    std::vector<PerceptionThreshold> Thresholds;  // user-given; the systematic years get [0, inf) unless covered
};

struct HistoricalReading {
    bool Ok = false;
    std::string Failure;  // Portuguese reason when !Ok
    HistoricalRecord Record;
};

// A USGS peak file (RDB: peak_cd 7 historic, 4 less than, 8 greater than;
// rows without discharge skipped).
HistoricalReading ReadPeakFile(const std::string& path);
// A table of year;value (value may be "<Q", ">Q", "LOW-HIGH").
HistoricalReading ReadHistoricalTable(const std::string& path);
// Either format from text in memory (a peak file when it has RDB headers).
HistoricalReading ParseHistoricalRecord(std::string_view text);
HistoricalReading ParsePeakFile(std::string_view text);
HistoricalReading ParseHistoricalTable(std::string_view text);
// Either format from a file (a peak file when it has RDB headers).
HistoricalReading ReadHistoricalFile(const std::string& path);

// A Portuguese reason when the record cannot be analysed as it stands (years
// repeated or unsorted, a value negative, not finite, or an interval with Low
// above High, a threshold with First after Last); empty when sound.
std::string CheckHistoricalRecord(const HistoricalRecord& record);

}  // namespace zarn
