#include "analysis/quantiles.h"

namespace zarn {}  // namespace zarn
