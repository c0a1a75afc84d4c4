// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/projectfile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include "files/errors.h"
#include "files/filewrite.h"

namespace zarn {

namespace {

// The Portuguese text refusing a file whose counts would take the readers
// past the record's arrays.
[[noreturn]] void RaiseNotAProject(const std::string& path, const std::string& what, int value,
                                   const char* range) {
    throw ZarnError("O arquivo \"" + path + "\" não é um projeto válido: " + what + " (" +
                    std::to_string(value) + ") está fora do intervalo de " + range + ".");
}

}  // namespace

void WriteProjectFile(const AnalysisRecord& r, const std::string& path) {
    // A failed save keeps the previous project: see ReplaceFileContents.
    ReplaceFileContents(path, std::string_view(reinterpret_cast<const char*>(&r), kRecordSize),
                        [&](WriteStage, int code) { return FileErrorText(code, path); });
}

void ReadProjectFile(AnalysisRecord& r, const std::string& path) {
    // Read-only access: a project file marked read-only opens.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) RaiseFileError(errno, path);

    // Read into a scratch record first: `r` changes only when the whole image
    // has been read and accepted.
    auto scratch = std::make_unique<AnalysisRecord>();
    char* bytes = reinterpret_cast<char*>(scratch.get());
    std::size_t done = 0;
    while (done < kRecordSize) {
        const ssize_t n = ::read(fd, bytes + done, kRecordSize - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int code = errno;
            ::close(fd);
            RaiseFileError(code, path);
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    // Only the first 321,736 bytes count; a shorter file is an error.
    if (done < kRecordSize) throw ZarnError(kReadBeyondEndText);

    // Every reader walks the arrays up to these counts and indexes the
    // per-distribution arrays by PlotDistribution: refuse values that would
    // take it outside them. A file written by a calculation always passes.
    if (scratch->SampleSize < 0 || scratch->SampleSize > kSampleCapacity)
        RaiseNotAProject(path, "o tamanho da amostra", scratch->SampleSize, "0 a 10000");
    if (scratch->ClassCount < 0 || scratch->ClassCount > kSampleCapacity)
        RaiseNotAProject(path, "o número de classes do histograma", scratch->ClassCount, "0 a 10000");
    if (scratch->PlotDistribution < 1 || scratch->PlotDistribution > kDistributionCount)
        RaiseNotAProject(path, "a distribuição do gráfico de probabilidade", scratch->PlotDistribution, "1 a 8");

    std::memcpy(&r, scratch.get(), kRecordSize);
}

}  // namespace zarn
