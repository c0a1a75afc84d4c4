#include "rules/factfile.h"

namespace zarn {}  // namespace zarn
