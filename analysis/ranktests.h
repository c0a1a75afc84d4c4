// SPDX-License-Identifier: GPL-3.0-or-later
// Non-parametric checks of the sample: independence (Kendall), homogeneity
// (Mann-Kendall), outliers (Grubbs and Beck on the logarithms, and the change
// of skewness when an extreme is removed). The tests only set TestFlags bits.
//
//   SortWithCompanion   SortAscending on the keys, swaps mirrored in the companion
//   MidRanks            replaces each run of ties by the mean of its positions
//   TieGroupCounts      a[t-1] = number of distinct values occurring t times
//   SignSum             S = #(x_i < x_j) - #(x_i > x_j) over i < j
//   VarianceOfS         [n(n-1)(2n+5) - sum a_t t(t-1)(2t+5)] / 18
//   StandardisedS       |(S -+ 1) / sqrt(Var S)|, 0 when S = 0
//   GrubbsBeckK         the 10 % outlier factor: the Bulletin 17B polynomial up
//                       to n = 343, the exact Grubbs (1969) value beyond
//   KendallTest, MannKendallTest, GrubbsBeckTest, SkewnessOutlierTest
#pragma once

#include "analysis/record.h"

namespace zarn {

void SortWithCompanion(double* key, double* companion, int n);
void MidRanks(double* sorted, int n);
// Fills a[0..n-1] with a_1..a_n.
void TieGroupCounts(const double* sorted, int n, double* a);
double SignSum(const double* x, int n);
double VarianceOfS(int n, const double* a);
double StandardisedS(double S, double varS);

double GrubbsBeckK(int n);

void KendallTest(AnalysisRecord& r);
void MannKendallTest(AnalysisRecord& r);
void GrubbsBeckTest(AnalysisRecord& r);
void SkewnessOutlierTest(AnalysisRecord& r);

}  // namespace zarn
