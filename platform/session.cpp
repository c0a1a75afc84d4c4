// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/session.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace zarn {

namespace {

#ifndef ZARN_DATADIR_FROM_BINDIR
#define ZARN_DATADIR_FROM_BINDIR "../share/zarn"
#endif
// The installed data folder relative to the installed executable's folder.
constexpr const char* kDataDirFromProgramDir = ZARN_DATADIR_FROM_BINDIR;

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

std::string ProgramDir() {
    char buffer[4096];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0) return {};
    const std::string path(buffer, static_cast<std::size_t>(length));
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return {};
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

namespace {

// `first` (when not empty), the executable's folder and the installed data
// folder, without duplicates.
std::vector<std::string> FoldersFrom(const std::string& first) {
    std::vector<std::string> folders;
    auto add = [&](const std::string& folder) {
        if (!folder.empty() && std::find(folders.begin(), folders.end(), folder) == folders.end())
            folders.push_back(folder);
    };
    add(first);
    const std::string programDir = ProgramDir();
    add(programDir);
    // The data folder is found from the executable (bin/zarn -> share/zarn),
    // so an installation works under whatever prefix it was unpacked to.
    if (!programDir.empty())
        add((std::filesystem::path(programDir) / kDataDirFromProgramDir).lexically_normal().string());
    return folders;
}

std::string FindIn(const std::vector<std::string>& folders, const std::string& name) {
    for (const std::string& folder : folders) {
        const std::string path = folder + "/" + name;
        if (IsRegularFile(path)) return path;
    }
    return {};
}

}  // namespace

std::vector<std::string> SupportFolders(const Session& session) { return FoldersFrom(session.StartupDir); }

std::string FindSupportFile(const Session& session, const std::string& name) {
    return FindIn(SupportFolders(session), name);
}

std::string UserConfigDir() {
    // The XDG base directory rules (freedesktop.org): a relative $XDG_CONFIG_HOME is
    // ignored, as is an empty one.
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') return std::string(config) + "/zarn";
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') return std::string(home) + "/.config/zarn";
    return {};
}

std::vector<std::string> RuleBaseFolders() { return FoldersFrom(UserConfigDir()); }

std::string FindRuleBaseFile(const std::string& name) { return FindIn(RuleBaseFolders(), name); }

}  // namespace zarn
