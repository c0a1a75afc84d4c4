// What the program knows for the whole run, apart from the project, and
// where its support files (help file, rule bases) are found.
//
//   Session            the values of one run of a program; the desktop
//                      program, the batch tools and the tests each own one
//   ProgramDir         the folder of the running executable
//   SupportFolders     StartupDir, beside the executable, the installed data folder
//   FindSupportFile    the first of those holding a support file
#pragma once

#include <string>
#include <vector>

namespace zarn {

struct Session {
    // The working directory at start-up: help file, rule-engine files,
    // the first folder of the file dialogs. Empty: not known (the support
    // files are then looked for beside the program only).
    std::string StartupDir;
};

// The folder that holds the running executable ("" when it cannot be told).
std::string ProgramDir();
// The folders searched for support files, in order: the start-up folder, the
// executable's folder, the installed data folder (share/zarn beside the
// executable's bin/); duplicates and empty entries left out.
std::vector<std::string> SupportFolders(const Session& session);
// The full path of the first existing regular file `name` in SupportFolders(),
// or "" when there is none.
std::string FindSupportFile(const Session& session, const std::string& name);

}  // namespace zarn
