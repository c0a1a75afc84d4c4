// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/errors.h"

#include <cerrno>
#include <cfenv>
#include <string>
#include <sys/stat.h>

namespace zarn {

const char* const kInvalidOperationText = "Invalid floating point operation";
const char* const kDivisionByZeroText = "Floating point division by zero";
const char* const kOverflowText = "Floating point overflow";
const char* const kInvalidNumericText = "Invalid numeric input";
const char* const kReadBeyondEndText = "Read beyond end of file";

namespace {

// True when the folder that would hold `path` exists.
bool ParentFolderExists(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return true;  // the working directory
    const std::string folder = slash == 0 ? std::string("/") : path.substr(0, slash);
    struct stat st {};
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string FileErrorText(int code, const std::string& path) {
    switch (code) {
    case ENOENT:
        return ParentFolderExists(path) ? "File not found" : "Invalid filename";
    case ENOTDIR:
        return "Invalid filename";
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
        return "File access denied";
    case EMFILE:
    case ENFILE:
        return "Too many open files";
    case ENOSPC:
    case EDQUOT:
        return "Disk full";
    default:
        return "I/O error " + std::to_string(code);
    }
}

void RaiseFileError(int code, const std::string& path) {
    throw FileError(FileErrorText(code, path), code, path);
}

FloatingPointCheck::FloatingPointCheck() { Clear(); }

bool FloatingPointCheck::Faulted() {
    return std::fetestexcept(FE_DIVBYZERO | FE_OVERFLOW | FE_INVALID) != 0;
}

void FloatingPointCheck::Clear() { std::feclearexcept(FE_ALL_EXCEPT); }

void FloatingPointCheck::Raise() const {
    RaiseIfFaulted();
    Clear();
}

void FloatingPointCheck::RaiseIfFaulted() {
    const int flags = std::fetestexcept(FE_DIVBYZERO | FE_OVERFLOW | FE_INVALID);
    if (flags != 0) Clear();
    if (flags & FE_DIVBYZERO) throw ZarnError(kDivisionByZeroText);
    if (flags & FE_OVERFLOW) throw ZarnError(kOverflowText);
    if (flags & FE_INVALID) throw ZarnError(kInvalidOperationText);
}

}  // namespace zarn
