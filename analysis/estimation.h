// SPDX-License-Identifier: GPL-3.0-or-later
// Parameter estimation by the method of L-moments (Hosking and Wallis 1997).
// Each estimator sets CalcError to 0 on entry; invalid L-moments set code 1.
// Each returns whether it wrote the parameter set: the simulations' refits
// keep the previous parameters when it did not.
//
//   EstimateNormal        mu = l1, sigma = l2 sqrt(pi); clears the set first
//   EstimateGumbel        alpha = l2 / ln 2, xi = l1 - gamma_E alpha; clears first
//   EstimateExponential   alpha = 2 l2, xi = l1 - alpha
//   EstimatePearson3      mean, sd, skew from t3 (Hosking's PELPE3 approximations)
//   EstimateGEV           Hosking's PELGEV: polynomial start, Newton refinement
//   EstimateGPA           k = (1 - 3 t3) / (1 + t3)
//   EstimateParameters    dispatch by DistributionIndex (1,2 Normal; 5,6 Pearson III)
//   EstimateAllDistributions  Parameters[1..8] of the record
#pragma once

#include "analysis/record.h"

namespace zarn {

bool EstimateNormal(LMomentSet m, ParameterSet& p);
bool EstimateGumbel(LMomentSet m, ParameterSet& p);
bool EstimateExponential(LMomentSet m, ParameterSet& p);
bool EstimatePearson3(LMomentSet m, ParameterSet& p);
bool EstimateGEV(LMomentSet m, ParameterSet& p);
bool EstimateGPA(LMomentSet m, ParameterSet& p);

bool EstimateParameters(int index, LMomentSet m, ParameterSet& p);
void EstimateAllDistributions(AnalysisRecord& r);

}  // namespace zarn
