// The project file: one 321,736-byte image of the AnalysisRecord.
//
//   WriteProjectFile   writes to a temporary file in the same folder, then
//                      replaces the old file: a failed save keeps the old one
//   ReadProjectFile    reads the first 321,736 bytes; refuses a file whose
//                      counts or plotted distribution would overrun the arrays;
//                      on any failure `r` is left as it was
#pragma once

#include <string>

#include "analysis/record.h"

namespace zarn {

void WriteProjectFile(const AnalysisRecord& r, const std::string& path);
void ReadProjectFile(AnalysisRecord& r, const std::string& path);

}  // namespace zarn
