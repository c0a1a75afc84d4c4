// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/filewrite.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "files/errors.h"

namespace zarn {

namespace {

constexpr int kTemporaryNameAttempts = 100;

// Writes all of `bytes` to `fd`; false with errno set on a failure.
bool WriteAll(int fd, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// A name for the temporary file beside `path`, unique within this process
// (the batch writes from several threads at once).
std::string TemporaryNameBeside(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    const auto slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return folder + "." + name + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1) + 1);
}

// The path with symbolic links resolved, or `path` itself when that fails.
std::string ResolvedPath(const std::string& path) {
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr) return path;
    std::string resolved(real);
    std::free(real);
    return resolved;
}

}  // namespace

std::string ReadFileContents(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) RaiseFileError(errno, path);
    std::string bytes;
    char buffer[1 << 16];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
    const bool failed = std::ferror(f) != 0;
    const int code = errno;
    std::fclose(f);
    if (failed) RaiseFileError(code != 0 ? code : EIO, path);
    return bytes;
}

void ReplaceFileContents(const std::string& path, std::string_view bytes,
                         const std::function<std::string(WriteStage, int)>& errorText, LinkAtTarget linkAtTarget) {
    auto fail = [&](WriteStage stage, int code) { throw FileError(errorText(stage, code), code, path); };

    // Asked to, a symbolic link at the target is replaced by the new file,
    // never followed. A link to a device or pipe (/dev/stdout) is written
    // through, as the device itself is.
    struct stat st {};
    const bool link = ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
    const bool replaceLink = link && linkAtTarget == LinkAtTarget::Replace;
    bool exists = link ? ::stat(path.c_str(), &st) == 0 : ::lstat(path.c_str(), &st) == 0;
    // A device or pipe is written in place: there is nothing to rename over.
    if (exists && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (fd < 0) fail(WriteStage::Create, errno);
        const bool written = WriteAll(fd, bytes);
        const int code = errno;
        ::close(fd);
        if (!written) fail(WriteStage::Write, code);
        return;
    }
    if (exists && S_ISDIR(st.st_mode)) fail(WriteStage::Create, EISDIR);
    // A file the user may not write is not replaced behind the user's back.
    if (exists && !replaceLink && ::access(path.c_str(), W_OK) != 0) fail(WriteStage::Create, errno);
    // Replaced, the link goes and what it named stays as it was; followed, the
    // link keeps pointing where it did and the file it names is replaced.
    const std::string target = exists && !replaceLink ? ResolvedPath(path) : path;
    if (replaceLink) exists = false;

    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < kTemporaryNameAttempts && fd < 0; ++attempt) {
        temporary = TemporaryNameBeside(target);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) fail(WriteStage::Create, errno);
    if (exists) ::fchmod(fd, st.st_mode & 07777);

    bool written = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    int code = errno;
    if (::close(fd) != 0 && written) {
        written = false;
        code = errno;
    }
    if (!written) {
        ::unlink(temporary.c_str());
        fail(WriteStage::Write, code);
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        code = errno;
        ::unlink(temporary.c_str());
        fail(WriteStage::Create, code);
    }
}

}  // namespace zarn
