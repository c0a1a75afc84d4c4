// SPDX-License-Identifier: GPL-3.0-or-later
// The two rules every program applies to the files a run touches, in one
// place so that the batch tool, the charts tool and the windows agree.
//
// Inputs are regular files of a bounded size. A device, a pipe or a socket
// given as input would never end (/dev/zero, a FIFO nobody writes) and is
// refused with its path; the check is made on the opened descriptor (opened
// without blocking), never on a name looked at before. A file larger than
// its kind ever is (a data file of 10 000 values, a download, a rule base)
// is refused before a byte is read, and no read goes past the limit even if
// the file grows meanwhile.
//
// An output is never an input nor another output of the same run: names are
// compared after resolving links and ".." in their folders, and files that
// exist by device and inode (hard links). A folder is never an output. An
// existing device or pipe (/dev/null, /dev/stdout) is written in place by the
// atomic writer and takes no part in the comparison.
//
//   InputLimit        a kind of input and its largest size
//   OpenInputFile     a descriptor of a regular file within its limit
//   ReadInputFile     every byte of such a file
//   OutputRule        the inputs and outputs of a run; Check refuses a clash
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace zarn {

struct InputLimit {
    std::size_t Bytes;
    const char* Kind;  // "um arquivo de dados", for the message
};

// A data file holds at most 10 000 values: 16 MB leaves over 1.6 kB a line.
inline constexpr InputLimit kDataFileInput{16u << 20, "um arquivo de dados"};
// A download of daily flows (HidroWeb, USGS) or a table of annual values.
inline constexpr InputLimit kDownloadInput{64u << 20, "um arquivo a importar"};
inline constexpr InputLimit kListInput{1u << 20, "uma lista de arquivos"};
inline constexpr InputLimit kRuleBaseInput{1u << 20, "uma base de regras"};
inline constexpr InputLimit kSettingsInput{1u << 20, "um arquivo de configurações do projeto"};
// A project file is read up to the record's size alone; any size passes.
inline constexpr InputLimit kProjectInput{static_cast<std::size_t>(-1), "um projeto"};

// Opens `path` for reading. Throws FileError for what the system refuses
// (a folder: EISDIR, as before), ZarnError naming the path for a device,
// pipe or socket, or for a file larger than limit.Bytes. The caller closes
// the descriptor.
int OpenInputFile(const std::string& path, const InputLimit& limit);
std::string ReadInputFile(const std::string& path, const InputLimit& limit);

// The text refusing a file larger than its kind: also for a reader that
// counts the bytes it has taken.
std::string InputTooLargeText(const std::string& path, const InputLimit& limit);

class OutputRule {
public:
    // A file the run reads; "" is ignored.
    void Input(const std::string& path);
    // A file the run writes; "" and "-" (standard output) are ignored.
    void Output(const std::string& path);
    // Throws ZarnError before anything is written: an output that is a folder,
    // an input, or another output.
    void Check() const;

private:
    std::vector<std::string> inputs_, outputs_;
};

}  // namespace zarn
