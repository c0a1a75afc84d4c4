// SPDX-License-Identifier: GPL-3.0-or-later
// Text encodings: the one place where bytes become UTF-8 text and back.
// The data-file reader, the importers, the batch tool and the windows share
// it (files/ is the ground floor: it includes nothing of the project's).
//
//   IsValidUtf8, AppendUtf8                 UTF-8 checks and writing
//   Windows1252ToUtf8, Utf8ToWindows1252    the record's texts <-> UTF-8
//   Decode                                  a file's bytes to UTF-8 (UTF-32, UTF-16, UTF-8, Windows-1252)
//   SplitLines                              lines ended by CR LF, LF or CR
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace zarn {

// Windows-1252 <-> UTF-8, for the batch tool and the windows. A character
// outside Windows-1252 becomes '?'.
std::string Utf8ToWindows1252(std::string_view utf8);
std::string Windows1252ToUtf8(std::string_view cp1252);
// True when the bytes are well-formed UTF-8 (lead bytes C2..F4, no overlong
// two-byte forms, every sequence complete).
bool IsValidUtf8(std::string_view bytes);
// Appends one Unicode code point to `out` in UTF-8.
void AppendUtf8(std::string& out, char32_t codePoint);

struct DecodedText {
    std::string Text;  // UTF-8
    std::string Encoding;
};

// The file's text as UTF-8: UTF-16 (with a byte-order mark, or NUL bytes in
// every other place), UTF-8 (with or without a mark), or else ISO-8859-1
// read as its Windows superset.
DecodedText Decode(std::string_view bytes);

// Lines ended by CR LF, LF or CR; line i of the file is element i - 1.
std::vector<std::string> SplitLines(const std::string& text);

}  // namespace zarn
