#include "app/projectfile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include "analysis/errors.h"

namespace zarn {

namespace {

// Writes all of `size` bytes to `fd`; false with errno set on a failure.
bool WriteAll(int fd, const char* bytes, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, bytes + done, size - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// A name for the temporary file beside `path`, unique within this process.
std::string TemporaryNameBeside(const std::string& path) {
    static unsigned counter = 0;
    const auto slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return folder + "." + name + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
}

// The path with symbolic links resolved, or `path` itself when that fails.
std::string ResolvedPath(const std::string& path) {
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr) return path;
    std::string resolved(real);
    std::free(real);
    return resolved;
}

// The Portuguese text refusing a file whose counts would take the readers
// past the record's arrays.
[[noreturn]] void RaiseNotAProject(const std::string& path, const std::string& what, int value,
                                   const char* range) {
    throw ZarnError("O arquivo \"" + path + "\" não é um projeto válido: " + what + " (" +
                    std::to_string(value) + ") está fora do intervalo de " + range + ".");
}

}  // namespace

void WriteProjectFile(const AnalysisRecord& r, const std::string& path) {
    const char* bytes = reinterpret_cast<const char*>(&r);

    // A device or pipe is written in place: there is nothing to rename over.
    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (fd < 0) RaiseFileError(errno, path);
        const bool written = WriteAll(fd, bytes, kRecordSize);
        const int code = errno;
        ::close(fd);
        if (!written) RaiseFileError(code, path);
        return;
    }
    // A file the user may not write is not replaced behind the user's back.
    if (exists && ::access(path.c_str(), W_OK) != 0) RaiseFileError(errno, path);
    // A symbolic link keeps pointing where it did: the file it names is replaced.
    const std::string target = exists ? ResolvedPath(path) : path;

    // The new image goes to a temporary file beside the target and replaces
    // it only once complete, so a failed save keeps the previous project.
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = TemporaryNameBeside(target);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) RaiseFileError(errno, path);
    if (exists) ::fchmod(fd, st.st_mode & 07777);

    bool written = WriteAll(fd, bytes, kRecordSize) && ::fsync(fd) == 0;
    int code = errno;
    if (::close(fd) != 0 && written) {
        written = false;
        code = errno;
    }
    if (written && ::rename(temporary.c_str(), target.c_str()) != 0) {
        written = false;
        code = errno;
    }
    if (!written) {
        ::unlink(temporary.c_str());
        RaiseFileError(code, path);
    }
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
