// The few operating-system calls the core needs, kept in one place so the rest of the code builds
// on Windows and Linux alike. Everything here is a thin wrapper; no policy lives in this file.
#pragma once

#include <filesystem>

namespace kestrune {

// Full path of the running program file; empty when the system cannot tell.
std::filesystem::path executablePath();

}  // namespace kestrune
