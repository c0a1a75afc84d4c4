// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/filerules.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <utility>
#include <sys/stat.h>
#include <unistd.h>

#include "files/errors.h"
#include "files/textcodec.h"

namespace zarn {

namespace {

std::string Shown(const std::string& path) { return IsValidUtf8(path) ? path : Windows1252ToUtf8(path); }

std::string Megabytes(std::size_t bytes) { return std::to_string(bytes >> 20) + " MB"; }

// What the system knows of a name, for telling whether two names are one file.
struct Identity {
    bool Exists = false;      // the name (links followed) names a file
    dev_t Device = 0;
    ino_t Inode = 0;
    bool Special = false;     // an existing device, pipe or socket: written in place
    bool Folder = false;      // an existing folder
    std::string Location;     // the name with its folder resolved (links, "..")
    std::string Target;       // the file it names, links followed; "" when none
};

std::string RealPath(const std::string& path) {
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr) return {};
    std::string resolved(real);
    std::free(real);
    return resolved;
}

Identity IdentityOf(const std::string& path) {
    namespace fs = std::filesystem;
    Identity id;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        id.Exists = true;
        id.Device = st.st_dev;
        id.Inode = st.st_ino;
        id.Folder = S_ISDIR(st.st_mode);
        id.Special = !S_ISREG(st.st_mode) && !id.Folder;
        id.Target = RealPath(path);
    }
    std::error_code ignored;
    const fs::path absolute = fs::absolute(fs::path(path), ignored);
    const std::string folder = RealPath(absolute.parent_path().string());
    const std::string name = absolute.filename().string();
    id.Location = folder.empty() ? absolute.string() : (folder == "/" ? "/" : folder + "/") + name;
    return id;
}

}  // namespace

std::string InputTooLargeText(const std::string& path, const InputLimit& limit) {
    return "O arquivo \"" + Shown(path) + "\" tem mais de " + Megabytes(limit.Bytes) + ", mais do que cabe em " +
           limit.Kind + ": nada foi lido.";
}

int OpenInputFile(const std::string& path, const InputLimit& limit) {
    // Without blocking: a FIFO nobody writes to would hold the open itself.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) RaiseFileError(errno, path);
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int code = errno;
        ::close(fd);
        RaiseFileError(code, path);
    }
    if (S_ISDIR(st.st_mode)) {
        ::close(fd);
        RaiseFileError(EISDIR, path);
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        throw ZarnError("O arquivo \"" + Shown(path) + "\" não é um arquivo comum (é um dispositivo, um pipe ou um " +
                        "socket): nada foi lido. Dê o caminho de um arquivo.");
    }
    if (static_cast<unsigned long long>(st.st_size) > limit.Bytes) {
        ::close(fd);
        throw ZarnError(InputTooLargeText(path, limit));
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

std::string ReadInputFile(const std::string& path, const InputLimit& limit) {
    const int fd = OpenInputFile(path, limit);
    std::string bytes;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int code = errno;
            ::close(fd);
            RaiseFileError(code, path);
        }
        if (n == 0) break;
        // The size was checked on opening; a file growing meanwhile stops here.
        if (bytes.size() + static_cast<std::size_t>(n) > limit.Bytes) {
            ::close(fd);
            throw ZarnError(InputTooLargeText(path, limit));
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return bytes;
}

void OutputRule::Input(const std::string& path) {
    if (!path.empty()) inputs_.push_back(path);
}

void OutputRule::Output(const std::string& path) {
    if (!path.empty() && path != "-") outputs_.push_back(path);
}

namespace {

// The names and files already taken, each with the index of who took it:
// a batch checks thousands of outputs, so the lookups are by key.
class TakenFiles {
public:
    // The index of the first entry that is the same file as `id`, or -1.
    long Find(const Identity& id) const {
        for (const std::string* name : {&id.Location, &id.Target}) {
            if (name->empty()) continue;
            if (const auto it = names_.find(*name); it != names_.end()) return it->second;
        }
        if (id.Exists)
            if (const auto it = files_.find({id.Device, id.Inode}); it != files_.end()) return it->second;
        return -1;
    }
    void Add(const Identity& id, long index) {
        names_.emplace(id.Location, index);
        if (!id.Target.empty()) names_.emplace(id.Target, index);
        if (id.Exists) files_.emplace(std::make_pair(id.Device, id.Inode), index);
    }

private:
    std::map<std::string, long> names_;
    std::map<std::pair<dev_t, ino_t>, long> files_;
};

}  // namespace

void OutputRule::Check() const {
    TakenFiles inputs;
    for (std::size_t k = 0; k < inputs_.size(); ++k) inputs.Add(IdentityOf(inputs_[k]), static_cast<long>(k));
    TakenFiles outputs;
    for (std::size_t i = 0; i < outputs_.size(); ++i) {
        const std::string& out = outputs_[i];
        const Identity id = IdentityOf(out);
        if (id.Folder)
            throw ZarnError("A saída \"" + Shown(out) + "\" é uma pasta: nada foi gravado. Dê o nome de um arquivo.");
        // A device or pipe is written in place: it replaces nothing.
        if (id.Special) continue;
        if (const long k = inputs.Find(id); k >= 0)
            throw ZarnError("A saída \"" + Shown(out) + "\" é o próprio arquivo de entrada \"" + Shown(inputs_[k]) +
                            "\": nada foi gravado, para não o destruir. Escolha outro nome para a saída.");
        if (const long k = outputs.Find(id); k >= 0) {
            if (outputs_[k] == out)
                throw ZarnError("Duas saídas com o mesmo nome \"" + Shown(out) + "\": nada foi gravado.");
            throw ZarnError("As saídas \"" + Shown(outputs_[k]) + "\" e \"" + Shown(out) +
                            "\" são o mesmo arquivo: nada foi gravado.");
        }
        outputs.Add(id, static_cast<long>(i));
    }
}

}  // namespace zarn
