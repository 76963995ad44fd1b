#pragma once

#include <string>
#include <string_view>
#include <system_error>

#include "core/run_error.h"

namespace talvex {

// Gives a file new content so that it holds either its old content or the complete new one,
// never a partly written mix: the text goes to a temporary file in the same folder, which is
// renamed over the target only once it is fully written. Any failure raises RunError with the
// system's description ("Permission denied", "Path not found", "Disk full"...), removes the
// temporary file and leaves an existing target untouched.
void ReplaceFileContents(const std::string& path, std::string_view text);

// The run-time error of a failed file operation.
ErrorCode FileErrorCode(std::error_code ec);

}  // namespace talvex
