#include "analysis/statistics.h"

namespace zarn {}  // namespace zarn
