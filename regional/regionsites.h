// SPDX-License-Identifier: GPL-3.0-or-later
// The stations of a regional analysis, read from their files.
//
//   RegionEntry          a station to read: its file, name and drainage area
//   RegionEntriesOf      the stations of a folder (data files and downloads in
//                        name order), of a list file, path[;name[;area_km2]]
//                        per line (# comments, relative paths from the list's
//                        folder), or of a table of site L-moments: a header
//                        naming n, l1 (or mean), t (or L-CV), t3, t4, t5 and
//                        optionally the site and area, then a row per site,
//                        separated by commas, semicolons or tabs
//   ReadRegionSite       its values (a download imported with the importer's
//                        defaults), refused as the at-site analysis refuses
//                        them, and their L-moments; ZarnError on a refusal
//   ReadRegionSites      every entry; a refused one left out with a warning
//   ParseDecimal         a decimal number typed with "." or "," as the decimal
//                        mark (no hexadecimal, infinity or NaN)
#pragma once

#include <array>
#include <string>
#include <vector>

#include "regional/regional.h"

namespace zarn {

struct RegionEntry {
    std::string Path;
    std::string Name;
    double Area = 0;      // km2; 0 when not given
    bool Import = false;  // a download or table, not a .dat data file
    // A row of a table of site L-moments: n and l1, t, t3, t4, t5 as published.
    bool Given = false;
    int N = 0;
    std::array<double, 5> LMoments{};
    int Line = 0;  // the line of the list or table (0: a folder's file)
};

// Throws ZarnError when the folder, list or table cannot be read, a line's
// area is not a positive decimal number, a site is listed twice (naming both
// lines) or a table's row is not a site's L-moments (naming the line and why).
std::vector<RegionEntry> RegionEntriesOf(const std::string& input);
// The entry of one file: named after the file, imported unless it is a .dat.
RegionEntry RegionEntryOf(const std::string& path);

RegionSite ReadRegionSite(const RegionEntry& entry);
std::vector<RegionSite> ReadRegionSites(const std::vector<RegionEntry>& entries, std::vector<std::string>& warnings);

bool ParseDecimal(std::string text, double& v);

}  // namespace zarn
