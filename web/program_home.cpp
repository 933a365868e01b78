#include "web/program_home.h"

#include <cstdlib>

#include "web/platform.h"

namespace kestrune {

std::filesystem::path resolveProgramHome(const std::string& homeArgument) {
  if (!homeArgument.empty()) return std::filesystem::absolute(homeArgument);
  if (const char* fromEnvironment = std::getenv("KESTRUNE_HOME");
      fromEnvironment != nullptr && *fromEnvironment != '\0') {
    return std::filesystem::absolute(fromEnvironment);
  }
  auto program = executablePath();
  if (program.empty()) return std::filesystem::current_path();
  return program.parent_path();
}

std::filesystem::path optionsFolder(const std::filesystem::path& home) { return home / "options"; }

}  // namespace kestrune
