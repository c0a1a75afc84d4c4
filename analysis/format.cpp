#include "analysis/format.h"

namespace zarn {}  // namespace zarn
