#include "analysis/special.h"

namespace zarn {}  // namespace zarn
