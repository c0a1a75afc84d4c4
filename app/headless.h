// SPDX-License-Identifier: GPL-3.0-or-later
// Started where no display is available, the desktop program says so and
// shows what it computes instead: the calculation report of a bundled example.
//
//   DisplayAvailable    false when no windowing system can be reached
//   RunWithoutDisplay   prints the notice and the example's report; exit status
#pragma once

#include <iosfwd>

namespace zarn {

bool DisplayAvailable();
int RunWithoutDisplay(const char* programPath, std::ostream& out, std::ostream& err);

}  // namespace zarn
