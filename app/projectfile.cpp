#include "app/projectfile.h"

namespace zarn {}  // namespace zarn
