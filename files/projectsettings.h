// SPDX-License-Identifier: GPL-3.0-or-later
// What a project keeps beside its project file. The project file is one fixed
// image of the analysis record and never changes; the settings a study adds
// (the chart's variable and unit, the return periods of the quantile tables,
// the zero annual maxima set aside) live in a small text file next to it:
// "rio.prj" keeps them in "rio.zarn".
//
//   ProjectSettings          the values; each says whether the file held it
//   ProjectSettingsPath      the side file of a project file
//   ReadProjectSettings      the side file's values; none when it is missing
//   WriteProjectSettings     writes the side file (whole, atomically)
//   FormatProjectSettings    the side file's text
//   ParseProjectSettings     the values of a side file's text
//
// The text is UTF-8, one "key=value" a line; lines starting with "#" are
// comments. Keys this version does not know are kept and written back, so an
// older program never drops what a newer one stored.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zarn {

struct ProjectSettings {
    std::optional<std::string> Variable;            // e.g. "Vazão máxima anual"
    std::optional<std::string> Unit;                // e.g. "m³/s"
    std::optional<std::vector<double>> ReturnPeriods;  // years, in the order given
    std::optional<int> ZeroCount;                   // zero annual maxima set aside
    std::vector<std::pair<std::string, std::string>> Other;  // unknown keys, in file order
};

// "rio.prj" (any case of ".prj") gives "rio.zarn"; any other name gets
// ".zarn" appended.
std::string ProjectSettingsPath(const std::string& projectPath);

// Missing file: every value empty. A file that cannot be read throws the
// file error (ZarnError); a malformed line is skipped.
ProjectSettings ReadProjectSettings(const std::string& projectPath);
// Throws ZarnError with the file error text naming the side file.
void WriteProjectSettings(const std::string& projectPath, const ProjectSettings& settings);

std::string FormatProjectSettings(const ProjectSettings& settings);
ProjectSettings ParseProjectSettings(const std::string& text);

}  // namespace zarn
