#include "app/session.h"

namespace zarn {

bool ProjectModified = false;
std::string StartupDir;

}  // namespace zarn
