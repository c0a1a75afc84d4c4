#include "platform/session.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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

std::vector<std::string> SupportFolders(const Session& session) {
    std::vector<std::string> folders;
    auto add = [&](const std::string& folder) {
        if (!folder.empty() && std::find(folders.begin(), folders.end(), folder) == folders.end())
            folders.push_back(folder);
    };
    add(session.StartupDir);
    const std::string programDir = ProgramDir();
    add(programDir);
    // The data folder is found from the executable (bin/zarn -> share/zarn),
    // so an installation works under whatever prefix it was unpacked to.
    if (!programDir.empty())
        add((std::filesystem::path(programDir) / kDataDirFromProgramDir).lexically_normal().string());
    return folders;
}

std::string FindSupportFile(const Session& session, const std::string& name) {
    for (const std::string& folder : SupportFolders(session)) {
        const std::string path = folder + "/" + name;
        if (IsRegularFile(path)) return path;
    }
    return {};
}

}  // namespace zarn
