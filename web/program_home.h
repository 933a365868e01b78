// Where the program keeps its files: the "program home" holds the options folder (settings,
// endpoints, cookies, catalogue cache). It is the executable's folder unless the user names
// another with --home or the KESTRUNE_HOME environment variable.
#pragma once

#include <filesystem>
#include <string>

namespace kestrune {

// Resolves the home from an explicit --home value (may be empty), then KESTRUNE_HOME, then the
// executable's folder. The folder is not created here.
std::filesystem::path resolveProgramHome(const std::string& homeArgument);

// The folder "options" inside a program home.
std::filesystem::path optionsFolder(const std::filesystem::path& home);

}  // namespace kestrune
