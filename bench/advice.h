// SPDX-License-Identifier: GPL-3.0-or-later
// The consultation row of zarn-bench (--advice).
#pragma once

#include <filesystem>
#include <string>

namespace zarn {

// Times `runs` consultations on the series of `data`; the copy of the rule
// base is written into `folder`.
void PrintAdvice(const std::filesystem::path& folder, const std::string& data, int runs);

}  // namespace zarn
