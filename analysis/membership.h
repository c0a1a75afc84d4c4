// SPDX-License-Identifier: GPL-3.0-or-later
// How well a distribution passes each fit test, as a degree between 0 and 1:
// the fuzzy terms of the fact file, and the parsimony fields of the record.
//
//   SFunction        Zadeh's S-function from a to c (0.5 at the midpoint)
//   ZMembership      of |Z|: 1 - S from 0 to 3.3 (0.5 at 1.65)
//   RMembership      of R: S from 2 R90 - 1 to 1 (0.5 at R90)
//   FitDegree        the smaller of the two, for distribution 1..8 of a record
//   ParsimonyStep    ParsimonyValue[k] = FitDegree of the two-parameter member
//                    k = 1..4, ParsimonyLimit[k] = 0.5 (the last calculation step)
//
// A non-finite input gives membership 0.
#pragma once

#include "analysis/record.h"

namespace zarn {

// The variance test's term: Z-function points.
constexpr double kZMembershipFrom = 0.0;
constexpr double kZMembershipTo = 3.3;
// The two-parameter member passes both tests at the 10 % level from here on.
constexpr double kParsimonyLimit = 0.5;

double SFunction(double x, double a, double c);
double ZMembership(double absZ);
double RMembership(double R, double R90);
double FitDegree(const AnalysisRecord& r, int index);
void ParsimonyStep(AnalysisRecord& r);

}  // namespace zarn
