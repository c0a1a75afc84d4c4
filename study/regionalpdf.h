// SPDX-License-Identifier: GPL-3.0-or-later
// The regional study as a PDF: the document of regionalstudy.h with the
// regional window's own charts (the ratio diagram and the growth curve),
// drawn hidden for it.
//
//   WriteRegionalStudy   the PDF written whole through the atomic writer
//                        (a symbolic link at the name is replaced, never
//                        followed); returns the pages written
#pragma once

#include <QString>
#include <string>
#include <vector>

#include "regional/regional.h"

namespace zarn {

// Throws ZarnError when the file cannot be written.
int WriteRegionalStudy(const QString& path, const RegionalResult& r, const std::string& input,
                       const std::vector<std::string>& advice);

}  // namespace zarn
