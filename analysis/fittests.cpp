#include "analysis/fittests.h"

namespace zarn {}  // namespace zarn
