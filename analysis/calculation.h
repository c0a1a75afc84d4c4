// The calculation driver: fills the whole record from four texts and a data
// file, in fifteen steps. Any failure is a ZarnError and ends it at the step
// that failed; the record is then incomplete.
//
//   CalculateAll   title, location and comment in Windows-1252; the data
//                  file path as the file system spells it (UTF-8), stored in
//                  the record converted to Windows-1252; the caller has
//                  cleared TestFlags
#pragma once

#include <string>

#include "analysis/record.h"

namespace zarn {

// dataFileName is the path the user chose: the file is read under it whole,
// the record keeps its first 255 characters.
void CalculateAll(AnalysisRecord& r, const std::string& title, const std::string& location,
                  const std::string& comment, const std::string& dataFileName);

}  // namespace zarn
