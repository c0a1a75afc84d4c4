// SPDX-License-Identifier: GPL-3.0-or-later
// What the program knows for the whole run, apart from the project, and
// where its support files (help file, rule bases) are found.
//
//   Session            the values of one run of a program; the desktop
//                      program, the batch tools and the tests each own one
//   ProgramDir         the folder of the running executable
//   SupportFolders     StartupDir, beside the executable, the installed data folder
//   FindSupportFile    the first of those holding a support file
//   FindRuleBaseFile   an adapted rule base in the user's configuration
//                      folder, beside the executable or installed; never in
//                      the working folder (a rule base is code)
#pragma once

#include <string>
#include <vector>

namespace zarn {

struct Session {
    // The working directory at start-up: help file, rule-engine files,
    // the first folder of the file dialogs. Empty: not known (the support
    // files are then looked for beside the program only).
    std::string StartupDir;
    // The rule base chosen for the run (--rules FILE, or the advice window's
    // menu); empty: the user's adapted one (FindRuleBaseFile), else the
    // compiled-in one.
    std::string RuleBase;
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

// The user's configuration folder of the program: $XDG_CONFIG_HOME/zarn
// (an absolute path only), else ~/.config/zarn; "" when neither is known.
std::string UserConfigDir();
// The folders searched for an adapted rule base, in order: UserConfigDir(),
// the executable's folder, the installed data folder.
std::vector<std::string> RuleBaseFolders();
// The full path of the first existing regular file `name` in
// RuleBaseFolders(), or "" when there is none.
std::string FindRuleBaseFile(const std::string& name);

}  // namespace zarn
