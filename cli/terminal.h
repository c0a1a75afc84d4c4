// SPDX-License-Identifier: GPL-3.0-or-later
// The report and the fact file shown on a terminal. Their bytes are fixed
// (Windows-1252, CR LF) for the files the program and other tools read; a
// terminal is not such a file, so there they are shown in the terminal's
// own character set with plain LF line ends.
//
//   TerminalCodeset      the character set of the user's locale (LC_CTYPE),
//                        as nl_langinfo(CODESET) names it
//   TerminalText         Windows-1252 lines in a character set, LF ended
//   StandardOutputLines  what `OUT -` writes: TerminalText on a terminal
//                        unless raw, else the file's bytes (CR LF)
#pragma once

#include <string>
#include <vector>

namespace zarn {

std::string TerminalCodeset();
// A character the codeset lacks is transliterated where iconv can (é -> e
// in ASCII), else written as '?'. An unknown codeset gives UTF-8.
std::string TerminalText(const std::vector<std::string>& lines, const std::string& codeset);
std::string StandardOutputLines(const std::vector<std::string>& lines, bool raw);

}  // namespace zarn
