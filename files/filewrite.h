// SPDX-License-Identifier: GPL-3.0-or-later
// Whole files. Writing one so that a failure never leaves half of it: the
// bytes go to a temporary file beside the target, which replaces the target
// only once complete and flushed. The previous file survives any failure.
//
//   ReadFileContents      every byte of a file; a failure to open or read it
//                         throws the runtime's file error (RaiseFileError)
//   ReplaceFileContents   the write; a symbolic link keeps pointing where it
//                         did (or, asked, is replaced by the file and never
//                         followed), an existing file keeps its permissions, a
//                         file the user may not write is refused, and a device
//                         or pipe (such as /dev/full) is written in place
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace zarn {

std::string ReadFileContents(const std::string& path);

// Where a write failed: creating or replacing the file, or writing its bytes.
enum class WriteStage { Create, Write };

// What becomes of a symbolic link at the target: the windows save through it
// (the user chose that name in a dialog); the batch tool replaces it, so
// that a link left in an output folder cannot carry a write elsewhere.
enum class LinkAtTarget { Follow, Replace };

// Throws FileError(errorText(stage, errno), errno, path) on a failure.
void ReplaceFileContents(const std::string& path, std::string_view bytes,
                         const std::function<std::string(WriteStage, int)>& errorText,
                         LinkAtTarget link = LinkAtTarget::Follow);

}  // namespace zarn
