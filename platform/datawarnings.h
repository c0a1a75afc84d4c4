// SPDX-License-Identifier: GPL-3.0-or-later
// The words of the data-file warnings, shared by the desktop program and the
// batch tool; each says where its user finds the importer.
//
//   DataFileWarningText   one warning in Portuguese, ending with `hint`
#pragma once

#include <string>

#include "files/datafile.h"

namespace zarn {

// `hint`: how this program's user builds a data file ("Use Projeto > ...").
std::string DataFileWarningText(const DataFileWarning& warning, const std::string& hint);

}  // namespace zarn
