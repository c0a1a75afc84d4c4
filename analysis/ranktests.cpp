#include "analysis/ranktests.h"

namespace zarn {}  // namespace zarn
