// SPDX-License-Identifier: GPL-3.0-or-later
// The project file: one 321,736-byte image of the AnalysisRecord, without
// header. Failures are ZarnErrors with the file error texts ("File not found",
// "Invalid filename", "File access denied", "Read beyond end of file",
// "Disk full", "I/O error N").
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

// A `path` naming a device or another non-regular file is written in place.
void WriteProjectFile(const AnalysisRecord& r, const std::string& path);
// Refuses SampleSize or ClassCount outside 0..10000 and PlotDistribution
// outside 1..8 with a Portuguese message (UTF-8) naming the file.
void ReadProjectFile(AnalysisRecord& r, const std::string& path);

}  // namespace zarn
