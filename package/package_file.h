// Writing a finished package file so that a failure never leaves a half-written package or
// destroys an older file of the same name: the bytes go to a temporary file beside the target,
// which is then renamed into place.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kestrune {

struct WriteOutcome {
  bool written = false;
  std::string reason;  // why the file could not be written; empty when it was
};

// Writes `bytes` to `path`, replacing an existing file only once the new one is complete.
WriteOutcome writeFileReplacing(const std::filesystem::path& path, std::string_view bytes);

}  // namespace kestrune
