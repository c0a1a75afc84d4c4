#include "dialogs/report.h"

namespace zarn {}  // namespace zarn
