// SPDX-License-Identifier: GPL-3.0-or-later
// Text helpers shared by the readers of historical flood records (the table
// and the USGS peak file).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zarn::historicaltext {

// Years a record may hold.
constexpr int kFirstYear = 1;
constexpr int kLastYear = 9999;

std::string_view Trim(std::string_view s);
// The lines of a text, LF or CR LF ended.
std::vector<std::string_view> Lines(std::string_view text);
// A non-negative flow ("." or "," as decimal mark) or "inf".
bool ReadFlow(std::string_view t, double& v);
bool ReadYear(std::string_view t, int& year);
// " (linha N: "text")" for a fault.
std::string LineText(int line, std::string_view text);

}  // namespace zarn::historicaltext
