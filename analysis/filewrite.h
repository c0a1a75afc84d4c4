// Whole files. Writing one so that a failure never leaves half of it: the
// bytes go to a temporary file beside the target, which replaces the target
// only once complete and flushed. The previous file survives any failure.
//
//   ReadFileContents      every byte of a file; a failure to open or read it
//                         throws the runtime's file error (RaiseFileError)
//   ReplaceFileContents   the write; a symbolic link keeps pointing where it
//                         did, an existing file keeps its permissions, a file
//                         the user may not write is refused, and a device or
//                         pipe (such as /dev/full) is written in place
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace zarn {

std::string ReadFileContents(const std::string& path);

// Where a write failed: creating or replacing the file, or writing its bytes.
enum class WriteStage { Create, Write };

// Throws ZarnError(errorText(stage, errno)) on a failure.
void ReplaceFileContents(const std::string& path, std::string_view bytes,
                         const std::function<std::string(WriteStage, int)>& errorText);

}  // namespace zarn
