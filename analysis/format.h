// Number texts of the report, the fact file and the result dialogs.
//
//   FormatFixed   fixed notation, "." always, "-" on every negative value,
//                 left-filled to width and never cut; "Nan", "+Inf", "-Inf"
//   Fixed4        4 significant digits and at most 4 decimals, the exponent
//                 form 1.235E0004 above four integer digits; "INF", "NAN"
#pragma once

#include <string>

namespace zarn {

std::string FormatFixed(double value, int width, int decimals);
std::string Fixed4(double value, char decimalSeparator);

}  // namespace zarn
