// SPDX-License-Identifier: GPL-3.0-or-later
// zarn-cli --import: a HidroWeb, USGS or table file into a data file, with
// the summary of kept and left-out years on standard error; and the
// warnings about a data file given to --data.
//
//   IsImportArgument       --import, --out and the import options
//   TakeImportArgument     one import argument and its value into the command
//   CheckImportCommand     the usage fault of a complete command, or ""
//   RunImport              imports and writes; ZarnError on a fault
//   PrintDataFileWarnings  InspectDataFile's warnings, one line each on stderr
#pragma once

#include <string>

#include "import/importer.h"

namespace zarn {

// Where the data-file warnings send the user of the batch tool.
inline const std::string kImporterHint = "Use zarn-cli --import ARQUIVO --out SERIE.dat para montar o arquivo de dados.";

extern const char* const kImportUsage;

struct ImportCommand {
    std::string File;
    std::string Out;  // a path, or - for standard output
    ImportOptions Options;
    bool Given = false;  // any import argument was given
};

// True for --import, --out and the import options (each takes a value).
bool IsImportArgument(const std::string& arg);
// Checks and stores the value of an import argument; the usage fault, or "".
std::string TakeImportArgument(const std::string& arg, const std::string& value, ImportCommand& command);
std::string CheckImportCommand(const ImportCommand& command);
int RunImport(const ImportCommand& command);
void PrintDataFileWarnings(const std::string& dataFile);

}  // namespace zarn
