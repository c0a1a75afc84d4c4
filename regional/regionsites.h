// SPDX-License-Identifier: GPL-3.0-or-later
// The stations of a regional analysis, read from their files.
//
//   RegionEntry          a station to read: its file, name and drainage area
//   RegionEntriesOf      the stations of a folder (data files and downloads in
//                        name order) or of a list file, path[;name[;area_km2]]
//                        per line (# comments, relative paths from the list's folder)
//   ReadRegionSite       its values (a download imported with the importer's
//                        defaults), refused as the at-site analysis refuses
//                        them, and their L-moments; ZarnError on a refusal
//   ReadRegionSites      every entry; a refused one left out with a warning
//   ParseDecimal         a number typed with "." or "," as the decimal mark
#pragma once

#include <string>
#include <vector>

#include "regional/regional.h"

namespace zarn {

struct RegionEntry {
    std::string Path;
    std::string Name;
    double Area = 0;      // km2; 0 when not given
    bool Import = false;  // a download or table, not a .dat data file
};

// Throws ZarnError when the folder or list cannot be read or a line's area is not a number.
std::vector<RegionEntry> RegionEntriesOf(const std::string& input);
// The entry of one file: named after the file, imported unless it is a .dat.
RegionEntry RegionEntryOf(const std::string& path);

RegionSite ReadRegionSite(const RegionEntry& entry);
std::vector<RegionSite> ReadRegionSites(const std::vector<RegionEntry>& entries, std::vector<std::string>& warnings);

bool ParseDecimal(std::string text, double& v);

}  // namespace zarn
