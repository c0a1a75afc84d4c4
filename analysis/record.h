// SPDX-License-Identifier: GPL-3.0-or-later
// The analysis record: every value of one analysis, and the byte layout of the
// project file. The program's record lives in its Document (platform/);
// every routine of the core takes the record it works on.
//
//   AnalysisRecord      the record itself (321,736 bytes, fixed layout)
//   CountedText         a text of at most 255 single-byte (Windows-1252) characters
//   ParameterSet        Position, Scale, Shape of one fitted distribution
//   LMomentSet          l1, l2, t3, t4
//   FitResult           R and R90 of the probability-plot correlation test
//   SetText / TextOf    store and read a CountedText
//   StoredCount         a count of the record within the sample arrays
//   ParametersOf ...    per-distribution access by DistributionIndex 1..8
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "files/datafile.h"

namespace zarn {

// Capacity of the sample arrays (values 1..10000).
constexpr int kSampleCapacity = 10000;
static_assert(kSampleCapacity == kDataFileCapacity, "the sample holds every value a data file may hold");
// A count read from the record, kept inside the arrays it counts: a damaged
// project file must not make a reader go past the sample arrays.
constexpr int StoredCount(std::int32_t n) { return n < 0 ? 0 : n > kSampleCapacity ? kSampleCapacity : n; }
// Characters a CountedText holds.
constexpr int kTextCapacity = 255;
// Size of the record and of a project file.
constexpr std::size_t kRecordSize = 321736;

// Distribution index, used by every per-distribution array and routine.
enum DistributionIndex : int {
    kNormal = 1,
    kLogNormal = 2,
    kGumbel = 3,
    kExponential = 4,
    kPearson3 = 5,
    kLogPearson3 = 6,
    kGEV = 7,
    kGPA = 8,
};
constexpr int kDistributionCount = 8;

// Verdict bits of TestFlags. Bits 0x01 and 0x80 are never set.
enum TestFlag : std::uint8_t {
    FlagDependent = 0x02,
    FlagNonHomogeneous = 0x04,
    FlagHighOutlierGB = 0x08,
    FlagLowOutlierGB = 0x10,
    FlagHighOutlierSkew = 0x20,
    FlagLowOutlierSkew = 0x40,
};
// Any of these bits calls for the warning block of the report.
constexpr std::uint8_t kWarningMask = 0x7E;

struct CountedText {
    std::uint8_t Length;
    char Chars[kTextCapacity];
};

struct ParameterSet {
    double Position;
    double Scale;
    double Shape;
};

struct LMomentSet {
    double L1;
    double L2;
    double T3;
    double T4;
};

struct FitResult {
    double R;
    double R90;
};

// The arrays below are stored 0-based: element i (1-based, as the analysis
// speaks of it) of Sample is Sample[i - 1], and distribution index d is
// Parameters[d - 1]. The accessors at the end of this header do the shift.
struct AnalysisRecord {
    std::uint8_t TestFlags;
    std::uint8_t PlotDistribution;
    CountedText Title;
    CountedText Location;
    CountedText Comment;
    CountedText DataFileName;
    std::uint8_t Reserved[6];
    double Mean;
    double StdDev;
    double LogMean;
    double LogStdDev;
    double Skewness;
    double LogSkewness;
    double Minimum;
    double Maximum;
    double LogMinimum;
    double LogMaximum;
    double SkewnessWithoutMinimum;
    double SkewnessWithoutMaximum;
    LMomentSet LMoments;
    LMomentSet LogLMoments;
    std::int32_t SampleSize;
    std::int32_t ClassCount;
    double Sample[kSampleCapacity];
    double LogSample[kSampleCapacity];
    double ClassFrequency[kSampleCapacity];
    double ClassCentre[kSampleCapacity];
    ParameterSet Parameters[kDistributionCount];
    FitResult FitTest[kDistributionCount];
    double KendallTau;
    double KendallS;
    double KendallZ;
    double KendallZLimit;
    double KendallVarS;
    double MannKendallS;
    double MannKendallVarS;
    double MannKendallU;
    double MannKendallULimit;
    double GrubbsBeckUpper;
    double GrubbsBeckLower;
    double VarianceTestZ[kDistributionCount];
    double ParsimonyValue[4];
    double ParsimonyLimit[4];
};

// The layout is a file format: every offset is fixed to the byte.
static_assert(sizeof(double) == 8 && sizeof(std::int32_t) == 4);
static_assert(sizeof(CountedText) == 256);
static_assert(sizeof(ParameterSet) == 24 && sizeof(LMomentSet) == 32 && sizeof(FitResult) == 16);
static_assert(offsetof(AnalysisRecord, TestFlags) == 0);
static_assert(offsetof(AnalysisRecord, PlotDistribution) == 1);
static_assert(offsetof(AnalysisRecord, Title) == 2);
static_assert(offsetof(AnalysisRecord, Location) == 258);
static_assert(offsetof(AnalysisRecord, Comment) == 514);
static_assert(offsetof(AnalysisRecord, DataFileName) == 770);
static_assert(offsetof(AnalysisRecord, Reserved) == 1026);
static_assert(offsetof(AnalysisRecord, Mean) == 1032);
static_assert(offsetof(AnalysisRecord, StdDev) == 1040);
static_assert(offsetof(AnalysisRecord, LogMean) == 1048);
static_assert(offsetof(AnalysisRecord, LogStdDev) == 1056);
static_assert(offsetof(AnalysisRecord, Skewness) == 1064);
static_assert(offsetof(AnalysisRecord, LogSkewness) == 1072);
static_assert(offsetof(AnalysisRecord, Minimum) == 1080);
static_assert(offsetof(AnalysisRecord, Maximum) == 1088);
static_assert(offsetof(AnalysisRecord, LogMinimum) == 1096);
static_assert(offsetof(AnalysisRecord, LogMaximum) == 1104);
static_assert(offsetof(AnalysisRecord, SkewnessWithoutMinimum) == 1112);
static_assert(offsetof(AnalysisRecord, SkewnessWithoutMaximum) == 1120);
static_assert(offsetof(AnalysisRecord, LMoments) == 1128);
static_assert(offsetof(AnalysisRecord, LogLMoments) == 1160);
static_assert(offsetof(AnalysisRecord, SampleSize) == 1192);
static_assert(offsetof(AnalysisRecord, ClassCount) == 1196);
static_assert(offsetof(AnalysisRecord, Sample) == 1200);
static_assert(offsetof(AnalysisRecord, LogSample) == 81200);
static_assert(offsetof(AnalysisRecord, ClassFrequency) == 161200);
static_assert(offsetof(AnalysisRecord, ClassCentre) == 241200);
static_assert(offsetof(AnalysisRecord, Parameters) == 321200);
static_assert(offsetof(AnalysisRecord, FitTest) == 321392);
static_assert(offsetof(AnalysisRecord, KendallTau) == 321520);
static_assert(offsetof(AnalysisRecord, KendallS) == 321528);
static_assert(offsetof(AnalysisRecord, KendallZ) == 321536);
static_assert(offsetof(AnalysisRecord, KendallZLimit) == 321544);
static_assert(offsetof(AnalysisRecord, KendallVarS) == 321552);
static_assert(offsetof(AnalysisRecord, MannKendallS) == 321560);
static_assert(offsetof(AnalysisRecord, MannKendallVarS) == 321568);
static_assert(offsetof(AnalysisRecord, MannKendallU) == 321576);
static_assert(offsetof(AnalysisRecord, MannKendallULimit) == 321584);
static_assert(offsetof(AnalysisRecord, GrubbsBeckUpper) == 321592);
static_assert(offsetof(AnalysisRecord, GrubbsBeckLower) == 321600);
static_assert(offsetof(AnalysisRecord, VarianceTestZ) == 321608);
static_assert(offsetof(AnalysisRecord, ParsimonyValue) == 321672);
static_assert(offsetof(AnalysisRecord, ParsimonyLimit) == 321704);
static_assert(sizeof(AnalysisRecord) == kRecordSize);

// Stores the first 255 bytes of text (Windows-1252 bytes) and zeroes the rest.
void SetText(CountedText& field, std::string_view text);
// The stored bytes of a text (Windows-1252).
std::string TextOf(const CountedText& field);

// LogNormal and LogPearson III: fitted to the logarithms, their quantiles are
// in ln X.
constexpr bool IsLogDistribution(int index) { return index == kLogNormal || index == kLogPearson3; }

// Per-distribution access by DistributionIndex 1..8.
inline ParameterSet& ParametersOf(AnalysisRecord& r, int index) { return r.Parameters[index - 1]; }
inline const ParameterSet& ParametersOf(const AnalysisRecord& r, int index) { return r.Parameters[index - 1]; }
inline FitResult& FitTestOf(AnalysisRecord& r, int index) { return r.FitTest[index - 1]; }
inline const FitResult& FitTestOf(const AnalysisRecord& r, int index) { return r.FitTest[index - 1]; }
inline double& VarianceTestZOf(AnalysisRecord& r, int index) { return r.VarianceTestZ[index - 1]; }
inline double VarianceTestZOf(const AnalysisRecord& r, int index) { return r.VarianceTestZ[index - 1]; }

// The distribution's name as the windows, the advice and the summaries write
// it ("Normal", "LogNormal", "Gumbel", "Exponencial", "Pearson III",
// "LogPearson III", "GEV", "GPA"); empty outside 1..8.
std::string DistributionName(int index);

}  // namespace zarn
