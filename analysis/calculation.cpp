#include "analysis/calculation.h"

namespace zarn {}  // namespace zarn
