// SPDX-License-Identifier: GPL-3.0-or-later
// The numerical fault codes of the analysis core and the one way to end a
// routine on one (Hosking's routines: one error exit, a numeric code, no
// messages written). Words for a code belong to the layer that shows them.
//
//   CalcError                 the code of the last routine run on this thread
//   kNoFault                  0
//   kParameterOutOfRange      1 a parameter (scale, shape, l2, |t3|) outside its domain
//   kArgumentOutOfRange       2 the argument (x, F) outside the domain of the routine
//   kIterationLimit           3 an iteration stopped at its limit (last iterate returned)
//   kEstimateNotSettled       2 the GEV shape's Newton refinement did not settle
//                               (the set is written from the last iterate)
//   fail                      sets CalcError and returns the routine's fault result
//
// CalcError is per thread: the simulations run on several threads at once.
#pragma once

namespace zarn {

extern thread_local int CalcError;

enum FaultCode : int {
    kNoFault = 0,
    kParameterOutOfRange = 1,
    kArgumentOutOfRange = 2,
    kIterationLimit = 3,
    // The estimators number their own faults: l2 <= 0 or |t3| >= 1 is a
    // parameter fault (1); the unsettled GEV refinement is 2, as the
    // simulations' refits have always recorded it.
    kEstimateNotSettled = 2,
};

// Ends a routine on a domain fault: the code goes to CalcError and the
// routine returns `result` (0 for the functions; for the estimators, whether
// the parameter set was written).
template <typename Result = double>
inline Result fail(FaultCode code, Result result = Result{}) {
    CalcError = code;
    return result;
}

}  // namespace zarn
