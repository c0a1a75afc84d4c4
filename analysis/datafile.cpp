#include "analysis/datafile.h"

namespace zarn {}  // namespace zarn
