#include "analysis/estimation.h"

namespace zarn {}  // namespace zarn
