// The data file: one value per line, "." as decimal separator, only the first
// token of each line counts.
//
//   ReadDataFile   reads at most kSampleCapacity values into values[0..n-1],
//                  returns n; file errors and "Invalid numeric input" are thrown
#pragma once

#include <string>

namespace zarn {

int ReadDataFile(const std::string& path, double* values);

// The message of a data file holding more values than the sample can keep.
extern const char* const kTooManyValuesText;

}  // namespace zarn
