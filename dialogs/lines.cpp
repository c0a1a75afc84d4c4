#include "dialogs/lines.h"

namespace zarn {}  // namespace zarn
