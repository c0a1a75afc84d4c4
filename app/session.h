// The two values that live beside the analysis record for the whole run.
#pragma once

#include <string>

namespace zarn {

// True while a created analysis has not been saved.
extern bool ProjectModified;
// The working directory at start-up: help file, rule-engine files.
extern std::string StartupDir;

}  // namespace zarn
