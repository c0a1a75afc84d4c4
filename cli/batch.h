// SPDX-License-Identifier: GPL-3.0-or-later
// The analysis of many stations at once: zarn-cli --batch INPUT --out DIR.
//
// INPUT is a folder (its .dat files, and, imported with the importer's
// defaults, its HidroWeb and USGS downloads and its .csv and .tsv tables, in
// name order) or a text file listing paths
// (one per line; blank lines and lines starting with # are skipped;
// relative paths are taken from the list's folder). Stations run in
// parallel, one analysis per thread. For each station DIR receives, named
// after its file: NAME.json, NAME.txt (report), NAME.clp (fact file),
// NAME.advice.json and NAME.prj, byte-identical to a single zarn-cli run on
// that file; an imported station also NAME.dat. DIR/resumo.csv (";" and ","
// decimals, UTF-8 with BOM) and DIR/summary.csv ("," and ".") hold one row
// per station, with the error text of a station that failed: its years
// without flow set aside and, for each return period asked, the recommended
// distribution's quantile and 90 % limits with the zeros taken back in. Progress goes
// to standard error.
//
//   BatchOptions    input, output folder, threads
//   BatchStations   the stations of an input, in order
//   RunBatch        the whole batch; 0 when every station completed, 1 otherwise
#pragma once

#include <string>
#include <vector>

namespace zarn {

struct BatchOptions {
    std::string Input;
    std::string Out;
    int Threads = 0;  // 0: the machine's hardware threads
    std::string RuleBase;  // --rules FILE; empty: the user's adapted one or the compiled-in one
    // The summaries' quantile columns and each station's UserReturnPeriods;
    // empty: the seven of the report.
    std::vector<double> ReturnPeriods;
};

struct BatchStation {
    std::string Path;     // the input file as given
    std::string Name;     // the output files' name: the file's name without extension,
                          // made unique across the batch (see NameStations)
    bool Import = false;  // a download or table: imported into NAME.dat, which is analysed
    std::string Fault;    // a directory entry that could not be looked at: why (a failed row)
};

// Throws ZarnError when INPUT cannot be read.
std::vector<BatchStation> BatchStations(const std::string& input);

int RunBatch(const BatchOptions& options);

}  // namespace zarn
