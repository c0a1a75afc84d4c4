// SPDX-License-Identifier: GPL-3.0-or-later
// The return periods of a study and the quantiles at them, with the
// conditional probability adjustment of a series holding years without flow
// (Interagency Advisory Committee on Water Data 1982, Bulletin 17B,
// appendix 5; a mixed distribution with a point mass at zero).
//
// With z zero annual maxima among n, p0 = z/n and the analysis runs on the
// n - z positive values. The quantile of non-exceedance probability F is
//   0                                when F <= p0 (the river is expected dry),
//   Q'((F - p0) / (1 - p0))          otherwise,
// Q' the quantile of the distribution fitted to the positive values; the
// 90 % limits are those of Q' at the same conditional probability, taken
// from the refits of the critical-R simulation. Without zeros p0 = 0 and
// every number is that of the plain analysis, to the bit.
//
//   kMaxReturnPeriods          the longest list a study keeps
//   StandardReturnPeriods      2, 5, 10, 50, 100, 200 and 1000 years
//   ParseReturnPeriods         a typed list, or a Portuguese refusal
//   FormatReturnPeriods        the list as the user types it
//   ReturnPeriodProbability    F = 1 - 1/T (the report's decimals for its seven)
//   ZeroYears                  the zeros set aside and the years read
//   ConditionalProbability     (F - p0) / (1 - p0), false when F <= p0
//   AdjustedQuantile           the quantile rule above for one distribution
//   AcceptableReturnPeriods    a list ParseReturnPeriods would give
//   ProjectZeroYears           the zeros of an opened project, from its side file
//   ReadProjectStudy           the periods and zeros of an opened project
//   StudyReturnPeriods         the periods of a project's settings
//   SetStudy                   a study's periods and zeros into a project's settings
//   KeepStudySettings          the zeros and periods into a project's side file
//   MakeReturnPeriodTable      quantiles, limits and counts of the eight
//                              distributions at a list of return periods
#pragma once

#include <array>
#include <string>
#include <vector>

#include "analysis/intervals.h"
#include "files/projectsettings.h"
#include "analysis/quantiles.h"
#include "analysis/record.h"
#include "analysis/simulation.h"

namespace zarn {

constexpr int kMaxReturnPeriods = 20;

std::vector<double> StandardReturnPeriods();

// Values separated by ";" (then "," may be the decimal mark, "1,5") or,
// when the text holds no ";", by ","; blanks around them are ignored. Each
// must be a number greater than 1, at most kMaxReturnPeriods of them, kept in
// the order given. Returns "" and fills `periods`, or the refusal.
std::string ParseReturnPeriods(const std::string& text, std::vector<double>& periods);

// "2; 5; 10; 25" with the given decimal mark; when it is "," the list is
// separated by "; " so that ParseReturnPeriods reads it back.
std::string FormatReturnPeriods(const std::vector<double>& periods, char decimalSeparator = '.');

// 1 - 1/T; for the report's seven periods the report's own probabilities, so
// that the same period gives the same quantile everywhere.
double ReturnPeriodProbability(double T);

struct ZeroYears {
    int Zeros = 0;  // annual maxima of exactly 0 set aside
    int Years = 0;  // values read, zeros included (0: not known, no zeros)
    // p0 = z/n; 0 without zeros.
    double Probability() const { return Zeros > 0 && Years > 0 ? static_cast<double>(Zeros) / Years : 0.0; }
};

bool AcceptableReturnPeriods(const std::vector<double>& periods);

// The zeros of a project: the side file's count beside the record's positive
// values (none when the side file holds none).
ZeroYears ProjectZeroYears(const AnalysisRecord& r, const ProjectSettings& settings);

// What an opened project keeps beside it: its periods (the report's seven
// when the side file holds none, or a list that cannot be used) and zeros.
struct ProjectStudy {
    std::vector<double> ReturnPeriods = StandardReturnPeriods();
    ZeroYears Zeros;
};
// r: the project's record, already read. Throws ZarnError when the side
// file exists but cannot be read.
ProjectStudy ReadProjectStudy(const AnalysisRecord& r, const std::string& projectPath);

// The settings' list when it can be used, else the report's seven.
std::vector<double> StudyReturnPeriods(const ProjectSettings& settings);
// Puts the periods (left out when they are the report's seven) and the zero
// count (left out for none) into `settings`, keeping the rest.
void SetStudy(ProjectSettings& settings, const std::vector<double>& periods, int zeros);

// Writes the zero count (and the periods, when given) into the side file of
// `projectPath`, keeping what else it holds. Nothing is written for a series
// without zeros with the report's seven periods (or none given) and no side
// file yet. Throws ZarnError as WriteProjectSettings does.
void KeepStudySettings(const std::string& projectPath, int zeros, const std::vector<double>* periods);

// The probability of the positive values' distribution at which the
// quantile of F lies: F itself when p0 = 0, else (F - p0)/(1 - p0); false
// when F <= p0.
bool ConditionalProbability(double F, double p0, double& conditional);

// The quantile of F of distribution `index` of the record (the report's rule:
// exp for indexes 2 and 6, a CalcError left as it falls), 0 when F <= p0.
double AdjustedQuantile(const AnalysisRecord& r, int index, double F, double p0);

struct ReturnPeriodTable {
    std::vector<double> Periods;
    std::vector<double> Probabilities;  // F of each period
    double ZeroProbability = 0.0;
    // [distribution - 1][period]
    std::array<std::vector<double>, kDistributionCount> Quantiles;
    std::array<std::vector<QuantileInterval>, kDistributionCount> Intervals;
    // Refits counted for the list, per distribution: a replicate counted for
    // the report's seven periods' rule (refit written, CalcError 0, in the
    // critical-R test) whose quantiles at every period above p0 are valid.
    std::array<int, kDistributionCount> IntervalSamples{};
    // True when the river is expected dry at period t (F <= p0).
    bool Dry(std::size_t t) const { return Probabilities[t] <= ZeroProbability; }
};

// What a floating-point fault in a quantile of the record does: end the
// output with its error, as the report's quantiles do, or leave the value as
// the quantile function gave it, as the windows show it.
enum class QuantileFaults { Raise, Show };

// The table of the record at `periods`; intervals and counts from
// `simulations` (those of the record; without them the limits are NaN and the
// counts 0). Leaves the floating-point flags as it found them.
ReturnPeriodTable MakeReturnPeriodTable(const AnalysisRecord& r, const SimulationSummary* simulations,
                                        const std::vector<double>& periods, double p0,
                                        QuantileFaults faults = QuantileFaults::Raise);

}  // namespace zarn
